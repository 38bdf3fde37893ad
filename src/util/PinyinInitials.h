#pragma once

#include <QString>

namespace tamberlink {

// Lower-case pinyin initial of every code point from U+4E00 to U+9FA5, in code-point order
// (20,902 letters and a terminating zero). Generated at build time from Unihan.
extern const char16_t* const kInitialsTable;

inline constexpr char16_t kInitialsFirst = 0x4E00;
inline constexpr char16_t kInitialsLast = 0x9FA5;
inline constexpr int kInitialsCount = kInitialsLast - kInitialsFirst + 1;

// One output code unit per input code unit: Chinese characters of the block become the
// upper-case initial of their pinyin, ASCII letters are upper-cased, everything else
// (digits, blanks, other scripts, surrogate halves) passes unchanged.
// "王小明abc" gives "WXMABC", "Li 李" gives "LI L".
QString GetInitials(const QString& name);

} // namespace tamberlink
