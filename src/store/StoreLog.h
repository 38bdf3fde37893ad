#pragma once

#include <QLoggingCategory>

namespace tamberlink {

// "tamberlink.store": failed statements with the operation's words and SQLite's message, and
// refused or failed schema upgrades, as warnings (on by default); each upgrade step at info
// level, with QT_LOGGING_RULES="tamberlink.store.info=true".
Q_DECLARE_LOGGING_CATEGORY(lcStore)

} // namespace tamberlink
