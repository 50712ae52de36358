#include "effects/RowBands.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace quorvia {

namespace {

// Below this a band is not worth a thread.
constexpr int kMinRowsPerBand = 120;
constexpr int kMaxBands = 4;

}  // namespace

void ForRowBands(int height, const std::function<void(int first, int last)>& fn)
{
    if (height <= 0) return;
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int bands = std::clamp(std::min(cores, height / kMinRowsPerBand), 1, kMaxBands);
    if (bands == 1) {
        fn(0, height);
        return;
    }
    std::vector<std::thread> helpers;
    helpers.reserve(static_cast<size_t>(bands - 1));
    const int rows = height / bands;
    for (int b = 1; b < bands; ++b) {
        const int first = b * rows;
        const int last = b + 1 == bands ? height : first + rows;
        helpers.emplace_back(fn, first, last);
    }
    fn(0, rows);
    for (std::thread& t : helpers) t.join();
}

}  // namespace quorvia
