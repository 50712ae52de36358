#include "app/GlobalObject.h"

#include "app/Paths.h"

#include <memory>

namespace quorvia {

TGlobalObject::TGlobalObject()
    : helpURL_(kHelpURL),
      settingsFile_(DefaultSettingsFile()),
      formatFile_(DefaultFormatFile()),
      productName_(kProductName),
      versionText_(kInitialVersionText),
      webURL_(kWebURL)
{
}

void TGlobalObject::SetHelpURL(const std::string& v) { if (!v.empty()) helpURL_ = v; }
void TGlobalObject::SetSettingsFile(const std::string& v) { if (v.size() > 3) settingsFile_ = v; }
void TGlobalObject::SetFormatFile(const std::string& v) { if (v.size() > 3) formatFile_ = v; }
void TGlobalObject::SetProductName(const std::string& v) { if (!v.empty()) productName_ = v; }
void TGlobalObject::SetVersionText(const std::string& v) { if (!v.empty()) versionText_ = v; }
void TGlobalObject::SetWebURL(const std::string& v) { if (!v.empty()) webURL_ = v; }

std::string BuildVersionText(int major, int minor, int release, int build)
{
    return " " + std::to_string(major) + "." + std::to_string(minor) + std::to_string(release) +
           std::to_string(build) + " ";
}

std::string ProgramVersionText()
{
    return BuildVersionText(QUORVIA_VERSION_MAJOR, QUORVIA_VERSION_MINOR, QUORVIA_VERSION_PATCH,
                            QUORVIA_VERSION_TWEAK);
}

namespace {
std::unique_ptr<TGlobalObject>& Instance()
{
    static std::unique_ptr<TGlobalObject> instance;
    return instance;
}
}  // namespace

TGlobalObject* GlobalObject() { return Instance().get(); }

TGlobalObject& CreateGlobalObject()
{
    if (!Instance()) Instance() = std::make_unique<TGlobalObject>();
    return *Instance();
}

void FreeGlobalObject() { Instance().reset(); }

}  // namespace quorvia
