// Dates as scripts write them and the day serial the commands compute with:
// days since 1899-12-30 as the integer part, the time of day as the fraction.
#pragma once
#include <string>
#include <string_view>

namespace kobu {

// Reads "yyyy/mm/dd", "yyyy/mm/dd hh:nn[:ss]" or "hh:nn[:ss]" ("-" also
// separates the date). False for anything else or an impossible date.
bool ParseDateTime(std::string_view text, double& serial);

// The serial of a calendar date (proleptic Gregorian).
long long DaySerial(int year, int month, int day);

}  // namespace kobu
