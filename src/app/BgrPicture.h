#pragma once
// The one 24-bit picture type shared by the engine, the player, the effects
// and the windows: rows of blue, green, red bytes, top row first, each row
// Stride() bytes long. Widgets wrap the bytes as QImage::Format_BGR888
// without copying.
//
// The buffer only ever grows: making the picture smaller, or the same size
// again, keeps the memory, so a producer that fills it frame after frame
// allocates only when the frame size grows past anything seen before.
//
// Threads: the picture has its own lock (lock()/unlock(), usable with
// std::lock_guard / std::unique_lock). A producer writing on one thread while
// a consumer reads on another holds it around the write and the read; code
// that owns the picture on a single thread need not take it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

namespace quorvia {

class BgrPicture {
public:
    static constexpr int kBytesPerPixel = 3;
    // Rows start on this boundary so vector code (scaler, effects) sees aligned lines;
    // it is also a multiple of 4, as bitmap rows must be.
    static constexpr int kRowAlignment = 32;

    BgrPicture() = default;
    BgrPicture(int width, int height) { SetSize(width, height); }
    BgrPicture(const BgrPicture&) = delete;
    BgrPicture& operator=(const BgrPicture&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Stride() const { return stride_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }

    // Bytes in use (Stride * Height) and bytes held.
    size_t Size() const { return static_cast<size_t>(stride_) * static_cast<size_t>(height_); }
    size_t Capacity() const { return capacity_; }

    uint8_t* Data() { return data_.get(); }
    const uint8_t* Data() const { return data_.get(); }
    uint8_t* ScanLine(int row) { return data_.get() + static_cast<ptrdiff_t>(row) * stride_; }
    const uint8_t* ScanLine(int row) const { return data_.get() + static_cast<ptrdiff_t>(row) * stride_; }

    // Sets the size, growing the buffer when needed; the content is undefined
    // afterwards. Width and height 0 make an empty picture. False (picture
    // unchanged) for negative sizes or a picture over 2 GiB.
    bool SetSize(int width, int height);

    // Releases the memory and makes the picture empty.
    void Clear();

    // Sets every pixel to one colour.
    void Fill(uint8_t blue, uint8_t green, uint8_t red);

    // Makes this picture a copy of other's size and pixels (reusing the buffer).
    // Takes neither lock; the caller guards other when another thread may write it.
    bool CopyFrom(const BgrPicture& other);

    // Row stride used for a width: width * 3 rounded up to kRowAlignment.
    static int StrideFor(int width);

    // Lockable.
    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }
    bool try_lock() { return mutex_.try_lock(); }

private:
    struct AlignedFree {
        void operator()(uint8_t* p) const;
    };

    std::unique_ptr<uint8_t[], AlignedFree> data_;
    size_t capacity_ = 0;
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
    std::mutex mutex_;
};

}  // namespace quorvia
