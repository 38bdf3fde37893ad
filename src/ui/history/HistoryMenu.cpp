#include "ui/history/HistoryMenu.h"

#include "ui/history/HistoryWindows.h"

#include <QListView>
#include <QMenu>

namespace tamberlink::history_menu {

void Offer(QListView& list, std::function<Person(int row)> personAt, HistoryWindows& windows) {
    list.setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(&list, &QWidget::customContextMenuRequested, &windows,
                     [&list, &windows, personAt = std::move(personAt)](const QPoint& pos) {
                         const QModelIndex index = list.indexAt(pos);
                         if (!index.isValid()) {
                             return;
                         }
                         const Person person = personAt(index.row());
                         if (person.number.isEmpty()) {
                             return;
                         }
                         auto* menu = new QMenu(&list);
                         menu->setAttribute(Qt::WA_DeleteOnClose);
                         menu->addAction(QStringLiteral("号码记录…"), &windows, [&windows, person] {
                             windows.Open(person.number, person.name);
                         });
                         menu->popup(list.viewport()->mapToGlobal(pos));
                     });
}

} // namespace tamberlink::history_menu
