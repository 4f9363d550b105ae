#pragma once
// Text is UTF-8; bytes that are not are shown as Latin-1 so that no file
// makes the program fail. Stored data stay raw bytes.

#include <string>
#include <string_view>

bool IsValidUtf8(std::string_view bytes);
// The bytes unchanged when they are valid UTF-8, else read as Latin-1 and
// converted to UTF-8.
std::string ToDisplayUtf8(std::string_view bytes);
