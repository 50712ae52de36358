// Crop, scale, filters and pixel formats of re-encoded video, checked with
// ffprobe and against the ffmpeg tool's own crop/scale/pad of the source.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

#include "TranscodeTestSupport.h"
#include "VideoTestSupport.h"
#include "engine/VideoMessages.h"
#include "support/TempDir.h"

namespace quorvia::test {
namespace {

struct TGeometryCase {
    const char* Name;
    std::string Options;    // output option text (after the codec lines)
    const char* Extension;
    int Width, Height;
    const char* PixFmt;     // ffprobe's pix_fmt
    std::string Reference;  // ffmpeg filter that turns the source into the expected picture
    double MinPsnr;
};

void PrintTo(const TGeometryCase& c, std::ostream* os) { *os << c.Name; }

class VideoGeometry : public ::testing::TestWithParam<TGeometryCase> {};

TEST_P(VideoGeometry, WritesTheExpectedPicture)
{
    const TGeometryCase& c = GetParam();
    TempDir dir;
    const std::string in = FixturePath(Fixture::Mp4);
    const std::string out = dir.file(std::string("out.") + c.Extension);
    const TJobResult r = RunJob(Job(in, out, "an=1\n" + c.Options));
    ASSERT_TRUE(r.Created) << r.CreateError;
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;

    const auto video = StreamsOf(Probe(out), "video");
    ASSERT_EQ(video.size(), 1u);
    EXPECT_EQ(video[0]["width"].toInt(), c.Width);
    EXPECT_EQ(video[0]["height"].toInt(), c.Height);
    EXPECT_EQ(video[0]["pix_fmt"].toString().toStdString(), c.PixFmt);
    EXPECT_EQ(CountVideoFrames(out), 50);
    EXPECT_GT(PsnrAgainst(out, in, c.Reference), c.MinPsnr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VideoGeometry,
    ::testing::Values(
        TGeometryCase{"scale", "vcodec=mpeg4\nqscale=2\ns=160x120", "mp4", 160, 120, "yuv420p",
                      "scale=160:120:flags=bicubic", 38},
        // Letterbox: scaled to 320x180, padded to 320x240 by the user filter.
        TGeometryCase{"letterbox", "vcodec=mpeg4\nqscale=2\ns=320x180\nvf=pad=320:240:0:30:black", "mp4", 320, 240,
                      "yuv420p", "scale=320:180:flags=bicubic,pad=320:240:0:30:black", 38},
        // Crop only: the encoder takes a view of the decoded picture.
        TGeometryCase{"crop", "vcodec=mpeg4\nqscale=2\ncroptop=20\ncropbottom=40\ncropleft=16\ncropright=32", "mp4",
                      272, 180, "yuv420p", "crop=272:180:16:20", 38},
        // Crop, then scale through the scaler.
        TGeometryCase{"cropScale", "vcodec=mpeg4\nqscale=2\ncroptop=20\ncropbottom=20\ns=160x100", "mp4", 160, 100,
                      "yuv420p", "crop=320:200:0:20,scale=160:100:flags=bicubic", 38},
        // Crop and scale inside the filter graph, ahead of the user's filter.
        TGeometryCase{"cropScaleFiltered",
                      "vcodec=mpeg4\nqscale=2\ncroptop=20\ncropbottom=20\ns=160x100\nvf=hflip", "mp4", 160, 100,
                      "yuv420p", "crop=320:200:0:20,scale=160:100:flags=bicubic,hflip", 38},
        // Pixel format choice: lossless codecs in other formats.
        TGeometryCase{"ffv1yuv444", "vcodec=ffv1\npix_fmt=yuv444p", "mkv", 320, 240, "yuv444p", "null", 35},
        TGeometryCase{"rawBgr", "vcodec=rawvideo\npix_fmt=bgr24", "avi", 320, 240, "bgr24", "null", 35}),
    [](const ::testing::TestParamInfo<TGeometryCase>& info) { return std::string(info.param.Name); });

// The letterbox bands are black: the top rows of the first frame have luma 16.
TEST(VideoGeometry, LetterboxBandsAreBlack)
{
    TempDir dir;
    const std::string out = dir.file("letterbox.mp4");
    ASSERT_TRUE(RunJob(Job(FixturePath(Fixture::Mp4), out,
                           "an=1\nvcodec=mpeg4\nqscale=2\ns=320x180\nvf=pad=320:240:0:30:black"))
                    .Finished);
    std::string top;
    RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(out) +
                   " -frames:v 1 -vf crop=320:24:0:0,format=gray -f rawvideo -",
               &top);
    ASSERT_EQ(top.size(), 320u * 24u);
    int maxLuma = 0;
    for (unsigned char c : top) maxLuma = std::max(maxLuma, static_cast<int>(c));
    EXPECT_LE(maxLuma, 20);
}

// A source whose size changes mid-stream (a concatenated MPEG-TS).
std::string SizeChangingClip(const std::string& folder)
{
    const std::string a = folder + "/a.ts";
    const std::string b = folder + "/b.ts";
    const std::string both = folder + "/both.ts";
    MakeWithFfmpeg(a, "-f lavfi -i testsrc2=size=320x240:rate=25:duration=1 -c:v mpeg2video -q:v 3");
    MakeWithFfmpeg(b, "-f lavfi -i testsrc2=size=160x120:rate=25:duration=1 -c:v mpeg2video -q:v 3 -output_ts_offset 1");
    MakeWithFfmpeg(both, "-i " + ShellQuote("concat:" + a + "|" + b) + " -c copy");
    return both;
}

TEST(VideoGeometry, SizeChangeRebuildsTheScaler)
{
    TempDir dir;
    const std::string in = SizeChangingClip(dir.path().string());
    const int frames = CountVideoFrames(in);  // the splice may lose a frame
    ASSERT_GE(frames, 48);
    struct TCase {
        const char* Name;
        std::string Options;
    };
    const TCase cases[] = {
        {"scaler", "vcodec=mpeg4\ns=200x150"},
        {"scaler with crop", "vcodec=mpeg4\ncroptop=40\ncropbottom=40\ns=200x100"},
        {"filters", "vcodec=mpeg4\ns=200x150\nvf=hflip"},
    };
    for (const TCase& c : cases) {
        TLogCapture log;
        const std::string out = dir.file(std::string(c.Name) + ".mp4");
        const TJobResult r = RunJob(Job(in, out, c.Options));
        ASSERT_TRUE(r.Finished) << c.Name << ": " << r.ErrorMessage;
        EXPECT_TRUE(log.Contains("frame size changed to 160x120, yuv420p")) << c.Name;
        EXPECT_EQ(CountVideoFrames(out), frames) << c.Name;
        EXPECT_TRUE(DecodesCleanly(out)) << c.Name;
    }
    // Without a scaler the task cannot go on with the new size.
    const TJobResult r = RunJob(Job(in, dir.file("noscaler.mp4"), "vcodec=mpeg4"));
    EXPECT_FALSE(r.Finished);
    EXPECT_TRUE(r.ErrorOccurred);
    EXPECT_NE(r.ErrorMessage.find("has no scaler"), std::string::npos) << r.ErrorMessage;
}

// The crop bands follow the new size: 40 of 240 rows become 20 of 120, so
// the second half shows the same part of the picture as the first.
TEST(VideoGeometry, SizeChangeKeepsCropBandsProportional)
{
    TempDir dir;
    const std::string in = SizeChangingClip(dir.path().string());
    const std::string out = dir.file("cropped.mp4");
    ASSERT_TRUE(RunJob(Job(in, out, "vcodec=mpeg4\nqscale=2\ncroptop=40\ncropbottom=40\ns=200x100")).Finished);
    EXPECT_GT(PsnrAgainst(out, in, "crop=iw:ih*2/3:0:ih/6,scale=200:100:flags=bicubic"), 25.0);
}

}  // namespace
}  // namespace quorvia::test
