#pragma once
// The exposure curve: one 256-entry table built per call, every byte of every
// pixel mapped through it. 0 and 255 always stay.
#include <array>
#include <cstdint>

namespace quorvia {

class BgrPicture;

using TExposureTable = std::array<uint8_t, 256>;

// exposure is limited to -255..512, the setting's range (far below it the
// curve's exponential would overflow).
TExposureTable BuildExposureTable(float exposure);

void ApplyExposure(BgrPicture& picture, float exposure);

// Maps every byte of every pixel through a table.
void ApplyByteTable(BgrPicture& picture, const TExposureTable& table);

}  // namespace quorvia
