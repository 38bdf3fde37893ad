#pragma once

#include <QLoggingCategory>

// Debug output of the windows ("tamberlink.ui"), off unless enabled.
Q_DECLARE_LOGGING_CATEGORY(lcUi)
