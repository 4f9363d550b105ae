#pragma once
// The message formatter: "%s" text, "%d" integer, "%n:s" / "%n:d" with a
// zero-based argument index (later plain directives continue after it),
// "%%" a percent sign. Optional "-", width and ".precision" between "%" and
// the type are accepted. A directive without an argument left, an argument
// of the wrong kind or an unknown directive raises EConvertError. Unused
// arguments are ignored. Data-file text never reaches printf.

#include <concepts>
#include <string>
#include <string_view>
#include <vector>

class TFormatArg {
public:
    TFormatArg(std::string s) : IsText(true), Text(std::move(s)) {}
    TFormatArg(std::string_view s) : IsText(true), Text(s) {}
    TFormatArg(const char* s) : IsText(true), Text(s ? s : "") {}
    template <std::integral T>
    requires(!std::same_as<T, bool> && !std::same_as<T, char>) TFormatArg(T v)
        : IsText(false), Number(static_cast<long long>(v)) {}

    bool IsText;
    std::string Text;
    long long Number = 0;
};

std::string Format(std::string_view format, const std::vector<TFormatArg>& args);
