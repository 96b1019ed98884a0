// The date and time commands and the day serial beneath them. The expected
// dates were computed with Python's datetime (month steps clamped to the
// month's last day, as the commands do).
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "commands/date_text.h"
#include "commands/registry.h"
#include "core/errors.h"
#include "core/kbhash.h"
#include "core/kobubase.h"
#include "platform/cp932.h"
#include "tests/unit/command_runner.h"

using namespace kobu;

namespace {

class DateTest : public kobutest::TCommandFixture {
 protected:
  std::string ScriptText(const std::string& value) override { return sj(value); }
};

}  // namespace

TEST(DaySerial, DecodesWhatItEncodes) {
  for (long long s = -700000; s <= 2958465; s += 97) {
    int y, m, d;
    DecodeDaySerial(s, y, m, d);
    ASSERT_EQ(DaySerial(y, m, d), s) << y << "/" << m << "/" << d;
    ASSERT_TRUE(m >= 1 && m <= 12 && d >= 1 && d <= DaysInMonth(y, m));
  }
  EXPECT_EQ(DateText(0), "1899/12/30");
  EXPECT_EQ(DateText(-1), "1899/12/29");
  EXPECT_EQ(DateText(36585), "2000/02/29");
  EXPECT_EQ(DateText(DaySerial(1, 1, 1)), "0001/01/01");
  // Milliseconds: rounded to the nearest, days floored.
  EXPECT_EQ(SerialMilliseconds(23.0 / 24 + 1.5 / 24), 88200000);
  EXPECT_EQ(DayOfMilliseconds(-1), -1);
  EXPECT_EQ(TimeOfDayMilliseconds(-1000), kMillisecondsPerDay - 1000);
  EXPECT_EQ(TimeText(0), "00:00:00");
  EXPECT_EQ(TimeText(kMillisecondsPerDay - 1), "23:59:59");
}

TEST_F(DateTest, DateOffsetsClampToTheMonthEnd) {
  const struct {
    const char* base;
    const char* offset;
    const char* result;
  } cases[] = {
      {"2003/01/31", "0/1/0", "2003/02/28"},  {"2004/01/31", "0/1/0", "2004/02/29"},
      {"2003/03/01", "-0/0/3", "2003/02/26"}, {"2004/02/29", "1", "2005/02/28"},
      {"2000/02/29", "-100", "1900/02/28"},   {"2024/03/31", "-0/1/0", "2024/02/29"},
      {"2023/12/31", "0/2/0", "2024/02/29"},  {"2024/01/01", "-0/0/1", "2023/12/31"},
      {"1999/12/31", "0/0/366", "2000/12/31"}, {"2004/02/29", "1/1/0", "2005/03/28"},  // years, then months
      {"2024/05/31", "-0/3/31", "2024/01/29"}, {"1900/03/01", "-0/0/1", "1900/02/28"},
      {"2024/01/05 12:00", "+0/0/1", "2024/01/06"}, {"1899/12/30", "-0/0/1", "1899/12/29"},
      {"2000/01/31", "0/13/0", "2001/02/28"}, {"2024/01/05", "0/0/65535", "2203/06/11"},
      {" 2024/1/5 ", " 0/0/1 ", "2024/01/06"},
  };
  for (const auto& c : cases) EXPECT_EQ(On("日付加算", {c.base, c.offset}), c.result) << c.base << " + " << c.offset;
}

TEST_F(DateTest, TimeOffsetsGiveTheTimeOfDay) {
  const struct {
    const char* base;
    const char* offset;
    const char* result;
  } cases[] = {
      {"23:00:00", "1:30:00", "00:30:00"},  {"01:00:00", "-2:0:0", "23:00:00"},
      {"01:00:00", "-50:0:0", "23:00:00"},  // more than a day back
      {"12:00:00", "-0:0:1", "11:59:59"},   {"00:00:00", "0:0:65535", "18:12:15"},
      {"2024/01/05 23:59:59", "0:0:1", "00:00:00"}, {"10:00", "65535:0:0", "01:00:00"},
      {"00:00:00", "-0:0:0", "00:00:00"},   {"10:00:00", "5", "15:00:00"},
      {"10:00", "+0:90", "11:30:00"},       {"00:00:01", "-0:0:2", "23:59:59"},
      {"2024/01/05", "-1000:0:0", "08:00:00"},
  };
  for (const auto& c : cases) EXPECT_EQ(On("時間加算", {c.base, c.offset}), c.result) << c.base << " + " << c.offset;
}

TEST_F(DateTest, OffsetFailures) {
  EXPECT_TRUE(Mentions(ErrorOf("日付加算", {"2024/01/05", "0/-1/0"}), "範囲外"));
  EXPECT_TRUE(Mentions(ErrorOf("時間加算", {"10:00", "65536"}), "範囲外"));
  EXPECT_TRUE(Mentions(ErrorOf("時間加算", {"25:00", "1"}), "\"25:00\"を日付・時刻として読めません。"));
  EXPECT_TRUE(Mentions(ErrorOf("日付加算", {"2023/02/29", "1"}), "\"2023/02/29\"を日付・時刻として読めません。"));
  EXPECT_TRUE(Mentions(ErrorOf("日付加算", {"9999/12/31", "0/0/1"}), "計算した日付が範囲外です。"));
  EXPECT_TRUE(Mentions(ErrorOf("日付加算", {"0001/01/01", "-0/1/0"}), "計算した日付が範囲外です。"));
}

TEST_F(DateTest, Differences) {
  const struct {
    const char* first;
    const char* second;
    const char* days;
    const char* seconds;  // nullptr: beyond 32 bits
  } cases[] = {
      {"2004/03/11", "2004/03/01", "10", "864000"},
      {"2004/03/01", "2004/03/11", "-10", "-864000"},
      {"2000/03/01", "1900/03/01", "36525", nullptr},
      {"2024/01/05 06:00", "2024/01/04 18:00", "0", "43200"},
      {"2024/01/04 18:00", "2024/01/05 06:00", "0", "-43200"},
      {"1868/01/25", "1899/12/30", "-11662", "-1007596800"},
      {"10:00:30", "10:00:00", "0", "30"},
      {"2024/01/02 00:00:00", "2024/01/01 23:59:59", "0", "1"},
      {"00:00:00", "23:59:59", "0", "-86399"},
      {"2024/01/01", "1956/01/01", "24837", "2145916800"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.first) + " - " + c.second);
    EXPECT_EQ(On("日数差", {c.first, c.second}), c.days);
    EXPECT_EQ(base.Sore->TypeMark, "e");
    if (c.seconds) {
      EXPECT_EQ(On("秒差", {c.first, c.second}), c.seconds);
    } else {
      EXPECT_TRUE(Mentions(ErrorOf("秒差", {c.first, c.second}), "範囲外"));
    }
  }
  EXPECT_TRUE(Mentions(ErrorOf("日数差", {"2004/03/11", "x"}), "日時の指定が不正です。"));
  EXPECT_TRUE(Mentions(ErrorOf("秒差", {"", "10:00"}), "日時の指定が不正です。"));
}

TEST_F(DateTest, Weekdays) {
  const struct {
    const char* date;
    int number;
  } cases[] = {
      {"2004/03/11", 5}, {"1899/12/30", 7}, {"1899/12/29", 6}, {"1868/01/25", 7},
      {"2000/02/29", 3}, {"9999/12/31", 6}, {"0001/01/01", 2}, {"2024/01/07 23:59:59", 1},
  };
  const char* names[] = {"日", "月", "火", "水", "木", "金", "土"};
  for (const auto& c : cases) {
    EXPECT_EQ(On("曜日を数値で得る", {c.date}), std::to_string(c.number)) << c.date;
    EXPECT_EQ(base.Sore->TypeMark, "e");
    EXPECT_EQ(On("曜日", {c.date}), sj(names[c.number - 1])) << c.date;
    EXPECT_EQ(base.Sore->TypeMark, "s");
  }
  EXPECT_EQ(ErrorOf("曜日", {"2004/02/30"}).find(sj("\"曜日\"命令の引数に誤りがあります。：年月日の取得に失敗")) !=
                std::string::npos,
            true);
  EXPECT_TRUE(Mentions(ErrorOf("曜日を数値で得る", {"x"}), "\"曜日を数値で得る\"命令の引数に誤りがあります。：年月日の取得に失敗"));
}

TEST_F(DateTest, EraCalendar) {
  const struct {
    const char* date;
    const char* era;
  } cases[] = {
      {"1867/12/31", ""},
      {"1868/01/01", "明治元年1月1日"},  // the first year of the era
      {"1869/01/01", "明治2年1月1日"},
      {"1911/12/31", "明治44年12月31日"},
      {"1912/07/30", "大正元年7月30日"},
      {"1925/12/31", "大正14年12月31日"},
      {"1926/12/30", "昭和元年12月30日"},
      {"1988/12/31", "昭和63年12月31日"},
      {"1989/01/05", "平成元年1月5日"},  // the calendar year decides, not the day
      {"2003/4/1", "平成15年4月1日"},
      {"2018/12/31", "平成30年12月31日"},
      {"2019/01/01", "令和元年1月1日"},
      {"2024/01/05 10:00", "令和6年1月5日"},
  };
  for (const auto& c : cases) EXPECT_EQ(On("和暦に変換", {c.date}), sj(c.era)) << c.date;
  EXPECT_TRUE(Mentions(ErrorOf("和暦に変換", {"2003/13/01"}), "\"和暦に変換\"命令の引数に誤りがあります。日付に変換出来ません。"));
}

// The clock commands: only their form and their agreement with each other.
TEST_F(DateTest, ClockCommands) {
  std::string today = On("今日", {});
  EXPECT_EQ(base.Sore->TypeMark, "s");
  ASSERT_EQ(today.size(), 10u);
  double serial = -1;
  EXPECT_TRUE(ParseDateTime(today, serial)) << today;
  EXPECT_EQ(DateText(static_cast<long long>(serial)), today);  // two-digit months and days
  std::string now = On("今", {});
  ASSERT_EQ(now.size(), 8u);
  EXPECT_TRUE(ParseDateTime(now, serial)) << now;
  EXPECT_EQ(TimeText(SerialMilliseconds(serial)), now);

  std::string first = On("システム時間", {});
  EXPECT_EQ(base.Sore->TypeMark, "e");
  std::string second = On("システム時間", {});
  unsigned long long a = std::stoull(first), b = std::stoull(second);
  EXPECT_LE(a, 0xFFFFFFFFull);
  EXPECT_LE(b, 0xFFFFFFFFull);
  EXPECT_LT(static_cast<uint32_t>(b - a), 60000u);  // it moves forward, wrapping at 32 bits
}
