#pragma once

#include <QString>
#include <QStringList>

namespace tamberlink {

class AppCore;

// What a user says about callers from the call popup, a call-log row or the log of stopped
// calls. Each tells the user, in one notice, what it did or why it could not.
namespace nuisance_actions {

// The label a number blocked with one click gets.
inline QString DefaultLabel() {
    return QStringLiteral("骚扰");
}

// "拦截此号码": the numbers' calls are rejected from now on (label `label`, DefaultLabel when
// empty). The numbers blocked.
int BlockCallers(AppCore& core, const QStringList& numbers, const QString& label = QString());
// "不是骚扰": the numbers ring from now on whatever the rules say. The numbers whitelisted.
int MarkNotNuisance(AppCore& core, const QStringList& numbers);

} // namespace nuisance_actions
} // namespace tamberlink
