#pragma once

namespace tamberlink {

// The product's web pages opened from the main window, its menu and its dialogs.
inline constexpr const char* kHomePage = "https://www.tamberlink.com/";
inline constexpr const char* kHelpPage = "https://www.tamberlink.com/help";
inline constexpr const char* kAboutPage = "https://www.tamberlink.com/about";
// The latest firmware of the telephone box, offered by the upgrade window.
inline constexpr const char* kFirmwarePage = "https://www.tamberlink.com/firmware";

} // namespace tamberlink
