#include "app/Paths.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace quorvia {
namespace {
std::string WithSlash(std::string s)
{
    if (s.empty() || s.back() != '/') s += '/';
    return s;
}

std::string HomeFolder()
{
    const char* home = std::getenv("HOME");
    return home && *home ? home : "/tmp";
}
}  // namespace

std::string ExecutableFolder()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return WithSlash(fs::current_path().string());
    return WithSlash(exe.parent_path().string());
}

std::string DefaultSettingsFile()
{
    const std::string exeFolder = ExecutableFolder();
    if (::access(exeFolder.c_str(), W_OK) == 0) return exeFolder + kSettingsFileName;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const std::string base = xdg && *xdg ? std::string(xdg) : HomeFolder() + "/.config";
    const std::string folder = WithSlash(base) + "quorvia/";
    std::error_code ec;
    fs::create_directories(folder, ec);
    return folder + kSettingsFileName;
}

std::string DefaultFormatFile()
{
    const std::string beside = ExecutableFolder() + kFormatFileName;
    std::error_code ec;
    if (fs::exists(beside, ec)) return beside;
    return WithSlash(QUORVIA_INSTALL_PREFIX) + "share/quorvia/" + kFormatFileName;
}

std::string DefaultOutputFolder()
{
    return HomeFolder() + "/fennrow";
}

}  // namespace quorvia
