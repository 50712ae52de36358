#pragma once
// Where the program finds its files on Linux.
#include <string>

namespace quorvia {

// Folder of the running binary, ending with "/".
std::string ExecutableFolder();

// Program INI: beside the executable when that folder is writable, otherwise
// $XDG_CONFIG_HOME/quorvia/ (default ~/.config/quorvia/).
std::string DefaultSettingsFile();
// Format INI: beside the executable, else <prefix>/share/quorvia/.
std::string DefaultFormatFile();

// Default output and snapshot folder: $HOME/fennrow.
std::string DefaultOutputFolder();

// Names of the two INI files.
inline constexpr const char* kSettingsFileName = "quorviamp4fennrow.ini";
inline constexpr const char* kFormatFileName = "quorviamp4format.ini";

}  // namespace quorvia
