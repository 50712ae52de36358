// Damaged inputs: what is readable is converted into a valid file; decoding
// errors are skipped unless "xerror"; unreadable files never reach the loop.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "TranscodeTestSupport.h"
#include "support/TempDir.h"

namespace quorvia::test {
namespace {

namespace fs = std::filesystem;

// A copy of the MP4 fixture whose audio packets 40 to 44 are overwritten
// with noise (the container itself stays intact).
std::string CorruptCopy(const TempDir& dir)
{
    const std::string source = FixturePath(Fixture::Mp4);
    const std::string target = dir.file("corrupt.mp4");
    fs::copy_file(source, target);
    std::string out;
    RunCommand("ffprobe -v error -select_streams a:0 -show_entries packet=pos,size -of json " + ShellQuote(source),
               &out);
    const QJsonArray packets =
        QJsonDocument::fromJson(QByteArray::fromStdString(out.substr(out.find('{')))).object()["packets"].toArray();
    EXPECT_GT(packets.size(), 45);
    std::fstream file(target, std::ios::in | std::ios::out | std::ios::binary);
    std::mt19937 noise(7);
    for (int i = 40; i < 45 && i < packets.size(); ++i) {
        const QJsonObject p = packets[i].toObject();
        file.seekp(p["pos"].toString().toLongLong());
        for (int k = 0; k < p["size"].toString().toInt(); ++k) file.put(static_cast<char>(noise() & 0xff));
    }
    return target;
}

TEST(TranscodeBadInput, TruncatedFileConvertsWhatIsReadable)
{
    TempDir dir;
    const std::string out = dir.file("out.mp4");
    const TJobResult r = RunJob(Job(FixturePath(Fixture::Truncated), out, "vcodec=mpeg4\nacodec=aac"));
    ASSERT_TRUE(r.Created) << r.CreateError;
    EXPECT_TRUE(r.Finished) << r.ErrorMessage;
    EXPECT_TRUE(DecodesCleanly(out));
    const double duration = DurationOf(Probe(out));
    EXPECT_GT(duration, 0.3);
    EXPECT_LT(duration, 1.9);
}

TEST(TranscodeBadInput, CorruptPacketsAreSkippedAndLogged)
{
    TempDir dir;
    const std::string out = dir.file("out.mp4");
    TLogCapture log;
    const TJobResult r = RunJob(Job(CorruptCopy(dir), out, "vcodec=mpeg4\nacodec=aac"));
    ASSERT_TRUE(r.Created) << r.CreateError;
    EXPECT_TRUE(r.Finished) << r.ErrorMessage;
    EXPECT_FALSE(r.ErrorOccurred);
    EXPECT_TRUE(log.Contains("Error while decoding stream #0.1 (Audio)"));
    EXPECT_TRUE(DecodesCleanly(out));
    EXPECT_NEAR(DurationOf(Probe(out)), 2.0, 0.15);
    EXPECT_EQ(CountVideoFrames(out), 50);
}

TEST(TranscodeBadInput, ExitOnErrorTurnsADecodingErrorIntoAFailure)
{
    TempDir dir;
    const TJobResult r = RunJob(Job(CorruptCopy(dir), dir.file("out.mp4"), "vcodec=mpeg4\nacodec=aac\nxerror=1"));
    ASSERT_TRUE(r.Created) << r.CreateError;
    EXPECT_FALSE(r.Finished);
    EXPECT_TRUE(r.ErrorOccurred);
    EXPECT_EQ(r.ErrorMessage, "Error while decoding stream #0.1 (Audio)");
}

TEST(TranscodeBadInput, UnreadableInputsNeverReachTheLoop)
{
    for (Fixture f : {Fixture::ZeroByte, Fixture::TextAsMp4}) {
        TempDir dir;
        bool ran = false;
        TJob job = Job(FixturePath(f), dir.file("out.mp4"), "vcodec=mpeg4\nacodec=aac",
                       [&ran](TCustomFFmpeg&) { ran = true; });
        const TJobResult r = RunJob(job);
        EXPECT_FALSE(r.Created);
        EXPECT_FALSE(r.CreateError.empty());
        EXPECT_FALSE(ran);
        EXPECT_FALSE(fs::exists(job.Output));
    }
}

TEST(TranscodeBadInput, RunWithoutFilesReportsWhatIsMissing)
{
    TCustomFFmpeg task;
    EXPECT_FALSE(task.RunSync());
    EXPECT_TRUE(task.Control().ErrorOccurred);
    EXPECT_EQ(task.Control().ExceptionMsg, "At least one output file must be specified");
    EXPECT_TRUE(task.Control().Terminated);
    // A task runs at most once.
    EXPECT_FALSE(task.RunSync());
}

}  // namespace
}  // namespace quorvia::test
