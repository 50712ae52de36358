#pragma once
// The "vhook" frame-hook registry of one task: each registered library
// (loaded with dlopen once per process and never unloaded) becomes a node
// with its own context; every decoded frame goes through the nodes in
// registration order. Release runs when the registry is cleared or destroyed.
//
// Threads: registration runs on the caller's thread while the task is idle,
// Process on the task's thread; the process-wide module table has its own lock.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/CustomFFmpeg.h"
#include "engine/VideoHookApi.h"

namespace quorvia::transcode {

// The "vhook" text split into the library name and its arguments: at "|"
// when the text contains one, else at spaces; empty words are skipped, at
// most 64 words are kept.
std::vector<std::string> SplitVideoHookArgs(const std::string& text);

class TVideoHookRegistry : public IVideoHookRegistry {
public:
    static constexpr int kMaxWords = 64;

    TVideoHookRegistry() = default;
    ~TVideoHookRegistry() override;
    TVideoHookRegistry(const TVideoHookRegistry&) = delete;
    TVideoHookRegistry& operator=(const TVideoHookRegistry&) = delete;

    // Splits the option text and registers it; true on success.
    bool Add(const std::string& args) override;

    // 0 on success; -2 no words or a missing entry point, -1 the library
    // cannot be loaded, -12 out of memory, -22 Configure refused.
    int Register(const std::vector<std::string>& words);

    // Runs every node's Process on the picture, in registration order.
    void Process(uint8_t* const data[4], const int linesize[4], int pixFmt, int width, int height, int64_t pts);

    // Calls each node's Release and empties the list.
    void Clear() override;

    bool Empty() const { return nodes_.empty(); }
    size_t Count() const { return nodes_.size(); }

private:
    struct Node {
        TVideoHookConfigure Configure = nullptr;
        TVideoHookProcess Process = nullptr;
        TVideoHookRelease Release = nullptr;
        void* Context = nullptr;
    };
    std::vector<Node> nodes_;
};

}  // namespace quorvia::transcode
