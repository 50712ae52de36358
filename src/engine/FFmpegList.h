#pragma once
// TFFmpeg: a task of the engine component, with per file slot a prober (input
// slots, made on first request) and a copy of the option record the window
// gave (input and output slots, made on first use, released with the task).
// TFFmpegList: the component's ordered list of owned tasks, with the fan-out
// operations over all of them.
//
// Ownership: the list owns its tasks; a copy of the list (a snapshot) shares
// them, so an operation that waits for tasks (stop with wait) keeps them
// alive even when the list is cleared meanwhile, e.g. by the handler of the
// final terminate event. The last owner to let go frees the task, which
// stops it and joins its threads.
//
// Threads: the component guards the list itself (its terminate lock).
#include <array>
#include <memory>
#include <vector>

#include "engine/CustomFFmpeg.h"
#include "engine/OptionRecords.h"
#include "probe/AVProbe.h"

namespace quorvia {

class TFFmpeg : public TCustomFFmpeg {
public:
    TFFmpeg() = default;
    ~TFFmpeg() override;

    // The prober of an input slot; nullptr when the slot has none (or is
    // outside 0..MaxFiles-1).
    TAVProbe* Probe(int input) const;
    // The prober of an input slot, made on first request.
    TAVProbe& ProbeFor(int input);

    // Copies of the records, made on first use.
    TInputOptions& InputRecord(int slot);
    TOutputOptions& OutputRecord(int slot);
    bool HasOutputRecord(int slot) const;

    // Detaches the probers from the inputs before they are closed.
    void Cleanup() override;

private:
    std::array<std::unique_ptr<TAVProbe>, MaxFiles> Probes;
    std::array<std::unique_ptr<TInputOptions>, MaxFiles> InputRecords;
    std::array<std::unique_ptr<TOutputOptions>, MaxFiles> OutputRecords;
};

class TFFmpegList {
public:
    using TTaskPtr = std::shared_ptr<TFFmpeg>;

    // Appends; returns the new index.
    int Add(TTaskPtr task);
    // Removes every task and hands them over (the caller lets go of them
    // outside any lock: freeing a task waits for its threads).
    std::vector<TTaskPtr> TakeAll();
    void Clear();
    // Removes the task at index and hands it over. Throws std::out_of_range
    // "List index out of bounds (%d)".
    TTaskPtr Take(int index);
    void Delete(int index);
    TFFmpeg& Item(int index) const;
    TTaskPtr Shared(int index) const;  // the same task, shared
    int IndexOf(const TCustomFFmpeg& task) const;  // -1 when not in the list
    int Count() const { return static_cast<int>(Items.size()); }

    void PauseAll();
    void ResumeAll();
    // StopOrTerminate on every task, in list order.
    void StopAll(bool wait);
    void SetPreviewAll(bool on);
    void SetPreviewBitmapAll(bool on);

private:
    std::vector<TTaskPtr> Items;
};

// Sets or clears a preview flag bit of a task under its preview lock.
void SetPreviewFlag(TCustomFFmpeg& task, int bit, bool on);

}  // namespace quorvia
