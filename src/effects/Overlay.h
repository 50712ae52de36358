#pragma once
// Picture watermark: blends a 24-bit picture into the frame with its top-left
// corner at (x, y), cut at the frame's edges.
#include <cstdint>

namespace quorvia {

class BgrPicture;

// Blend styles of WaterImageStyle.
inline constexpr int32_t kOverlayWeighted = 1;  // "Transparent style 1": (d*(256-A) + m*A) >> 8
                                                // any other value: multiply, d*m/255

// alpha is the picture's weight out of 256 (limited to 0..256). Positions
// come from percentages and are never negative in practice; a negative one
// is cut like a right or bottom overhang instead of writing outside the frame.
void OverlayPicture(BgrPicture& frame, const BgrPicture& mark, int32_t x, int32_t y, int32_t alpha,
                    int32_t style);

}  // namespace quorvia
