#pragma once
// Font of the text watermark as a plain value: what a job record keeps and
// what DrawTextMark needs. No Qt type, so job records stay Qt-free.
#include <cstdint>
#include <string>

namespace quorvia {

struct TWaterFont {
    std::string Name = "MS Sans Serif";  // face; a missing face falls back to the system's match
    int32_t Size = 8;                    // points, turned into pixels at the screen's pixels-per-inch
    uint32_t Color = 0;                  // 0xRRGGBB; 0 = black
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;

    bool operator==(const TWaterFont&) const = default;
};

}  // namespace quorvia
