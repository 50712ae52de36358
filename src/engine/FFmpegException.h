#pragma once
// Every engine failure travels as one of these, carrying the user-facing text.
// The component boundary turns it into a result plus a last-error text.
#include <stdexcept>
#include <string>

namespace quorvia {

class FFmpegException : public std::runtime_error {
public:
    explicit FFmpegException(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace quorvia
