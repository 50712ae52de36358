// The four zoom modes, case by case, with the worked examples.
#include "jobs/ZoomGeometry.h"

#include <gtest/gtest.h>

using namespace quorvia;

namespace {

// "size=..|aspect=..|crop=T,B,L,R|vf=.." with "-" for what the mode leaves unset.
std::string Summary(const TZoomResult& r)
{
    const auto text = [](const std::optional<std::string>& v) { return v ? *v : std::string("-"); };
    const auto num = [](const std::optional<int>& v) { return v ? std::to_string(*v) : std::string("-"); };
    return "size=" + text(r.FrameSize) + "|aspect=" + text(r.FrameAspectRatio) + "|crop=" + num(r.CropTop) + "," +
           num(r.CropBottom) + "," + num(r.CropLeft) + "," + num(r.CropRight) + "|vf=" + r.Filters;
}

struct TZoomCase {
    const char* Mode;
    int sw, sh, dw, dh;
    int CropTop, CropLeft, CropBottom, CropRight;
    const char* Expected;
};

const TZoomCase kZoomCases[] = {
    // full: destination size, the job's crop only when it has one.
    {"full", 1280, 720, 320, 240, 0, 0, 0, 0, "size=320x240|aspect=320:240|crop=-,-,-,-|vf="},
    {"full", 1280, 720, 320, 240, 8, 4, 6, 2, "size=320x240|aspect=320:240|crop=8,6,4,2|vf="},
    // lbox: the worked example (fourth case, a > b).
    {"lbox", 1280, 720, 320, 240, 0, 0, 0, 0, "size=320x180|aspect=320:180|crop=-,-,-,-|vf=pad=320:240:0:30"},
    // ... with a crop the crop, the scale and the pad all go into the filters.
    {"lbox", 1280, 720, 320, 240, 10, 20, 30, 40,
     "size=-|aspect=320:180|crop=-,-,-,-|vf=crop=w=1220:h=680:x=20:y=10,scale=320:180,pad=320:240:0:30"},
    // Same size: no bars.
    {"lbox", 320, 240, 320, 240, 0, 0, 0, 0, "size=320x240|aspect=320:240|crop=-,-,-,-|vf=pad=320:240:0:0"},
    // Wider destination, same height: second and third case give side bars.
    {"lbox", 320, 240, 640, 240, 0, 0, 0, 0, "size=320x240|aspect=320:240|crop=-,-,-,-|vf=pad=640:240:160:0"},
    // Larger on both sides, a < b: side bars.
    {"lbox", 320, 240, 640, 360, 0, 0, 0, 0, "size=480x360|aspect=480:360|crop=-,-,-,-|vf=pad=640:360:80:0"},
    // Larger on both sides, a > b: top and bottom bars.
    {"lbox", 640, 360, 800, 600, 0, 0, 0, 0, "size=800x452|aspect=800:452|crop=-,-,-,-|vf=pad=800:600:0:74"},
    // Smaller on both sides, a = b: the "a < b or a = b" branch, no bars.
    {"lbox", 640, 480, 320, 240, 0, 0, 0, 0, "size=320x240|aspect=320:240|crop=-,-,-,-|vf=pad=320:240:0:0"},
    // A ratio with no exact binary value: trunc(600 / (1000 / 300)) is 180;
    // in doubles it comes out 179 and gives bars of 2.
    {"lbox", 1000, 600, 300, 182, 0, 0, 0, 0, "size=300x182|aspect=300:182|crop=-,-,-,-|vf=pad=300:182:0:0"},
    // pan: the worked example, and a job crop added to the side crop.
    {"pan", 1280, 720, 640, 480, 0, 0, 0, 0, "size=640x480|aspect=640:480|crop=-,-,284,284|vf="},
    {"pan", 1280, 720, 640, 480, 0, 10, 0, 0, "size=640x480|aspect=640:480|crop=-,-,294,294|vf="},
    // Narrower than 4:3: top and bottom, by the mode's own formula.
    {"pan", 720, 576, 320, 240, 0, 0, 0, 0, "size=320x240|aspect=320:240|crop=152,152,-,-|vf="},
    // Exactly 4:3: no crop.
    {"pan", 640, 480, 320, 240, 0, 0, 0, 0, "size=320x240|aspect=320:240|crop=-,-,-,-|vf="},
    // center: larger on both sides, a = b.
    {"center", 320, 240, 640, 480, 0, 0, 0, 0, "size=640x480|aspect=640:480|crop=-,-,-,-|vf=pad=320:240:0:0:black"},
    // Smaller on both sides, a > b: only T.
    {"center", 1280, 720, 320, 240, 0, 0, 0, 0,
     "size=320x240|aspect=320:240|crop=-,-,-,-|vf=pad=320:240:0:30:black"},
    // Larger, a < b: side bars around the source.
    {"center", 320, 240, 640, 360, 0, 0, 0, 0, "size=480x360|aspect=640:360|crop=-,-,-,-|vf=pad=480:240:80:0:black"},
    // Narrower destination of the same height: the first case, then the
    // sixth overwrites the pad.
    {"center", 640, 480, 320, 480, 0, 0, 0, 0,
     "size=320x480|aspect=320:480|crop=-,-,-,-|vf=pad=320:480:0:120:black"},
    // Same size.
    {"center", 320, 240, 320, 240, 0, 0, 0, 0, "size=320x240|aspect=320:240|crop=-,-,-,-|vf=pad=320:240:0:0:black"},
    // Any other mode sets nothing.
    {"", 1280, 720, 320, 240, 0, 0, 0, 0, "size=-|aspect=-|crop=-,-,-,-|vf="},
    {"Full", 1280, 720, 320, 240, 0, 0, 0, 0, "size=-|aspect=-|crop=-,-,-,-|vf="},
    // A source of unknown size: no ratio to fit, the destination as "full" without crop.
    {"lbox", 0, 0, 320, 240, 4, 4, 4, 4, "size=320x240|aspect=320:240|crop=-,-,-,-|vf="},
    {"pan", 640, 0, 320, 240, 0, 0, 0, 0, "size=320x240|aspect=320:240|crop=-,-,-,-|vf="},
    {"center", 640, 480, 0, 240, 0, 0, 0, 0, "size=0x240|aspect=0:240|crop=-,-,-,-|vf="},
};

TEST(ZoomGeometry, EveryModeCaseByCase)
{
    for (const auto& c : kZoomCases) {
        TZoomGeometry g{c.sw, c.sh, c.dw, c.dh, c.CropTop, c.CropLeft, c.CropBottom, c.CropRight};
        SCOPED_TRACE(std::string(c.Mode) + " " + std::to_string(c.sw) + "x" + std::to_string(c.sh) + " -> " +
                     std::to_string(c.dw) + "x" + std::to_string(c.dh));
        EXPECT_EQ(Summary(ZoomFor(c.Mode, g)), c.Expected);
    }
}

TEST(ZoomGeometry, BarsOfTheWorkedExample)
{
    const TZoomGeometry g{1280, 720, 320, 240, 0, 0, 0, 0};
    EXPECT_EQ(BarV(g), 30);  // trunc(720 / 4) div 2 = 90, (240 - 180) div 4 = 15
    // (320 - 426) div 4 truncates toward zero: -26, not -27.
    EXPECT_EQ(BarH(g), -52);
}

}  // namespace
