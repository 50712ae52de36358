#pragma once
// Every caption and message text of the windows, in one place.

namespace quorvia::ui {

// Application titles.
inline constexpr const char* kStartupTitle = "Tamsel Video Converter";

// Error handler.
inline constexpr const char* kUnknownErrorText = "Unknown error";

// Tool buttons of the main window.
inline constexpr const char* kBtnAdd = "&Add";
inline constexpr const char* kBtnRemove = "&Remove";
inline constexpr const char* kBtnClear = "&Clear";
inline constexpr const char* kBtnEdit = "&Edit";
inline constexpr const char* kBtnStart = "&Start";
inline constexpr const char* kBtnExit = "&Exit";
inline constexpr const char* kBtnSettings = "&Settings";

// Menus of the main window.
inline constexpr const char* kMnuFile = "&File";
inline constexpr const char* kMnuAdd = "&Add";
inline constexpr const char* kMnuRemove = "&Remove";
inline constexpr const char* kMnuClear = "&Clear";
inline constexpr const char* kMnuStart = "&Start";
inline constexpr const char* kMnuSettings = "Se&ttings";
inline constexpr const char* kMnuExit = "&Exit";

inline constexpr const char* kMnuEdit = "&Edit";
inline constexpr const char* kMnuCrop = "&Crop";
inline constexpr const char* kMnuTrim = "&Trim";
inline constexpr const char* kMnuEffect = "&Video Effect && Water Mark";
inline constexpr const char* kMnuCheckAll = "&Check All";
inline constexpr const char* kMnuUncheckAll = "&Uncheck All";
inline constexpr const char* kMnuReverseCheck = "&Reverse Check";
inline constexpr const char* kMnuCheck = "C&heck";
inline constexpr const char* kMnuUncheck = "U&ncheck";

inline constexpr const char* kMnuTools = "&Tools";
inline constexpr const char* kMnuPreference = "&Preference";
inline constexpr const char* kMnuSkin = "&Skin";

inline constexpr const char* kMnuHelpMenu = "&Help";
inline constexpr const char* kMnuHelp = "&Help";
inline constexpr const char* kMnuWebSite = "&Web Site";
inline constexpr const char* kMnuSupport = "&Support and Contact";
inline constexpr const char* kMnuAbout = "&About";

// Context menu of the job list.
inline constexpr const char* kPopCrop = "&Crop";
inline constexpr const char* kPopTrim = "&Trim";
inline constexpr const char* kPopEffect = "&Video Effect && Water Mark";
inline constexpr const char* kPopAdd = "Add";
inline constexpr const char* kPopRemove = "Remove";
inline constexpr const char* kPopClear = "Clear";
inline constexpr const char* kPopStart = "Start";
inline constexpr const char* kPopFileInfo = "Video Infomation";

// Output folder row.
inline constexpr const char* kLblOutputFolder = "Output Folder:";
inline constexpr const char* kBtnBrows = "Brows";
inline constexpr const char* kBtnOpen = "Open";

// Program INI.
inline constexpr const char* kSectionSettings = "settings";
inline constexpr const char* kKeySkinIndex = "skinIndex";
inline constexpr const char* kKeyOutPutDir = "OutPutDir";

}  // namespace quorvia::ui
