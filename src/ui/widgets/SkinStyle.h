#pragma once

class QApplication;

namespace tamberlink {

// Gives the application the skin's look: the CJK-capable default font and Res/style.qss
// (where "@RES@" stands for the skin folder, for url() pictures). Returns false when the
// stylesheet cannot be read; the program then runs with Qt's plain look.
bool ApplySkinStyle(QApplication& app);

} // namespace tamberlink
