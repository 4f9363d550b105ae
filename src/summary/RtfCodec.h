// Character decoding shared by the RTF reader and its plain-text fallback.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace RtfCodec {

inline constexpr char32_t ReplacementChar = 0xFFFD;

// Appends C as UTF-8; surrogates and values past U+10FFFF become U+FFFD.
void AppendUtf8(std::string& out, char32_t c);

// The Windows-1252 character of byte B. Its five unassigned bytes map to the C1 controls of the
// same value, as Windows does.
char32_t Cp1252ToUnicode(std::uint8_t b);

// Length of the well-formed UTF-8 sequence starting at S[Pos] (1 to 4), or 0 when the bytes there
// are not one (overlong forms, surrogates, truncated or stray continuation bytes).
std::size_t Utf8SequenceLength(std::string_view s, std::size_t pos);

// Appends S as UTF-8 text for display: well-formed sequences as they are, any other byte as its
// Latin-1 character; control characters other than TAB are dropped.
void AppendDisplayText(std::string& out, std::string_view s);

// Shortens S to at most MaxBytes without cutting a UTF-8 sequence.
void TruncateUtf8(std::string& s, std::size_t maxBytes);

} // namespace RtfCodec
