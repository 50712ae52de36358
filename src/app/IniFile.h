#pragma once
// INI store with the semantics the program's settings rely on: section and key
// names compare without regard to case, values are kept verbatim, a missing
// file or key gives the caller's default and a non-number gives the integer
// default. There is no settings object in memory: each read opens, reads and
// closes the file; each write rewrites it at once, atomically (temp + rename),
// so a crash never leaves a half-written file.
#include <string>
#include <vector>

namespace quorvia {

class TIniFile {
public:
    explicit TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

    const std::string& FileName() const { return fileName_; }

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def) const;
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;

    // False when the file could not be written (the store itself never reports).
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    bool WriteInteger(const std::string& section, const std::string& key, int value);
    bool WriteBool(const std::string& section, const std::string& key, bool value);

    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    // Key names of a section, in file order.
    std::vector<std::string> ReadSection(const std::string& section) const;

private:
    std::string fileName_;
};

}  // namespace quorvia
