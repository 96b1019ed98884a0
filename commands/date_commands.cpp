#include "commands/date_commands.h"

#include "core/commandrow.h"

namespace kobu {

namespace {

const TCommandRow kRows[] = {
    {"今", "", "現在の時刻を返す", 195, nullptr},
    {"今日", "", "今日の日付を返す", 196, nullptr},
    {"曜日", "?の", "日付の曜日を返す", 197, nullptr},
    {"曜日を数値で得る", "?の", "日付の曜日を数値（日曜=1）で返す", 198, nullptr},
    {"日付加算", "?に,?を", "日付に年/月/日を加算する", 199, nullptr},
    {"時間加算", "?に,?を", "時刻に時:分:秒を加算する", 201, nullptr},
    {"日数差", "?と,?の", "二つの日付の日数の差を返す", 202, nullptr},
    {"秒差", "?と,?の", "二つの時刻の秒数の差を返す", 203, nullptr},
    {"システム時間", "", "システムが起動してからのミリ秒数を返す", 204, nullptr},
    {"和暦に変換", "?を", "日付を和暦に変換する", 205, nullptr},
};

}  // namespace

std::span<const TCommandRow> DateCommandRows() { return kRows; }

}  // namespace kobu
