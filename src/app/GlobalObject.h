#pragma once
// The one global configuration object: paths of both INI files, product name,
// version text and the help and web addresses. Created by the main window
// (or a command-line tool) and reached through GlobalObject().
#include <string>

namespace quorvia {

inline constexpr const char* kProductName = "Quorvia MP4 Video Converter";
inline constexpr const char* kInitialVersionText = " ver 1.60 ";
inline constexpr const char* kHelpURL = "https://quorvia.example.org/help/mp4-video-converter";
inline constexpr const char* kWebURL = "https://quorvia.example.org/mp4-video-converter";
inline constexpr const char* kSupportURL = "https://quorvia.example.org/support";

class TGlobalObject {
public:
    TGlobalObject();

    const std::string& HelpURL() const { return helpURL_; }
    const std::string& SettingsFile() const { return settingsFile_; }
    const std::string& FormatFile() const { return formatFile_; }
    const std::string& ProductName() const { return productName_; }
    const std::string& VersionText() const { return versionText_; }
    const std::string& WebURL() const { return webURL_; }

    // Paths are taken only when longer than 3 characters, the rest when not empty.
    void SetHelpURL(const std::string& v);
    void SetSettingsFile(const std::string& v);
    void SetFormatFile(const std::string& v);
    void SetProductName(const std::string& v);
    void SetVersionText(const std::string& v);
    void SetWebURL(const std::string& v);

private:
    std::string helpURL_;
    std::string settingsFile_;
    std::string formatFile_;
    std::string productName_;
    std::string versionText_;
    std::string webURL_;
};

// " " + major + "." + minor + release + build + " ", e.g. " 2.61135 ".
std::string BuildVersionText(int major, int minor, int release, int build);
// The text for the version this program was built as.
std::string ProgramVersionText();

// The global object; null before it is created and after it is freed.
TGlobalObject* GlobalObject();
// Creates it with the default paths (a second call returns the existing one).
TGlobalObject& CreateGlobalObject();
void FreeGlobalObject();

}  // namespace quorvia
