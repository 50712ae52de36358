#include "ProbeFixtures.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

#include "support/Fixtures.h"

namespace fs = std::filesystem;

namespace quorvia::test {
namespace {

struct Recipe {
    const char* name;
    std::string args;  // ffmpeg arguments before the output name
};

Recipe RecipeFor(ProbeFixture f)
{
    const std::string video = "-f lavfi -i testsrc2=size=160x120:rate=25:duration=1 ";
    const std::string tone = "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=1 ";
    switch (f) {
    case ProbeFixture::MpegTs:
        return {"probe-ts.ts", video + tone + "-c:v mpeg2video -c:a mp2 -metadata:s:a:0 language=fre -shortest"};
    case ProbeFixture::Flv:
        return {"probe-flv.flv", video + tone + "-c:v flv -c:a libmp3lame -shortest"};
    case ProbeFixture::Ogg:
        return {"probe-ogg.ogg", video + tone + "-c:v libtheora -c:a libvorbis -shortest"};
    case ProbeFixture::WebM:
        return {"probe-webm.webm",
                video + tone + "-c:v libvpx -deadline realtime -b:v 200k -c:a libopus -ar 48000 -shortest"};
    case ProbeFixture::Anamorphic:
        return {"probe-anamorphic.mkv",
                "-i " + ShellQuote(FixturePath(Fixture::Mp4)) + " -map 0:v -c copy -aspect 16:9"};
    case ProbeFixture::Ntsc:
        return {"probe-ntsc.mp4", "-f lavfi -i testsrc2=size=160x120:rate=30000/1001:duration=1 "
                                  "-c:v libx264 -preset ultrafast -pix_fmt yuv420p"};
    case ProbeFixture::Flac:
        return {"probe-flac.flac",
                tone + "-c:a flac -metadata title=Tone -metadata artist=Tester -metadata album=Probes "
                       "-metadata date=2009-05-01 -metadata track=3/12 "
                       "-metadata creation_time=2010-01-01T01:02:03.000000Z"};
    case ProbeFixture::M4a:
        return {"probe-m4a.m4a", tone + "-c:a aac -b:a 64k"};
    }
    throw std::logic_error("unknown probe fixture");
}

}  // namespace

std::string ProbeFixturePath(ProbeFixture f)
{
    const Recipe recipe = RecipeFor(f);
    // Beside the shared fixtures (their folder is where the MP4 clip lives).
    const fs::path folder = fs::path(FixturePath(Fixture::Mp4)).parent_path();
    const fs::path target = folder / recipe.name;
    if (fs::exists(target)) return target.string();
    // Made under a private name and renamed, so parallel test processes never see half a file.
    const fs::path tmp = folder / (std::string(".part") + std::to_string(::getpid()) + "-" + recipe.name);
    const std::string cmd = "ffmpeg -nostdin -y -v error " + recipe.args + " " + ShellQuote(tmp.string());
    if (RunCommand(cmd) != 0) {
        fs::remove(tmp);
        throw std::runtime_error("cannot make fixture: " + cmd);
    }
    fs::rename(tmp, target);
    return target.string();
}

}  // namespace quorvia::test
