#pragma once
// Delimited record lines and their multi-line fields.

#include <span>
#include <string>
#include <string_view>

// Splits `line` into fields[0..last] at any character of `delimiters`.
// Pieces after fields[last] are dropped (the last field is not extended to
// the end of the line); fields that receive nothing keep their value.
// Returns the number of fields assigned. `last` is clamped to the span.
int SplitFields(std::string_view line, std::span<std::string> fields, int last,
                std::string_view delimiters = "#");
// The same into views of `line` (no allocation); used by the loaders.
int SplitFieldViews(std::string_view line, std::span<std::string_view> fields, int last,
                    std::string_view delimiters = "#");

// values[0] + delimiter + ... + values[last]; no escaping.
std::string JoinFields(std::span<const std::string> values, int last, std::string_view delimiter = "#");

// LF becomes "|", CR is removed.
std::string LinesToField(std::string_view text);
// Every "|" becomes LF.
std::string FieldToLines(std::string_view field);
