#include "EffectsTestSupport.h"

#include <QGuiApplication>

#include <cstring>
#include <memory>

#include <gtest/gtest.h>

namespace quorvia::test {
namespace {

class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "test_effects";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QGuiApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QGuiApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const kGuiEnvironment =
    ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

}  // namespace

TBgr PixelAt(const BgrPicture& picture, int x, int y)
{
    const uint8_t* p = picture.ScanLine(y) + x * 3;
    return {p[0], p[1], p[2]};
}

void SetPixel(BgrPicture& picture, int x, int y, TBgr bgr)
{
    std::memcpy(picture.ScanLine(y) + x * 3, bgr.data(), 3);
}

void FillPattern(BgrPicture& picture, uint32_t seed)
{
    uint32_t state = seed * 2654435761u + 1;
    for (int y = 0; y < picture.Height(); ++y) {
        uint8_t* row = picture.ScanLine(y);
        // Padding too, so that a routine writing into it is caught.
        for (int i = 0; i < picture.Stride(); ++i) {
            state = state * 1664525u + 1013904223u;
            row[i] = static_cast<uint8_t>(state >> 24);
        }
    }
}

bool SamePixels(const BgrPicture& a, const BgrPicture& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.ScanLine(y), b.ScanLine(y), static_cast<size_t>(a.Width()) * 3) != 0) return false;
    return true;
}

bool SameBytes(const BgrPicture& a, const BgrPicture& b)
{
    return a.Width() == b.Width() && a.Height() == b.Height() && a.Stride() == b.Stride() &&
           std::memcmp(a.Data(), b.Data(), a.Size()) == 0;
}

int ChangedPixels(const BgrPicture& a, const BgrPicture& b)
{
    int changed = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (PixelAt(a, x, y) != PixelAt(b, x, y)) ++changed;
    return changed;
}

}  // namespace quorvia::test
