// Cost of the routines on a 1080p frame. Prints the median CPU time of the
// thread (wall time would count other processes on a busy machine); fails
// only when far beyond the budget of one frame (10 ms with every effect).
// Not checked in sanitizer builds.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <functional>
#include <vector>

#include "EffectsTestSupport.h"
#include "effects/ColorAdjust.h"
#include "effects/Exposure.h"
#include "effects/JobEffects.h"
#include "effects/Overlay.h"
#include "effects/TextMark.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUORVIA_SANITIZED 1
#else
#define QUORVIA_SANITIZED 0
#endif

namespace quorvia::test {
namespace {

double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double MedianMs(BgrPicture& frame, const BgrPicture& source, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < 15; ++i) {
        frame.CopyFrom(source);
        const double start = ThreadCpuMs();
        work();
        times.push_back(ThreadCpuMs() - start);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

TEST(EffectsSpeed, FullHdFrame)
{
    BgrPicture source(1920, 1080), frame(1920, 1080), mark(320, 120);
    FillPattern(source, 1);
    FillPattern(mark, 2);

    TJobEffects fx;
    fx.Brightness = 300;
    fx.Contrast = 30;
    fx.Saturation = 180;
    fx.Exposure = 40;
    fx.WaterText = "Quorvia MP4 Video Converter";
    fx.WaterFont.Size = 24;
    fx.WaterTextX = 100;
    fx.WaterTextY = 900;
    fx.WaterImage = "mark.bmp";
    fx.WaterImageX = 1500;
    fx.WaterImageY = 60;

    struct {
        const char* name;
        std::function<void()> work;
    } const runs[] = {
        {"colour pass", [&] { ApplyColorAdjust(frame, fx.Brightness, fx.Contrast, fx.Saturation); }},
        {"exposure", [&] { ApplyExposure(frame, 40.0f); }},
        {"text", [&] { DrawTextMark(frame, fx.WaterText, fx.WaterFont, fx.WaterTextX, fx.WaterTextY); }},
        {"picture 320x120 style 1", [&] { OverlayPicture(frame, mark, 1500, 60, 168, 1); }},
        {"picture 320x120 style 2", [&] { OverlayPicture(frame, mark, 1500, 60, 168, 2); }},
        {"every effect (ApplyJobEffects)", [&] { ApplyJobEffects(frame, fx, &mark); }},
    };
    double all = 0;
    for (const auto& run : runs) {
        all = MedianMs(frame, source, run.work);
        std::printf("  1920x1080 %-32s %7.3f ms\n", run.name, all);
        RecordProperty(run.name, std::to_string(all));
    }
    if (!QUORVIA_SANITIZED) {
        EXPECT_LT(all, 40.0) << "every effect on one frame";
    }
}

}  // namespace
}  // namespace quorvia::test
