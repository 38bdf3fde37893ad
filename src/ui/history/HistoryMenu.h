#pragma once

#include <QString>

#include <functional>

class QListView;

namespace tamberlink {

class HistoryWindows;

namespace history_menu {

struct Person {
    QString number; // empty: the row shows no number
    QString name;
};

// Gives the rows of `list` a right-click menu with "号码记录…" for the number that
// `personAt` finds in the row under the mouse.
void Offer(QListView& list, std::function<Person(int row)> personAt, HistoryWindows& windows);

} // namespace history_menu

} // namespace tamberlink
