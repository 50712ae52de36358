#pragma once
// Pictures for the effects tests, and the GUI application object that text
// drawing needs (made once for the whole test program, offscreen).
#include <array>
#include <cstdint>
#include <string>

#include "app/BgrPicture.h"

namespace quorvia::test {

using TBgr = std::array<uint8_t, 3>;  // blue, green, red

TBgr PixelAt(const BgrPicture& picture, int x, int y);
void SetPixel(BgrPicture& picture, int x, int y, TBgr bgr);

// A picture with every pixel different enough to catch mixed-up channels:
// a pseudo-random pattern from seed.
void FillPattern(BgrPicture& picture, uint32_t seed);

// Pixels of the picture's visible area equal (the row padding is not compared).
bool SamePixels(const BgrPicture& a, const BgrPicture& b);

// Whole rows including their padding bytes equal.
bool SameBytes(const BgrPicture& a, const BgrPicture& b);

// Number of pixels that differ.
int ChangedPixels(const BgrPicture& a, const BgrPicture& b);

}  // namespace quorvia::test
