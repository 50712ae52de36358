#include "jobs/JobList.h"

#include <filesystem>
#include <stdexcept>

#include "jobs/Messages.h"

namespace quorvia {

namespace {
struct TColumnInfo {
    const char* Caption;
    int Width;
};
constexpr TColumnInfo kColumns[kJobColumnCount] = {
    {jobs::msg::ColumnSource, 140},
    {jobs::msg::ColumnLength, 65},
    {jobs::msg::ColumnTrimmedLength, 90},
    {jobs::msg::ColumnDestinationFile, 120},
    {jobs::msg::ColumnProgress, 60},
};
}  // namespace

const char* JobColumnCaption(TJobColumn column) { return kColumns[column].Caption; }
int JobColumnWidth(TJobColumn column) { return kColumns[column].Width; }

const TJobRow& TJobList::Row(int index) const
{
    if (index < 0 || index >= Count()) throw std::out_of_range("job list index " + std::to_string(index));
    return rows_[static_cast<size_t>(index)];
}

TJobRow& TJobList::RowAt(int index) { return const_cast<TJobRow&>(Row(index)); }

std::string TJobList::Text(int index, TJobColumn column) const
{
    const TJobRow& row = Row(index);
    switch (column) {
    case jcSource: return row.Caption;
    case jcLength: return row.Length;
    case jcTrimmedLength: return row.TrimmedLength;
    case jcDestinationFile: return row.DestinationFile;
    case jcProgress: return row.Progress;
    }
    return {};
}

void TJobList::Notify(TJobListChange::TKind kind, int first, int last)
{
    if (observer_) observer_(TJobListChange{kind, first, last});
}

int TJobList::Append(std::unique_ptr<TlvFilesRecord> record, const std::string& lengthText)
{
    if (!record) throw std::invalid_argument("job list row without a record");
    TJobRow row;
    row.Caption = record->SourceFile;
    row.Length = lengthText;
    row.TrimmedLength = lengthText;
    row.DestinationFile = std::filesystem::path(record->DestFile).filename().string();
    row.Record = std::move(record);
    const int index = Count();
    Notify(TJobListChange::ckAboutToInsert, index, index);
    rows_.push_back(std::move(row));
    Notify(TJobListChange::ckInserted, index, index);
    return index;
}

int TJobList::IndexOfCaption(const std::string& caption) const
{
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].Caption == caption) return static_cast<int>(i);
    return -1;
}

TlvFilesRecord& TJobList::Record(int index) { return *RowAt(index).Record; }
const TlvFilesRecord& TJobList::Record(int index) const { return *Row(index).Record; }

TlvFilesRecord* TJobList::SelectedRecord()
{
    return selected_ >= 0 ? rows_[static_cast<size_t>(selected_)].Record.get() : nullptr;
}

void TJobList::Select(int index)
{
    if (index < -1 || index >= Count() || index == selected_) return;
    selected_ = index;
    Notify(TJobListChange::ckSelection, index, index);
}

void TJobList::SetFocused(int index)
{
    if (index < -1 || index >= Count() || index == focused_) return;
    focused_ = index;
    Notify(TJobListChange::ckSelection, index, index);
}

bool TJobList::RemoveSelected()
{
    if (selected_ < 0) return false;
    const int removed = selected_;
    Notify(TJobListChange::ckAboutToRemove, removed, removed);
    rows_.erase(rows_.begin() + removed);
    // The selection and the focus mark move to the row that took the place
    // (or the new last row) before anyone hears of the removal.
    const int next = removed < Count() ? removed : Count() - 1;
    selected_ = next;
    if (focused_ == removed) focused_ = next;
    else if (focused_ > removed) --focused_;
    Notify(TJobListChange::ckRemoved, removed, removed);
    Notify(TJobListChange::ckSelection, selected_, selected_);
    return true;
}

bool TJobList::Clear()
{
    if (rows_.empty()) return false;
    Notify(TJobListChange::ckAboutToReset);
    rows_.clear();
    selected_ = -1;
    focused_ = -1;
    Notify(TJobListChange::ckReset);
    return true;
}

void TJobList::SetChecked(int index, bool checked)
{
    TJobRow& row = RowAt(index);
    if (row.Checked == checked) return;
    row.Checked = checked;
    Notify(TJobListChange::ckDataChanged, index, index);
}

void TJobList::SetAllChecked(const std::function<bool(bool)>& next)
{
    if (rows_.empty()) return;
    for (auto& row : rows_) row.Checked = next(row.Checked);
    Notify(TJobListChange::ckDataChanged, 0, Count() - 1);
}

void TJobList::CheckAll() { SetAllChecked([](bool) { return true; }); }
void TJobList::UncheckAll() { SetAllChecked([](bool) { return false; }); }
void TJobList::ReverseCheck() { SetAllChecked([](bool c) { return !c; }); }

void TJobList::CheckSelected()
{
    if (selected_ >= 0) SetChecked(selected_, true);
}

void TJobList::UncheckSelected()
{
    if (selected_ >= 0) SetChecked(selected_, false);
}

int TJobList::CheckedCount() const
{
    int n = 0;
    for (const auto& row : rows_) n += row.Checked ? 1 : 0;
    return n;
}

std::vector<int> TJobList::CheckedRows() const
{
    std::vector<int> out;
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].Checked) out.push_back(static_cast<int>(i));
    return out;
}

void TJobList::SetProgress(int index, const std::string& text)
{
    TJobRow& row = RowAt(index);
    if (row.Progress == text) return;
    row.Progress = text;
    Notify(TJobListChange::ckDataChanged, index, index);
}

void TJobList::SetTrimmedLength(int index, const std::string& text)
{
    TJobRow& row = RowAt(index);
    if (row.TrimmedLength == text) return;
    row.TrimmedLength = text;
    Notify(TJobListChange::ckDataChanged, index, index);
}

}  // namespace quorvia
