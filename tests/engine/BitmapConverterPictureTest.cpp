// The shared 24-bit picture: layout rules and the grow-only buffer.
#include "app/BgrPicture.h"

#include <atomic>
#include <cstdint>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

using quorvia::BgrPicture;

TEST(BgrPicture, StrideCoversRowAndIsAligned)
{
    for (int width : {1, 2, 3, 10, 11, 320, 321, 1919}) {
        BgrPicture p;
        ASSERT_TRUE(p.SetSize(width, 3));
        EXPECT_GE(p.Stride(), width * 3) << width;
        EXPECT_EQ(p.Stride() % 4, 0) << width;  // bitmap rows
        EXPECT_LT(p.Stride() - width * 3, BgrPicture::kRowAlignment) << width;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(p.Data()) % BgrPicture::kRowAlignment, 0u) << width;
        EXPECT_EQ(p.Size(), static_cast<size_t>(p.Stride()) * 3);
    }
}

TEST(BgrPicture, BufferGrowsButNeverShrinks)
{
    BgrPicture p(320, 240);
    const uint8_t* small = p.Data();
    ASSERT_TRUE(p.SetSize(320, 240));
    EXPECT_EQ(p.Data(), small);

    ASSERT_TRUE(p.SetSize(640, 480));
    const uint8_t* large = p.Data();
    const size_t capacity = p.Capacity();
    EXPECT_GE(capacity, p.Size());

    ASSERT_TRUE(p.SetSize(100, 50));
    EXPECT_EQ(p.Data(), large);
    EXPECT_EQ(p.Capacity(), capacity);
    EXPECT_EQ(p.Width(), 100);
    EXPECT_EQ(p.Height(), 50);
}

TEST(BgrPicture, RejectsImpossibleSizesAndKeepsItself)
{
    BgrPicture p(8, 8);
    const struct {
        int width, height;
    } bad[] = {{-1, 5}, {5, -1}, {1 << 30, 1}, {1 << 20, 1 << 20}};
    for (const auto& b : bad) {
        EXPECT_FALSE(p.SetSize(b.width, b.height)) << b.width << "x" << b.height;
        EXPECT_EQ(p.Width(), 8);
        EXPECT_EQ(p.Height(), 8);
    }
    EXPECT_TRUE(p.SetSize(0, 0));
    EXPECT_TRUE(p.Empty());
}

TEST(BgrPicture, FillAndCopyKeepBgrOrder)
{
    BgrPicture a(5, 3);
    a.Fill(1, 2, 3);
    a.ScanLine(2)[4 * 3 + 2] = 99;  // red of the last pixel
    BgrPicture b(40, 40);
    const uint8_t* before = b.Data();
    ASSERT_TRUE(b.CopyFrom(a));
    EXPECT_EQ(b.Data(), before);  // big enough already: no new buffer
    ASSERT_EQ(b.Width(), 5);
    ASSERT_EQ(b.Height(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const uint8_t* px = b.ScanLine(y) + x * 3;
            EXPECT_EQ(px[0], 1);
            EXPECT_EQ(px[1], 2);
            EXPECT_EQ(px[2], (y == 2 && x == 4) ? 99 : 3);
        }
}

// A writer refilling the picture under its lock never lets a locked reader
// see a mix of two frames.
TEST(BgrPicture, LockKeepsReadersFromHalfWrittenFrames)
{
    BgrPicture p(256, 64);
    p.Fill(0, 0, 0);
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        for (uint8_t v = 0; !stop; ++v) {
            std::lock_guard<BgrPicture> lock(p);
            p.Fill(v, v, v);
        }
    });
    int torn = 0;
    for (int i = 0; i < 300; ++i) {
        std::lock_guard<BgrPicture> lock(p);
        const uint8_t first = p.Data()[0];
        for (int y = 0; y < p.Height(); ++y)
            for (int x = 0; x < p.Width() * 3; ++x) torn += p.ScanLine(y)[x] != first;
    }
    stop = true;
    writer.join();
    EXPECT_EQ(torn, 0);
}
