#pragma once
// The text a failed open or create of a media file reports: the file name,
// ": " and a text chosen by the library's error code.
#include <string>

namespace quorvia {

std::string LibraryErrorText(const std::string& fileName, int errorCode);

}  // namespace quorvia
