#include "localapi/ApiLog.h"

namespace tamberlink {

Q_LOGGING_CATEGORY(lcLocalApi, "tamberlink.api", QtWarningMsg)

} // namespace tamberlink
