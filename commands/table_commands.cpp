#include "commands/table_commands.h"

#include <algorithm>
#include <unordered_map>

#include "commands/args.h"
#include "commands/array_commands.h"
#include "commands/date_text.h"
#include "commands/wildcard.h"
#include "core/commandrow.h"
#include "core/convtohalf.h"
#include "core/errors.h"
#include "core/expression.h"
#include "core/kobubase.h"
#include "core/sjis.h"
#include "core/tabletext.h"
#include "platform/cp932.h"

namespace kobu {

namespace {

using TRow = std::vector<std::string>;

// A table and whether its row 0 holds field names.
struct TTable {
  TTableRows rows;
  bool header = false;
  size_t First() const { return header ? 1 : 0; }
};

// No table is given this many columns by a command: beyond it a script
// number would only exhaust the machine.
constexpr int32_t kMaxColumn = 1 << 20;

const std::string& Cell(const TRow& row, size_t c) {
  static const std::string empty;
  return c < row.size() ? row[c] : empty;
}

void SetCell(TRow& row, size_t c, std::string text) {
  if (row.size() <= c) row.resize(c + 1);
  row[c] = std::move(text);
}

size_t Width(const TTableRows& rows) {
  size_t w = 0;
  for (const auto& r : rows) w = std::max(w, r.size());
  return w;
}

bool HeaderSetting(TKobuBase& base) {
  THashNode* s = base.Settings[swTableFieldNames];
  return s && s->Value == "1";
}

TTable ReadTable(TKobuBase& base, const std::string& text, bool useSetting = true) {
  TTable t;
  t.rows = ReadTableText(text);
  t.header = useSetting && HeaderSetting(base);
  return t;
}

bool IsBlankRow(const TRow& row) {
  for (const auto& c : row)
    if (!TrimText(c).empty()) return false;
  return true;
}

// Before sorts and transposition: empty rows go from both ends, and the
// first and last rows lose their trailing blank cells.
void Clean(TTableRows& rows) {
  size_t a = 0, b = rows.size();
  while (a < b && IsBlankRow(rows[a])) ++a;
  while (b > a && IsBlankRow(rows[b - 1])) --b;
  rows.erase(rows.begin() + static_cast<long>(b), rows.end());
  rows.erase(rows.begin(), rows.begin() + static_cast<long>(a));
  for (TRow* r : {rows.empty() ? nullptr : &rows.front(), rows.empty() ? nullptr : &rows.back()})
    if (r)
      while (!r->empty() && TrimText(r->back()).empty()) r->pop_back();
}

bool IsPattern(const std::string& key) {
  return SjisFindFrom("*", key, 0) != std::string::npos || SjisFindFrom("?", key, 0) != std::string::npos ||
         SjisFindFrom("[", key, 0) != std::string::npos;
}

bool Contains(const std::string& text, const std::string& key) { return SjisFindFrom(key, text, 0) != std::string::npos; }

// Runs a wildcard match; a bad pattern ends the command as a script error.
bool Matches(TKobuBase& base, const std::string& text, const std::string& pattern) {
  try {
    return WildcardMatch(text, pattern);
  } catch (const EWildcard& e) {
    ScriptErrorSj(base, e.what());
  }
}

[[noreturn]] void ArgumentError(TKobuBase& base, const char* command) {
  ScriptError(base, "\"%s\"命令の引数に誤りがあります。", {RunningCommandName(base, command)});
}

// A column given as integer text: -1 (the default) and anything that is not
// an integer are refused by the commands that need a real column.
int32_t ColumnText(TKobuBase& base, const char* command) {
  long long c = IntegerText(ArgText(base), -1);
  if (c < 0 || c > kMaxColumn) ArgumentError(base, command);
  return static_cast<int32_t>(c);
}

int32_t ColumnArg(TKobuBase& base) {
  int32_t c = ArgInteger(base);
  if (c > kMaxColumn) ScriptError(base, "メモリが足りません。");
  return c;
}

// Pick-up and filter ------------------------------------------------------

void CmdPickUp(TKobuBase& base) {
  std::string key = ArgText(base);
  long long column = IntegerText(ArgText(base), -1);
  std::string text = ArgText(base);
  base.Sore->TypeMark = "s";
  bool pattern = IsPattern(key);
  if (column < 0) {
    std::vector<std::string> lines = SplitLines(text.substr(0, text.find('\0')));
    std::string out;
    for (size_t i = HeaderSetting(base) ? 1 : 0; i < lines.size(); ++i)
      if (pattern ? Matches(base, lines[i], key) : SjisCharPos(key, lines[i]) > 0) out += lines[i] + "\r\n";
    base.Sore->Value = std::move(out);
    return;
  }
  TTable t = ReadTable(base, text);
  if (key.empty()) return;
  TTableRows out;
  if (t.header && !t.rows.empty()) out.push_back(t.rows[0]);
  size_t c = static_cast<size_t>(column);
  for (size_t r = t.First(); r < t.rows.size(); ++r) {
    const std::string& cell = Cell(t.rows[r], c);
    if (pattern ? Matches(base, cell, key) : Contains(cell, key)) out.push_back(t.rows[r]);
  }
  base.Sore->Value = WriteTableText(out);
}

// The condition of 表条件抽出, evaluated row by row.
class TCondition {
 public:
  TCondition(TKobuBase& base, const TTableRows& rows) : base_(base), rows_(rows) {}

  std::vector<char> Evaluate(std::string_view cond) {
    std::vector<char> values(rows_.size(), 0);
    size_t i = 0;
    while (true) {
      while (i < cond.size() && (cond[i] == ' ' || cond[i] == '\t')) ++i;
      if (i >= cond.size()) return values;
      std::string_view rest = cond.substr(i);
      if (rest[0] == '(') {
        size_t close = MatchingParen(rest);
        Or(values, Evaluate(rest.substr(1, close - 1)));
        i += close + 1;
        continue;
      }
      if (rest.substr(0, 4) == "AND " || rest.substr(0, 4) == "and ") {
        std::vector<char> r = Evaluate(rest.substr(4));
        for (size_t k = 0; k < values.size(); ++k) values[k] = values[k] && r[k];
        return values;
      }
      if (rest.substr(0, 3) == "OR " || rest.substr(0, 3) == "or ") {
        Or(values, Evaluate(rest.substr(3)));
        return values;
      }
      i += Comparison(rest, values);
    }
  }

 private:
  [[noreturn]] void Fail(const std::string& messageSj) { throw EWildcard(messageSj); }

  static void Or(std::vector<char>& a, const std::vector<char>& b) {
    for (size_t k = 0; k < a.size(); ++k) a[k] = a[k] || b[k];
  }

  size_t MatchingParen(std::string_view s) {
    int depth = 0;
    for (size_t i = 0; i < s.size(); i += CharLenAt(s, i)) {
      char c = s[i];
      if (CharLenAt(s, i) == 2) continue;
      if (c == '"' || c == '\'') {
        for (++i; i < s.size() && s[i] != c; i += CharLenAt(s, i))
          if (c == '"' && s[i] == '\\' && i + 1 < s.size()) ++i;
        if (i >= s.size()) break;
        continue;
      }
      if (c == '(') ++depth;
      else if (c == ')' && --depth == 0) return i;
    }
    Fail(sj("\")\"が対応していません。"));
  }

  static bool IsOperatorChar(char c) { return c == '<' || c == '=' || c == '>'; }

  // One "field op value"; returns how much of the text it used.
  size_t Comparison(std::string_view s, std::vector<char>& values) {
    size_t i = 0;
    while (i < s.size() && !IsOperatorChar(s[i])) i += CharLenAt(s, i);
    std::string field = TrimText(s.substr(0, i));
    size_t opStart = i;
    while (i < s.size() && IsOperatorChar(s[i])) ++i;
    std::string op(s.substr(opStart, i - opStart));
    size_t valueStart = i;
    while (i < s.size() && s[i] != ' ' && s[i] != '\t' && s[i] != '\r' && s[i] != '\n') i += CharLenAt(s, i);
    std::string value = TrimText(s.substr(valueStart, i - valueStart));

    enum { opEq, opNe, opGt, opGe, opLt, opLe } kind;
    if (op == "=") kind = opEq;
    else if (op == "<>" || op == "><") kind = opNe;
    else if (op == ">") kind = opGt;
    else if (op == ">=" || op == "=>") kind = opGe;
    else if (op == "<") kind = opLt;
    else if (op == "<=" || op == "=<") kind = opLe;
    else Fail(sj("演算子の指定エラー。"));

    size_t column = rows_.empty() ? 0 : rows_[0].size();
    if (!rows_.empty())
      for (size_t c = 0; c < rows_[0].size(); ++c)
        if (rows_[0][c] == field) {
          column = c;
          break;
        }
    if (rows_.empty() || column >= rows_[0].size()) Fail(sj("フィールド名\"") + field + sj("\"が見つかりません。"));

    auto order = [kind](int cmp) {
      switch (kind) {
        case opEq: return cmp == 0;
        case opNe: return cmp != 0;
        case opGt: return cmp > 0;
        case opGe: return cmp >= 0;
        case opLt: return cmp < 0;
        case opLe: return cmp <= 0;
      }
      return false;
    };
    values[0] = 1;  // the field names always stay
    bool isText = !value.empty() && (value[0] == '"' || value[0] == '`');
    bool isDate = !value.empty() && value[0] == '#';
    std::string text = isText ? value.substr(1, value.size() >= 2 ? value.size() - 2 : 0) : value;
    double date = 0;
    if (isDate && !ParseDateTime(value.substr(1), date)) return i;  // selects nothing
    long double number = TextToNumber(value);
    for (size_t r = 1; r < rows_.size(); ++r) {
      if (rows_[r].empty()) continue;
      const std::string& cell = Cell(rows_[r], column);
      bool yes;
      if (isText) {
        if (kind == opEq || kind == opNe) yes = WildcardMatch(cell, text) == (kind == opEq);
        else yes = order(cell.compare(text));
      } else if (isDate) {
        double d;
        yes = ParseDateTime(cell, d) && order(d < date ? -1 : d > date ? 1 : 0);
      } else {
        long double n = TextToNumber(cell);
        yes = order(n < number ? -1 : n > number ? 1 : 0);
      }
      if (yes) values[r] = 1;
    }
    return i;
  }

  TKobuBase& base_;
  const TTableRows& rows_;
};

void CmdFilter(TKobuBase& base) {
  std::string cond = TConvToHalf::Instance().Convert(ArgText(base));
  cond = SjisReplace(cond, ",", " ", true);
  cond = SjisReplace(cond, sj("または "), "OR ", true);
  cond = SjisReplace(cond, sj("かつ "), "AND ", true);
  TTable t = ReadTable(base, ArgText(base), false);
  t.header = true;
  base.Sore->Value.clear();
  cond = TrimText(cond);
  TTableRows out;
  if (!cond.empty()) {
    std::vector<char> selected;
    try {
      selected = TCondition(base, t.rows).Evaluate(cond);
    } catch (const EWildcard& e) {
      ScriptErrorSj(base, sj("CSVデータベースの解析エラー。") + e.what());
    }
    for (size_t r = 0; r < t.rows.size(); ++r)
      if (selected[r]) out.push_back(t.rows[r]);
  }
  SetResult(base, WriteTableText(out), "s");
}

// Join, transposition, width ----------------------------------------------

void CmdJoin(TKobuBase& base) {
  try {
    int32_t c2 = ArgInteger(base);
    TTable t2 = ReadTable(base, ArgText(base));
    int32_t c1 = ArgInteger(base);
    TTable t1 = ReadTable(base, ArgText(base));
    if (c1 < 0 || c2 < 0) throw EWildcard(std::string());
    size_t w = Width(t1.rows);
    auto appendOthers = [&](TRow& into, const TRow& from) {
      size_t col = w;
      for (size_t c = 0; c < from.size(); ++c)
        if (c != static_cast<size_t>(c2)) SetCell(into, col++, from[c]);
    };
    if (t1.header && !t1.rows.empty() && !t2.rows.empty()) appendOthers(t1.rows[0], t2.rows[0]);
    // The first equal row counts. With field names, an equal row 0 is the
    // header and joins nothing; without, row 0 is a row like any other.
    std::unordered_map<std::string, size_t> firstRow;
    for (size_t r = 0; r < t2.rows.size(); ++r) firstRow.emplace(Cell(t2.rows[r], c2), r);
    for (size_t r = t1.First(); r < t1.rows.size(); ++r) {
      auto it = firstRow.find(Cell(t1.rows[r], c1));
      if (it != firstRow.end() && !(t2.header && it->second == 0)) appendOthers(t1.rows[r], t2.rows[it->second]);
    }
    SetResult(base, WriteTableText(t1.rows), "s");
  } catch (const std::exception&) {
    base.Sore->Value.clear();
  }
}

void CmdTranspose(TKobuBase& base) {
  TTable t = ReadTable(base, ArgText(base));
  size_t w = Width(t.rows);
  TTableRows out(w);
  for (size_t c = 0; c < w; ++c) {
    out[c].resize(t.rows.size());
    for (size_t r = 0; r < t.rows.size(); ++r) out[c][r] = Cell(t.rows[r], c);
  }
  Clean(out);
  SetResult(base, WriteTableText(out), "s");
}

void CmdWidth(TKobuBase& base) {
  TTable t = ReadTable(base, ArgText(base));
  SetResult(base, std::to_string(Width(t.rows)), "e");
}

// The running search -------------------------------------------------------

void CmdSearchNext(TKobuBase& base) {
  TTableSearchState& s = base.TableSearch;
  SetResult(base, "-1", "e");
  if (s.table.empty()) return;
  bool pattern = !s.exact && (SjisFindFrom("*", s.key, 0) != std::string::npos || SjisFindFrom("?", s.key, 0) != std::string::npos);
  for (size_t r = s.next; r < s.table.size(); ++r) {
    const TRow& row = s.table[r];
    bool hit = false;
    if (s.exact) {
      if (s.column < 0) hit = std::find(row.begin(), row.end(), s.key) != row.end();
      else hit = Cell(row, static_cast<size_t>(s.column)) == s.key;
    } else {
      std::string subject = s.column < 0 ? WriteTableRow(row, row.size()) : Cell(row, static_cast<size_t>(s.column));
      hit = pattern ? Matches(base, subject, s.key) : Contains(subject, s.key);
    }
    if (hit) {
      s.next = r + 1;
      return SetResult(base, std::to_string(r), "e");
    }
  }
  s.next = s.table.size();
}

void StartSearch(TKobuBase& base, bool exact) {
  std::string key = ArgText(base);
  long long column = IntegerText(ArgText(base), -1);
  TTable t = ReadTable(base, ArgText(base));
  TTableSearchState& s = base.TableSearch;
  s.table = std::move(t.rows);
  s.key = std::move(key);
  s.column = column < 0 || column > kMaxColumn ? -1 : static_cast<int32_t>(column);
  s.exact = exact;
  s.next = t.header ? 1 : 0;
  CmdSearchNext(base);
}

void CmdSearch(TKobuBase& base) { StartSearch(base, true); }
void CmdSearchPattern(TKobuBase& base) { StartSearch(base, false); }
void CmdSearchClear(TKobuBase& base) { base.TableSearch = TTableSearchState(); }

// Column statistics --------------------------------------------------------

struct TColumn {
  TTable table;
  size_t column;
};

TColumn StatisticsColumn(TKobuBase& base, const char* command) {
  int32_t c = ColumnText(base, command);
  return {ReadTable(base, ArgText(base)), static_cast<size_t>(c)};
}

void CmdSum(TKobuBase& base) {
  TColumn col = StatisticsColumn(base, "表合計");
  long double sum = 0;
  for (size_t r = col.table.First(); r < col.table.rows.size(); ++r) sum += TextToNumber(Cell(col.table.rows[r], col.column));
  SetResult(base, NumberToText(sum), "e");
}

void CmdAverage(TKobuBase& base) {
  TColumn col = StatisticsColumn(base, "表平均値");
  const TTable& t = col.table;
  if (t.rows.empty()) return SetResult(base, "0", "e");
  if (t.rows.size() <= t.First()) ScriptError(base, "\"%s\"で、平均を求める行がありません。", {sj("表平均値")});
  long double sum = 0;
  for (size_t r = t.First(); r < t.rows.size(); ++r) sum += TextToNumber(Cell(t.rows[r], col.column));
  SetResult(base, NumberToText(sum / static_cast<long double>(t.rows.size() - t.First())), "e");
}

void CmdMaximum(TKobuBase& base) {
  TColumn col = StatisticsColumn(base, "表最大値");
  const TTable& t = col.table;
  long double best = 0;
  for (size_t r = t.First(); r < t.rows.size(); ++r) {
    long double v = TextToNumber(Cell(t.rows[r], col.column));
    if (r == t.First() || v > best) best = v;
  }
  SetResult(base, NumberToText(best), "e");
}

// Empty cells are no values: the minimum starts from the first cell that
// holds something (0 when none does).
void CmdMinimum(TKobuBase& base) {
  TColumn col = StatisticsColumn(base, "表最小値");
  const TTable& t = col.table;
  long double best = 0;
  bool any = false;
  for (size_t r = t.First(); r < t.rows.size(); ++r) {
    const std::string& cell = Cell(t.rows[r], col.column);
    if (cell.empty()) continue;
    long double v = TextToNumber(cell);
    if (!any || v < best) best = v;
    any = true;
  }
  SetResult(base, NumberToText(best), "e");
}

// Sorts ---------------------------------------------------------------------

// Sorts rows[first..last] by precomputed keys: segments of 21 rows or more
// are split and merged (the left row first on equal keys), shorter ones are
// sorted by selection.
template <class Key>
void SortRows(TTableRows& rows, size_t first, std::vector<Key>& keys) {
  size_t n = keys.size();
  std::vector<size_t> order(n);
  for (size_t i = 0; i < n; ++i) order[i] = i;
  std::vector<size_t> scratch(n);
  auto sort = [&, first](auto&& self, size_t lo, size_t hi) -> void {  // inclusive, in order's positions
    if (hi <= lo) return;
    if (hi - lo + 1 >= 21) {
      // The split point is taken in row numbers, as the rows are numbered in the table.
      size_t mid = (lo + first) / 2 + (hi + first) / 2 - first;
      if (mid >= hi) mid = hi - 1;
      if (mid < lo) mid = lo;
      self(self, lo, mid);
      self(self, mid + 1, hi);
      size_t a = lo, b = mid + 1, k = lo;
      while (a <= mid && b <= hi) scratch[k++] = (keys[order[b]] < keys[order[a]]) ? order[b++] : order[a++];
      while (a <= mid) scratch[k++] = order[a++];
      while (b <= hi) scratch[k++] = order[b++];
      std::copy(scratch.begin() + static_cast<long>(lo), scratch.begin() + static_cast<long>(hi) + 1,
                order.begin() + static_cast<long>(lo));
      return;
    }
    for (size_t i = lo; i < hi; ++i) {
      size_t m = i;
      for (size_t j = i + 1; j <= hi; ++j)
        if (keys[order[j]] < keys[order[m]]) m = j;
      std::swap(order[i], order[m]);
    }
  };
  if (n > 1) sort(sort, 0, n - 1);
  TTableRows sorted;
  sorted.reserve(n);
  for (size_t i : order) sorted.push_back(std::move(rows[first + i]));
  std::move(sorted.begin(), sorted.end(), rows.begin() + static_cast<long>(first));
}

template <class KeyOf>
void SortCommand(TKobuBase& base, const char* command, KeyOf keyOf, bool lastValue) {
  int32_t c = ColumnText(base, command);
  TTable t = ReadTable(base, ArgText(base));
  Clean(t.rows);
  size_t first = std::min(t.First(), t.rows.size());
  using Key = decltype(keyOf(std::string()));
  std::vector<Key> keys;
  keys.reserve(t.rows.size() - first);
  for (size_t r = first; r < t.rows.size(); ++r) keys.push_back(keyOf(Cell(t.rows[r], static_cast<size_t>(c))));
  SortRows(t.rows, first, keys);
  if (lastValue) SetLastValue(base, WriteTableText(t.rows), "s");
  else SetResult(base, WriteTableText(t.rows), "s");
}

void CmdSortText(TKobuBase& base) {
  SortCommand(base, "表ソート", [](const std::string& cell) { return cell; }, false);
}

void CmdSortNumber(TKobuBase& base) {
  SortCommand(base, "表数値ソート", [](const std::string& cell) { return TextToNumber(cell); }, true);
}

void CmdSortDate(TKobuBase& base) {
  SortCommand(base, "表日付ソート", [](const std::string& cell) {
    double d = 0;
    return ParseDateTime(cell, d) ? d : 0.0;
  }, true);
}

// Column editing -------------------------------------------------------------

void CmdReplaceInColumn(TKobuBase& base) {
  std::string replacement = ArgText(base);
  std::string search = ArgText(base);
  int32_t c = ColumnArg(base);
  TTable t = ReadTable(base, ArgText(base), false);
  if (c >= 0)
    for (auto& row : t.rows)
      if (static_cast<size_t>(c) < row.size()) row[c] = SjisReplace(row[c], search, replacement, true);
  SetResult(base, WriteTableText(t.rows), "s");
}

void CmdMoveColumn(TKobuBase& base) {
  int32_t to = ColumnArg(base);
  int32_t from = ColumnArg(base);
  TTable t = ReadTable(base, ArgText(base), false);
  for (size_t r = 0; r < t.rows.size(); ++r) {
    TRow& row = t.rows[r];
    if (from < 0 || to < 0 || static_cast<size_t>(std::max(from, to)) >= row.size())
      ScriptError(base, "\"%s\"で、%s行目に%s列目がありません。",
                  {sj("表列移動"), std::to_string(r), std::to_string(std::max(from, to))});
    std::string cell = std::move(row[from]);
    row.erase(row.begin() + from);
    row.insert(row.begin() + to, std::move(cell));
  }
  SetResult(base, WriteTableText(t.rows), "s");
}

// Padding every row up to a far column creates rows × column cells.
void CheckCells(TKobuBase& base, const TTableRows& rows, int32_t c) {
  if (static_cast<unsigned long long>(rows.size()) * static_cast<unsigned long long>(c + 1) > (1ull << 26))
    ScriptError(base, "メモリが足りません。");
}

void CmdInsertColumn(TKobuBase& base) {
  int32_t c = ColumnArg(base);
  TTable t = ReadTable(base, ArgText(base), false);
  if (c < 0) return;
  CheckCells(base, t.rows, c);
  for (auto& row : t.rows) {
    if (row.size() < static_cast<size_t>(c)) row.resize(c);
    row.insert(row.begin() + c, std::string());
  }
  base.Sore->Value = WriteTableText(t.rows);
}

void CmdDeleteColumn(TKobuBase& base) {
  int32_t c = ColumnArg(base);
  TTable t = ReadTable(base, ArgText(base), false);
  if (c < 0) return;
  for (auto& row : t.rows)
    if (static_cast<size_t>(c) < row.size()) row.erase(row.begin() + c);
  base.Sore->Value = WriteTableText(t.rows);
}

void CmdCopyColumn(TKobuBase& base) {
  int32_t c = ColumnArg(base);
  TTable t = ReadTable(base, ArgText(base), false);
  if (c < 0) return;
  std::string out;
  for (const auto& row : t.rows) out += Cell(row, static_cast<size_t>(c)) + "\r\n";
  base.Sore->Value = std::move(out);
}

void CmdPasteColumn(TKobuBase& base) {
  std::string text = ArgText(base);
  int32_t c = ColumnArg(base);
  TTable t = ReadTable(base, ArgText(base), false);
  if (c < 0) return;
  CheckCells(base, t.rows, c);
  std::vector<std::string> lines = SplitLines(text.substr(0, text.find('\0')));
  for (size_t r = 0; r < t.rows.size(); ++r) {
    TRow& row = t.rows[r];
    if (row.size() < static_cast<size_t>(c)) row.resize(c);
    row.insert(row.begin() + c, r < lines.size() ? lines[r] : std::string());
  }
  base.Sore->Value = WriteTableText(t.rows);
}

// Of rows with equal keys only the last stays; the others keep their order.
void CmdRemoveDuplicates(TKobuBase& base) {
  int32_t c = ColumnArg(base);
  TTable t = ReadTable(base, ArgText(base), false);
  if (c < 0) return;
  std::unordered_map<std::string_view, size_t> last;
  for (size_t r = 0; r < t.rows.size(); ++r) last[Cell(t.rows[r], static_cast<size_t>(c))] = r;
  TTableRows out;
  for (size_t r = 0; r < t.rows.size(); ++r)
    if (last[Cell(t.rows[r], static_cast<size_t>(c))] == r) out.push_back(t.rows[r]);
  base.Sore->Value = WriteTableText(out);
}

const TCommandRow kRows[] = {
    {"表条件抽出", "?を,?で", "表から条件に合う行を抽出する", 259, CmdFilter},
    {"表ピックアップ", "?の,?列目から,?を", "表の列からキーを含む行を取り出す", 260, CmdPickUp},
    {"表検索", "?の,?列目から,?を", "表の列からキーと一致する行を検索し、行番号を返す", 261, CmdSearch},
    {"表曖昧検索", "?の,?列目から,?を", "表の列からパターンに合う行を検索し、行番号を返す", 262, CmdSearchPattern},
    {"表検索次の値", "", "表検索の次に一致する行番号を返す", 263, CmdSearchNext},
    {"表検索クリア", "", "表検索の状態をクリアする", 264, CmdSearchClear},
    {"表最大値", "?の,?列目の", "表の列の最大値を返す", 265, CmdMaximum},
    {"表最小値", "?の,?列目の", "表の列の最小値を返す", 266, CmdMinimum},
    {"表平均値", "?の,?列目の", "表の列の平均値を返す", 267, CmdAverage},
    {"表合計", "?の,?列目の", "表の列の合計を返す", 268, CmdSum},
    {"表ソート", "?の,?列目を", "表を列の文字列順に並べ替える", 269, CmdSortText},
    {"表数値ソート", "?の,?列目を", "表を列の数値順に並べ替える", 272, CmdSortNumber},
    {"表日付ソート", "?の,?列目を", "表を列の日付順に並べ替える", 274, CmdSortDate},
    {"表列挿入", "?の,?列目へ", "表に空の列を挿入する", 276, CmdInsertColumn},
    {"表列削除", "?の,?列目を", "表の列を削除する", 277, CmdDeleteColumn},
    {"表重複項目削除", "?の,?列目をキーに", "表の列が重複する行を削除する", 278, CmdRemoveDuplicates},
    {"表列コピー", "?の,?列目を", "表の列を配列で返す", 279, CmdCopyColumn},
    {"表列貼付け", "?の,?列目に,?を", "配列を表の列として挿入する", 280, CmdPasteColumn},
    {"表キー合成", "?の,?列目と,?の,?列目で", "二つの表をキーの列で結合する", 281, CmdJoin},
    {"表行列交換", "?の", "表の行と列を入れ替える", 282, CmdTranspose},
    {"表列指定置換", "?の,?列目にある,?を,?に", "表の列の中の文字列を置換する", 283, CmdReplaceInColumn},
    {"表列移動", "?の,?列目と,?列目を", "表の列を別の位置へ移動する", 284, CmdMoveColumn},
    {"表行数", "?の", "表の行数を返す", 285, CmdElementCount},
    {"表列数", "?の", "表の列数を返す", 286, CmdWidth},
};

}  // namespace

std::span<const TCommandRow> TableCommandRows() { return kRows; }

}  // namespace kobu
