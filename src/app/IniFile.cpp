#include "app/IniFile.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <sstream>
#include <strings.h>
#include <unistd.h>

namespace quorvia {
namespace {

// Writers in one process are serialised so concurrent read-modify-write
// cycles do not lose each other's keys.
std::mutex& WriteLock()
{
    static std::mutex m;
    return m;
}

bool EqualNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

std::string Trim(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

std::vector<std::string> ReadLines(const std::string& fileName)
{
    std::vector<std::string> lines;
    std::ifstream in(fileName, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// Section name of a "[name]" line, or false.
bool SectionOf(const std::string& line, std::string& name)
{
    const std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
    name = t.substr(1, t.size() - 2);
    return true;
}

// Key and value of a "key=value" line; the value is kept as it stands.
bool EntryOf(const std::string& line, std::string& key, std::string& value)
{
    const auto eq = line.find('=');
    if (eq == std::string::npos) return false;
    key = Trim(line.substr(0, eq));
    if (key.empty() || key[0] == ';') return false;
    value = line.substr(eq + 1);
    return true;
}

bool Lookup(const std::vector<std::string>& lines, const std::string& section,
            const std::string& key, std::string& value)
{
    bool inSection = false;
    for (const auto& line : lines) {
        std::string name, k, v;
        if (SectionOf(line, name)) {
            inSection = EqualNoCase(name, section);
            continue;
        }
        if (inSection && EntryOf(line, k, v) && EqualNoCase(k, key)) {
            value = v;
            return true;
        }
    }
    return false;
}

bool WriteAtomically(const std::string& fileName, const std::vector<std::string>& lines)
{
    std::string text;
    for (const auto& l : lines) {
        text += l;
        text += '\n';
    }
    const std::string tmp = fileName + ".tmp" + std::to_string(getpid());
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            ::unlink(tmp.c_str());
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    if (std::rename(tmp.c_str(), fileName.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

}  // namespace

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const
{
    std::string value;
    return Lookup(ReadLines(fileName_), section, key, value) ? value : def;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const
{
    std::string text = Trim(ReadString(section, key, {}));
    if (text.empty()) return def;
    int base = 10;
    bool negative = false;
    size_t pos = 0;
    if (text[pos] == '-' || text[pos] == '+') negative = text[pos++] == '-';
    if (text.size() > pos + 2 && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        base = 16;
        pos += 2;
    } else if (text.size() > pos + 1 && text[pos] == '$') {
        base = 16;
        pos += 1;
    }
    long long v = 0;
    const char* first = text.data() + pos;
    const char* last = text.data() + text.size();
    // from_chars takes its own '-': a second sign ("--5", "0x-5") is no number.
    if (first != last && *first == '-') return def;
    auto [end, ec] = std::from_chars(first, last, v, base);
    if (ec != std::errc() || end != last || first == last) return def;
    if (negative) v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return def;
    return static_cast<int>(v);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value)
{
    // A line break (legal in Linux folder names) or a "=" in a key would
    // inject keys and sections into the file: refuse such writes.
    if (section.find_first_of("]\r\n") != std::string::npos || key.empty() ||
        key.find_first_of("=\r\n") != std::string::npos ||
        value.find_first_of("\r\n") != std::string::npos)
        return false;
    std::lock_guard lock(WriteLock());
    std::vector<std::string> lines = ReadLines(fileName_);
    bool inSection = false;
    long sectionEnd = -1;  // index after the last entry of the section
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name, k, v;
        if (SectionOf(lines[i], name)) {
            if (inSection) break;
            inSection = EqualNoCase(name, section);
            if (inSection) sectionEnd = static_cast<long>(i) + 1;
            continue;
        }
        if (!inSection) continue;
        if (EntryOf(lines[i], k, v) && EqualNoCase(k, key)) {
            lines[i] = k + "=" + value;
            return WriteAtomically(fileName_, lines);
        }
        if (!Trim(lines[i]).empty()) sectionEnd = static_cast<long>(i) + 1;
    }
    if (sectionEnd < 0) {
        if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
        lines.push_back("[" + section + "]");
        lines.push_back(key + "=" + value);
    } else {
        lines.insert(lines.begin() + sectionEnd, key + "=" + value);
    }
    return WriteAtomically(fileName_, lines);
}

bool TIniFile::WriteInteger(const std::string& section, const std::string& key, int value)
{
    return WriteString(section, key, std::to_string(value));
}

bool TIniFile::WriteBool(const std::string& section, const std::string& key, bool value)
{
    return WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::SectionExists(const std::string& section) const
{
    for (const auto& line : ReadLines(fileName_)) {
        std::string name;
        if (SectionOf(line, name) && EqualNoCase(name, section)) return true;
    }
    return false;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const
{
    std::string value;
    return Lookup(ReadLines(fileName_), section, key, value);
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const
{
    std::vector<std::string> keys;
    bool inSection = false;
    for (const auto& line : ReadLines(fileName_)) {
        std::string name, k, v;
        if (SectionOf(line, name)) {
            inSection = EqualNoCase(name, section);
            continue;
        }
        if (inSection && EntryOf(line, k, v)) keys.push_back(k);
    }
    return keys;
}

}  // namespace quorvia
