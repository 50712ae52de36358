#include "support/Fixtures.h"

#include <QJsonDocument>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace quorvia::test {
namespace {

fs::path FixtureFolder()
{
    const char* env = std::getenv("QUORVIA_FIXTURES");
    fs::path folder = env && *env ? fs::path(env) : fs::path(QUORVIA_BIN_DIR).parent_path() / "fixtures";
    fs::create_directories(folder);
    return folder;
}

struct Recipe {
    const char* name;
    const char* args;  // ffmpeg arguments before the output name; empty for special kinds
};

const char* kVideo = "-f lavfi -i testsrc2=size=320x240:rate=25:duration=2 ";
const char* kTone = "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 ";

std::string ArgsFor(Fixture f)
{
    const std::string v = kVideo;
    const std::string a = kTone;
    switch (f) {
    case Fixture::Mp4:
        return v + a + "-c:v mpeg4 -q:v 5 -c:a aac -b:a 96k -ac 2 -movflags +faststart -shortest";
    case Fixture::Mp3:
        return a + "-c:a libmp3lame -b:a 128k -ac 2";
    case Fixture::Wav:
        return a + "-c:a pcm_s16le -ac 2";
    case Fixture::MkvMulti:
        return v + a + "-f lavfi -i sine=frequency=880:sample_rate=48000:duration=2 -i SUBS "
                       "-map 0:v -map 1:a -map 2:a -map 3:s -c:v mpeg4 -c:a:0 aac -c:a:1 libmp3lame "
                       "-c:s srt -metadata:s:a:0 language=eng -metadata:s:a:1 language=ger -shortest";
    case Fixture::Avi:
        return v + a + "-c:v mpeg4 -q:v 5 -c:a libmp3lame -b:a 128k -ac 2 -shortest";
    case Fixture::SixChannel:
        return v + "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=2 "
                   "-c:v mpeg4 -q:v 5 -c:a aac -ac 6 -ar 48000 -shortest";
    default:
        return {};
    }
}

const char* NameOf(Fixture f)
{
    switch (f) {
    case Fixture::Mp4: return "clip.mp4";
    case Fixture::Mp3: return "tone.mp3";
    case Fixture::Wav: return "tone.wav";
    case Fixture::MkvMulti: return "multi.mkv";
    case Fixture::Avi: return "clip.avi";
    case Fixture::SixChannel: return "six.mp4";
    case Fixture::ZeroByte: return "zero.mp4";
    case Fixture::Truncated: return "truncated.mp4";
    case Fixture::TextAsMp4: return "text.mp4";
    }
    return "unknown";
}

void Make(Fixture f, const fs::path& target)
{
    const fs::path tmp = target.string() + ".part" + std::to_string(getpid()) + target.extension().string();
    switch (f) {
    case Fixture::ZeroByte:
        std::ofstream(tmp, std::ios::binary).close();
        break;
    case Fixture::TextAsMp4:
        std::ofstream(tmp, std::ios::binary) << "This is a plain text file, not a video.\n";
        break;
    case Fixture::Truncated: {
        const fs::path full = FixturePath(Fixture::Mp4);
        const auto size = fs::file_size(full);
        fs::copy_file(full, tmp, fs::copy_options::overwrite_existing);
        fs::resize_file(tmp, size * 6 / 10);
        break;
    }
    default: {
        std::string args = ArgsFor(f);
        if (f == Fixture::MkvMulti) {
            const fs::path subs = FixtureFolder() / "subs.srt";
            std::ofstream(subs) << "1\n00:00:00,000 --> 00:00:01,000\nHello\n\n"
                                   "2\n00:00:01,000 --> 00:00:02,000\nWorld\n";
            args.replace(args.find("SUBS"), 4, ShellQuote(subs.string()));
        }
        const std::string cmd = "ffmpeg -nostdin -y -v error " + args + " " + ShellQuote(tmp.string());
        if (RunCommand(cmd) != 0) {
            fs::remove(tmp);
            throw std::runtime_error("cannot make fixture: " + cmd);
        }
    }
    }
    fs::rename(tmp, target);
}

}  // namespace

std::string ShellQuote(const std::string& s)
{
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
}

int RunCommand(const std::string& command, std::string* out)
{
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    std::array<char, 4096> buf{};
    std::string text;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) text.append(buf.data(), n);
    const int status = ::pclose(pipe);
    if (out) *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string FixturePath(Fixture f)
{
    const fs::path target = FixtureFolder() / NameOf(f);
    if (fs::exists(target)) return target.string();
    const fs::path lockName = target.string() + ".lock";
    const int fd = ::open(lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) ::flock(fd, LOCK_EX);
    try {
        if (!fs::exists(target)) Make(f, target);
    } catch (...) {
        if (fd >= 0) ::close(fd);
        throw;
    }
    if (fd >= 0) ::close(fd);
    return target.string();
}

QJsonObject Probe(const std::string& file)
{
    std::string out;
    const std::string cmd = "ffprobe -v error -show_format -show_streams -of json " + ShellQuote(file);
    // stderr is merged; keep only the JSON part.
    if (RunCommand(cmd, &out) != 0) return {};
    const auto start = out.find('{');
    if (start == std::string::npos) return {};
    return QJsonDocument::fromJson(QByteArray::fromStdString(out.substr(start))).object();
}

}  // namespace quorvia::test
