#include "Format.h"

#include "Errors.h"

namespace {
[[noreturn]] void BadFormat(std::string_view format) {
    throw EConvertError("Format '" + std::string(format) + "' invalid or incompatible with argument");
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads a run of digits; -1 when there is none.
int ReadNumber(std::string_view f, size_t& i) {
    if (i >= f.size() || !IsDigit(f[i]))
        return -1;
    long long v = 0;
    while (i < f.size() && IsDigit(f[i])) {
        v = v * 10 + (f[i++] - '0');
        if (v > 1000000)
            v = 1000000; // keeps absurd widths bounded
    }
    return static_cast<int>(v);
}
} // namespace

std::string Format(std::string_view format, const std::vector<TFormatArg>& args) {
    std::string out;
    out.reserve(format.size() + 32);
    size_t next = 0; // the argument a plain directive takes
    size_t i = 0;
    while (i < format.size()) {
        const char c = format[i++];
        if (c != '%') {
            out += c;
            continue;
        }
        if (i < format.size() && format[i] == '%') {
            out += '%';
            ++i;
            continue;
        }
        // % [index ":"] ["-"] [width] ["." precision] type
        size_t j = i;
        int number = ReadNumber(format, j);
        if (number >= 0 && j < format.size() && format[j] == ':') {
            next = static_cast<size_t>(number);
            i = j + 1;
        }
        bool left = false;
        if (i < format.size() && format[i] == '-') {
            left = true;
            ++i;
        }
        const int width = ReadNumber(format, i);
        int precision = -1;
        if (i < format.size() && format[i] == '.') {
            ++i;
            precision = ReadNumber(format, i);
            if (precision < 0)
                precision = 0;
        }
        if (i >= format.size())
            BadFormat(format);
        const char type = format[i++];
        if (next >= args.size())
            BadFormat(format);
        const TFormatArg& arg = args[next++];
        std::string piece;
        if (type == 's' || type == 'S') {
            if (!arg.IsText)
                BadFormat(format);
            piece = arg.Text;
            if (precision >= 0 && static_cast<size_t>(precision) < piece.size())
                piece.resize(static_cast<size_t>(precision));
        } else if (type == 'd' || type == 'D') {
            if (arg.IsText)
                BadFormat(format);
            const bool negative = arg.Number < 0;
            // Through unsigned so that the smallest value negates safely.
            unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(arg.Number)
                                                    : static_cast<unsigned long long>(arg.Number);
            std::string digits = std::to_string(magnitude);
            if (precision > 0 && digits.size() < static_cast<size_t>(precision))
                digits.insert(0, static_cast<size_t>(precision) - digits.size(), '0');
            piece = negative ? "-" + digits : digits;
        } else {
            BadFormat(format);
        }
        if (width > 0 && piece.size() < static_cast<size_t>(width)) {
            const std::string pad(static_cast<size_t>(width) - piece.size(), ' ');
            if (left)
                piece += pad;
            else
                piece.insert(0, pad);
        }
        out += piece;
    }
    return out;
}
