#pragma once
// Small string helpers. Letter case is folded for A..Z only, so that raw
// bytes of any encoding pass through unchanged.

#include <string>
#include <string_view>

std::string LowerCase(std::string_view s);
std::string UpperCase(std::string_view s);
// Case-insensitive (A..Z) comparison: <0, 0, >0.
int CompareText(std::string_view a, std::string_view b);
inline bool SameText(std::string_view a, std::string_view b) {
    return CompareText(a, b) == 0;
}
// Removes spaces, tabs and control characters at both ends.
std::string_view TrimView(std::string_view s);
std::string Trim(std::string_view s);
// Optional sign and decimal digits, blanks around allowed, nothing else;
// false when unreadable or out of the 32-bit range.
// Leading zeros are no digits of range: "0000000005" is 5.
bool TryStrToInt(std::string_view s, int& value);
int StrToIntDef(std::string_view s, int defaultValue);
// As TryStrToInt; EConvertError "'<s>' is not a valid integer value" otherwise.
int StrToInt(std::string_view s);
