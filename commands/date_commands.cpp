#include "commands/date_commands.h"

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "commands/args.h"
#include "commands/date_text.h"
#include "core/commandrow.h"
#include "core/errors.h"
#include "core/kbhash.h"
#include "core/kobubase.h"
#include "core/sjis.h"
#include "platform/cp932.h"

namespace kobu {

namespace {

struct TEra {
  const char* name;  // UTF-8
  int firstYear;     // the calendar year counted as the era's first
};

// Only the calendar year decides the era: the whole of a year in which an era
// began belongs to the new one.
const TEra kEras[] = {
    {"令和", 2019},
    {"平成", 1989},
    {"昭和", 1926},
    {"大正", 1912},
    {"明治", 1868},
};

const char* const kWeekdays[] = {"日", "月", "火", "水", "木", "金", "土"};

// The earliest and latest years a date command writes.
constexpr int kFirstYear = 1;
constexpr int kLastYear = 9999;

tm LocalNow() {
  time_t t = time(nullptr);
  tm local{};
  localtime_r(&t, &local);
  return local;
}

[[noreturn]] void Unreadable(TKobuBase& base, const std::string& text) {
  ScriptError(base, "\"%s\"を日付・時刻として読めません。", {text});
}

// A day serial whose year the commands can still write.
void CheckYear(TKobuBase& base, long long daySerial) {
  int y, m, d;
  DecodeDaySerial(daySerial, y, m, d);
  if (y < kFirstYear || y > kLastYear) ScriptError(base, "計算した日付が範囲外です。");
}

// An offset such as "-1:30:00" or "0/1/0": the direction and three fields.
struct TOffset {
  bool subtract = false;
  long long fields[3] = {0, 0, 0};
};

TOffset ReadOffset(TKobuBase& base, std::string_view text, const char* separator) {
  TOffset offset;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    offset.subtract = text[0] == '-';
    text.remove_prefix(1);
  }
  TCut first = CutToken(separator, text);
  TCut second = CutToken(separator, first.rest);
  const std::string* pieces[3] = {&first.head, &second.head, &second.rest};
  for (int k = 0; k < 3; ++k) {
    std::string field = TrimText(*pieces[k]);
    long long v = IntegerText(field, 0);
    if (v < 0 || v > 65535) ScriptError(base, "数値\"%s\"は範囲外です。", {field});
    offset.fields[k] = v;
  }
  return offset;
}

// The day serial `months` months away, keeping the day of the month or the
// last day of a shorter target month.
long long AddMonths(TKobuBase& base, long long daySerial, long long months) {
  int y, m, d;
  DecodeDaySerial(daySerial, y, m, d);
  long long index = static_cast<long long>(y) * 12 + (m - 1) + months;
  long long year = index >= 0 ? index / 12 : (index - 11) / 12;
  if (year < kFirstYear || year > kLastYear) ScriptError(base, "計算した日付が範囲外です。");
  int month = static_cast<int>(index - year * 12) + 1;
  int day = std::min(d, DaysInMonth(static_cast<int>(year), month));
  return DaySerial(static_cast<int>(year), month, day);
}

void CmdNow(TKobuBase& base) {
  tm t = LocalNow();
  SetResult(base, TimeText((t.tm_hour * 3600LL + t.tm_min * 60 + t.tm_sec) * 1000), "s");
}

void CmdToday(TKobuBase& base) {
  tm t = LocalNow();
  SetResult(base, DateText(DaySerial(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday)), "s");
}

// The weekday number of a date argument, 1 (Sunday) to 7.
int WeekdayOf(TKobuBase& base, const char* commandUtf8) {
  std::string text = ArgText(base);
  double serial;
  if (!ParseDateTime(TrimText(text), serial))
    ScriptError(base, "\"%s\"命令の引数に誤りがあります。：年月日の取得に失敗", {RunningCommandName(base, commandUtf8)});
  return WeekdayNumber(DayOfMilliseconds(SerialMilliseconds(serial)));
}

void CmdWeekday(TKobuBase& base) {
  static const std::string names[] = {sj(kWeekdays[0]), sj(kWeekdays[1]), sj(kWeekdays[2]), sj(kWeekdays[3]),
                                      sj(kWeekdays[4]), sj(kWeekdays[5]), sj(kWeekdays[6])};
  SetResult(base, names[WeekdayOf(base, "曜日") - 1], "s");
}

void CmdWeekdayNumber(TKobuBase& base) {
  SetResult(base, std::to_string(WeekdayOf(base, "曜日を数値で得る")), "e");
}

void CmdAddDate(TKobuBase& base) {
  std::string offsetText = TrimText(ArgText(base));
  std::string baseText = TrimText(ArgText(base));
  double serial;
  if (!ParseDateTime(baseText, serial)) Unreadable(base, baseText);
  TOffset offset = ReadOffset(base, offsetText, "/");
  long long sign = offset.subtract ? -1 : 1;
  long long day = DayOfMilliseconds(SerialMilliseconds(serial));
  // Years and months are two steps, each clamped to its month's end.
  day = AddMonths(base, day, sign * offset.fields[0] * 12);
  day = AddMonths(base, day, sign * offset.fields[1]);
  day += sign * offset.fields[2];
  CheckYear(base, day);
  base.Sore->Value = DateText(day);
}

void CmdAddTime(TKobuBase& base) {
  std::string offsetText = TrimText(ArgText(base));
  std::string baseText = TrimText(ArgText(base));
  double serial;
  if (!ParseDateTime(baseText, serial)) Unreadable(base, baseText);
  TOffset offset = ReadOffset(base, offsetText, ":");
  long long amount = ((offset.fields[0] * 60 + offset.fields[1]) * 60 + offset.fields[2]) * 1000;
  long long ms = SerialMilliseconds(serial) + (offset.subtract ? -amount : amount);
  // The time of day is taken modulo whole days, however far back the offset went.
  base.Sore->Value = TimeText(TimeOfDayMilliseconds(ms));
}

// The two date arguments of a difference, first minus second, in milliseconds.
long long Difference(TKobuBase& base) {
  std::string second = TrimText(ArgText(base));
  std::string first = TrimText(ArgText(base));
  double a, b;
  if (!ParseDateTime(first, a) || !ParseDateTime(second, b)) ScriptError(base, "日時の指定が不正です。");
  return SerialMilliseconds(a) - SerialMilliseconds(b);
}

void CmdDayDifference(TKobuBase& base) {
  // Division in C++ truncates toward zero, as the day count does.
  SetResult(base, std::to_string(Difference(base) / kMillisecondsPerDay), "e");
}

void CmdSecondDifference(TKobuBase& base) {
  long long ms = Difference(base);
  long long seconds = std::llrint(static_cast<double>(ms) / 1000.0);  // ties to even
  if (seconds < INT32_MIN || seconds > INT32_MAX) ScriptError(base, "数値\"%s\"は範囲外です。", {std::to_string(seconds)});
  SetResult(base, std::to_string(seconds), "e");
}

void CmdSystemTime(TKobuBase& base) {
  timespec ts{};
  clock_gettime(CLOCK_BOOTTIME, &ts);
  unsigned long long ms = static_cast<unsigned long long>(ts.tv_sec) * 1000ULL + static_cast<unsigned long long>(ts.tv_nsec) / 1000000ULL;
  SetResult(base, std::to_string(static_cast<uint32_t>(ms)), "e");
}

void CmdEraDate(TKobuBase& base) {
  std::string text = ArgText(base);
  double serial;
  if (!ParseDateTime(TrimText(text), serial))
    ScriptError(base, "\"%s\"命令の引数に誤りがあります。日付に変換出来ません。", {RunningCommandName(base, "和暦に変換")});
  int y, m, d;
  DecodeDaySerial(DayOfMilliseconds(SerialMilliseconds(serial)), y, m, d);
  std::string out;
  for (const TEra& era : kEras) {
    if (y < era.firstYear) continue;
    int number = y - era.firstYear + 1;
    out = sj(era.name) + (number == 1 ? sj("元年") : std::to_string(number) + sj("年"));
    out += std::to_string(m) + sj("月") + std::to_string(d) + sj("日");
    break;
  }
  SetResult(base, std::move(out), "s");
}

const TCommandRow kRows[] = {
    {"今", "", "現在の時刻を返す", 195, CmdNow},
    {"今日", "", "今日の日付を返す", 196, CmdToday},
    {"曜日", "?の", "日付の曜日を返す", 197, CmdWeekday},
    {"曜日を数値で得る", "?の", "日付の曜日を数値（日曜=1）で返す", 198, CmdWeekdayNumber},
    {"日付加算", "?に,?を", "日付に年/月/日を加算する", 199, CmdAddDate},
    {"時間加算", "?に,?を", "時刻に時:分:秒を加算する", 201, CmdAddTime},
    {"日数差", "?と,?の", "二つの日付の日数の差を返す", 202, CmdDayDifference},
    {"秒差", "?と,?の", "二つの時刻の秒数の差を返す", 203, CmdSecondDifference},
    {"システム時間", "", "システムが起動してからのミリ秒数を返す", 204, CmdSystemTime},
    {"和暦に変換", "?を", "日付を和暦に変換する", 205, CmdEraDate},
};

}  // namespace

std::span<const TCommandRow> DateCommandRows() { return kRows; }

}  // namespace kobu
