#include "ui/widgets/UiLog.h"

Q_LOGGING_CATEGORY(lcUi, "tamberlink.ui", QtWarningMsg)
