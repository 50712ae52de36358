#include "effects/WatermarkCache.h"

#include "app/BgrPicture.h"
#include "effects/BmpReader.h"
#include "effects/EffectsError.h"
#include "effects/Messages.h"

namespace quorvia {

namespace {
// A run uses one or two pictures; a long-lived cache (the watermark window)
// must not collect every file ever tried.
constexpr size_t kMaxEntries = 8;
}  // namespace

std::shared_ptr<const BgrPicture> TWatermarkCache::Get(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path file(path);
    const auto modified = std::filesystem::last_write_time(file, ec);
    const uintmax_t size = ec ? 0 : std::filesystem::file_size(file, ec);
    if (ec) {
        std::lock_guard<std::mutex> guard(lock_);
        entries_.erase(path);
        throw TEffectsError(msg::WatermarkOpenFail + path);
    }

    {
        std::lock_guard<std::mutex> guard(lock_);
        const auto it = entries_.find(path);
        if (it != entries_.end() && it->second.modified == modified && it->second.size == size)
            return it->second.picture;
    }

    // Decoded outside the lock: another thread may do the same file at once,
    // which costs a second read but never a wrong picture.
    auto picture = std::make_shared<BgrPicture>();
    ReadBmpFile(path, *picture);

    std::lock_guard<std::mutex> guard(lock_);
    if (entries_.size() >= kMaxEntries && entries_.find(path) == entries_.end()) entries_.clear();
    entries_[path] = TEntry{modified, size, picture};
    return picture;
}

void TWatermarkCache::Clear()
{
    std::lock_guard<std::mutex> guard(lock_);
    entries_.clear();
}

}  // namespace quorvia
