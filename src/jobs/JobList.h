#pragma once
// The job list: one row per source file, each row owning its job record.
// Plain C++ so that the desktop program's list view and quorvia-batch share
// it; a view sits on top through the change callback.
//
// Captions are unique and compared exactly (case-sensitive): on Linux two
// paths that differ only in case are two files.
//
// Threads: the list belongs to the user-interface thread. Records are held
// by pointer, so a record's address stays valid while its row lives (the
// editing windows keep a reference to the selected row's record).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "jobs/JobRecord.h"

namespace quorvia {

enum TJobColumn { jcSource, jcLength, jcTrimmedLength, jcDestinationFile, jcProgress };
inline constexpr int kJobColumnCount = 5;

// Caption and width in pixels of a column.
const char* JobColumnCaption(TJobColumn column);
int JobColumnWidth(TJobColumn column);

struct TJobRow {
    std::string Caption;          // full path of the source
    std::string Length;           // whole seconds as text
    std::string TrimmedLength;    // whole seconds as text
    std::string DestinationFile;  // file name of the proposed output, no folder
    std::string Progress;         // "" or percent + "%"
    bool Checked = true;
    std::unique_ptr<TlvFilesRecord> Record;
};

// What changed. About-to kinds come before the change (a Qt model's
// begin... calls), the others after it. First..Last are row positions
// (inclusive); -1 where no row is meant.
struct TJobListChange {
    enum TKind {
        ckAboutToInsert,
        ckInserted,
        ckAboutToRemove,
        ckRemoved,
        ckAboutToReset,
        ckReset,
        ckDataChanged,   // texts or check marks of First..Last
        ckSelection,     // selection or focus moved
    } Kind;
    int First = -1;
    int Last = -1;
};
using TJobListObserver = std::function<void(const TJobListChange& change)>;

class TJobList {
public:
    TJobList() = default;
    TJobList(const TJobList&) = delete;
    TJobList& operator=(const TJobList&) = delete;

    void SetObserver(TJobListObserver observer) { observer_ = std::move(observer); }

    int Count() const { return static_cast<int>(rows_.size()); }
    bool Empty() const { return rows_.empty(); }
    // Rows by position; positions outside the list throw std::out_of_range.
    const TJobRow& Row(int index) const;
    std::string Text(int index, TJobColumn column) const;

    // Appends a checked row for the record: caption = SourceFile, both
    // lengths = lengthText, destination = file name of DestFile, progress
    // empty. Returns its position.
    int Append(std::unique_ptr<TlvFilesRecord> record, const std::string& lengthText);

    // Position of the row with exactly this caption, -1 when none.
    int IndexOfCaption(const std::string& caption) const;
    bool ContainsCaption(const std::string& caption) const { return IndexOfCaption(caption) >= 0; }

    // Records.
    TlvFilesRecord& Record(int index);
    const TlvFilesRecord& Record(int index) const;
    // The selected row's record; nullptr when no row is selected.
    TlvFilesRecord* SelectedRecord();

    // Selection (one row or none) and the focus mark.
    int SelectedIndex() const { return selected_; }
    int FocusedIndex() const { return focused_; }
    // -1 clears; positions outside the list are ignored.
    void Select(int index);
    void SetFocused(int index);

    // Removes the selected row with its record; the row that took its place
    // is selected, or the new last row when the last one was removed. False
    // (nothing changes) when no row is selected.
    bool RemoveSelected();
    // Removes every row; false when the list was empty already.
    bool Clear();

    // Check marks.
    bool Checked(int index) const { return Row(index).Checked; }
    void SetChecked(int index, bool checked);
    void CheckAll();
    void UncheckAll();
    void ReverseCheck();
    // The selected row; nothing without a selection.
    void CheckSelected();
    void UncheckSelected();
    int CheckedCount() const;
    // Positions of the checked rows in list order.
    std::vector<int> CheckedRows() const;

    // Cell texts the other parts change.
    void SetProgress(int index, const std::string& text);
    void SetTrimmedLength(int index, const std::string& text);

private:
    TJobRow& RowAt(int index);
    void Notify(TJobListChange::TKind kind, int first = -1, int last = -1);
    void SetAllChecked(const std::function<bool(bool)>& next);

    std::vector<TJobRow> rows_;
    int selected_ = -1;
    int focused_ = -1;
    TJobListObserver observer_;
};

}  // namespace quorvia
