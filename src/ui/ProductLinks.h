#pragma once

namespace tamberlink {

// The product's web pages opened from the main window and its menu.
inline constexpr const char* kHomePage = "https://www.tamberlink.com/";
inline constexpr const char* kHelpPage = "https://www.tamberlink.com/help";
inline constexpr const char* kAboutPage = "https://www.tamberlink.com/about";

} // namespace tamberlink
