#pragma once
// Helpers of the transcode tests: build a task from option texts the way the
// command-line engine does, run it synchronously, capture the log, and read
// what was written with ffprobe.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "engine/CustomFFmpeg.h"
#include "engine/Loader.h"
#include "engine/Logger.h"
#include "engine/OptionRecords.h"
#include "support/Fixtures.h"

namespace quorvia::test {

// Collects every delivered log line while it exists.
class TLogCapture {
public:
    TLogCapture()
    {
        FFLogger().SetOnLog([this](const void*, uint32_t, TLogLevel, const std::string& msg) {
            std::lock_guard<std::mutex> lock(mutex_);
            lines_.push_back(msg);
        });
    }
    ~TLogCapture() { FFLogger().SetOnLog(nullptr); }
    bool Contains(const std::string& text) const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& l : lines_)
            if (l.find(text) != std::string::npos) return true;
        return false;
    }
    int Count(const std::string& text) const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        int n = 0;
        for (const auto& l : lines_)
            if (l.find(text) != std::string::npos) ++n;
        return n;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

struct TInputSpec {
    std::string File;
    std::string Options;  // ExtOptions text of the input record
};

struct TJob {
    std::vector<TInputSpec> Inputs;
    std::string Output;
    std::string OutputOptions;  // ExtOptions text of the output record
    bool Join = false;
    // Called after the files exist and before the run (callbacks, flags).
    std::function<void(TCustomFFmpeg&)> Prepare;
};

// One input without options.
inline TJob Job(const std::string& input, const std::string& output, const std::string& outputOptions,
                std::function<void(TCustomFFmpeg&)> prepare = nullptr)
{
    TJob job;
    job.Inputs.push_back({input, ""});
    job.Output = output;
    job.OutputOptions = outputOptions;
    job.Prepare = std::move(prepare);
    return job;
}

struct TJobResult {
    bool Created = false;   // inputs opened and output created
    std::string CreateError;
    bool Finished = false;  // RunSync's result
    bool ErrorOccurred = false;
    std::string ErrorMessage;
    std::vector<TProgressInfo> Progress;
};

inline TJobResult RunJob(const TJob& job)
{
    TJobResult r;
    EXPECT_TRUE(FFLoader().Load(EngineLibraries())) << FFLoader().LastError();
    TCustomFFmpeg task;
    for (const auto& in : job.Inputs) {
        TInputOptions options;
        InitInputOptions(options);
        options.FileName = in.File;
        options.ExtOptions = in.Options;
        ApplyInputOptions(task, options);
        if (!task.OpenInput(in.File)) {
            r.CreateError = task.LastError();
            return r;
        }
    }
    TOutputOptions output;
    InitOutputOptions(output);
    output.FileName = job.Output;
    output.ExtOptions = job.OutputOptions;
    output.Join = job.Join;
    if (!ApplyOutputOptions(task, output, job.Output,
                            [&](const std::string& name) { return task.OpenOutput(name, job.Join) >= 0; })) {
        r.CreateError = task.LastError();
        return r;
    }
    r.Created = true;
    task.Control().OnProgress = [&r](TCustomFFmpeg&, const TProgressInfo& p) { r.Progress.push_back(p); };
    if (job.Prepare) job.Prepare(task);
    r.Finished = task.RunSync();
    r.ErrorOccurred = task.Control().ErrorOccurred;
    r.ErrorMessage = task.Control().ExceptionMsg;
    return r;
}

// Packets of a file as ffprobe reads them: per stream index the sizes in order.
inline std::map<int, std::vector<int>> ProbePackets(const std::string& file)
{
    std::string out;
    RunCommand("ffprobe -v error -show_entries packet=stream_index,size -of json " + ShellQuote(file), &out);
    std::map<int, std::vector<int>> result;
    const auto start = out.find('{');
    if (start == std::string::npos) return result;
    const QJsonObject root =
        QJsonDocument::fromJson(QByteArray::fromStdString(out.substr(start))).object();
    for (const auto& v : root["packets"].toArray()) {
        const QJsonObject p = v.toObject();
        result[p["stream_index"].toInt()].push_back(p["size"].toString().toInt());
    }
    return result;
}

// Streams of a probed file of one codec type ("video", "audio", "subtitle").
inline std::vector<QJsonObject> StreamsOf(const QJsonObject& probe, const QString& type)
{
    std::vector<QJsonObject> list;
    for (const auto& v : probe["streams"].toArray())
        if (v.toObject()["codec_type"].toString() == type) list.push_back(v.toObject());
    return list;
}

inline double DurationOf(const QJsonObject& probe) { return probe["format"].toObject()["duration"].toString().toDouble(); }

// Frames of the first video stream, counted by decoding.
inline int CountVideoFrames(const std::string& file)
{
    std::string out;
    RunCommand("ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 " +
                   ShellQuote(file),
               &out);
    return std::atoi(out.c_str());
}

// True when ffmpeg decodes the whole file without an error message.
inline bool DecodesCleanly(const std::string& file)
{
    std::string out;
    const int rc = RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(file) + " -f null -", &out);
    return rc == 0 && out.find_first_not_of(" \r\n") == std::string::npos;
}

}  // namespace quorvia::test
