#include "app/BgrPicture.h"

#include <climits>
#include <cstring>
#include <new>

namespace quorvia {

namespace {
// Buffers are aligned like the rows, so every row start is aligned.
constexpr std::align_val_t kBufferAlignment{BgrPicture::kRowAlignment};
// Vector writers may store a few bytes past the last pixel of the last row.
constexpr size_t kTailPadding = 64;
// Larger pictures are refused rather than attempted: no frame comes near this.
constexpr size_t kMaxBytes = INT_MAX;
}  // namespace

void BgrPicture::AlignedFree::operator()(uint8_t* p) const
{
    ::operator delete[](p, kBufferAlignment);
}

int BgrPicture::StrideFor(int width)
{
    const int bytes = width * kBytesPerPixel;
    return (bytes + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
}

bool BgrPicture::SetSize(int width, int height)
{
    if (width < 0 || height < 0) return false;
    if (width > (INT_MAX - kRowAlignment) / kBytesPerPixel) return false;
    const int stride = StrideFor(width);
    const size_t needed = static_cast<size_t>(stride) * static_cast<size_t>(height);
    if (needed > kMaxBytes) return false;
    if (needed > capacity_) {
        std::unique_ptr<uint8_t[], AlignedFree> grown(
            static_cast<uint8_t*>(::operator new[](needed + kTailPadding, kBufferAlignment, std::nothrow)));
        if (!grown) return false;
        data_ = std::move(grown);
        capacity_ = needed;
    }
    width_ = width;
    height_ = height;
    stride_ = stride;
    return true;
}

void BgrPicture::Clear()
{
    data_.reset();
    capacity_ = 0;
    width_ = height_ = stride_ = 0;
}

void BgrPicture::Fill(uint8_t blue, uint8_t green, uint8_t red)
{
    if (Empty()) return;
    uint8_t* first = ScanLine(0);
    for (int x = 0; x < width_; ++x) {
        first[x * 3] = blue;
        first[x * 3 + 1] = green;
        first[x * 3 + 2] = red;
    }
    for (int y = 1; y < height_; ++y) std::memcpy(ScanLine(y), first, static_cast<size_t>(width_) * 3);
}

bool BgrPicture::CopyFrom(const BgrPicture& other)
{
    if (&other == this) return true;
    if (!SetSize(other.width_, other.height_)) return false;
    if (!Empty()) std::memcpy(data_.get(), other.data_.get(), Size());
    return true;
}

}  // namespace quorvia
