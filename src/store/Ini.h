#pragma once
// INI files: sections and keys match without regard to letter case (A..Z);
// the first occurrence of a section or key counts. Writing a key keeps every
// other line of the file as it was, byte for byte.
//
// Our own small reader rather than a library: we must keep lines that are
// not key=value pairs exactly as they stand, write CR LF, write atomically
// and never fail on malformed input; a general INI library rewrites the file
// from its own model.

#include "Dates.h"
#include "TextFiles.h"

#include <string>
#include <string_view>

class TIniFile {
public:
    // Loads the file; a missing or unreadable file reads as empty.
    explicit TIniFile(std::string path);

    const std::string& FileName() const { return FPath; }

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;

    std::string ReadString(std::string_view section, std::string_view key,
                           const std::string& defaultValue) const;
    // Unreadable numbers, booleans and dates give the default.
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
    // "1"/"0" (any integer, non-zero = true) and "true"/"false".
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
    // Accepts "." or "," as the decimal point.
    float ReadFloat(std::string_view section, std::string_view key, float defaultValue) const;
    // The short-date form (Dates.h).
    TDate ReadDate(std::string_view section, std::string_view key, TDate defaultValue) const;
    // The section's keys as "name=value" lines, in file order, each key once.
    TStringList ReadSectionValues(std::string_view section) const;

    // Changes stay in memory until UpdateFile(). Line breaks in a value are
    // replaced by spaces so that a value can never add lines to the file.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteBool(std::string_view section, std::string_view key, bool value);   // "1" / "0"
    void WriteFloat(std::string_view section, std::string_view key, float value); // '.' decimal point
    void WriteDate(std::string_view section, std::string_view key, TDate value);
    // Writes the file atomically (throws on failure, the old file stays).
    void UpdateFile();

private:
    // Index of the section header line, or -1.
    int FindSection(std::string_view section) const;
    // Index of the key line inside the section starting at header `sec`, or -1.
    int FindKey(int sec, std::string_view key) const;
    const std::string* FindValue(std::string_view section, std::string_view key, std::string& buf) const;

    std::string FPath;
    TStringList FLines;
    bool FUnreadable = false; // the file exists but could not be read
};
