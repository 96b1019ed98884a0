// Dates as scripts write them and the day serial the commands compute with:
// days since 1899-12-30 as the integer part, the time of day as the fraction.
// The serial is linear: a time before the origin lies below its day's start.
#pragma once
#include <string>
#include <string_view>

namespace kobu {

constexpr long long kMillisecondsPerDay = 86400000;

// Reads "yyyy/mm/dd", "yyyy/mm/dd hh:nn[:ss]" or "hh:nn[:ss]" ("-" also
// separates the date). False for anything else or an impossible date.
bool ParseDateTime(std::string_view text, double& serial);

// The serial of a calendar date (proleptic Gregorian).
long long DaySerial(int year, int month, int day);
// The calendar date of a day serial.
void DecodeDaySerial(long long serial, int& year, int& month, int& day);

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// A serial as whole milliseconds, rounded to the nearest one: texts are cut
// to seconds only after this, so a sum like 23:00 + 1:30 cannot land just
// below 00:30 and print 00:29:59.
long long SerialMilliseconds(double serial);
// The day of a millisecond count (floored, so times before the origin belong
// to the day before it) and the time of day within it.
long long DayOfMilliseconds(long long ms);
long long TimeOfDayMilliseconds(long long ms);

// "yyyy/mm/dd" of a day serial; "hh:nn:ss" of milliseconds into a day.
std::string DateText(long long daySerial);
std::string TimeText(long long msOfDay);

// 1 (Sunday) to 7 (Saturday).
int WeekdayNumber(long long daySerial);

}  // namespace kobu
