#include "profiles/CatalogueModel.h"

#include <algorithm>

namespace quorvia {
namespace {

std::string Trim(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

constexpr int kBuildEntryLimit = 30;   // entries 0..30 when built
constexpr int kExpandEntryLimit = 49;  // entries 0..49 when expanded
constexpr int kBuildMaxHeight = 362;
constexpr int kOpenMaxHeight = 386;

}  // namespace

TCatalogueModel::TCatalogueModel(std::string settingsFile) : settings_(std::move(settingsFile)) {}

void TCatalogueModel::Build()
{
    table_.Clear();
    rows_.clear();
    selected_ = -1;
    bool first = true;
    for (const auto& category : Categories()) {
        TPickerRow row;
        row.Text = category.Name;
        row.Info.IsCategory = true;
        row.Info.Code = category.Code;
        row.Info.Collapsed = ReadCategoryCollapsed(settings_, category.Code);
        if (first) row.Info.RowText = category.Name;
        first = false;
        rows_.push_back(row);
        table_.Fill(category);
        if (!row.Info.Collapsed)
            InsertEntries(RowCount() - 1, category.Code, kBuildEntryLimit, {});
    }
    current_ = ReadCurrentProfile(settings_, kDefaultFormatNameInPicker);
    selected_ = FindRow(current_.Name);
}

void TCatalogueModel::InsertEntries(int afterRow, int category, int lastIndex,
                                    const std::string& rowText)
{
    std::vector<TPickerRow> entries;
    for (int i = 0; i <= lastIndex; ++i) {
        const std::string& name = table_.Name(category, i);
        if (name.empty()) continue;
        TPickerRow row;
        row.Text = name;
        row.Info.IsEntry = true;
        row.Info.RowText = rowText;
        row.Info.Code = ProfileCode(category, i);
        entries.push_back(row);
    }
    rows_.insert(rows_.begin() + afterRow + 1, entries.begin(), entries.end());
}

int TCatalogueModel::FindRow(const std::string& text) const
{
    const std::string wanted = Trim(text);
    for (int i = 0; i < RowCount(); ++i)
        if (Trim(rows_[i].Text) == wanted) return i;
    return -1;
}

void TCatalogueModel::Select(int row)
{
    selected_ = (row >= 0 && row < RowCount()) ? row : -1;
}

std::string TCatalogueModel::Open()
{
    current_.Name = ReadFormatName(settings_, kDefaultFormatNameInPicker);
    selected_ = FindRow(current_.Name);
    return current_.Name;
}

TPressResult TCatalogueModel::MousePress(int row, int x)
{
    if (row < 0 || row >= RowCount()) return TPressResult::prNone;
    if (rows_[row].Info.IsCategory)
        return x < kToggleWidth && Toggle(row) ? TPressResult::prToggled : TPressResult::prNone;
    return Pick(row) ? TPressResult::prPicked : TPressResult::prNone;
}

bool TCatalogueModel::DoubleClick(int row)
{
    return row >= 0 && row < RowCount() && rows_[row].Info.IsCategory && Toggle(row);
}

bool TCatalogueModel::Toggle(int row)
{
    if (row < 0 || row >= RowCount() || !rows_[row].Info.IsCategory) return false;
    TItemInfo& info = rows_[row].Info;
    if (info.Collapsed) {
        info.Collapsed = false;
        // The row texts of expanded entries have always carried the first
        // category's name; nothing reads them.
        InsertEntries(row, info.Code, kExpandEntryLimit, Categories().front().Name);
    } else {
        info.Collapsed = true;
        auto first = rows_.begin() + row + 1;
        auto last = std::find_if(first, rows_.end(), [](const TPickerRow& r) { return !r.Info.IsEntry; });
        rows_.erase(first, last);
    }
    selected_ = row;
    return true;
}

bool TCatalogueModel::Pick(int row)
{
    if (row < 0 || row >= RowCount() || !rows_[row].Info.IsEntry) return false;
    const TPickerRow& r = rows_[row];
    WriteCurrentProfile(settings_, r.Text, r.Info.Code);
    current_ = {r.Text, std::to_string(r.Info.Code)};
    selected_ = row;
    return true;
}

void TCatalogueModel::StoreCategoryStates()
{
    for (const auto& row : rows_)
        if (row.Info.IsCategory) WriteCategoryCollapsed(settings_, row.Info.Code, row.Info.Collapsed);
}

int TCatalogueModel::BuildHeight() const
{
    return RowCount() * kItemHeight < 363 ? (RowCount() + 1) * kItemHeight : kBuildMaxHeight;
}

int TCatalogueModel::OpenHeight() const
{
    return std::min(RowCount() * kItemHeight + kItemHeight, kOpenMaxHeight);
}

}  // namespace quorvia
