#pragma once
// Reader of watermark pictures: Windows bitmap files made 24-bit.
//
// Our own small reader rather than an image library: the pixel routines stay
// free of Qt, and the conversion to 24 bits is ours to define. Supported:
// the core (12-byte) and info (40-byte and later) headers, bottom-up and
// top-down rows, 1, 4 and 8 bits per pixel with a palette, 16 and 32 bits
// with the default layout (5-5-5, B-G-R-x) or bit fields, and 24 bits.
// Channels narrower than 8 bits are scaled so that their top value is 255
// (a white 5-5-5 pixel stays white, which the multiply blend relies on); an
// alpha channel is dropped. Compressed bitmaps (RLE, JPEG, PNG) are refused.
#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvia {

class BgrPicture;

enum class TBmpResult { Ok, NotBitmap, Unsupported, TooLarge };

// Decodes a whole file's bytes. The picture is changed only on Ok.
TBmpResult DecodeBmp(const uint8_t* data, size_t size, BgrPicture& picture);

// Reads and decodes the file; throws TEffectsError with the path on failure.
void ReadBmpFile(const std::string& path, BgrPicture& picture);

}  // namespace quorvia
