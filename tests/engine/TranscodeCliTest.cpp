// quorvia-engine: exit codes, messages, --info, --hook and Ctrl-C.
#include <gtest/gtest.h>

#include <filesystem>

#include "TranscodeTestSupport.h"
#include "support/TempDir.h"

namespace quorvia::test {
namespace {

namespace fs = std::filesystem;

int Engine(const std::string& args, std::string* out = nullptr)
{
    return RunCommand(ShellQuote(QUORVIA_ENGINE_CLI) + " " + args, out);
}

TEST(TranscodeCli, ExitCodesAndMessages)
{
    TempDir dir;
    const std::string mp4 = ShellQuote(FixturePath(Fixture::Mp4));
    const struct {
        const char* Name;
        std::string Args;
        int Exit;
        const char* Text;  // expected in the output; empty for none
    } cases[] = {
        {"copy", mp4 + " -O " + ShellQuote("vcodec=copy\nacodec=copy") + " " + ShellQuote(dir.file("ok.mkv")), 0, "muxing overhead"},
        {"missing input", ShellQuote(dir.file("nothing.mp4")) + " " + ShellQuote(dir.file("a.mkv")), 1,
         "No such file or directory"},
        {"bad output format", mp4 + " " + ShellQuote(dir.file("out.qqq")), 1,
         "Unable to find a suitable output format for"},
        {"refused at run time", mp4 + " -O " + ShellQuote("acodec=copy\nvol=512\nvn=1") + " " + ShellQuote(dir.file("v.mkv")), 1,
         "-acodec copy and -vol are incompatible (frames are not decoded)"},
        {"no output", mp4, 2, "usage"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::string out;
        EXPECT_EQ(Engine(c.Args, &out), c.Exit) << out;
        EXPECT_NE(out.find(c.Text), std::string::npos) << out;
    }
    EXPECT_TRUE(DecodesCleanly(dir.file("ok.mkv")));
    EXPECT_FALSE(fs::exists(dir.file("v.mkv")));
}

TEST(TranscodeCli, InfoPrintsTheDescriptionOrTheProbersMessage)
{
    std::string out;
    EXPECT_EQ(Engine("--info " + ShellQuote(FixturePath(Fixture::Mp4)), &out), 0) << out;
    EXPECT_NE(out.find("Duration:"), std::string::npos) << out;
    EXPECT_NE(out.find("Format Name: mov,mp4"), std::string::npos) << out;

    EXPECT_NE(Engine("--info " + ShellQuote(FixturePath(Fixture::TextAsMp4)), &out), 0) << out;
    EXPECT_FALSE(out.empty());
    EXPECT_EQ(out.find("Duration:"), std::string::npos) << out;
}

TEST(TranscodeCli, HookPassesEveryFrame)
{
    TempDir dir;
    const std::string out = dir.file("hooked.mp4");
    std::string text;
    EXPECT_EQ(Engine("--hook " + ShellQuote(FixturePath(Fixture::Mp4)) + " -O " + ShellQuote("vcodec=mpeg4\nan=1") + " " +
                         ShellQuote(out),
                     &text),
              0)
        << text;
    EXPECT_EQ(CountVideoFrames(out), 50);
}

TEST(TranscodeCli, InterruptStopsWithAValidShorterFile)
{
    // Rate emulation makes the 2 s clip take 2 s; Ctrl-C arrives after 1 s.
    TempDir dir;
    const std::string out = dir.file("stopped.mkv");
    std::string text;
    const int rc = RunCommand("timeout --preserve-status -s INT 1 " + ShellQuote(QUORVIA_ENGINE_CLI) +
                                  " -I re=1 " + ShellQuote(FixturePath(Fixture::Mp4)) +
                                  " -O " + ShellQuote("vcodec=copy\nacodec=copy") + " " + ShellQuote(out),
                              &text);
    EXPECT_EQ(rc, 130) << text;
    EXPECT_TRUE(DecodesCleanly(out));
    const double duration = DurationOf(Probe(out));
    EXPECT_GT(duration, 0.3);
    EXPECT_LT(duration, 1.8);
}

TEST(TranscodeCli, CommandsOnStandardInput)
{
    // The clip plays for 2 s under rate emulation; commands arrive meanwhile.
    TempDir dir;
    const struct {
        const char* Name;
        const char* Feed;  // shell commands writing to the engine's input
        int Exit;
        bool Shorter;
    } cases[] = {
        {"pause and resume", "echo p; sleep 0.6; echo r", 0, false},
        {"quit", "sleep 0.5; echo q", 130, true},
        {"end of input", "true", 0, false},
        {"unknown command", "echo x; echo", 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string out = dir.file(std::string(c.Name) + ".mkv");
        std::string text;
        const int rc = RunCommand(std::string("(") + c.Feed + ") | " + ShellQuote(QUORVIA_ENGINE_CLI) + " -I re=1 " +
                                      ShellQuote(FixturePath(Fixture::Mp4)) + " -O " +
                                      ShellQuote("vcodec=copy\nacodec=copy") + " " + ShellQuote(out),
                                  &text);
        EXPECT_EQ(rc, c.Exit) << text;
        ASSERT_TRUE(DecodesCleanly(out)) << text;
        const double duration = DurationOf(Probe(out));
        if (c.Shorter) EXPECT_LT(duration, 1.8);
        else EXPECT_GT(duration, 1.9);
    }
}

}  // namespace
}  // namespace quorvia::test
