#pragma once

#include <QLoggingCategory>

// Hex dumps of frames and audio chunks, port set-up and search; off unless enabled with
// QT_LOGGING_RULES="tamberlink.serial.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcSerial)
