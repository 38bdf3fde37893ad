#include "device/DeviceLog.h"

Q_LOGGING_CATEGORY(lcSerial, "tamberlink.serial", QtWarningMsg)
