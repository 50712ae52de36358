#pragma once
// Helpers of the option vocabulary tests.
#include <functional>
#include <string>

#include "engine/CustomFFmpeg.h"
#include "engine/FFmpegException.h"

namespace quorvia::test {

// The FFmpegException text of an action, or "(no failure)".
inline std::string FailureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const FFmpegException& e) {
        return e.what();
    }
    return "(no failure)";
}

// A task that pretends to have input and output files.
class TFakeFilesTask : public TCustomFFmpeg {
public:
    int Inputs = 0;
    int Outputs = 0;
    int NewVideo = 0, NewAudio = 0, NewSubtitle = 0;
    int InputFileCount() const override { return Inputs; }
    int OutputFileCount() const override { return Outputs; }

protected:
    void NewVideoStream() override { TCustomFFmpeg::NewVideoStream(); ++NewVideo; }
    void NewAudioStream() override { TCustomFFmpeg::NewAudioStream(); ++NewAudio; }
    void NewSubtitleStream() override { TCustomFFmpeg::NewSubtitleStream(); ++NewSubtitle; }
};

}  // namespace quorvia::test
