#pragma once
// Dates are whole day counts; day 0 is 30 December 1899.

#include <functional>
#include <string>
#include <string_view>

using TDate = int;

// Today's local date from the program's one clock.
TDate Today();
// The local date of a moment of the system clock (a file's modification time).
TDate LocalDateOf(long long secondsSinceEpoch);
// Replaces the clock (tests); an empty function restores the system clock.
void SetClock(std::function<TDate()> clock);
inline void SetTodayForTesting(TDate day) {
    SetClock([day] { return day; });
}
inline void ResetClock() {
    SetClock({});
}

bool TryEncodeDate(int year, int month, int day, TDate& date);
// Throws EConvertError for an impossible date.
TDate EncodeDate(int year, int month, int day);
void DecodeDate(TDate date, int& year, int& month, int& day);
// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDate date);

// The short-date pattern: tokens d, dd (day), M, MM (month), yyyy (year);
// any other characters are literal separators; text in single quotes is
// literal. The app sets it from the system locale with a four-digit year.
void SetShortDateFormat(const std::string& pattern);
std::string ShortDateFormat(); // default "dd/MM/yyyy"
std::string FormatShortDate(TDate date);
// False on anything unreadable (wrong separators, impossible dates, extra text).
bool TryParseShortDate(std::string_view text, TDate& date);
