#include "effects/BmpReader.h"

#include <array>
#include <bit>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "app/BgrPicture.h"
#include "effects/EffectsError.h"
#include "effects/Messages.h"

namespace quorvia {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kRgb = 0;
constexpr uint32_t kBitFields = 3;
constexpr uint32_t kAlphaBitFields = 6;
// A watermark is a small picture; this bound keeps a damaged header from
// asking for gigabytes.
constexpr int64_t kMaxPixels = 64LL * 1024 * 1024;
constexpr std::streamoff kMaxFileBytes = 1LL << 30;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// One colour channel described by a bit mask.
struct TChannel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;  // largest value after shifting

    explicit TChannel(uint32_t m = 0) : mask(m)
    {
        if (m == 0) return;
        shift = std::countr_zero(m);
        max = m >> shift;
    }
    uint8_t Get(uint32_t pixel) const
    {
        if (max == 0) return 0;
        const uint64_t v = (pixel & mask) >> shift;
        return static_cast<uint8_t>((v * 255 + max / 2) / max);
    }
};

struct TLayout {
    int64_t width = 0;
    int64_t height = 0;  // rows, always positive
    bool topDown = false;
    int bits = 0;
    uint32_t compression = kRgb;
    std::array<TChannel, 3> channels;  // blue, green, red
    std::vector<std::array<uint8_t, 3>> palette;  // blue, green, red
    size_t pixelOffset = 0;
};

TBmpResult ReadLayout(const uint8_t* data, size_t size, TLayout& l)
{
    if (size < kFileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M') return TBmpResult::NotBitmap;
    const uint32_t headerSize = U32(data + kFileHeaderSize);
    const uint8_t* h = data + kFileHeaderSize;
    if (headerSize != kCoreHeaderSize && headerSize < kInfoHeaderSize) return TBmpResult::NotBitmap;
    if (kFileHeaderSize + headerSize > size) return TBmpResult::NotBitmap;
    l.pixelOffset = U32(data + 10);

    uint32_t colorsUsed = 0;
    size_t paletteEntryBytes = 4;
    if (headerSize == kCoreHeaderSize) {
        l.width = U16(h + 4);
        l.height = U16(h + 6);
        l.bits = U16(h + 10);
        paletteEntryBytes = 3;
    } else {
        l.width = static_cast<int32_t>(U32(h + 4));
        const int32_t rawHeight = static_cast<int32_t>(U32(h + 8));
        l.topDown = rawHeight < 0;
        l.height = rawHeight < 0 ? -static_cast<int64_t>(rawHeight) : rawHeight;
        l.bits = U16(h + 14);
        l.compression = U32(h + 16);
        colorsUsed = U32(h + 32);
    }
    if (l.width <= 0 || l.height <= 0) return TBmpResult::NotBitmap;
    if (l.width * l.height > kMaxPixels) return TBmpResult::TooLarge;

    size_t afterHeader = kFileHeaderSize + headerSize;
    if (l.compression == kBitFields || l.compression == kAlphaBitFields) {
        if (l.bits != 16 && l.bits != 32) return TBmpResult::Unsupported;
        // Masks sit inside larger headers, or just after a 40-byte one.
        const size_t maskAt = kFileHeaderSize + kInfoHeaderSize;
        if (headerSize == kInfoHeaderSize) afterHeader += l.compression == kAlphaBitFields ? 16 : 12;
        if (maskAt + 12 > size) return TBmpResult::NotBitmap;
        l.channels = {TChannel(U32(data + maskAt + 8)), TChannel(U32(data + maskAt + 4)),
                      TChannel(U32(data + maskAt))};
    } else if (l.compression != kRgb) {
        return TBmpResult::Unsupported;
    } else if (l.bits == 16) {
        l.channels = {TChannel(0x001F), TChannel(0x03E0), TChannel(0x7C00)};
    } else if (l.bits == 32) {
        l.channels = {TChannel(0x000000FF), TChannel(0x0000FF00), TChannel(0x00FF0000)};
    }

    switch (l.bits) {
    case 1:
    case 4:
    case 8: {
        const uint32_t full = 1u << l.bits;
        const uint32_t count = colorsUsed == 0 || colorsUsed > full ? full : colorsUsed;
        if (afterHeader + static_cast<size_t>(count) * paletteEntryBytes > size) return TBmpResult::NotBitmap;
        l.palette.resize(count);
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* e = data + afterHeader + i * paletteEntryBytes;
            l.palette[i] = {e[0], e[1], e[2]};
        }
        break;
    }
    case 16:
    case 24:
    case 32:
        break;
    default:
        return TBmpResult::Unsupported;
    }

    const uint64_t rowBytes = (static_cast<uint64_t>(l.width) * l.bits + 31) / 32 * 4;
    if (l.pixelOffset > size || rowBytes * static_cast<uint64_t>(l.height) > size - l.pixelOffset)
        return TBmpResult::NotBitmap;
    return TBmpResult::Ok;
}

void DecodeRow(const TLayout& l, const uint8_t* src, uint8_t* dst)
{
    const int width = static_cast<int>(l.width);
    const auto fromPalette = [&](uint32_t index, uint8_t* out) {
        // An index past the palette's end reads as black.
        if (index < l.palette.size()) std::memcpy(out, l.palette[index].data(), 3);
        else out[0] = out[1] = out[2] = 0;
    };
    switch (l.bits) {
    case 1:
        for (int x = 0; x < width; ++x) fromPalette((src[x >> 3] >> (7 - (x & 7))) & 1u, dst + x * 3);
        break;
    case 4:
        for (int x = 0; x < width; ++x) fromPalette((src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0Fu, dst + x * 3);
        break;
    case 8:
        for (int x = 0; x < width; ++x) fromPalette(src[x], dst + x * 3);
        break;
    case 24:
        std::memcpy(dst, src, static_cast<size_t>(width) * 3);
        break;
    case 16:
    case 32: {
        const int step = l.bits / 8;
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = src + x * step;
            const uint32_t v = step == 2 ? U16(p) : U32(p);
            for (int c = 0; c < 3; ++c) dst[x * 3 + c] = l.channels[c].Get(v);
        }
        break;
    }
    default:
        break;
    }
}

}  // namespace

TBmpResult DecodeBmp(const uint8_t* data, size_t size, BgrPicture& picture)
{
    TLayout l;
    const TBmpResult result = ReadLayout(data, size, l);
    if (result != TBmpResult::Ok) return result;
    if (!picture.SetSize(static_cast<int>(l.width), static_cast<int>(l.height))) return TBmpResult::TooLarge;
    const size_t rowBytes = (static_cast<size_t>(l.width) * l.bits + 31) / 32 * 4;
    for (int64_t row = 0; row < l.height; ++row) {
        const int64_t fileRow = l.topDown ? row : l.height - 1 - row;
        DecodeRow(l, data + l.pixelOffset + static_cast<size_t>(fileRow) * rowBytes,
                  picture.ScanLine(static_cast<int>(row)));
    }
    return TBmpResult::Ok;
}

void ReadBmpFile(const std::string& path, BgrPicture& picture)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) throw TEffectsError(msg::WatermarkOpenFail + path);
    const std::streamoff length = in.tellg();
    if (length < 0) throw TEffectsError(msg::WatermarkOpenFail + path);
    if (length > kMaxFileBytes) throw TEffectsError(msg::WatermarkTooLarge + path);
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), length)) throw TEffectsError(msg::WatermarkOpenFail + path);

    switch (DecodeBmp(bytes.data(), bytes.size(), picture)) {
    case TBmpResult::Ok:
        return;
    case TBmpResult::NotBitmap:
        throw TEffectsError(msg::WatermarkNotBitmap + path);
    case TBmpResult::Unsupported:
        throw TEffectsError(msg::WatermarkUnsupported + path);
    case TBmpResult::TooLarge:
        throw TEffectsError(msg::WatermarkTooLarge + path);
    }
}

}  // namespace quorvia
