#pragma once

#include <QLoggingCategory>

// Recording files opened and closed, and why one could not be written. Warnings are on by
// default; the rest with QT_LOGGING_RULES="tamberlink.recording.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcRecording)
