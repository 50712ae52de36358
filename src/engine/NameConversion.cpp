#include "engine/NameConversion.h"

#include <cstring>

#include "engine/BindingMessages.h"
#include "engine/FFmpegException.h"
#include "engine/TextFormat.h"

namespace quorvia {

bool IsLibraryUrl(const std::string& name)
{
    const size_t colon = name.find(':');
    if (colon == std::string::npos) return false;
    const std::string key = ":" + name.substr(0, colon) + ":";
    return std::strstr(kPassThroughProtocols, key.c_str()) != nullptr;
}

bool IsUnicodeName(const std::string& name)
{
    return name.size() > kUnicodePrefixLength && name.compare(0, kUnicodePrefixLength, kUnicodePrefix) == 0;
}

std::string ToLibraryName(const std::string& name)
{
    // UTF-8 names need no conversion here: library URLs, "unicode:utf8:"
    // names and plain paths all pass as they are.
    if (name.size() > kMaxLibraryName) {
        // Quote the start of the name, cut on a character boundary.
        size_t cut = 64;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
        throw FFmpegException(StrFormat(msg::NameTooLong, name.size(), name.substr(0, cut).c_str()));
    }
    return name;
}

std::string FromLibraryName(const std::string& libraryName)
{
    return IsUnicodeName(libraryName) ? libraryName.substr(kUnicodePrefixLength) : libraryName;
}

}  // namespace quorvia
