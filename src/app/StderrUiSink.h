#pragma once

#include "app/UiSink.h"

namespace tamberlink {

// The user interface of the program without windows: notices go to standard error.
class StderrUiSink : public UiSink {
public:
    void ShowTip(const QString& text) override;
};

} // namespace tamberlink
