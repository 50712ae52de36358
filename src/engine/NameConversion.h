#pragma once
// File names handed to and read back from the libraries. Names are UTF-8
// bytes on this platform and go to the libraries as they are; a name that
// carries the "unicode:utf8:" prefix is opened by us through a custom I/O
// context (see UnicodeIO.h), since the libraries have no such protocol.
// Conversions return values, so threads may convert names at the same time.
#include <cstddef>
#include <string>

namespace quorvia {

inline constexpr const char* kUnicodePrefix = "unicode:utf8:";
inline constexpr size_t kUnicodePrefixLength = 13;
// Protocol prefixes passed through unchanged.
inline constexpr const char* kPassThroughProtocols = ":unicode:stream:gopher:http:pipe:rtp:tcp:udp:";
// Longest name the libraries are given (it once had to fit a 2048-byte area).
inline constexpr size_t kMaxLibraryName = 2047;

// True when the text before the first ":" is one of the pass-through protocols.
bool IsLibraryUrl(const std::string& name);

// True when the name needs our own file I/O: it begins with "unicode:utf8:"
// and has a path after it.
bool IsUnicodeName(const std::string& name);

// Name as the libraries take it. Throws FFmpegException for names longer
// than kMaxLibraryName bytes rather than cutting them.
std::string ToLibraryName(const std::string& name);

// Name for messages and for our own file calls: strips "unicode:utf8:".
std::string FromLibraryName(const std::string& libraryName);

}  // namespace quorvia
