// PrintReport: the progress record and text of a run, and the final
// statistics line.
#include <cmath>
#include <string>

#include "engine/CustomFFmpeg.h"
#include "engine/Logger.h"
#include "engine/TextFormat.h"
#include "engine/TranscodeMessages.h"
#include "engine/TranscodeState.h"

namespace quorvia::transcode {

namespace {

constexpr double kLambdaPerQuantiser = 118.0;  // FF_QP2LAMBDA

double Psnr(double d) { return -10.0 * std::log10(d); }

int64_t OutputFileSize(const TTranscoder& tr)
{
    if (tr.OutputFiles.empty() || !tr.OutputFiles[0]->pb) return 0;
    AVIOContext* pb = tr.OutputFiles[0]->pb;
    const int64_t size = avio_size(pb);
    return size < 0 ? avio_tell(pb) : size;
}

float QualityOf(const TOutputStream& ost)
{
    if (ost.StreamCopy || ost.CodedQuality < 0) return -1.0f;
    return static_cast<float>(ost.CodedQuality / kLambdaPerQuantiser);
}

void AppendHistogram(TTranscoder& tr, float quality, std::string& text)
{
    const int qp = static_cast<int>(std::lrint(quality));
    if (qp >= 0 && qp < static_cast<int>(tr.QpHistogram.size())) ++tr.QpHistogram[qp];
    for (int j = 0; j < 32; ++j)
        text += StrFormat("%X", static_cast<int>(std::lrint(std::log2(tr.QpHistogram[j] + 1))));
}

void AppendPsnr(const TOutputStream& ost, bool final, int frames, std::string& text)
{
    const AVCodecContext* enc = ost.Enc;
    double errorSum = 0, scaleSum = 0;
    static constexpr char kPlanes[3] = {'Y', 'U', 'V'};
    text += "PSNR=";
    for (int j = 0; j < 3; ++j) {
        double error = final ? static_cast<double>(enc->error[j]) : static_cast<double>(ost.CodedError[j]);
        double scale = static_cast<double>(enc->width) * enc->height * 255.0 * 255.0;
        if (final) scale *= frames;
        if (j) scale /= 4;
        errorSum += error;
        scaleSum += scale;
        text += StrFormat("%c:%2.2f ", kPlanes[j], Psnr(error / scale));
    }
    text += StrFormat("*:%2.2f ", Psnr(errorSum / scaleSum));
}

}  // namespace

void TTranscoder::PrintReport(bool final, int fileIndex)
{
    TProgressInfo info;
    info.TaskIndex = Control.TaskIndex;
    info.FileIndex = fileIndex;
    info.TotalDuration = Opt.TotalDuration;
    info.TotalSize = OutputFileSize(*this);

    std::string text;
    double ti = 1e10;
    bool videoReported = false;
    for (const auto& p : OutputStreams) {
        const TOutputStream& ost = *p;
        const bool video = ost.Stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
        if (video && videoReported) text += StrFormat(msg::ReportQ, QualityOf(ost));
        if (video && !videoReported && ost.Active) {
            videoReported = true;
            const double elapsed = static_cast<double>(Now() - TimerStart) / 1000000.0;
            info.FrameNumber = ost.FrameNumber;
            // No video frame encoded yet: no report at all.
            if (info.FrameNumber < 1) return;
            info.FPS = elapsed <= 1.0 ? 0 : static_cast<int32_t>(info.FrameNumber / elapsed + 0.5);
            info.Quality = QualityOf(ost);
            text += StrFormat(msg::ReportFrame, info.FrameNumber, info.FPS, info.Quality);
            if (final) text += "L";
            if (Opt.QpHistogram) AppendHistogram(*this, info.Quality, text);
            if (ost.Enc && (ost.Enc->flags & AV_CODEC_FLAG_PSNR)) AppendPsnr(ost, final, info.FrameNumber, text);
        }
        const double t = ost.Mux->OutputSeconds();
        if (t > 0 && t < ti) ti = t;
    }
    if (ti < 0.01) ti = 0.01;

    const bool hasCallback = static_cast<bool>(Control.OnProgress);
    if (hasCallback || Opt.Verbose > 0 || final) {
        info.BitRate = static_cast<float>(static_cast<double>(info.TotalSize) * 8.0 / ti / 1000.0);
        text += StrFormat(msg::ReportSize, static_cast<double>(info.TotalSize) / 1024.0, ti,
                          static_cast<double>(info.BitRate));
        if (DupCount || DropCount) {
            text += StrFormat(msg::ReportDupDrop, static_cast<int>(DupCount), static_cast<int>(DropCount));
            if (DupDropChanged && Opt.Verbose >= 0 && hasCallback) {
                DupDropChanged = false;
                FFLogger().Log(&Task, llVerbose, text);
            }
        }
        info.Time = static_cast<int64_t>(ti * 1000000.0);
        if (hasCallback) Control.OnProgress(Task, info);
        else if (Opt.Verbose >= 0) FFLogger().Log(&Task, llVerbose, text);
    }

    if (final && Opt.Verbose >= 0) {
        const double sum = static_cast<double>(VideoSize + AudioSize + ExtraSize);
        // Nothing written at all: the overhead is shown as 0 instead of a
        // division by zero.
        const double overhead = sum > 0 ? (static_cast<double>(info.TotalSize) - sum) * 100.0 / sum : 0.0;
        FFLogger().LogFmt(&Task, llVerbose, msg::FinalStatistics, VideoSize / 1024.0, AudioSize / 1024.0,
                          ExtraSize / 1024.0, overhead);
    }
}

}  // namespace quorvia::transcode
