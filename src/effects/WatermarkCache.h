#pragma once
// Watermark pictures read once and kept while their file stays the same.
// Every Get looks at the file again (existence, size, modification time), so
// a file replaced during a run shows from the next frame on and a deleted one
// fails the next frame, as reading the file for every frame would; only the
// decoding is saved.
//
// Threads: any thread; the table is guarded by the cache's own lock. The
// pictures handed out are never changed afterwards.
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace quorvia {

class BgrPicture;

class TWatermarkCache {
public:
    // The picture of the file made 24-bit; throws TEffectsError when the
    // file is missing or not a readable bitmap.
    std::shared_ptr<const BgrPicture> Get(const std::string& path);

    void Clear();

private:
    struct TEntry {
        std::filesystem::file_time_type modified;
        uintmax_t size = 0;
        std::shared_ptr<const BgrPicture> picture;
    };
    std::mutex lock_;
    std::map<std::string, TEntry> entries_;  // guarded by lock_
};

}  // namespace quorvia
