// The job option builder: targets, audio-only jobs, codecs, rates, sizes,
// zoom and audio, as tables of profile, source and job against the fields
// the builder sets; then the frame size question, the volume conversion
// error, and the INI and probe readers.
#include "jobs/NumberText.h"
#include "jobs/OptionBuilder.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "engine/Loader.h"
#include "probe/AVProbe.h"
#include "support/Fixtures.h"
#include "support/TempDir.h"

using namespace quorvia;

namespace {

class TScriptedPrompts : public IJobPrompts {
public:
    explicit TScriptedPrompts(bool answer = true) : Answer(answer) {}
    void Warning(const std::string&, const std::string&) override { ++Warnings; }
    bool Question(const std::string& caption, const std::string& text) override
    {
        Captions.push_back(caption);
        Texts.push_back(text);
        return Answer;
    }
    bool Answer;
    int Warnings = 0;
    std::vector<std::string> Captions, Texts;
};

// Every field the builder may set, when it differs from the record default.
std::string Summary(const TOutputOptions& O, const TInputOptions& I)
{
    TOutputOptions d;
    InitOutputOptions(d);
    std::ostringstream s;
    const auto text = [&](const char* name, const std::string& v, const std::string& def) {
        if (v != def) s << name << "=" << v << " ";
    };
    const auto num = [&](const char* name, int v, int def) {
        if (v != def) s << name << "=" << v << " ";
    };
    const auto flag = [&](const char* name, bool v) {
        if (v) s << name << " ";
    };
    text("f", O.FileFormat, d.FileFormat);
    num("target", O.TargetType, d.TargetType);
    num("norm", O.NormType, d.NormType);
    text("vcodec", O.VideoCodec, d.VideoCodec);
    text("vpre", O.VideoPreset, d.VideoPreset);
    flag("novideo", O.DisableVideo);
    num("vb", O.VideoBitrate, d.VideoBitrate);
    text("r", O.FrameRate, d.FrameRate);
    text("s", O.FrameSize, d.FrameSize);
    text("aspect", O.FrameAspectRatio, d.FrameAspectRatio);
    if (O.CropTop != -1 || O.CropBottom != -1 || O.CropLeft != -1 || O.CropRight != -1)
        s << "crop=" << O.CropTop << "," << O.CropBottom << "," << O.CropLeft << "," << O.CropRight << " ";
    text("vf", O.VideoFilters, d.VideoFilters);
    text("acodec", O.AudioCodec, d.AudioCodec);
    flag("noaudio", O.DisableAudio);
    num("ac", O.AudioChannels, d.AudioChannels);
    num("ar", O.AudioSampleRate, d.AudioSampleRate);
    num("ab", O.AudioBitrate, d.AudioBitrate);
    num("vol", O.AudioVolume, d.AudioVolume);
    flag("nosub", O.DisableSubtitle);
    text("ext", O.ExtOptions, d.ExtOptions);
    text("in.ext", I.ExtOptions, "");
    std::string out = s.str();
    if (!out.empty()) out.pop_back();
    return out;
}

// A video profile with everything chosen, and a 320x240 source with video.
TJobProfile VideoProfile()
{
    TJobProfile p;
    p.Format = "mp4";
    p.VideoSize = "320x240";
    p.VideoEncoder = "mpeg4";
    p.VideoBitRate = "768";
    p.FrameRate = "25";
    p.AudioEncoder = "libfaac";
    p.Channel = "2";
    p.SampleRate = "44100";
    p.AudioBitRate = "128";
    p.Volume = "256";
    return p;
}

TSourceVideo Source(int w, int h, int64_t bitRate = 400000) { return {true, w, h, bitRate}; }

const char* const kVideoBase = "vcodec=mpeg4 vb=768000 r=25 s=320x240 aspect=320:240 crop=0,0,0,0";
const char* const kAudioBase = "acodec=libfaac ac=2 ar=44100 ab=128000";

struct TBuildCase {
    const char* Name;
    std::function<void(TJobProfile&, TSourceVideo&, TlvFilesRecord&)> Change;
    std::string Expected;
};

std::string Video(const std::string& middle) { return middle + " " + kAudioBase; }

const std::vector<TBuildCase>& BuildCases()
{
    static const std::vector<TBuildCase> cases = {
        {"plain video job", [](auto&, auto&, auto&) {}, Video(kVideoBase)},
        // Targets (an unknown zoom keeps the target's aspect).
        {"ntsc-dvd 720x480 is 16:9",
         [](auto& p, auto& s, auto& j) {
             p.Format = "NTSC-DVD";
             p.VideoSize = "720x480";
             p.VideoEncoder = "mpeg2video";
             s = Source(720, 480);
             j.ZoomMode = "none";
         },
         Video("target=3 norm=2 vcodec=mpeg2video vb=768000 r=25 aspect=16:9 crop=0,0,0,0")},
        {"ntsc-dvd 352x480 is 4:3",
         [](auto& p, auto& s, auto& j) {
             p.Format = "ntsc-dvd";
             p.VideoSize = "352x480";
             p.VideoEncoder = "mpeg2video";
             s = Source(720, 480);
             j.ZoomMode = "none";
         },
         Video("target=3 norm=2 vcodec=mpeg2video vb=768000 r=25 aspect=4:3 crop=0,0,0,0")},
        {"pal-dvd 720x576 is 16:9, then the zoom sets its own aspect",
         [](auto& p, auto&, auto&) {
             p.Format = "pal-dvd";
             p.VideoSize = "720x576";
         },
         Video("target=3 norm=1 vcodec=mpeg4 vb=768000 r=25 s=720x576 aspect=720:576 crop=0,0,0,0")},
        {"pal-vcd", [](auto& p, auto&, auto& j) { p.Format = "pal-vcd"; j.ZoomMode = "none"; },
         Video("target=1 norm=1 vcodec=mpeg4 vb=768000 r=25 aspect=4:3 crop=0,0,0,0")},
        {"ntsc-svcd", [](auto& p, auto&, auto& j) { p.Format = "ntsc-svcd"; j.ZoomMode = "none"; },
         Video("target=2 norm=2 vcodec=mpeg4 vb=768000 r=25 aspect=4:3 crop=0,0,0,0")},
        // Audio only, even when the source has video.
        {"empty encoder: audio only with vn=1", [](auto& p, auto&, auto&) { p.VideoEncoder = ""; },
         "novideo acodec=libfaac ac=2 ar=44100 ab=128000 nosub in.ext=vn=1"},
        {"blank encoder, fresh audio values",
         [](auto& p, auto&, auto&) { p = TJobProfile{}; p.VideoEncoder = " \t"; },
         "novideo acodec=libfaac ac=2 ar=44100 ab=128000 vol=3 nosub in.ext=vn=1"},
        {"audio only: zero channels, 'as source', bad rate, 96.5 kbit/s",
         [](auto& p, auto&, auto&) {
             p.VideoEncoder = "";
             p.AudioEncoder = "mp2";
             p.Channel = "0";
             p.SampleRate = "abc";
             p.AudioBitRate = "96.5";
             p.Volume = "$80";
         },
         "novideo acodec=mp2 ab=96500 vol=128 nosub in.ext=vn=1"},
        {"audio only keeps libamr_nb as it is",
         [](auto& p, auto&, auto&) {
             p.VideoEncoder = "";
             p.AudioEncoder = "libamr_nb";
             p.Channel = "as source";
             p.SampleRate = "as source";
             p.AudioBitRate = "as source";
         },
         "novideo acodec=libamr_nb nosub in.ext=vn=1"},
        // Codecs and x264 presets.
        {"libx264 on psp", [](auto& p, auto&, auto&) { p.Format = "PSP"; p.VideoEncoder = "libx264"; },
         Video("f=PSP vcodec=libx264 vpre=libx264-psp vb=768000 r=25 s=320x240 aspect=320:240 crop=0,0,0,0")},
        {"libx264 on ipod", [](auto& p, auto&, auto&) { p.Format = "ipod"; p.VideoEncoder = "libx264"; },
         Video("f=ipod vcodec=libx264 vpre=libx264-ipod vb=768000 r=25 s=320x240 aspect=320:240 crop=0,0,0,0")},
        {"libx264 on ps3", [](auto& p, auto&, auto&) { p.Format = "ps3"; p.VideoEncoder = "libx264"; },
         Video("vcodec=libx264 vpre=libx264-ps3 vb=768000 r=25 s=320x240 aspect=320:240 crop=0,0,0,0")},
        {"libx264 elsewhere", [](auto& p, auto&, auto&) { p.Format = "matroska"; p.VideoEncoder = "libx264"; },
         Video("vcodec=libx264 vpre=libx264-mp4 vb=768000 r=25 s=320x240 aspect=320:240 crop=0,0,0,0")},
        {"mpeg2video brings the dvd target without a norm",
         [](auto& p, auto&, auto&) { p.Format = "mpeg"; p.VideoEncoder = "mpeg2video"; },
         Video("target=3 vcodec=mpeg2video vb=768000 r=25 s=320x240 aspect=320:240 crop=0,0,0,0")},
        {"a container word sets no codec", [](auto& p, auto&, auto&) { p.Format = "flv"; p.VideoEncoder = "flv"; },
         Video("f=flv vb=768000 r=25 s=320x240 aspect=320:240 crop=0,0,0,0")},
        {"the codec is compared exactly", [](auto& p, auto&, auto&) { p.VideoEncoder = "MPEG4"; },
         Video("vb=768000 r=25 s=320x240 aspect=320:240 crop=0,0,0,0")},
        // No video in the source.
        {"source without video",
         [](auto& p, auto& s, auto&) {
             p.Format = "avi";
             p.VideoSize = "640";  // no question either
             s = TSourceVideo{};
         },
         Video("vcodec=mpeg4 novideo")},
        // Bit rate, frame rate, container.
        {"bit rate as source", [](auto& p, auto&, auto&) { p.VideoBitRate = "as source"; },
         Video("vcodec=mpeg4 vb=400000 r=25 s=320x240 aspect=320:240 crop=0,0,0,0")},
        {"bit rate not an integer takes the source's", [](auto& p, auto&, auto&) { p.VideoBitRate = "7.5"; },
         Video("vcodec=mpeg4 vb=400000 r=25 s=320x240 aspect=320:240 crop=0,0,0,0")},
        {"bit rate 0 sets nothing", [](auto& p, auto&, auto&) { p.VideoBitRate = "0"; },
         Video("vcodec=mpeg4 r=25 s=320x240 aspect=320:240 crop=0,0,0,0")},
        {"bit rate beyond the record's range sets nothing", [](auto& p, auto&, auto&) { p.VideoBitRate = "3000000"; },
         Video("vcodec=mpeg4 r=25 s=320x240 aspect=320:240 crop=0,0,0,0")},
        {"frame rate as read", [](auto& p, auto&, auto&) { p.FrameRate = " 23.976"; },
         Video("vcodec=mpeg4 vb=768000 r= 23.976 s=320x240 aspect=320:240 crop=0,0,0,0")},
        {"frame rate as source, 0 or text sets nothing", [](auto& p, auto&, auto&) { p.FrameRate = "as source"; },
         Video("vcodec=mpeg4 vb=768000 s=320x240 aspect=320:240 crop=0,0,0,0")},
        {"frame rate 0", [](auto& p, auto&, auto&) { p.FrameRate = "0"; },
         Video("vcodec=mpeg4 vb=768000 s=320x240 aspect=320:240 crop=0,0,0,0")},
        {"container keyword as read", [](auto& p, auto&, auto&) { p.Format = "AVI"; },
         Video("f=AVI vcodec=mpeg4 vb=768000 r=25 s=320x240 aspect=320:240 crop=0,0,0,0")},
        // Destination size.
        {"as source + lbox: no bars, pad to the source",
         [](auto& p, auto& s, auto& j) {
             p.VideoSize = "as source";
             s = Source(640, 360);
             j.ZoomMode = "lbox";
         },
         Video("vcodec=mpeg4 vb=768000 r=25 s=640x360 aspect=640:360 crop=0,0,0,0 vf=pad=640:360:0:0")},
        {"a side that is no integer is the source's",
         [](auto& p, auto& s, auto&) {
             p.VideoSize = "abcx240";
             s = Source(640, 360);
         },
         Video("vcodec=mpeg4 vb=768000 r=25 s=640x240 aspect=640:240 crop=0,0,0,0")},
        {"h263 400x300 becomes 704x576",
         [](auto& p, auto&, auto&) { p.VideoEncoder = "h263"; p.VideoSize = "400x300"; },
         Video("vcodec=h263 vb=768000 r=25 s=704x576 aspect=704:576 crop=0,0,0,0")},
        {"h263 200x150 becomes 352x288",
         [](auto& p, auto&, auto&) { p.VideoEncoder = "h263"; p.VideoSize = "200x150"; },
         Video("vcodec=h263 vb=768000 r=25 s=352x288 aspect=352:288 crop=0,0,0,0")},
        {"h263 small sizes stay", [](auto& p, auto&, auto&) { p.VideoEncoder = "h263"; p.VideoSize = "100x80"; },
         Video("vcodec=h263 vb=768000 r=25 s=100x80 aspect=100:80 crop=0,0,0,0")},
        {"h263 listed sizes stay", [](auto& p, auto&, auto&) { p.VideoEncoder = "h263"; p.VideoSize = "160x120"; },
         Video("vcodec=h263 vb=768000 r=25 s=160x120 aspect=160:120 crop=0,0,0,0")},
        {"other codecs keep any size", [](auto& p, auto&, auto&) { p.VideoSize = "400x300"; },
         Video("vcodec=mpeg4 vb=768000 r=25 s=400x300 aspect=400:300 crop=0,0,0,0")},
        // Zoom (the modes in detail in ZoomGeometryTest).
        {"lbox worked example",
         [](auto&, auto& s, auto& j) {
             s = Source(1280, 720);
             j.ZoomMode = "lbox";
         },
         Video("vcodec=mpeg4 vb=768000 r=25 s=320x180 aspect=320:180 crop=0,0,0,0 vf=pad=320:240:0:30")},
        {"lbox with a crop filters crop, scale and pad",
         [](auto&, auto& s, auto& j) {
             s = Source(1280, 720);
             j.ZoomMode = "lbox";
             j.CropTop = 10;
             j.CropLeft = 20;
             j.CropBottom = 30;
             j.CropRight = 40;
         },
         Video("vcodec=mpeg4 vb=768000 r=25 aspect=320:180 crop=0,0,0,0 "
               "vf=crop=w=1220:h=680:x=20:y=10,scale=320:180,pad=320:240:0:30")},
        {"pan worked example",
         [](auto& p, auto& s, auto& j) {
             p.VideoSize = "640x480";
             s = Source(1280, 720);
             j.ZoomMode = "pan";
         },
         Video("vcodec=mpeg4 vb=768000 r=25 s=640x480 aspect=640:480 crop=0,0,284,284")},
        {"full with a crop",
         [](auto&, auto& s, auto& j) {
             s = Source(640, 480);
             j.CropTop = 8;
             j.CropLeft = 4;
         },
         Video("vcodec=mpeg4 vb=768000 r=25 s=320x240 aspect=320:240 crop=8,0,4,0")},
        {"center",
         [](auto&, auto& s, auto& j) {
             s = Source(1280, 720);
             j.ZoomMode = "center";
         },
         Video("vcodec=mpeg4 vb=768000 r=25 s=320x240 aspect=320:240 crop=0,0,0,0 vf=pad=320:240:0:30:black")},
        {"unknown zoom: size and filters untouched", [](auto&, auto&, auto& j) { j.ZoomMode = "zoom"; },
         Video("vcodec=mpeg4 vb=768000 r=25 crop=0,0,0,0")},
        // The DV encoder's profile needs the norm's pixel format.
        {"dvvideo NTSC asks for 4:1:1",
         [](auto& p, auto&, auto&) { p.VideoEncoder = "dvvideo"; p.VideoSize = "720x480"; },
         Video("vcodec=dvvideo vb=768000 r=25 s=720x480 aspect=720:480 crop=0,0,0,0") + " ext=pix_fmt=yuv411p"},
        {"dvvideo PAL asks for 4:2:0",
         [](auto& p, auto&, auto&) { p.VideoEncoder = "dvvideo"; p.VideoSize = "720x576"; },
         Video("vcodec=dvvideo vb=768000 r=25 s=720x576 aspect=720:576 crop=0,0,0,0") + " ext=pix_fmt=yuv420p"},
        // Audio of a video job.
        {"libamr_nb is the opencore encoder", [](auto& p, auto&, auto&) { p.AudioEncoder = "libamr_nb"; },
         std::string(kVideoBase) + " acodec=libopencore_amrnb ac=2 ar=44100 ab=128000"},
        {"no audio encoder: no audio, volume 3 by default",
         [](auto& p, auto&, auto&) {
             p.AudioEncoder.reset();
             p.Volume = "3";
         },
         std::string(kVideoBase) + " noaudio ac=2 ar=44100 ab=128000 vol=3"},
        {"blank audio encoder", [](auto& p, auto&, auto&) { p.AudioEncoder = "  "; },
         std::string(kVideoBase) + " acodec=   noaudio ac=2 ar=44100 ab=128000"},
        {"channels 0 pass for a video job", [](auto& p, auto&, auto&) { p.Channel = "0"; },
         std::string(kVideoBase) + " acodec=libfaac ac=0 ar=44100 ab=128000"},
        {"audio values as source", [](auto& p, auto&, auto&) {
             p.Channel = "as source";
             p.SampleRate = "as source";
             p.AudioBitRate = "as source";
         },
         std::string(kVideoBase) + " acodec=libfaac"},
    };
    return cases;
}

TEST(OptionBuilder, FieldsByProfileSourceAndJob)
{
    for (const auto& c : BuildCases()) {
        SCOPED_TRACE(c.Name);
        TJobProfile p = VideoProfile();
        TSourceVideo s = Source(320, 240);
        TlvFilesRecord job;
        job.ZoomMode = "full";
        c.Change(p, s, job);
        TOutputOptions O;
        InitOutputOptions(O);
        TInputOptions I;
        InitInputOptions(I);
        TScriptedPrompts prompts;
        BuildJobOptions(job, p, s, O, I, prompts);
        EXPECT_EQ(Summary(O, I), c.Expected);
        EXPECT_TRUE(prompts.Texts.empty());
    }
}

TEST(OptionBuilder, AFrameSizeWithoutUsableXAsksOnce)
{
    const char* sizes[] = {"640", "x240", "640x", "null", ""};
    for (const char* size : sizes) {
        for (bool yes : {true, false}) {
            SCOPED_TRACE(std::string("\"") + size + "\" " + (yes ? "Yes" : "No"));
            TJobProfile p = VideoProfile();
            p.VideoSize = size;
            TlvFilesRecord job;
            job.ZoomMode = "full";
            TOutputOptions O;
            InitOutputOptions(O);
            TInputOptions I;
            TScriptedPrompts prompts(yes);
            BuildJobOptions(job, p, Source(1280, 720), O, I, prompts);
            ASSERT_EQ(prompts.Texts.size(), 1u);
            EXPECT_EQ(prompts.Captions[0], "Warning");
            EXPECT_EQ(prompts.Texts[0], "Error output Video Size.Use the default size 320x240?");
            EXPECT_EQ(O.FrameSize, yes ? "320x240" : "1280x720");
        }
    }
}

TEST(OptionBuilder, AVolumeThatIsNoIntegerEndsWithTheConversionError)
{
    for (const char* encoder : {"mpeg4", ""}) {
        SCOPED_TRACE(std::string("encoder \"") + encoder + "\"");
        TJobProfile p = VideoProfile();
        p.VideoEncoder = encoder;
        p.Volume = "";
        TlvFilesRecord job;
        TOutputOptions O;
        TInputOptions I;
        TScriptedPrompts prompts;
        try {
            BuildJobOptions(job, p, Source(320, 240), O, I, prompts);
            ADD_FAILURE() << "no error";
        } catch (const EConvertError& e) {
            EXPECT_STREQ(e.what(), "'' is not a valid integer value");
        }
    }
}

TEST(OptionBuilder, ReadsTheProfileFromBothIniFilesWithTheBuilderDefaults)
{
    test::TempDir dir;
    TIniFile program(dir.file("program.ini"));
    TIniFile format(dir.file("format.ini"));
    format.WriteString("formatInfo1402", "Format", "3g2");

    // Nothing chosen yet: the builder's own defaults.
    TJobProfile fresh = ReadJobProfile(program, format, 1402);
    EXPECT_EQ(fresh.Format, "3g2");
    EXPECT_EQ(fresh.VideoSize, "null");
    EXPECT_EQ(fresh.VideoEncoder, "");
    EXPECT_EQ(fresh.VideoBitRate, "512");
    EXPECT_EQ(fresh.FrameRate, "29.97");
    EXPECT_FALSE(fresh.AudioEncoder.has_value());
    EXPECT_EQ(fresh.Channel, "2");
    EXPECT_EQ(fresh.SampleRate, "44100");
    EXPECT_EQ(fresh.AudioBitRate, "128");
    EXPECT_EQ(fresh.Volume, "3");
    EXPECT_EQ(ReadJobProfile(program, format, 7).Format, "null");

    const std::pair<const char*, const char*> chosen[] = {
        {"paraVideoSize", "176x144"}, {"paraVideoEncoder", "h263"}, {"paraVideoBitRate", "128"},
        {"paraFrameRate", "15"},      {"paraAudioEncoder", ""},     {"paraChannel", "1"},
        {"paraSampleRate", "8000"},   {"paraAudioBitRate", "12.2"}, {"paraVolume", "256"}};
    for (const auto& [key, value] : chosen) program.WriteString("formatInfo1402", key, value);
    TJobProfile p = ReadJobProfile(program, format, 1402);
    EXPECT_EQ(p.VideoSize, "176x144");
    EXPECT_EQ(p.VideoEncoder, "h263");
    EXPECT_EQ(p.VideoBitRate, "128");
    EXPECT_EQ(p.FrameRate, "15");
    EXPECT_EQ(p.AudioEncoder, std::optional<std::string>(""));  // present and empty: no audio
    EXPECT_EQ(p.Channel, "1");
    EXPECT_EQ(p.SampleRate, "8000");
    EXPECT_EQ(p.AudioBitRate, "12.2");
    EXPECT_EQ(p.Volume, "256");
}

TEST(OptionBuilder, ThroughTheIniFilesAndTheProbe)
{
    ASSERT_TRUE(FFLoader().Load(EngineLibraries())) << FFLoader().LastError();
    test::TempDir dir;
    TIniFile program(dir.file("program.ini"));
    TIniFile format(dir.file("format.ini"));
    format.WriteString("formatInfo0", "Format", "ipod");
    program.WriteString("formatInfo0", "paraVideoEncoder", "mpeg4");
    program.WriteString("formatInfo0", "paraVideoSize", "640x480");
    program.WriteString("formatInfo0", "paraVideoBitRate", "as source");

    TAVProbe probe;
    ASSERT_TRUE(probe.LoadFile(test::FixturePath(test::Fixture::Mp4))) << probe.LastErrMsg();
    const TSourceVideo source = SourceVideoOf(probe);
    EXPECT_TRUE(source.HasVideo);
    EXPECT_EQ(source.Width, 320);
    EXPECT_EQ(source.Height, 240);
    EXPECT_GT(source.BitRate, 0);

    TlvFilesRecord job;  // zoom "lbox", as added
    TOutputOptions O;
    InitOutputOptions(O);
    TInputOptions I;
    InitInputOptions(I);
    TScriptedPrompts prompts;
    BuildJobOptions(job, 0, O, &probe, I, program, format, prompts);
    EXPECT_EQ(O.FileFormat, "ipod");
    EXPECT_EQ(O.VideoBitrate, source.BitRate);
    EXPECT_EQ(O.FrameSize, "640x480");
    EXPECT_EQ(O.VideoFilters, "pad=640:480:0:0");
    EXPECT_EQ(O.FrameRate, "29.97");
    EXPECT_TRUE(O.DisableAudio);  // no audio encoder chosen
    EXPECT_EQ(O.AudioVolume, 3);
    EXPECT_EQ(I.ExtOptions, "");

    // An audio file has no video; no probe at all neither.
    ASSERT_TRUE(probe.LoadFile(test::FixturePath(test::Fixture::Mp3))) << probe.LastErrMsg();
    EXPECT_FALSE(SourceVideoOf(probe).HasVideo);
    probe.Close();
    EXPECT_FALSE(SourceVideoOf(probe).HasVideo);
    InitOutputOptions(O);
    BuildJobOptions(job, 0, O, nullptr, I, program, format, prompts);
    EXPECT_TRUE(O.DisableVideo);
    EXPECT_EQ(O.FrameSize, "");
    EXPECT_TRUE(prompts.Texts.empty());
}

}  // namespace
