// The "vhook" registry: splitting the option text, loading libraries once,
// entry point checks, and the hooks in a real conversion.
#include <gtest/gtest.h>
#include <dlfcn.h>

#include <memory>

#include "TranscodeTestSupport.h"
#include "VideoTestSupport.h"
#include "engine/FFmpegException.h"
#include "engine/OptionMessages.h"
#include "engine/VideoHooks.h"
#include "engine/VideoOutput.h"
#include "support/TempDir.h"

namespace quorvia::test {
namespace {

using transcode::SplitVideoHookArgs;
using transcode::TVideoHookRegistry;

struct THookCounts {
    int Loads = 0, Configures = 0, Processes = 0, Releases = 0;
    int Format = -1, Width = 0, Height = 0;
    int64_t Pts = -1;
};

// What the test library counted so far (it is loaded by the registry; the
// extra handle taken here keeps the same module).
THookCounts Counts(const char* library)
{
    THookCounts c;
    void* module = dlopen(library, RTLD_NOW | RTLD_NOLOAD);
    if (!module) return c;
    using Fn = void (*)(int*, int64_t*);
    if (auto fn = reinterpret_cast<Fn>(dlsym(module, "TestVHookCounts"))) {
        int v[7] = {};
        fn(v, &c.Pts);
        c = {v[0], v[1], v[2], v[3], v[4], v[5], v[6], c.Pts};
    }
    dlclose(module);
    return c;
}

TEST(VideoHookRegistry, SplitsTheOptionText)
{
    struct TCase {
        const char* Text;
        std::vector<std::string> Words;
    };
    const TCase cases[] = {
        {"hook.so", {"hook.so"}},
        {"hook.so a b", {"hook.so", "a", "b"}},
        {"hook.so  a  ", {"hook.so", "a"}},
        {"/opt/my hooks/hook.so|text with spaces|x", {"/opt/my hooks/hook.so", "text with spaces", "x"}},
        {"", {}},
    };
    for (const TCase& c : cases) EXPECT_EQ(SplitVideoHookArgs(c.Text), c.Words) << c.Text;

    std::string many = "hook.so";
    for (int i = 0; i < 70; ++i) many += " w" + std::to_string(i);
    const auto words = SplitVideoHookArgs(many);
    ASSERT_EQ(words.size(), 64u);
    EXPECT_EQ(words.back(), "w62");
}

TEST(VideoHookRegistry, RegistrationResults)
{
    TLogCapture log;
    ASSERT_TRUE(FFLoader().Load(EngineLibraries()));
    struct TCase {
        const char* Name;
        std::vector<std::string> Words;
        int Result;
        const char* Logged;
    };
    const TCase cases[] = {
        {"no words", {}, -2, nullptr},
        {"missing library", {"/nonexistent/hook.so"}, -1, "/nonexistent/hook.so"},
        {"no Process", {"libm.so.6"}, -2, "Failed to find Process entrypoint in libm.so.6"},
        {"arguments without Configure", {QUORVIA_TEST_VHOOK_BARE, "x"}, -2, "Failed to find Configure entrypoint in"},
        {"bare without arguments", {QUORVIA_TEST_VHOOK_BARE}, 0, nullptr},
        {"Configure refuses", {QUORVIA_TEST_VHOOK, "fail"}, -22, "Failed to Configure"},
        {"configured", {QUORVIA_TEST_VHOOK, "plain"}, 0, nullptr},
    };
    for (const TCase& c : cases) {
        TVideoHookRegistry registry;
        EXPECT_EQ(registry.Register(c.Words), c.Result) << c.Name;
        EXPECT_EQ(registry.Count(), c.Result == 0 ? 1u : 0u) << c.Name;
        if (c.Logged) {
            EXPECT_TRUE(log.Contains(c.Logged)) << c.Name;
        }
    }
}

TEST(VideoHookRegistry, RefusedHookFailsTheOption)
{
    ASSERT_TRUE(FFLoader().Load(EngineLibraries()));
    TCustomFFmpeg task;  // a task loads hooks through its own registry
    try {
        task.SetOption("vhook", "libm.so.6");
        FAIL() << "no exception";
    } catch (const FFmpegException& e) {
        EXPECT_EQ(std::string(e.what()), std::string(msg::VideoHookFailed) + "libm.so.6");
    }
    EXPECT_FALSE(task.Options().VideoHooksUsed);
}

// Two hooks of one library: loaded once, each configured once, called once
// per frame in a conversion, released once each when the task cleans up.
TEST(VideoHookRegistry, LoadedOnceAndCalledPerFrame)
{
    TempDir dir;
    const std::string in = FixturePath(Fixture::Mp4);
    const std::string plain = dir.file("plain.mp4");
    const std::string out = dir.file("hooked.mp4");
    ASSERT_TRUE(RunJob(Job(in, plain, "vcodec=mpeg4\nqscale=2\nan=1")).Finished);

    const THookCounts before = Counts(QUORVIA_TEST_VHOOK);
    const TJobResult r = RunJob(Job(in, out, "vcodec=mpeg4\nqscale=2\nan=1", [](TCustomFFmpeg& t) {
        t.SetOption("vhook", std::string(QUORVIA_TEST_VHOOK) + " plain");
        t.SetOption("vhook", std::string(QUORVIA_TEST_VHOOK) + "|invert");
    }));
    ASSERT_TRUE(r.Finished) << r.ErrorMessage;

    const THookCounts after = Counts(QUORVIA_TEST_VHOOK);
    EXPECT_EQ(after.Loads, 1);
    EXPECT_EQ(after.Configures - before.Configures, 2);
    EXPECT_EQ(after.Processes - before.Processes, 2 * 50);
    EXPECT_EQ(after.Releases - before.Releases, 2);  // the task (and its registry) is gone
    EXPECT_EQ(after.Format, AV_PIX_FMT_YUV420P);
    EXPECT_EQ(after.Width, 320);
    EXPECT_EQ(after.Height, 240);
    EXPECT_NEAR(static_cast<double>(after.Pts), 49 * 40000.0, 1000.0);
    // The inverting hook changed the luma of every frame.
    EXPECT_GT(PsnrAgainst(out, in, "lutyuv=y=negval"), 30.0);
    EXPECT_NE(FrameHashes(out), FrameHashes(plain));
}

}  // namespace
}  // namespace quorvia::test
