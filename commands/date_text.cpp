#include "commands/date_text.h"

#include <cmath>
#include <cstdio>

namespace kobu {

namespace {

bool ReadNumber(std::string_view s, size_t& i, int maxDigits, int& v) {
  size_t start = i;
  v = 0;
  while (i < s.size() && i - start < static_cast<size_t>(maxDigits) && s[i] >= '0' && s[i] <= '9') v = v * 10 + (s[i++] - '0');
  return i > start;
}

// "hh:nn[:ss]" at i, as a fraction of a day.
bool ReadTime(std::string_view s, size_t& i, double& fraction) {
  int h, n, sec = 0;
  if (!ReadNumber(s, i, 2, h) || i >= s.size() || s[i] != ':') return false;
  ++i;
  if (!ReadNumber(s, i, 2, n)) return false;
  if (i < s.size() && s[i] == ':') {
    ++i;
    if (!ReadNumber(s, i, 2, sec)) return false;
  }
  if (h > 23 || n > 59 || sec > 59) return false;
  fraction = (h * 3600 + n * 60 + sec) / 86400.0;
  return true;
}

long long FloorDiv(long long a, long long b) { return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0); }

}  // namespace

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

long long DaySerial(int year, int month, int day) {
  // Days from 1970-01-01 (the civil-from-days reckoning), then moved to the
  // 1899-12-30 origin, which lies 25569 days earlier.
  long long y = year - (month <= 2 ? 1 : 0);
  long long era = (y >= 0 ? y : y - 399) / 400;
  long long yoe = y - era * 400;
  long long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + 25569;
}

void DecodeDaySerial(long long serial, int& year, int& month, int& day) {
  // The inverse reckoning, from days since 1970-01-01.
  long long z = serial - 25569 + 719468;
  long long era = (z >= 0 ? z : z - 146096) / 146097;
  long long doe = z - era * 146097;
  long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long long mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

bool ParseDateTime(std::string_view s, double& serial) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  size_t i = 0;
  double fraction = 0;
  size_t probe = i;
  int first;
  if (!ReadNumber(s, probe, 4, first)) return false;
  if (probe < s.size() && s[probe] == ':') {
    if (!ReadTime(s, i, fraction) || i != s.size()) return false;
    serial = fraction;
    return true;
  }
  int y, m, d;
  if (!ReadNumber(s, i, 4, y) || i >= s.size() || (s[i] != '/' && s[i] != '-')) return false;
  char sep = s[i++];
  if (!ReadNumber(s, i, 2, m) || i >= s.size() || s[i] != sep) return false;
  ++i;
  if (!ReadNumber(s, i, 2, d)) return false;
  if (m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return false;
  if (i < s.size()) {
    if (s[i] != ' ' && s[i] != 'T') return false;
    while (i < s.size() && s[i] == ' ') ++i;
    if (i < s.size() && s[i] == 'T') ++i;
    if (!ReadTime(s, i, fraction) || i != s.size()) return false;
  }
  serial = static_cast<double>(DaySerial(y, m, d)) + fraction;
  return true;
}

long long SerialMilliseconds(double serial) { return std::llround(serial * static_cast<double>(kMillisecondsPerDay)); }

long long DayOfMilliseconds(long long ms) { return FloorDiv(ms, kMillisecondsPerDay); }

long long TimeOfDayMilliseconds(long long ms) { return ms - DayOfMilliseconds(ms) * kMillisecondsPerDay; }

std::string DateText(long long daySerial) {
  int y, m, d;
  DecodeDaySerial(daySerial, y, m, d);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", y, m, d);
  return buf;
}

std::string TimeText(long long msOfDay) {
  long long seconds = msOfDay / 1000;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return buf;
}

int WeekdayNumber(long long daySerial) {
  // Day 0 was a Saturday.
  long long shifted = daySerial + 6;
  return static_cast<int>(shifted - FloorDiv(shifted, 7) * 7) + 1;
}

}  // namespace kobu
