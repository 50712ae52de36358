// Audio synchronisation: the fill/drop/compensate decision, silence before a
// late-starting track, and drift compensation through the resampler.
#include <gtest/gtest.h>

#include "AudioTestSupport.h"
#include "engine/AudioMessages.h"
#include "engine/AudioSync.h"

namespace quorvia::test {
namespace {

using transcode::TAudioSyncAction;
using transcode::TAudioSyncInput;
using transcode::TAudioSyncStep;

struct TDecisionCase {
    const char* Name;
    TAudioSyncInput In;
    TAudioSyncStep Step;
    int64_t Samples;       // Fill/Drop
    int Compensation;      // Compensate
    int64_t SyncOpts;
};

TAudioSyncInput Input(int method, double syncTime, int64_t syncOpts, int64_t pending, bool isStart,
                      int inRate = 48000)
{
    TAudioSyncInput in;
    in.Method = method;
    in.SyncTime = syncTime;
    in.OutRate = 48000;
    in.InRate = inRate;
    in.SyncOpts = syncOpts;
    in.Pending = pending;
    in.IsStart = isStart;
    return in;
}

TEST(AudioSync, Decision)
{
    const TDecisionCase cases[] = {
        // "async" 0: the position follows the timestamps, nothing else happens.
        {"off", Input(0, 1.5, 999, 1000, true), TAudioSyncStep::None, 0, 0, 72000 - 1000},
        {"late start filled", Input(1, 0.5, 0, 0, true), TAudioSyncStep::Fill, 24000, 0, 0},
        {"fill in input samples", Input(1, 0.5, 0, 0, true, 24000), TAudioSyncStep::Fill, 12000, 0, 0},
        {"early start dropped", Input(1, 1.0, 49000, 0, true), TAudioSyncStep::Drop, 1000, 0, 49000},
        {"pending counts", Input(1, 1.0, 46000, 2000, true), TAudioSyncStep::None, 0, 0, 46000},
        {"50 samples never act", Input(2, 1.0, 47950, 0, true), TAudioSyncStep::None, 0, 0, 47950},
        {"51 samples at the start", Input(2, 1.0, 47949, 0, true), TAudioSyncStep::Fill, 51, 0, 47949},
        {"small drift ignored without resampling", Input(1, 1.0, 44000, 0, false), TAudioSyncStep::None, 0, 0,
         44000},
        {"small drift compensated, clipped", Input(2, 1.0, 44000, 0, false), TAudioSyncStep::Compensate, 0, 2,
         44000},
        {"compensation below the limit", Input(10000, 1.0, 44000, 0, false), TAudioSyncStep::Compensate, 0, 4000,
         44000},
        {"negative compensation", Input(100, 1.0, 48100, 0, false), TAudioSyncStep::Compensate, 0, -100, 48100},
        {"beyond the threshold filled", Input(2, 1.0, 43000, 0, false), TAudioSyncStep::Fill, 5000, 0, 43000},
        {"beyond the threshold dropped", Input(1, 1.0, 53000, 0, false), TAudioSyncStep::Drop, 5000, 0, 53000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TAudioSyncAction a = transcode::DecideAudioSync(c.In);
        EXPECT_EQ(a.Step, c.Step);
        EXPECT_EQ(a.SyncOpts, c.SyncOpts);
        EXPECT_EQ(a.Samples, c.Samples);
        EXPECT_EQ(a.Compensation, c.Compensation);
    }
}

// Verbose log lines of the engine are delivered while this exists.
class TVerboseLog {
public:
    TVerboseLog() : saved_(FFLogger().LogLevel()) { FFLogger().SetLogLevel(llVerbose); }
    ~TVerboseLog() { FFLogger().SetLogLevel(saved_); }
    TLogCapture Lines;

private:
    TLogLevel saved_;
};

std::function<void(TCustomFFmpeg&)> SyncMethod(int method)
{
    return [method](TCustomFFmpeg& task) {
        task.Options().AudioSyncMethod = method;
        task.Options().Verbose = 3;
    };
}

// Index of the first sample of a channel louder than level, in samples per channel.
size_t FirstSound(const std::vector<int16_t>& s, int channels, int level)
{
    for (size_t i = 0; i < s.size(); ++i)
        if (std::abs(static_cast<int>(s[i])) > level) return i / channels;
    return s.size();
}

// Audio that starts 0.5 s after the video: with "async" 1 the output starts
// with that much silence (one fill, logged); without it the sound starts at
// once. Silence of unsigned 8-bit samples is their middle value, not zero.
TEST(AudioSync, LateStartIsFilledWithSilence)
{
    TempDir dir;
    const std::string tone = MakeMedia(dir, "tone.wav", "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=2 "
                                                        "-ac 2 -c:a pcm_s16le");
    struct TCase {
        const char* SourceCodec;
        int Method;
        double SoundStarts;  // seconds into the output
        int Fills;
    };
    const TCase cases[] = {{"pcm_s16le", 1, 0.5, 1}, {"pcm_s16le", 0, 0.0, 0}, {"pcm_u8", 1, 0.5, 1}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.SourceCodec) + " async " + std::to_string(c.Method));
        const std::string in =
            MakeMedia(dir, "late.mkv",
                      "-f lavfi -i testsrc2=size=160x120:rate=25:duration=2.5 -itsoffset 0.5 -i " + ShellQuote(tone) +
                          " -map 0:v -map 1:a -c:v mpeg4 -c:a " + c.SourceCodec);
        ASSERT_NEAR(AudioStreamOf(in)["start_time"].toString().toDouble(), 0.5, 0.01);
        TVerboseLog log;
        const std::string out = dir.file("out.wav");
        const TJobResult r =
            RunJob(AudioJob(in, out, "acodec=pcm_s16le\nvn=1\nar=48000\nac=2", SyncMethod(c.Method)));
        ASSERT_TRUE(r.Created) << r.CreateError;
        ASSERT_TRUE(r.Finished) << r.ErrorMessage;
        const auto samples = DecodeS16(dir, out);
        EXPECT_NEAR(FirstSound(samples, 2, 300) / 48000.0, c.SoundStarts, 0.01);
        EXPECT_NEAR(samples.size() / 2 / 48000.0, 2.0 + c.SoundStarts, 0.03);
        EXPECT_EQ(log.Lines.Count("audio samples of silence"), c.Fills);
        if (c.Fills) {
            EXPECT_TRUE(log.Lines.Contains("adding 24000 audio samples of silence"));
        }
        EXPECT_EQ(log.Lines.Count("discarding"), 0);
    }
}

// Timestamps running 2 % slow against the samples: "async" above 1 stretches
// the sound to the timestamps in small steps, "async" 1 leaves drift below the
// threshold alone.
TEST(AudioSync, DriftIsCompensatedAboveOne)
{
    TempDir dir;
    const std::string in = MakeMedia(dir, "drift.mkv",
                                     "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=4 "
                                     "-af asetpts=PTS*1.02 -ac 2 -c:a pcm_s16le");
    struct TCase {
        int Method;
        double Seconds;
        bool Compensates;
    };
    for (const TCase c : {TCase{1000, 4.08, true}, TCase{1, 4.0, false}}) {
        SCOPED_TRACE(c.Method);
        TVerboseLog log;
        const std::string out = dir.file("out.wav");
        const TJobResult r =
            RunJob(AudioJob(in, out, "acodec=pcm_s16le\nar=44100\nac=2", SyncMethod(c.Method)));
        ASSERT_TRUE(r.Created) << r.CreateError;
        ASSERT_TRUE(r.Finished) << r.ErrorMessage;
        const auto samples = DecodeS16(dir, out);
        EXPECT_NEAR(samples.size() / 2 / 44100.0, c.Seconds, 0.03);
        EXPECT_EQ(log.Lines.Contains("compensating audio timestamp drift:"), c.Compensates);
        // Only the start may be filled (the first drift past 50 samples).
        EXPECT_LE(log.Lines.Count("audio samples of silence"), 1);
    }
}

}  // namespace
}  // namespace quorvia::test
