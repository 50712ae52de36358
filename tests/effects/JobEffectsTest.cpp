// The fixed order of the four routines on one frame.
#include <gtest/gtest.h>

#include <QImage>

#include <functional>
#include <vector>

#include "EffectsTestSupport.h"
#include "effects/ColorAdjust.h"
#include "effects/EffectsError.h"
#include "effects/Exposure.h"
#include "effects/JobEffects.h"
#include "effects/Overlay.h"
#include "effects/TextMark.h"
#include "support/TempDir.h"

namespace quorvia::test {
namespace {

// Settings where every step shows: text and picture overlap, the colour
// pass and the exposure change both.
TJobEffects Busy(bool processText, bool processImage)
{
    TJobEffects fx;
    fx.WaterText = "Order";
    fx.WaterFont.Name = "DejaVu Sans";
    fx.WaterFont.Size = 18;
    fx.WaterFont.Color = 0x20C040;
    fx.WaterTextX = 10;
    fx.WaterTextY = 6;
    fx.WaterImage = "mark.bmp";  // the picture itself is handed over
    fx.WaterImageX = 30;
    fx.WaterImageY = 12;
    fx.WaterImageAlpha = 200;
    fx.WaterImageStyle = 1;
    fx.Brightness = 300;
    fx.Contrast = 40;
    fx.Saturation = 150;
    fx.Exposure = 60;
    fx.ProcessText = processText;
    fx.ProcessImage = processImage;
    return fx;
}

enum TStep { stText, stImage, stColor, stExposure };

void RunSteps(BgrPicture& frame, const TJobEffects& fx, const BgrPicture& mark, const std::vector<TStep>& steps)
{
    for (TStep s : steps) {
        switch (s) {
        case stText: DrawTextMark(frame, fx.WaterText, fx.WaterFont, fx.WaterTextX, fx.WaterTextY); break;
        case stImage:
            OverlayPicture(frame, mark, fx.WaterImageX, fx.WaterImageY, fx.WaterImageAlpha, fx.WaterImageStyle);
            break;
        case stColor: ApplyColorAdjust(frame, fx.Brightness, fx.Contrast, fx.Saturation); break;
        case stExposure: ApplyExposure(frame, static_cast<float>(fx.Exposure)); break;
        }
    }
}

struct TOrderCase {
    const char* name;
    bool processText, processImage;
    std::vector<TStep> steps;
};

class JobEffectsOrder : public ::testing::TestWithParam<TOrderCase> {};

TEST_P(JobEffectsOrder, SameAsStepsInOrder)
{
    const TOrderCase& c = GetParam();
    const TJobEffects fx = Busy(c.processText, c.processImage);
    BgrPicture mark(60, 30), frame(120, 60), want(120, 60);
    FillPattern(mark, 2);
    FillPattern(frame, 1);
    want.CopyFrom(frame);

    ApplyJobEffects(frame, fx, &mark);
    RunSteps(want, fx, mark, c.steps);
    EXPECT_TRUE(SameBytes(frame, want));

    // The order matters with these settings: every other order gives another frame.
    for (const TOrderCase& other : {TOrderCase{"", false, false, {stColor, stExposure, stText, stImage}},
                                    TOrderCase{"", true, true, {stText, stImage, stColor, stExposure}},
                                    TOrderCase{"", true, false, {stText, stColor, stExposure, stImage}},
                                    TOrderCase{"", false, true, {stImage, stColor, stExposure, stText}}}) {
        if (other.steps == c.steps) continue;
        BgrPicture different(120, 60);
        FillPattern(different, 1);
        RunSteps(different, fx, mark, other.steps);
        EXPECT_FALSE(SamePixels(different, want));
    }
}

INSTANTIATE_TEST_SUITE_P(Flags, JobEffectsOrder,
                         ::testing::Values(TOrderCase{"Neither", false, false, {stColor, stExposure, stText, stImage}},
                                           TOrderCase{"Both", true, true, {stText, stImage, stColor, stExposure}},
                                           TOrderCase{"TextOnly", true, false, {stText, stColor, stExposure, stImage}},
                                           TOrderCase{"ImageOnly", false, true, {stImage, stColor, stExposure, stText}}),
                         [](const auto& info) { return std::string(info.param.name); });

struct TSkipCase {
    const char* name;
    std::function<void(TJobEffects&)> set;
    std::function<void(BgrPicture&)> expected;
};

class JobEffectsSkips : public ::testing::TestWithParam<TSkipCase> {};

TEST_P(JobEffectsSkips, RunsOnlyWhatIsSet)
{
    TJobEffects fx;
    GetParam().set(fx);
    BgrPicture frame(31, 17), want(31, 17);
    FillPattern(frame, 6);
    want.CopyFrom(frame);
    ApplyJobEffects(frame, fx, nullptr);
    GetParam().expected(want);
    EXPECT_TRUE(SameBytes(frame, want));
}

INSTANTIATE_TEST_SUITE_P(
    Settings, JobEffectsSkips,
    ::testing::Values(
        TSkipCase{"InitialValuesNothing", [](TJobEffects&) {}, [](BgrPicture&) {}},
        // 255 would darken by one once the pass runs: the skip is what keeps the frame.
        TSkipCase{"ExposureOnly", [](TJobEffects& fx) { fx.Exposure = -40; },
                  [](BgrPicture& p) { ApplyExposure(p, -40.0f); }},
        TSkipCase{"ColourOnlyAtBrightness255", [](TJobEffects& fx) { fx.Contrast = 1; },
                  [](BgrPicture& p) { ApplyColorAdjust(p, 255, 1, 255); }},
        TSkipCase{"ColourPassNeutralValues", [](TJobEffects& fx) { fx.Brightness = 256; fx.Saturation = 256; },
                  [](BgrPicture&) {}},
        TSkipCase{"PictureNamedButNotGiven", [](TJobEffects& fx) { fx.WaterImage = "x.bmp"; },
                  [](BgrPicture&) {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JobEffects, NoChangeMeansInitialValuesWithoutMarks)
{
    TJobEffects fx;
    EXPECT_TRUE(fx.NoChange());
    fx.Brightness = 256;
    EXPECT_FALSE(fx.NoChange());
    fx = {};
    fx.WaterText = "t";
    EXPECT_FALSE(fx.NoChange());
    fx = {};
    fx.WaterImage = "m.bmp";
    EXPECT_FALSE(fx.NoChange());
    fx = {};
    fx.Exposure = 1;
    EXPECT_FALSE(fx.NoChange());
    fx = {};
    fx.ProcessText = fx.ProcessImage = true;  // flags alone change nothing
    EXPECT_TRUE(fx.NoChange());
}

TEST(JobEffects, ReadsPictureFileOrFailsBeforeTouchingTheFrame)
{
    TempDir dir;
    TJobEffects fx;
    fx.Contrast = 30;
    fx.WaterImage = dir.file("mark.bmp");
    fx.WaterImageStyle = 2;
    BgrPicture frame(40, 30), original(40, 30);
    FillPattern(frame, 3);
    original.CopyFrom(frame);

    EXPECT_THROW(ApplyJobEffects(frame, fx), TEffectsError);
    EXPECT_TRUE(SameBytes(frame, original));

    QImage black(8, 8, QImage::Format_RGB888);
    black.fill(Qt::black);
    ASSERT_TRUE(black.save(QString::fromStdString(fx.WaterImage), "BMP"));
    ApplyJobEffects(frame, fx);
    EXPECT_EQ(PixelAt(frame, 0, 0), (TBgr{0, 0, 0}));  // multiplied by black after the colour pass
    EXPECT_NE(PixelAt(frame, 8, 8), PixelAt(original, 8, 8));
}

}  // namespace
}  // namespace quorvia::test
