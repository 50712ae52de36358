#pragma once
// Converting the small fixture with one output profile, the way a batch
// does it (probe, option builder, engine component), and what the profile
// promises about the output. Shared by the default matrix (test_jobs) and
// the every-encoder matrix (test_jobs_slow).
//
// "Default choices": a fresh program INI holds no choice at all, which the
// option builder reads as "no video encoder" (every profile audio-only) and
// volume "3". The matrix instead converts with what the parameter panel's
// "Default" button stores: the item "i<List>" of every list of the format
// INI, through the profile vocabulary, and zoom "Full Screen" ("full").
#include <gtest/gtest.h>

#include <QJsonArray>
#include <algorithm>
#include <QJsonObject>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <sys/file.h>
#include <unistd.h>
#include <vector>

#include "engine/FFmpegVCL.h"
#include "jobs/OptionBuilder.h"
#include "profiles/Catalogue.h"
#include "profiles/FormatProfile.h"
#include "profiles/ProfileDefaults.h"
#include "profiles/ProfileVocabulary.h"
#include "support/Fixtures.h"
#include "support/TempDir.h"

namespace quorvia::test::matrix {

inline std::string ShippedFormatIni()
{
    return std::string(QUORVIA_SOURCE_DIR) + "/src/profiles/data/quorviamp4format.ini";
}

// The standard clip (320x240 25 fps MPEG-4 + AAC stereo 44.1 kHz) cut to
// half a second, so that 115 conversions (some to 1920x1080) stay quick.
inline constexpr double kClipSeconds = 0.5;

inline std::string MatrixFixture()
{
    const char* env = std::getenv("QUORVIA_FIXTURES");
    const std::filesystem::path folder =
        env && *env ? std::filesystem::path(env) : std::filesystem::path(QUORVIA_BIN_DIR).parent_path() / "fixtures";
    std::filesystem::create_directories(folder);
    const std::filesystem::path target = folder / "matrix-half-second.mp4";
    if (std::filesystem::exists(target)) return target.string();
    const std::string lockName = target.string() + ".lock";
    const int fd = ::open(lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) ::flock(fd, LOCK_EX);
    if (!std::filesystem::exists(target)) {
        const std::string tmp = target.string() + ".part" + std::to_string(::getpid()) + ".mp4";
        const std::string cmd =
            "ffmpeg -nostdin -y -v error -f lavfi -i testsrc2=size=320x240:rate=25:duration=0.5 "
            "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=0.5 -c:v mpeg4 -q:v 5 "
            "-c:a aac -b:a 96k -ac 2 -shortest " + ShellQuote(tmp);
        if (RunCommand(cmd) == 0) std::filesystem::rename(tmp, target);
    }
    if (fd >= 0) ::close(fd);
    return target.string();
}

// Answers every question with No and counts them.
class TCountingPrompts : public IJobPrompts {
public:
    void Warning(const std::string&, const std::string&) override { ++Warnings; }
    bool Question(const std::string&, const std::string&) override
    {
        ++Questions;
        return false;
    }
    int Warnings = 0;
    int Questions = 0;
};

// One profile with one choice per list.
struct TChoices {
    std::map<TChoiceKey, std::string> Items;  // absent: the list offers none

    std::optional<std::string> Item(TChoiceKey key) const
    {
        const auto it = Items.find(key);
        return it == Items.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
};

inline TChoices DefaultChoices(const TFormatProfileStore& store, int code)
{
    TChoices c;
    for (TChoiceKey key : kAllChoiceKeys) {
        const TChoiceList list = store.ReadChoiceList(code, key);
        if (!list.Enabled || list.Items.empty()) continue;
        const int index = store.DefaultIndex(code, key);
        if (index >= 0 && index < static_cast<int>(list.Items.size())) c.Items[key] = list.Items[index];
    }
    return c;
}

// Every item of a list (none when the list offers no choice).
inline std::vector<std::string> ListItems(const TFormatProfileStore& store, int code, TChoiceKey key)
{
    const TChoiceList list = store.ReadChoiceList(code, key);
    return list.Enabled ? list.Items : std::vector<std::string>{};
}

// Stores the choices as the panel's change handlers do.
inline void StoreChoices(TFormatProfileStore& store, int code, const TChoices& c)
{
    for (const auto& [key, item] : c.Items) ASSERT_TRUE(StoreChoice(store, code, key, item)) << item;
    store.WritePara(code, "paraZoom", "full");
}

// What ffprobe should find, from the profile's own words.
struct TExpected {
    std::string Demuxer;      // ffprobe format_name
    std::string Brand;        // major brand of the MP4 family; empty: not checked
    std::string VideoCodec;   // empty: no video stream
    int Width = 0, Height = 0;
    std::string AudioCodec;   // empty: no audio stream
    int SampleRate = 0;
    int Channels = 0;
    double FrameRate = 0;     // frames per second of the output
};

inline std::string DemuxerOf(const std::string& ext)
{
    static const std::map<std::string, std::string> table = {
        {"mp4", "mov,mp4,m4a,3gp,3g2,mj2"}, {"m4a", "mov,mp4,m4a,3gp,3g2,mj2"},
        {"mov", "mov,mp4,m4a,3gp,3g2,mj2"}, {"3gp", "mov,mp4,m4a,3gp,3g2,mj2"},
        {"avi", "avi"}, {"wmv", "asf"}, {"wma", "asf"}, {"flv", "flv"}, {"swf", "swf"},
        {"mpg", "mpeg"}, {"ts", "mpegts"}, {"mkv", "matroska,webm"}, {"dv", "dv"},
        {"mp3", "mp3"}, {"aac", "aac"}, {"wav", "wav"}, {"ogg", "ogg"}, {"ac3", "ac3"}};
    const auto it = table.find(ext);
    return it == table.end() ? "?" + ext : it->second;
}

// Codec names as ffprobe reports them, by encoder display name.
inline std::string VideoCodecOf(const std::string& item, const std::string& format)
{
    static const std::map<std::string, std::string> table = {
        {"mpeg-4", "mpeg4"}, {"xvid", "mpeg4"}, {"h264", "h264"}, {"h263", "h263"},
        {"wmv1", "wmv1"}, {"wmv2", "wmv2"}, {"msmpeg4", "msmpeg4v3"}, {"msmpeg4v2", "msmpeg4v2"},
        {"mpeg1video", "mpeg1video"}, {"mpeg2video", "mpeg2video"}, {"mjpeg", "mjpeg"},
        {"dvvideo", "dvvideo"}, {"flv", "flv1"}, {"swf", "flv1"}};
    if (item == "mov" || item == "3gp" || item == "3g2") return format == "mov" ? "mpeg4" : "h263";
    const auto it = table.find(item);
    return it == table.end() ? "?" + item : it->second;
}

inline std::string AudioCodecOf(const std::string& item)
{
    static const std::map<std::string, std::string> table = {
        {"aac", "aac"}, {"mp3", "mp3"}, {"mp2", "mp2"}, {"ac-3", "ac3"}, {"flac", "flac"},
        {"ogg", "vorbis"}, {"wma1", "wmav1"}, {"wma2", "wmav2"}, {"pcm_s16", "pcm_s16le"},
        {"pcm_alaw", "pcm_alaw"}, {"adpcm_ms", "adpcm_ms"}, {"adpcm_ima_wav", "adpcm_ima_wav"}};
    const auto it = table.find(item);
    return it == table.end() ? "?" + item : it->second;
}

// The fixture's own values, for "as source".
inline constexpr int kSourceWidth = 320, kSourceHeight = 240, kSourceRate = 44100, kSourceChannels = 2;
inline constexpr double kSourceFrameRate = 25;

inline TExpected ExpectedOutput(const TFormatProfileStore& store, int code, const TChoices& c)
{
    TExpected e;
    e.Demuxer = DemuxerOf(store.FileExt(code));
    if (const auto enc = c.Item(TChoiceKey::ckVideoEncoder)) {
        // The container keyword chooses the muxer of a video job.
        static const std::map<std::string, std::string> brands = {
            {"ipod", "M4V "}, {"psp", "MSNV"}, {"3gp", "3gp4"}, {"3g2", "3g2a"}, {"mov", "qt  "}, {"mp4", "isom"}};
        const auto brand = brands.find(store.Format(code));
        if (brand != brands.end()) e.Brand = brand->second;
        e.VideoCodec = VideoCodecOf(*enc, store.Format(code));
        const std::string size = c.Item(TChoiceKey::ckVideoSize).value_or(kAsSource);
        if (size == kAsSource) {
            e.Width = kSourceWidth;
            e.Height = kSourceHeight;
        } else {
            e.Width = std::stoi(size);
            e.Height = std::stoi(size.substr(size.find('x') + 1));
        }
        const std::string rate = c.Item(TChoiceKey::ckFrameRate).value_or(kAsSource);
        e.FrameRate = rate == kAsSource ? kSourceFrameRate : std::stod(rate);
    }
    if (const auto enc = c.Item(TChoiceKey::ckAudioEncoder)) {
        e.AudioCodec = AudioCodecOf(*enc);
        const std::string rate = c.Item(TChoiceKey::ckSampleRate).value_or(kAsSource);
        e.SampleRate = rate == kAsSource ? kSourceRate : std::stoi(rate);
        const std::string channel = c.Item(TChoiceKey::ckChannel).value_or(kAsSource);
        e.Channels = channel == kChannelMono ? 1 : (channel == kChannelStereo ? 2 : kSourceChannels);
    }
    return e;
}

struct TConversion {
    bool Added = false, OutputSet = false, Finished = false;
    std::string Error;  // the engine's message when something failed
    int Questions = 0;
    QJsonObject Probe;
    int VideoPackets = 0, AudioPackets = 0;  // as ffprobe reads them back
};

// Packets ffprobe reads from the first stream of a kind ("v" or "a"); some
// containers (flv, swf, matroska) state no frame count of their own.
inline int CountPackets(const std::string& file, const char* kind)
{
    std::string out;
    const std::string cmd = std::string("ffprobe -v error -count_packets -select_streams ") + kind +
                            ":0 -show_entries stream=nb_read_packets -of csv=p=0 " + ShellQuote(file);
    if (RunCommand(cmd, &out) != 0) return -1;
    try {
        return std::stoi(out);
    } catch (...) {
        return 0;
    }
}

// A batch of one: probe, option builder, component (run on this thread).
inline TConversion Convert(const std::string& source, int code, const TIniFile& programIni,
                           const TIniFile& formatIni, const std::string& output, const std::string& zoom)
{
    TConversion r;
    TFFmpegVCL c;
    if (!c.LoadLibraries("")) {
        r.Error = c.LastErrMsg();
        return r;
    }
    c.SetTriggerEventInMainThread(false);
    TTerminateInfo ended;
    c.SetOnTerminate([&](TCustomFFmpegVCL&, const TTerminateInfo& info) {
        if (info.TaskIndex == 0) ended = info;
    });

    TAVProbe probe;
    if (!probe.LoadFile(source)) {
        r.Error = probe.LastErrMsg();
        return r;
    }
    TInputOptions I;
    InitInputOptions(I);
    I.FileName = source;
    I.FileFormat = probe.FormatName();
    TOutputOptions O;
    InitOutputOptions(O);
    O.FileName = output;
    TlvFilesRecord job;
    job.SourceFile = source;
    job.ZoomMode = zoom;
    TCountingPrompts prompts;
    BuildJobOptions(job, code, O, &probe, I, programIni, formatIni, prompts);
    probe.Close();
    r.Questions = prompts.Questions;

    const int index = c.AddTask(source, &I);
    r.Added = index >= 0;
    if (!r.Added) {
        r.Error = c.LastErrMsg();
        return r;
    }
    r.OutputSet = c.SetOutputFile(index, output, &O);
    if (!r.OutputSet) {
        r.Error = c.LastErrMsg();
        return r;
    }
    c.StartTask(0);
    r.Finished = ended.Finished;
    if (ended.Exception) r.Error = ended.ExceptionMsg;
    if (std::filesystem::exists(output)) {
        r.Probe = test::Probe(output);
        r.VideoPackets = CountPackets(output, "v");
        r.AudioPackets = CountPackets(output, "a");
    }
    return r;
}

inline QJsonObject StreamOf(const QJsonObject& probe, const char* type)
{
    for (const auto& s : probe["streams"].toArray())
        if (s.toObject()["codec_type"].toString() == type) return s.toObject();
    return {};
}

inline int StreamCount(const QJsonObject& probe, const char* type)
{
    int n = 0;
    for (const auto& s : probe["streams"].toArray())
        if (s.toObject()["codec_type"].toString() == type) ++n;
    return n;
}

// Checks the output against the expectation; the text names what differs.
inline void ExpectOutput(const TConversion& r, const TExpected& e)
{
    ASSERT_TRUE(r.Added && r.OutputSet) << r.Error;
    ASSERT_TRUE(r.Finished) << r.Error;
    EXPECT_EQ(r.Questions, 0);
    ASSERT_FALSE(r.Probe.isEmpty()) << "ffprobe cannot read the output";
    const QJsonObject format = r.Probe["format"].toObject();
    EXPECT_EQ(format["format_name"].toString().toStdString(), e.Demuxer);
    if (!e.Brand.empty()) {
        EXPECT_EQ(format["tags"].toObject()["major_brand"].toString().toStdString(), e.Brand);
    }

    const QJsonObject v = StreamOf(r.Probe, "video");
    if (e.VideoCodec.empty()) {
        EXPECT_EQ(StreamCount(r.Probe, "video"), 0) << "an audio-only profile wrote video";
    } else {
        EXPECT_EQ(StreamCount(r.Probe, "video"), 1);
        EXPECT_EQ(v["codec_name"].toString().toStdString(), e.VideoCodec);
        EXPECT_EQ(v["width"].toInt(), e.Width);
        EXPECT_EQ(v["height"].toInt(), e.Height);
        // The clip's length at the profile's frame rate. Muxers of variable
        // frame rate (MPEG-TS, Matroska) get no duplicated frames, so a rate
        // above the source's may leave the source's count.
        const double frames = e.FrameRate * kClipSeconds;
        const double fewest = std::min(e.FrameRate, kSourceFrameRate) * kClipSeconds;
        EXPECT_GE(r.VideoPackets, static_cast<int>(fewest * 0.8)) << "frame rate " << e.FrameRate;
        EXPECT_LE(r.VideoPackets, static_cast<int>(frames * 1.2) + 2) << "frame rate " << e.FrameRate;
    }
    const QJsonObject a = StreamOf(r.Probe, "audio");
    if (e.AudioCodec.empty()) {
        EXPECT_EQ(StreamCount(r.Probe, "audio"), 0);
    } else {
        EXPECT_EQ(StreamCount(r.Probe, "audio"), 1);
        EXPECT_EQ(a["codec_name"].toString().toStdString(), e.AudioCodec);
        EXPECT_EQ(a["sample_rate"].toString().toInt(), e.SampleRate);
        EXPECT_EQ(a["channels"].toInt(), e.Channels);
        EXPECT_GT(r.AudioPackets, 0) << "no audio written";
    }
}

// One profile x choice combination, converted and checked.
inline void RunCombination(int code, const TChoices& choices, const std::string& zoom)
{
    TempDir dir;
    TFormatProfileStore store(ShippedFormatIni(), dir.file("quorviamp4fennrow.ini"));
    StoreChoices(store, code, choices);
    if (::testing::Test::HasFatalFailure()) return;
    const std::string output = dir.file("out." + store.FileExt(code));
    const TConversion r =
        Convert(MatrixFixture(), code, store.SettingsIni(), store.FormatIni(), output, zoom);
    ExpectOutput(r, ExpectedOutput(store, code, choices));
}

// Readable test name of a profile code.
inline std::string CodeName(int code) { return "Profile" + std::to_string(code); }

}  // namespace quorvia::test::matrix
