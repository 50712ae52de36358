// quorvia-batch: conversions, exit statuses, trim, effects, stdin commands.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <filesystem>
#include <string>

#include "support/Fixtures.h"
#include "support/TempDir.h"

namespace quorvia::test {
namespace {

namespace fs = std::filesystem;

int Batch(const std::string& args, std::string* out = nullptr, const std::string& feed = "true")
{
    // HOME is private so nothing reaches the real home.
    return RunCommand("(" + feed + ") | HOME=" + ShellQuote(fs::temp_directory_path().string()) + " " +
                          ShellQuote(QUORVIA_BATCH_CLI) + " " + args,
                      out);
}

double Seconds(const std::string& file)
{
    return Probe(file).value("format").toObject().value("duration").toString().toDouble();
}

// Mean luma of the first frame, 0..255.
double FirstFrameLuma(const std::string& file)
{
    std::string gray;
    RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(file) + " -frames:v 1 -f rawvideo -pix_fmt gray -", &gray);
    if (gray.empty()) return -1;
    double sum = 0;
    for (unsigned char c : gray) sum += c;
    return sum / static_cast<double>(gray.size());
}

TEST(BatchCli, ConvertsFilesOfTheSameNameInParallelWithTrim)
{
    TempDir dir;
    fs::create_directories(dir.file("a"));
    fs::create_directories(dir.file("b"));
    fs::copy_file(FixturePath(Fixture::Mp4), dir.file("a/clip.mp4"));
    fs::copy_file(FixturePath(Fixture::Mp4), dir.file("b/clip.mp4"));
    std::string text;
    // Profile 1: H.264 + AAC in MP4 at its default choices.
    ASSERT_EQ(Batch("--profile 1 --out " + ShellQuote(dir.file("out")) + " --parallel 2 --trim 0.5,1 " +
                        ShellQuote(dir.file("a/clip.mp4")) + " " + ShellQuote(dir.file("b/clip.mp4")),
                    &text),
              0)
        << text;
    for (const char* name : {"out/clip_(new).mp4", "out/clip_(new_1).mp4"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(fs::exists(dir.file(name))) << text;
        EXPECT_NEAR(Seconds(dir.file(name)), 1.0, 0.15);
    }
    EXPECT_NE(text.find("2 converted, 0 not"), std::string::npos) << text;
}

TEST(BatchCli, ExitStatusAndMessages)
{
    TempDir dir;
    const std::string mp4 = ShellQuote(FixturePath(Fixture::Mp4));
    const std::string out = " --out " + ShellQuote(dir.file("out")) + " ";
    const struct {
        const char* Name;
        std::string Args;
        int Exit;
        const char* Text;
    } cases[] = {
        {"help", "--help", 0, "--parallel N"},
        {"no files", "--profile 1", 2, "no files given"},
        {"bad zoom", "--zoom wide " + mp4, 2, "--zoom: wide is not full, lbox, pan or center"},
        {"bad crop", "--crop 1,2,3 " + mp4, 2, "--crop: 1,2,3 is not TOP,LEFT,BOTTOM,RIGHT"},
        {"brightness out of range", "--brightness 600 " + mp4, 2, "--brightness: 600 is not a whole number"},
        {"unknown profile", "--profile 9999" + out + mp4, 2, "no profile 9999"},
        {"nothing readable", out + ShellQuote(FixturePath(Fixture::TextAsMp4)), 1, "nothing to convert"},
        {"one unreadable", "--profile 1" + out + mp4 + " " + ShellQuote(FixturePath(Fixture::ZeroByte)), 1,
         "1 converted, 0 not"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::string text;
        EXPECT_EQ(Batch(c.Args, &text), c.Exit) << text;
        EXPECT_NE(text.find(c.Text), std::string::npos) << text;
    }
}

TEST(BatchCli, EffectsReachTheOutput)
{
    TempDir dir;
    std::string text;
    // Brightness 0 darkens every pixel to black.
    ASSERT_EQ(Batch("--profile 1 --out " + ShellQuote(dir.file("dark")) + " --brightness 0 " +
                        ShellQuote(FixturePath(Fixture::Mp4)),
                    &text),
              0)
        << text;
    ASSERT_EQ(Batch("--profile 1 --out " + ShellQuote(dir.file("plain")) + " " + ShellQuote(FixturePath(Fixture::Mp4)),
                    &text),
              0)
        << text;
    const std::string name = "/" + fs::path(FixturePath(Fixture::Mp4)).stem().string() + "_(new).mp4";
    EXPECT_LT(FirstFrameLuma(dir.file("dark") + name), 20.0);
    EXPECT_GT(FirstFrameLuma(dir.file("plain") + name), 40.0);
}

TEST(BatchCli, QuitOnStandardInputStopsTheRun)
{
    TempDir dir;
    std::string text;
    // Three copies so the run lasts; "q" arrives during the first.
    std::string files;
    for (const char* n : {"x.mp4", "y.mp4", "z.mp4"}) {
        fs::copy_file(FixturePath(Fixture::Mp4), dir.file(n));
        files += " " + ShellQuote(dir.file(n));
    }
    const int rc = Batch("--profile 1 --out " + ShellQuote(dir.file("out")) + files, &text, "echo q");
    EXPECT_EQ(rc, 130) << text;
    EXPECT_NE(text.find("stopped"), std::string::npos) << text;
    EXPECT_EQ(text.find("3 converted"), std::string::npos) << text;
}

}  // namespace
}  // namespace quorvia::test
