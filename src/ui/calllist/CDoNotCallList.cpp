#include "ui/calllist/CDoNotCallList.h"

#include "app/AppCore.h"
#include "dialler/NumberListFile.h"
#include "ui/widgets/Controls.h"
#include "util/PhoneNumber.h"

#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>

namespace tamberlink {

using DoNotCallDelegate = ItemRowDelegate<DoNotCallRow>;

CDoNotCallList::CDoNotCallList(QWidget* parent, AppCore& core)
    : CSettingBaseUI(parent, QStringLiteral("免打扰名单"), core) {}

void CDoNotCallList::InitContent() {
    list_ = new QListView(Content());
    list_->setObjectName(QStringLiteral("ListDoNotCall"));
    SetFloat(list_, Content(), QRect(10, 6, 338, 118));
    model_ = new DoNotCallModel(list_);
    model_->SetSource(Core(), [](LocalDatabase& db) { return db.DoNotCall().Load(); }, {});
    FollowRows(*ShowRows<DoNotCallDelegate>(*list_, *model_), this, &CDoNotCallList::OnButton,
               DoNotCallRow::kCheck);
    edit_ = AddEdit(QRect(10, 132, 222, 30), QString());
    edit_->setPlaceholderText(QStringLiteral("输入号码"));
    connect(edit_, &QLineEdit::returnPressed, this, &CDoNotCallList::AddTyped);
    connect(AddButton(240, 132, QStringLiteral("添加")), &QAbstractButton::clicked, this,
            &CDoNotCallList::AddTyped);
    connect(AddButton(10, 172, QStringLiteral("导入")), &QAbstractButton::clicked, this,
            &CDoNotCallList::Import);
    connect(AddButton(125, 172, QStringLiteral("删除")), &QAbstractButton::clicked, this,
            &CDoNotCallList::RemoveChecked);
    model_->Reload();
}

void CDoNotCallList::OnButton(int row, int control) {
    if (model_->IsEntryRow(row) && control != 0) {
        model_->SetChecked(row, !model_->IsChecked(row));
    }
}

bool CDoNotCallList::AddTyped() {
    const NumberListFile typed = NumberListFile::Parse(edit_->text().toUtf8());
    if (typed.numbers.size() != 1) {
        Core().ShowTip(QStringLiteral("请输入一个正确的号码"));
        return false;
    }
    if (!Core().Database().DoNotCall().Add({typed.numbers.front(), QStringLiteral("手动添加"),
                                            QDateTime::currentSecsSinceEpoch()})) {
        Core().ShowTip(QStringLiteral("该号码已在免打扰名单中"));
        return false;
    }
    edit_->clear();
    model_->Reload();
    return true;
}

void CDoNotCallList::Import() {
    const QString path =
        QFileDialog::getOpenFileName(window(), QStringLiteral("导入免打扰号码"), QString(),
                                     QStringLiteral("文本或CSV (*.txt *.csv);;All (*.*)"));
    if (!path.isEmpty()) {
        ImportFile(path);
    }
}

bool CDoNotCallList::ImportFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Core().ShowTip(QStringLiteral("无法读取这个文件"));
        return false;
    }
    const NumberListFile numbers = NumberListFile::Parse(file.readAll());
    std::vector<DoNotCallEntry> entries;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    for (const QString& number : numbers.numbers) {
        entries.push_back({number, QStringLiteral("导入"), now});
    }
    const int added = entries.empty() ? 0 : Core().Database().DoNotCall().AddAll(entries);
    QString text = QStringLiteral("已导入%1个号码").arg(added);
    if (int(entries.size()) > added) {
        text += QStringLiteral("，%1个已在名单中").arg(int(entries.size()) - added);
    }
    if (numbers.refused > 0) {
        text += QStringLiteral("，%1行不是可拨打的号码，已跳过").arg(numbers.refused);
    }
    Core().ShowTip(text);
    model_->Reload();
    return added > 0;
}

void CDoNotCallList::RemoveChecked() {
    const std::vector<int> rows = model_->CheckedRows();
    if (rows.empty()) {
        Core().ShowTip(QStringLiteral("请先勾选要删除的号码"));
        return;
    }
    for (int row : rows) {
        Core().Database().DoNotCall().Remove(model_->Entry(row)->number);
    }
    model_->Reload();
}

} // namespace tamberlink
