#pragma once
// The rows of the profile picker without any widget: categories that expand
// and collapse, entries that can be picked, the selected row and the list's
// height. The picker widget paints Rows() and forwards presses, double
// clicks and hovering here; everything it stores goes to the program INI.
#include "app/IniFile.h"
#include "profiles/Catalogue.h"
#include "profiles/CurrentProfile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorvia {

// One row of the picker list.
struct TItemInfo {
    bool IsEntry = false;
    bool IsCategory = false;
    std::string RowText;  // kept as the rows have always carried it; not read
    bool Collapsed = false;
    int32_t Code = 0;  // category code, or profile code for an entry
};

struct TPickerRow {
    std::string Text;  // category name or entry name, as painted
    TItemInfo Info;
};

enum class TPressResult { prNone, prToggled, prPicked };

class TCatalogueModel {
public:
    static constexpr int kItemHeight = 20;
    // A press this far from the row's left edge toggles a category.
    static constexpr int kToggleWidth = 20;
    // The list's top is field top - height + offset.
    static constexpr int kBuildTopOffset = 395;
    static constexpr int kOpenTopOffset = 431;

    explicit TCatalogueModel(std::string settingsFile);

    // Empties the name table and the rows, then adds each category (collapsed
    // state from "lstformat", default collapsed) and, for expanded ones, their
    // entries 0..30. Current name from "FormatName" (picker default), current
    // code from "FormatCode"; selects the row of that name, if any.
    void Build();

    const std::vector<TPickerRow>& Rows() const { return rows_; }
    int RowCount() const { return static_cast<int>(rows_.size()); }
    const TCatalogueTable& Table() const { return table_; }

    // Row whose text equals the text with blanks trimmed; -1 when none.
    int FindRow(const std::string& text) const;
    int Selected() const { return selected_; }
    // Hovering selects; -1 or an out-of-range row clears the selection.
    void Select(int row);

    // Opening the list: reads "FormatName" (picker default), makes it the
    // current name, selects its row and returns it.
    std::string Open();

    // Mouse press at x (pixels from the row's left edge): a category row
    // toggles when x < 20; an entry row is picked.
    TPressResult MousePress(int row, int x);
    // Double click: a category row toggles wherever it is hit.
    bool DoubleClick(int row);
    // Expands a collapsed category (entries 0..49 inserted after it) or
    // collapses an expanded one (the entry rows right after it removed).
    bool Toggle(int row);
    // Makes an entry row the current profile and writes "FormatName" and
    // "FormatCode". False for anything but an entry row.
    bool Pick(int row);

    // The current profile's name and code text.
    const TCurrentProfile& Current() const { return current_; }

    // Writes every category row's state to "lstformat".
    void StoreCategoryStates();

    // Height when built: (rows + 1) x 20 while rows x 20 < 363, else 362.
    int BuildHeight() const;
    // Height when opened by a click or the drop button: rows x 20 + 20, at most 386.
    int OpenHeight() const;

private:
    void InsertEntries(int afterRow, int category, int lastIndex, const std::string& rowText);

    TIniFile settings_;
    TCatalogueTable table_;
    std::vector<TPickerRow> rows_;
    int selected_ = -1;
    TCurrentProfile current_;
};

}  // namespace quorvia
