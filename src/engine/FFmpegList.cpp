#include "engine/FFmpegList.h"

#include <mutex>
#include <stdexcept>
#include <utility>

#include "engine/ComponentMessages.h"
#include "engine/TextFormat.h"

namespace quorvia {

namespace {
bool ValidSlot(int slot) { return slot >= 0 && slot < MaxFiles; }

[[noreturn]] void RaiseIndexError(int index) { throw std::out_of_range(StrFormat(msg::ListIndexError, index)); }
}  // namespace

// ---- TFFmpeg ----

// The worker may still be running Cleanup (virtual, reaching the probers):
// stop and join before the slots go.
TFFmpeg::~TFFmpeg() { Shutdown(); }

TAVProbe* TFFmpeg::Probe(int input) const { return ValidSlot(input) ? Probes[input].get() : nullptr; }

TAVProbe& TFFmpeg::ProbeFor(int input)
{
    if (!ValidSlot(input)) RaiseIndexError(input);
    if (!Probes[input]) Probes[input] = std::make_unique<TAVProbe>();
    return *Probes[input];
}

TInputOptions& TFFmpeg::InputRecord(int slot)
{
    if (!ValidSlot(slot)) RaiseIndexError(slot);
    if (!InputRecords[slot]) InputRecords[slot] = std::make_unique<TInputOptions>();
    return *InputRecords[slot];
}

TOutputOptions& TFFmpeg::OutputRecord(int slot)
{
    if (!ValidSlot(slot)) RaiseIndexError(slot);
    if (!OutputRecords[slot]) OutputRecords[slot] = std::make_unique<TOutputOptions>();
    return *OutputRecords[slot];
}

bool TFFmpeg::HasOutputRecord(int slot) const { return ValidSlot(slot) && OutputRecords[slot]; }

void TFFmpeg::Cleanup()
{
    // An attached prober would keep pointing at the closed input.
    for (auto& probe : Probes) {
        if (probe) probe->Close();
    }
    TCustomFFmpeg::Cleanup();
}

// ---- TFFmpegList ----

int TFFmpegList::Add(TTaskPtr task)
{
    Items.push_back(std::move(task));
    return Count() - 1;
}

std::vector<TFFmpegList::TTaskPtr> TFFmpegList::TakeAll() { return std::exchange(Items, {}); }

void TFFmpegList::Clear() { TakeAll(); }

TFFmpegList::TTaskPtr TFFmpegList::Take(int index)
{
    if (index < 0 || index >= Count()) RaiseIndexError(index);
    TTaskPtr task = std::move(Items[index]);
    Items.erase(Items.begin() + index);
    return task;
}

void TFFmpegList::Delete(int index) { Take(index); }

TFFmpeg& TFFmpegList::Item(int index) const
{
    if (index < 0 || index >= Count()) RaiseIndexError(index);
    return *Items[index];
}

TFFmpegList::TTaskPtr TFFmpegList::Shared(int index) const
{
    if (index < 0 || index >= Count()) RaiseIndexError(index);
    return Items[index];
}

int TFFmpegList::IndexOf(const TCustomFFmpeg& task) const
{
    for (int i = 0; i < Count(); ++i) {
        if (Items[i].get() == &task) return i;
    }
    return -1;
}

void TFFmpegList::PauseAll()
{
    for (auto& t : Items) t->Pause();
}

void TFFmpegList::ResumeAll()
{
    for (auto& t : Items) t->Resume();
}

void TFFmpegList::StopAll(bool wait)
{
    for (auto& t : Items) t->StopOrTerminate(wait);
}

void TFFmpegList::SetPreviewAll(bool on)
{
    for (auto& t : Items) SetPreviewFlag(*t, pfPreviewer, on);
}

void TFFmpegList::SetPreviewBitmapAll(bool on)
{
    for (auto& t : Items) SetPreviewFlag(*t, pfPreviewEvent, on);
}

void SetPreviewFlag(TCustomFFmpeg& task, int bit, bool on)
{
    TRunControl& c = task.Control();
    std::lock_guard<std::mutex> lock(c.PreviewLock);
    if (on) c.PreviewFlags |= bit;
    else c.PreviewFlags &= ~bit;
}

}  // namespace quorvia
