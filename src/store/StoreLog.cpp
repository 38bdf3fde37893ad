#include "store/StoreLog.h"

namespace tamberlink {

Q_LOGGING_CATEGORY(lcStore, "tamberlink.store", QtWarningMsg)

} // namespace tamberlink
