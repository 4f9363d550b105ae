#include "Ini.h"

#include "Errors.h"
#include "StrUtils.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <sys/stat.h>

namespace {
// A section header's name, or false when the line is not a header.
bool HeaderName(std::string_view line, std::string_view& name) {
    line = TrimView(line);
    if (line.size() < 2 || line.front() != '[')
        return false;
    const size_t close = line.find(']');
    if (close == std::string_view::npos)
        return false;
    name = TrimView(line.substr(1, close - 1));
    return true;
}

// A key line's key and value (both trimmed, a value in matching single or double quotes without
// them, as profile readers give it); false for comments and other lines.
bool KeyValue(std::string_view line, std::string_view& key, std::string_view& value) {
    const std::string_view t = TrimView(line);
    if (t.empty() || t.front() == ';' || t.front() == '[')
        return false;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return false;
    key = TrimView(line.substr(0, eq));
    value = TrimView(line.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return !key.empty();
}

constexpr uint64_t IniMaxBytes = 16 << 20;

std::string OneLine(std::string_view value) {
    std::string r(value);
    for (char& c : r)
        if (c == '\r' || c == '\n')
            c = ' ';
    return r;
}
} // namespace

TIniFile::TIniFile(std::string path) : FPath(std::move(path)) {
    struct stat st;
    if (stat(FPath.c_str(), &st) != 0)
        return;
    try {
        // Settings are a few kilobytes: a FIFO, a device or a huge file in their place reads as
        // unreadable instead of stopping the start.
        FLines = SplitLines(ReadRegularFile(FPath, IniMaxBytes));
    } catch (const EFOpenError&) {
        FLines.clear(); // unreadable reads as empty, like a missing file
        FUnreadable = true;
    }
}

int TIniFile::FindSection(std::string_view section) const {
    for (size_t i = 0; i < FLines.size(); ++i) {
        std::string_view name;
        if (HeaderName(FLines[i], name) && SameText(name, section))
            return static_cast<int>(i);
    }
    return -1;
}

int TIniFile::FindKey(int sec, std::string_view key) const {
    for (size_t i = static_cast<size_t>(sec) + 1; i < FLines.size(); ++i) {
        std::string_view name, k, v;
        if (HeaderName(FLines[i], name))
            break;
        if (KeyValue(FLines[i], k, v) && SameText(k, key))
            return static_cast<int>(i);
    }
    return -1;
}

const std::string* TIniFile::FindValue(std::string_view section, std::string_view key,
                                       std::string& buf) const {
    const int sec = FindSection(section);
    if (sec < 0)
        return nullptr;
    const int line = FindKey(sec, key);
    if (line < 0)
        return nullptr;
    std::string_view k, v;
    KeyValue(FLines[static_cast<size_t>(line)], k, v);
    buf.assign(v);
    return &buf;
}

bool TIniFile::SectionExists(std::string_view section) const {
    return FindSection(section) >= 0;
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
    std::string buf;
    return FindValue(section, key, buf) != nullptr;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 const std::string& defaultValue) const {
    std::string buf;
    const std::string* v = FindValue(section, key, buf);
    return v ? *v : defaultValue;
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int defaultValue) const {
    std::string buf;
    const std::string* v = FindValue(section, key, buf);
    return v ? StrToIntDef(*v, defaultValue) : defaultValue;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
    std::string buf;
    const std::string* v = FindValue(section, key, buf);
    if (!v)
        return defaultValue;
    int n;
    if (TryStrToInt(*v, n))
        return n != 0;
    if (SameText(*v, "true"))
        return true;
    if (SameText(*v, "false"))
        return false;
    return defaultValue;
}

float TIniFile::ReadFloat(std::string_view section, std::string_view key, float defaultValue) const {
    std::string buf;
    const std::string* v = FindValue(section, key, buf);
    if (!v)
        return defaultValue;
    std::string text = *v;
    for (char& c : text)
        if (c == ',')
            c = '.';
    std::string_view t = text;
    if (!t.empty() && t.front() == '+')
        t.remove_prefix(1);
    float value = 0;
    const auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), value, std::chars_format::general);
    if (t.empty() || ec != std::errc() || ptr != t.data() + t.size() || !std::isfinite(value))
        return defaultValue;
    return value;
}

TDate TIniFile::ReadDate(std::string_view section, std::string_view key, TDate defaultValue) const {
    std::string buf;
    const std::string* v = FindValue(section, key, buf);
    TDate date;
    return v && TryParseShortDate(*v, date) ? date : defaultValue;
}

TStringList TIniFile::ReadSectionValues(std::string_view section) const {
    TStringList result;
    const int sec = FindSection(section);
    if (sec < 0)
        return result;
    std::vector<std::string_view> seen;
    for (size_t i = static_cast<size_t>(sec) + 1; i < FLines.size(); ++i) {
        std::string_view name, k, v;
        if (HeaderName(FLines[i], name))
            break;
        if (!KeyValue(FLines[i], k, v))
            continue;
        bool repeated = false;
        for (auto s : seen)
            repeated = repeated || SameText(s, k);
        if (repeated)
            continue;
        seen.push_back(k);
        result.push_back(std::string(k) + "=" + std::string(v));
    }
    return result;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    const std::string line = OneLine(key) + "=" + OneLine(value);
    const int sec = FindSection(section);
    if (sec < 0) {
        FLines.push_back("[" + OneLine(section) + "]");
        FLines.push_back(line);
        return;
    }
    const int existing = FindKey(sec, key);
    if (existing >= 0) {
        FLines[static_cast<size_t>(existing)] = line;
        return;
    }
    // After the section's last non-blank line, so blank separators stay below.
    size_t insertAt = static_cast<size_t>(sec) + 1;
    for (size_t i = insertAt; i < FLines.size(); ++i) {
        std::string_view name;
        if (HeaderName(FLines[i], name))
            break;
        if (!TrimView(FLines[i]).empty())
            insertAt = i + 1;
    }
    FLines.insert(FLines.begin() + static_cast<long>(insertAt), line);
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::WriteFloat(std::string_view section, std::string_view key, float value) {
    char buf[64];
    const auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value);
    WriteString(section, key,
                ec == std::errc() ? std::string_view(buf, static_cast<size_t>(ptr - buf)) : "0");
}

void TIniFile::WriteDate(std::string_view section, std::string_view key, TDate value) {
    WriteString(section, key, FormatShortDate(value));
}

void TIniFile::UpdateFile() {
    // Writing what little we know over a file we could not read would lose all its other keys.
    if (FUnreadable)
        throw EFOpenError::CannotOpen(FPath);
    WriteLines(FPath, FLines);
}
