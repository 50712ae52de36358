#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

extern "C" {
#include <libavcodec/version.h>
#include <libavformat/avformat.h>
#include <libswscale/version.h>
}

#include "engine/Loader.h"
#include "engine/Logger.h"

namespace quorvia {
namespace {

// Leaves the engine set loaded and every test knob cleared, whatever happened.
class LoaderTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (int k = lkAVCodec; k <= lkSDL; ++k) FFLoader().SetRuntimeMajorOverride(static_cast<TLibraryKind>(k), -1);
        FFLoader().SetAfterFormatLoaded(nullptr);
        FFLoader().Load(EngineLibraries());
    }
};

TEST_F(LoaderTest, LoadsTheEngineAndPlayerSets)
{
    ASSERT_TRUE(FFLoader().Load(EngineLibraries())) << FFLoader().LastError();
    EXPECT_TRUE(FFLoader().Loaded(EngineLibraries()));
    EXPECT_EQ(FFLoader().LastError(), "");
    for (TLibraryKind kind : EngineLibraries()) EXPECT_TRUE(FFLoader().LibraryLoaded(kind)) << kind;
    EXPECT_FALSE(FFLoader().LibraryLoaded(lkAVDevice));  // never requested

    ASSERT_TRUE(FFLoader().Load(PlayerLibraries())) << FFLoader().LastError();
    EXPECT_TRUE(FFLoader().Loaded(PlayerLibraries()));
    EXPECT_TRUE(FFLoader().LibraryLoaded(lkSDL));
    // A second load of loaded kinds changes nothing.
    EXPECT_TRUE(FFLoader().Load(PlayerLibraries()));
}

TEST_F(LoaderTest, LoadingAvutilInstallsTheLogCallback)
{
    ASSERT_TRUE(FFLoader().InstallLogCallback());
    ASSERT_TRUE(FFLoader().Load({lkAVUtil}));
    EXPECT_TRUE(FFLogger().LibraryCallbackInstalled());
}

TEST_F(LoaderTest, UnloadClearsOnlyTheGivenKinds)
{
    ASSERT_TRUE(FFLoader().Load(EngineLibraries()));
    FFLoader().Unload({lkAVFilter});
    EXPECT_FALSE(FFLoader().LibraryLoaded(lkAVFilter));
    EXPECT_TRUE(FFLoader().LibraryLoaded(lkAVCodec));
    EXPECT_FALSE(FFLoader().Loaded(EngineLibraries()));
    EXPECT_TRUE(FFLoader().Load(EngineLibraries()));
    EXPECT_TRUE(FFLoader().Loaded(EngineLibraries()));
}

TEST_F(LoaderTest, EmptySetIsAProgrammingError)
{
    EXPECT_THROW(FFLoader().Load({}), std::logic_error);
    EXPECT_FALSE(FFLoader().Loaded({}));
}

TEST_F(LoaderTest, MajorVersionMismatchFailsAndUnloadsTheSet)
{
    const struct {
        TLibraryKind kind;
        const char* soname;
        int buildMajor;
    } cases[] = {
        {lkAVCodec, "libavcodec.so.", LIBAVCODEC_VERSION_MAJOR},
        {lkAVFormat, "libavformat.so.", LIBAVFORMAT_VERSION_MAJOR},
        {lkSwScale, "libswscale.so.", LIBSWSCALE_VERSION_MAJOR},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(FFLoader().Load(EngineLibraries()));
        FFLoader().Unload({c.kind});
        FFLoader().SetRuntimeMajorOverride(c.kind, c.buildMajor + 1);

        EXPECT_FALSE(FFLoader().Load(EngineLibraries()));
        const std::string error = FFLoader().LastError();
        const std::string soname = c.soname + std::to_string(c.buildMajor);
        EXPECT_EQ(error.rfind("Load library ", 0), 0u) << error;
        EXPECT_NE(error.find(soname + " error: "), std::string::npos) << error;
        EXPECT_NE(error.find("run-time major version " + std::to_string(c.buildMajor + 1) +
                             " differs from build-time major version " + std::to_string(c.buildMajor)),
                  std::string::npos)
            << error;
        // Every kind of the set is unloaded again, also those loaded before the failure.
        for (TLibraryKind kind : EngineLibraries()) EXPECT_FALSE(FFLoader().LibraryLoaded(kind)) << kind;

        FFLoader().SetRuntimeMajorOverride(c.kind, -1);
        EXPECT_TRUE(FFLoader().Load(EngineLibraries())) << FFLoader().LastError();
        EXPECT_EQ(FFLoader().LastError(), "");
    }
}

TEST_F(LoaderTest, AfterFormatActionRunsOnce)
{
    int runs = 0;
    FFLoader().Unload({lkAVFormat});
    FFLoader().SetAfterFormatLoaded([&runs] { ++runs; });
    EXPECT_EQ(runs, 0);
    ASSERT_TRUE(FFLoader().Load({lkAVFormat}));
    EXPECT_EQ(runs, 1);
    FFLoader().Unload({lkAVFormat});
    ASSERT_TRUE(FFLoader().Load({lkAVFormat}));
    ASSERT_TRUE(FFLoader().Load(EngineLibraries()));
    EXPECT_EQ(runs, 1);

    // Set while avformat is loaded: runs at once.
    int late = 0;
    FFLoader().SetAfterFormatLoaded([&late] { ++late; });
    EXPECT_EQ(late, 1);
    FFLoader().SetAfterFormatLoaded(nullptr);
}

TEST_F(LoaderTest, AvdeviceIsLoadableOnRequest)
{
    if (!FFLoader().Load({lkAVDevice})) {
        // Without the run-time library the text says which file failed.
        EXPECT_EQ(FFLoader().LastError().rfind("Load library libavdevice.so.", 0), 0u) << FFLoader().LastError();
        GTEST_SKIP() << FFLoader().LastError();
    }
    EXPECT_TRUE(FFLoader().LibraryLoaded(lkAVDevice));
    // Its devices are registered with avformat, and stay usable after an unload.
    EXPECT_NE(av_find_input_format("lavfi"), nullptr);
    FFLoader().Unload({lkAVDevice});
    EXPECT_FALSE(FFLoader().LibraryLoaded(lkAVDevice));
    EXPECT_NE(av_find_input_format("lavfi"), nullptr);
}

}  // namespace
}  // namespace quorvia
