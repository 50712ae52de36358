#pragma once
// Failure of a picture routine (an unreadable watermark file, text drawing
// without fonts). The conversion hook turns it into an untreated frame.
#include <stdexcept>
#include <string>

namespace quorvia {

class TEffectsError : public std::runtime_error {
public:
    explicit TEffectsError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace quorvia
