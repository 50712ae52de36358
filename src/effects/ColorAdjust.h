#pragma once
// The colour pass: saturation around the grey level, then brightness, then
// contrast, all through tables built once per call; per-pixel work is integer
// look-ups only. The three channels are treated alike, so byte order does not
// matter.
#include <array>
#include <cstdint>

namespace quorvia {

class BgrPicture;

struct TColorTables {
    std::array<uint8_t, 256> Contrast{};   // CT: contrast around level 170
    std::array<uint8_t, 256> Tone{};       // TT: brightness, then contrast
    std::array<uint16_t, 256> Gain{};      // W: saturation gain ((m + 1) * s) >> 8
    std::array<int16_t, 768> Grey{};       // GT: grey level of a channel sum, less its gain
};

// Out-of-range settings are limited to brightness 0..512, contrast -100..100
// and saturation 0..512 (beyond them the tables would index out of range).
TColorTables BuildColorTables(int32_t brightness, int32_t contrast, int32_t saturation);

void ApplyColorAdjust(BgrPicture& picture, int32_t brightness, int32_t contrast, int32_t saturation);

// The colour pass of the tables; when after is given, every resulting byte is
// also mapped through it in the same sweep (the exposure curve that follows
// the colour pass), which equals running the two passes one after the other.
void ApplyColorTables(BgrPicture& picture, const TColorTables& tables,
                      const std::array<uint8_t, 256>* after = nullptr);

}  // namespace quorvia
