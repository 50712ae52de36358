#pragma once
// The built-in profile catalogue: 25 categories of devices and containers
// with 115 entries. A profile's code is category code x 100 + entry index;
// its settings live in section "formatInfo" + code of both INI files.
#include <array>
#include <optional>
#include <string>
#include <vector>

namespace quorvia {

// The picker's name table has room for categories 0..50 and entries 0..50;
// the program fills categories 0..24.
inline constexpr int kCatalogueSize = 51;
inline constexpr int kCategoryCount = 25;
inline constexpr int kEntryCount = 115;

struct TCategoryInfo {
    int Code;
    const char* Name;
    std::vector<const char*> Entries;  // index order
};

// The categories in list order.
const std::vector<TCategoryInfo>& Categories();

constexpr int ProfileCode(int category, int index) { return category * 100 + index; }
constexpr int CategoryOfCode(int code) { return code / 100; }
constexpr int IndexOfCode(int code) { return code % 100; }

// Name of category n ("" when there is none).
std::string CategoryName(int category);
// Entry name of a profile code ("" when there is none).
std::string EntryName(int code);
// Code of the entry whose name equals the text with blanks trimmed.
std::optional<int> CodeOfName(const std::string& name);
// Every profile code, in list order.
std::vector<int> AllProfileCodes();

// The 51 x 51 name table the picker works from; an empty name is no entry.
class TCatalogueTable {
public:
    void Clear();
    // Stores the entry names of one category of the catalogue.
    void Fill(const TCategoryInfo& category);
    // Empty for out-of-range positions.
    const std::string& Name(int category, int index) const;

private:
    std::array<std::array<std::string, kCatalogueSize>, kCatalogueSize> names_{};
};

}  // namespace quorvia
