#pragma once

#include <QLoggingCategory>

namespace tamberlink {

// "tamberlink.api": requests of the local HTTP API at debug level (off by default);
// warnings, such as a port that cannot be bound, are on.
Q_DECLARE_LOGGING_CATEGORY(lcLocalApi)

} // namespace tamberlink
