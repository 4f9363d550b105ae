#include "Dates.h"

#include "Errors.h"

#include <ctime>
#include <vector>

namespace {
// Days from 1970-01-01 to the civil date (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& year, int& month, int& day) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

// 1899-12-30 counted from 1970-01-01.
constexpr long long ZeroDateOffset = -25569;

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

TDate SystemToday() {
    return LocalDateOf(std::time(nullptr));
}

std::function<TDate()>& Clock() {
    static std::function<TDate()> clock;
    return clock;
}

// The pattern in pieces: a token ('d', 'M', 'y' with its width) or literal text.
struct TPatternPiece {
    char Token = 0; // 0 = literal
    int Width = 0;
    std::string Literal;
};

std::string& Pattern() {
    static std::string pattern = "dd/MM/yyyy";
    return pattern;
}

std::vector<TPatternPiece> ParsePattern(const std::string& pattern) {
    std::vector<TPatternPiece> pieces;
    auto literal = [&](char c) {
        if (pieces.empty() || pieces.back().Token != 0)
            pieces.push_back({});
        pieces.back().Literal += c;
    };
    for (size_t i = 0; i < pattern.size();) {
        const char c = pattern[i];
        if (c == 'd' || c == 'M' || c == 'y') {
            size_t j = i;
            while (j < pattern.size() && pattern[j] == c)
                ++j;
            pieces.push_back({c, static_cast<int>(j - i), {}});
            i = j;
        } else if (c == '\'') {
            size_t j = i + 1;
            while (j < pattern.size() && pattern[j] != '\'')
                literal(pattern[j++]);
            i = j + 1;
        } else {
            literal(c);
            ++i;
        }
    }
    return pieces;
}

std::string Padded(int value, int width) {
    std::string s = std::to_string(value);
    while (static_cast<int>(s.size()) < width)
        s.insert(s.begin(), '0');
    return s;
}
} // namespace

TDate LocalDateOf(long long secondsSinceEpoch) {
    const auto moment = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm local{};
    localtime_r(&moment, &local);
    TDate date = 0;
    TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date);
    return date;
}

TDate Today() {
    return Clock() ? Clock()() : SystemToday();
}

void SetClock(std::function<TDate()> clock) {
    Clock() = std::move(clock);
}

bool TryEncodeDate(int year, int month, int day, TDate& date) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    date = static_cast<TDate>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
                              ZeroDateOffset);
    return true;
}

TDate EncodeDate(int year, int month, int day) {
    TDate date;
    if (!TryEncodeDate(year, month, day, date))
        throw EConvertError("Invalid argument to date encode");
    return date;
}

void DecodeDate(TDate date, int& year, int& month, int& day) {
    CivilFromDays(static_cast<long long>(date) + ZeroDateOffset, year, month, day);
}

int DayOfWeek(TDate date) {
    // Day 0 was a Saturday.
    const int r = ((date % 7) + 7) % 7;
    return (r + 6) % 7 + 1;
}

void SetShortDateFormat(const std::string& pattern) {
    Pattern() = pattern.empty() ? "dd/MM/yyyy" : pattern;
}

std::string ShortDateFormat() {
    return Pattern();
}

std::string FormatShortDate(TDate date) {
    int y, m, d;
    DecodeDate(date, y, m, d);
    std::string r;
    for (const auto& p : ParsePattern(Pattern())) {
        switch (p.Token) {
        case 'd':
            r += Padded(d, p.Width >= 2 ? 2 : 1);
            break;
        case 'M':
            r += Padded(m, p.Width >= 2 ? 2 : 1);
            break;
        case 'y':
            r += p.Width <= 2 ? Padded(y % 100, 2) : Padded(y, 4);
            break;
        default:
            r += p.Literal;
        }
    }
    return r;
}

bool TryParseShortDate(std::string_view text, TDate& date) {
    auto skipBlanks = [&] {
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
            text.remove_prefix(1);
    };
    int y = -1, m = -1, d = -1;
    for (const auto& p : ParsePattern(Pattern())) {
        skipBlanks();
        if (p.Token == 0) {
            // Blanks in the pattern are optional in the text.
            for (char c : p.Literal) {
                if (c == ' ') {
                    skipBlanks();
                    continue;
                }
                if (text.empty() || text.front() != c)
                    return false;
                text.remove_prefix(1);
            }
            continue;
        }
        const size_t maxDigits = p.Token == 'y' ? 4 : 2;
        size_t n = 0;
        int value = 0;
        while (n < text.size() && n < maxDigits && text[n] >= '0' && text[n] <= '9')
            value = value * 10 + (text[n++] - '0');
        if (n == 0)
            return false;
        text.remove_prefix(n);
        if (p.Token == 'y' && p.Width <= 2 && n <= 2)
            value += value < 50 ? 2000 : 1900; // two-digit year window
        (p.Token == 'd' ? d : p.Token == 'M' ? m : y) = value;
    }
    skipBlanks();
    if (!text.empty() || y < 0 || m < 0 || d < 0)
        return false;
    return TryEncodeDate(y, m, d, date);
}
