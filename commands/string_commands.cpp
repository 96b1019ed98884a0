#include "commands/string_commands.h"

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>

#include "commands/args.h"
#include "commands/array_text.h"
#include "core/commandrow.h"
#include "core/errors.h"
#include "core/expression.h"
#include "core/kobubase.h"
#include "core/sjis.h"
#include "core/tabletext.h"
#include "core/terms.h"
#include "platform/cp932.h"

namespace kobu {

namespace {

std::string Decimal(long long v) { return std::to_string(v); }

// A size taken from script numbers must be one this machine can hold: more
// than its memory would only end in an allocation failure or the OOM killer.
void CheckSize(TKobuBase& base, unsigned long long size) {
  static const unsigned long long limit = [] {
    long pages = sysconf(_SC_PHYS_PAGES), page = sysconf(_SC_PAGESIZE);
    unsigned long long m = (pages > 0 && page > 0) ? static_cast<unsigned long long>(pages) * page : 1ull << 32;
    return std::min<unsigned long long>(m, std::string().max_size());
  }();
  if (size > limit) ScriptError(base, "メモリが足りません。");
}

[[noreturn]] void BadArgument(TKobuBase& base, const char* commandUtf8) {
  ScriptError(base, "\"%s\"命令の引数に誤りがあります。", {RunningCommandName(base, commandUtf8)});
}

// 置換: every occurrence; the search resumes after each inserted replacement.
void CmdReplace(TKobuBase& base) {
  std::string replacement = ArgText(base), pattern = ArgText(base), text = ArgText(base);
  SetResult(base, SjisReplace(text, pattern, replacement, true), "s");
}

void CmdReplaceNth(TKobuBase& base) {
  std::string replacement = ArgText(base), pattern = ArgText(base);
  int32_t n = ArgInteger(base);
  std::string text = ArgText(base);
  SetResult(base, SjisReplaceNth(text, pattern, replacement, n), "s");
}

void CmdCharPos(TKobuBase& base) {
  std::string pattern = ArgText(base), text = ArgText(base);
  size_t pos = text.size() < pattern.size() ? 0 : SjisCharPos(pattern, text);
  SetResult(base, Decimal(static_cast<long long>(pos)), "e");
}

void CmdMid(TKobuBase& base) {
  long long count = IntegerText(ArgText(base), 0), start = IntegerText(ArgText(base), 0);
  std::string text = ArgText(base);
  SetResult(base, SjisCopy(text, start, count), "s");
}

void CmdMidB(TKobuBase& base) {
  long long count = IntegerText(ArgText(base), 0), start = IntegerText(ArgText(base), 0);
  std::string text = ArgText(base);
  if (start < 1) start = 1;
  std::string out;
  if (count > 0 && static_cast<unsigned long long>(start) <= text.size())
    out = text.substr(static_cast<size_t>(start - 1), static_cast<unsigned long long>(count));
  SetResult(base, std::move(out), "s");
}

void CmdLeft(TKobuBase& base) {
  int32_t n = ArgInteger(base);
  std::string text = ArgText(base);
  SetResult(base, SjisCopy(text, 1, n), "s");
}

void CmdRight(TKobuBase& base) {
  int32_t n = ArgInteger(base);
  std::string text = ArgText(base);
  long long count = static_cast<long long>(SjisCharCount(text));
  std::string out;
  if (n >= count) out = text;
  else if (n > 0) out = SjisCopy(text, count - n + 1, n);
  SetResult(base, std::move(out), "s");
}

void CmdCharCount(TKobuBase& base) {
  SetResult(base, Decimal(static_cast<long long>(SjisCharCount(ArgText(base)))), "e");
}

void CmdByteCount(TKobuBase& base) {
  SetResult(base, Decimal(static_cast<long long>(ArgText(base).size())), "e");
}

void CmdDropRight(TKobuBase& base) {
  long long n = ArgInteger(base);
  std::string text = ArgText(base);
  long long count = static_cast<long long>(SjisCharCount(text));
  SetResult(base, SjisCopy(text, 1, count - n), "s");
}

void CmdDropLeft(TKobuBase& base) {
  long long n = ArgInteger(base);
  std::string text = ArgText(base);
  long long count = static_cast<long long>(SjisCharCount(text));
  SetResult(base, SjisCopy(text, n + 1, count - n), "s");
}

// トリム writes the value only; the mark stays as it was.
void CmdTrim(TKobuBase& base) { base.Sore->Value = SjisTrim(ArgText(base)); }

void CmdRefrain(TKobuBase& base) {
  long long n = IntegerText(ArgText(base), 0);
  std::string text = ArgText(base);
  std::string out;
  if (n > 0 && !text.empty()) {
    unsigned long long times = static_cast<unsigned long long>(n);
    if (times > std::numeric_limits<unsigned long long>::max() / text.size()) ScriptError(base, "メモリが足りません。");
    CheckSize(base, times * text.size());
    try {
      out.reserve(times * text.size());
    } catch (const std::bad_alloc&) {
      ScriptError(base, "メモリが足りません。");
    }
    for (unsigned long long k = 0; k < times; ++k) out += text;
  }
  SetResult(base, std::move(out), "s");
}

void CmdReserve(TKobuBase& base) {
  int32_t n = ArgInteger(base);
  std::string name = ArgName(base);
  THashNode* node = base.Words.Find(name, false);
  if (!node) {
    node = CreateVariable(base, name, "s");
  }
  size_t size = n > 0 ? static_cast<size_t>(n) : 0;
  CheckSize(base, size);
  try {
    node->Value.resize(size, '\0');
  } catch (const std::bad_alloc&) {
    ScriptError(base, "メモリが足りません。");
  }
}

// The text a cutting command works on: an existing word's value, or else the
// argument evaluated, which must not be empty.
std::string CutSource(TKobuBase& base, const std::string& raw, THashNode*& node, const char* commandUtf8) {
  node = base.Words.Find(raw, false);
  if (node) return node->Value;
  std::string v = EvaluateArgument(base, raw);
  if (v.empty()) BadArgument(base, commandUtf8);
  return v;
}

void CmdCut(TKobuBase& base) {
  std::string separator = ArgText(base), raw = ArgName(base);
  base.Sore->TypeMark = "s";
  if (separator.empty()) {
    base.Sore->Value.clear();
    return;
  }
  THashNode* node = nullptr;
  std::string source = CutSource(base, raw, node, "切り取る");
  TCut cut = CutToken(separator, source);
  base.Sore->Value = std::move(cut.head);
  if (node && node != base.Sore) node->Value = std::move(cut.rest);
}

void CmdCutEscaped(TKobuBase& base) {
  std::string escape = ArgText(base), separator = ArgText(base), raw = ArgName(base);
  if (escape.size() != 1)
    ScriptError(base, "\"%s\"命令の引数に誤りがあります。判別文字は \\などの半角１文字で指定。", {RunningCommandName(base, "判別して切り取る")});
  if (separator.empty()) {
    base.Sore->Value.clear();
    return;
  }
  THashNode* node = nullptr;
  std::string source = CutSource(base, raw, node, "判別して切り取る");
  std::string_view s = source;
  std::string head, rest;
  size_t i = 0;
  while (i < s.size()) {
    if (s.compare(i, separator.size(), separator) == 0) {
      rest = s.substr(i + separator.size());
      break;
    }
    size_t n = CharLenAt(s, i);
    if (n == 1 && s[i] == escape[0] && i + 1 < s.size()) {
      // The escaped character is copied without being tested as a separator.
      n = 1 + CharLenAt(s, i + 1);
    }
    head.append(s.substr(i, n));
    i += n;
  }
  SetResult(base, std::move(head), "s");
  if (node && node != base.Sore) node->Value = std::move(rest);
}

void CmdCutRange(TKobuBase& base) {
  std::string endMarker = ArgText(base), startMarker = ArgText(base), raw = ArgName(base);
  THashNode* node = base.Words.Find(raw, false);
  if (!node)
    ScriptError(base, "\"%s\"命令の引数に誤りがあります。１番目の引数は、変数である必要があります。",
                {RunningCommandName(base, "範囲を切り取る")});
  // The value is read before それ is emptied, so それ itself can be the source.
  std::string v = node->Value;
  SetResult(base, std::string(), "s");
  size_t b = SjisFindFrom(startMarker, v, 0);
  if (b == std::string::npos) return;
  // The end marker may be the start marker itself.
  size_t e = SjisFindFrom(endMarker, v, b);
  e = e == std::string::npos ? v.size() : e + endMarker.size();
  base.Sore->Value = v.substr(b, e - b);
  if (node != base.Sore) node->Value = v.substr(0, b) + v.substr(e);
}

void CutEnd(TKobuBase& base, bool left) {
  int32_t n = ArgInteger(base);
  std::string raw = ArgName(base);
  std::string text = EvaluateArgument(base, raw);
  base.Sore->TypeMark = "s";
  if (n < 1 || raw.empty()) {
    base.Sore->Value.clear();
    return;
  }
  long long count = static_cast<long long>(SjisCharCount(text));
  std::string piece = left ? SjisCopy(text, 1, n) : SjisCopy(text, count - n + 1, n);
  std::string kept = left ? SjisCopy(text, n + 1, count - n) : SjisCopy(text, 1, count - n);
  base.Sore->Value = std::move(piece);
  // A string literal or それ itself is never written back.
  if (raw == base.Sore->Name || raw[0] == '"' || raw[0] == '`') return;
  if (THashNode* node = base.Words.Find(raw, false)) node->Value = std::move(kept);
}

void CmdCutLeft(TKobuBase& base) { CutEnd(base, true); }
void CmdCutRight(TKobuBase& base) { CutEnd(base, false); }

void CmdParagraph(TKobuBase& base) {
  long long n = IntegerText(ArgText(base), -1);
  std::string text = ArgText(base);
  SetResult(base, std::string(), "s");
  if (n < 0) return;
  std::string_view t = text;
  size_t i = 0;
  for (long long para = 1; i < t.size(); ++para) {
    size_t start = i, j = i;
    // Only a line end followed by another CR ends a paragraph.
    while (j < t.size()) {
      if (t[j] == '\r') {
        size_t k = j + 1;
        if (k < t.size() && t[k] == '\n') ++k;
        if (k < t.size() && t[k] == '\r') break;
      }
      j += CharLenAt(t, j);
    }
    i = j;
    while (i < t.size() && (t[i] == '\r' || t[i] == '\n')) ++i;
    if (para == n) {
      base.Sore->Value = std::string(t.substr(start, i - start));
      return;
    }
  }
}

std::string SettingValue(TKobuBase& base, TSettingWord w, const char* fallback) {
  THashNode* node = base.Settings[w];
  return node ? node->Value : std::string(fallback);
}

void CmdWrap(TKobuBase& base) {
  int32_t w = ArgInteger(base);
  std::string text = ArgText(base);
  if (w <= 0) {
    SetResult(base, std::move(text), "s");
    return;
  }
  long double tabNumber = std::trunc(TextToNumber(SettingValue(base, swTabCount, "8")));
  long long tab = (tabNumber >= -1e9L && tabNumber <= 1e9L) ? static_cast<long long>(tabNumber) : 8;
  std::string forbidden = SettingValue(base, swLineHeadForbidden, "");
  std::string_view s = text;
  std::string out;
  long long c = 0;
  size_t i = 0;
  auto lineBreak = [&] {
    if (!forbidden.empty() && i < s.size()) {
      size_t n = CharLenAt(s, i);
      if (SjisFind(s.substr(i, n), forbidden, 1)) {
        // A character that may not begin a line hangs at the end of this one.
        out.append(s.substr(i, n));
        i += n;
      }
    }
    out += "\r\n";
    c = 0;
  };
  bool fresh = false;  // right after a break the next character is never broken again
  while (i < s.size()) {
    size_t n = CharLenAt(s, i);
    if (n == 2) {
      if (!fresh && c + 2 > w) {
        lineBreak();
        fresh = true;
        continue;
      }
      out.append(s.substr(i, 2));
      c += 2;
      i += 2;
      fresh = false;
      continue;
    }
    if (!fresh && c >= w) {
      lineBreak();
      fresh = true;
      continue;
    }
    fresh = false;
    char b = s[i];
    if (b == '\t') {
      out += '\t';
      c += tab;
      ++i;
    } else if (b == '\r' || b == '\n') {
      // CR LF is one line end; a bare CR or LF is one too, so a blank line
      // written with bare line ends is kept.
      ++i;
      if (b == '\r' && i < s.size() && s[i] == '\n') ++i;
      lineBreak();
      fresh = true;
    } else {
      out += b;
      ++c;
      ++i;
    }
  }
  SetResult(base, std::move(out), "s");
}

void CmdCompare(TKobuBase& base) {
  std::string b = ArgText(base), a = ArgText(base);
  SetResult(base, a == b ? "1" : "0", "e");
}

void CmdOccurrences(TKobuBase& base) {
  std::string pattern = ArgText(base), text = ArgText(base);
  SetResult(base, Decimal(static_cast<long long>(SjisCount(pattern, text))), "e");
}

void CmdStripTags(TKobuBase& base) { SetResult(base, StripTags(ArgText(base)), "s"); }

std::string MapAscii(std::string_view s, bool upper) {
  std::string out(s);
  for (size_t i = 0; i < out.size(); i += CharLenAt(out, i)) {
    char& c = out[i];
    if (CharLenAt(out, i) != 1) continue;
    if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

// The earlier of two searches, npos when both fail.
size_t FindEither(std::string_view a, std::string_view b, std::string_view text, size_t from) {
  return std::min(SjisFindFrom(a, text, from), SjisFindFrom(b, text, from));
}

void CmdExtractTags(TKobuBase& base) {
  std::string name = ArgText(base), html = ArgText(base);
  if (name.size() >= 2 && name.front() == '<' && name.back() == '>') name = name.substr(1, name.size() - 2);
  std::string lower = MapAscii(name, false), upper = MapAscii(name, true);
  std::string out;
  const size_t npos = std::string::npos;
  size_t pos = 0;
  while (pos < html.size()) {
    size_t q = FindEither("<" + lower, "<" + upper, html, pos);
    if (q == npos) break;
    size_t gt = SjisFindFrom(">", html, q + 1);
    if (gt == npos || gt + 1 >= html.size()) break;
    size_t end = gt;
    size_t close = FindEither("</" + lower, "</" + upper, html, gt + 1);
    if (close != npos) {
      size_t g = SjisFindFrom(">", html, close + 2);
      end = g == npos ? html.size() - 1 : g;
    }
    out.append(html, q, end - q + 1);
    out += "\r\n";
    pos = end;
  }
  SetResult(base, std::move(out), "s");
}

std::string UpperForm(std::string form) { return MapAscii(form, true); }

// The bytes [offset, offset + width) must lie inside the value.
void CheckSpan(TKobuBase& base, const THashNode* node, long long offset, size_t width, const char* commandUtf8) {
  if (offset < 0 || static_cast<unsigned long long>(offset) + width > node->Value.size())
    BadArgument(base, commandUtf8);
}

unsigned long long ReadLE(const std::string& v, size_t offset, int width) {
  unsigned long long r = 0;
  for (int k = width - 1; k >= 0; --k) r = (r << 8) | static_cast<unsigned char>(v[offset + k]);
  return r;
}

void CmdBinaryGet(TKobuBase& base) {
  std::string form = UpperForm(ArgText(base));
  int32_t p = ArgInteger(base);
  THashNode* node = ArgWord(base, false);
  long long offset = p >= 2 ? p - 1 : 0;
  const char* cmd = "バイナリ取得";
  const std::string& v = node->Value;
  if (form == "CHAR") {
    CheckSpan(base, node, offset, 1, cmd);
    SetLastValue(base, std::string(1, v[offset]), "s");
  } else if (form == "BYTE") {
    CheckSpan(base, node, offset, 1, cmd);
    SetLastValue(base, Decimal(static_cast<long long>(ReadLE(v, offset, 1))), "e");
  } else if (form == "WORD") {
    CheckSpan(base, node, offset, 2, cmd);
    SetLastValue(base, Decimal(static_cast<long long>(ReadLE(v, offset, 2))), "e");
  } else if (form == "DWORD") {
    CheckSpan(base, node, offset, 4, cmd);
    SetLastValue(base, Decimal(static_cast<long long>(ReadLE(v, offset, 4))), "e");
  } else if (form == "INT") {
    CheckSpan(base, node, offset, 4, cmd);
    SetLastValue(base, Decimal(static_cast<int32_t>(static_cast<uint32_t>(ReadLE(v, offset, 4)))), "e");
  } else if (form == "CHAR*") {
    CheckSpan(base, node, offset, 1, cmd);
    size_t z = v.find('\0', offset);
    if (z == std::string::npos) z = v.size();
    std::string out = v.substr(offset, z - offset);
    if (!out.empty()) out += '\0';
    base.Sore->Value = std::move(out);
  }
}

void RangeCheck(TKobuBase& base, long double v, long double lo, long double hi, const std::string& text) {
  if (!(v >= lo && v <= hi)) ScriptError(base, "数値\"%s\"は範囲外です。", {text});
}

void WriteLE(std::string& v, size_t offset, unsigned long long x, int width) {
  for (int k = 0; k < width; ++k) v[offset + k] = static_cast<char>((x >> (8 * k)) & 0xFF);
}

void CmdBinarySet(TKobuBase& base) {
  std::string form = UpperForm(ArgText(base));
  int32_t p = ArgInteger(base);
  THashNode* node = ArgWord(base, false);
  std::string value = ArgText(base);
  long long offset = static_cast<long long>(p) - 1;
  const char* cmd = "バイナリ設定";
  long double x = std::trunc(TextToNumber(value));
  std::string& v = node->Value;
  if (form == "CHAR") {
    CheckSpan(base, node, offset, 1, cmd);
    v[offset] = value.empty() ? '\0' : value[0];
  } else if (form == "BYTE") {
    CheckSpan(base, node, offset, 1, cmd);
    long double m = std::isfinite(x) ? std::fmod(x, 256.0L) : 0;
    if (m < 0) m += 256;
    v[offset] = static_cast<char>(static_cast<unsigned>(m));
  } else if (form == "WORD" || form == "DWORD") {
    int width = form == "WORD" ? 2 : 4;
    RangeCheck(base, x, 0, 4294967295.0L, value);
    CheckSpan(base, node, offset, width, cmd);
    WriteLE(v, offset, static_cast<unsigned long long>(x), width);
  } else if (form == "INT") {
    RangeCheck(base, x, -2147483648.0L, 2147483647.0L, value);
    CheckSpan(base, node, offset, 4, cmd);
    WriteLE(v, offset, static_cast<uint32_t>(static_cast<int32_t>(x)), 4);
  } else if (form == "CHAR*") {
    size_t z = value.find('\0');
    if (z != std::string::npos) value.resize(z);
    CheckSpan(base, node, offset, value.size() + 1, cmd);
    v.replace(offset, value.size(), value);
    v[offset + value.size()] = '\0';
  }
}

void CmdBinaryDump(TKobuBase& base) { SetResult(base, BinaryDump(ArgText(base)), "s"); }

// 行数: physical lines of a word's value; それ's mark stays as it was.
void CmdLineCount(TKobuBase& base) {
  std::string name = ArgName(base);
  if (name.size() >= 2 && name.front() == '`' && name.back() == '`') name = name.substr(1, name.size() - 2);
  THashNode* node = base.Words.Find(name, false);
  if (!node) ScriptError(base, "変数\"%s\"が見つかりません。", {name});
  std::string text = node->Kind == wkDictionary ? (node->Dict ? node->Dict->NameValueList() : std::string())
                                                : node->Value;
  base.Sore->Value = Decimal(static_cast<long long>(ReadArrayText(text).size()));
}

// 区切る: one table row per piece, so pieces holding quotes or commas come back quoted.
void CmdSplit(TKobuBase& base) {
  std::string separator = ArgText(base), text = ArgText(base);
  TTableRows rows;
  for (auto& piece : SplitAtSeparator(text, separator)) rows.push_back({std::move(piece)});
  SetResult(base, WriteTableText(rows), "s");
}

void CmdTableTag(TKobuBase& base) {
  std::string attributes = ArgText(base);
  SetResult(base, HtmlTable(ReadTableText(ArgText(base)), attributes), "s");
}

const TCommandRow kRows[] = {
    {"文字数", "?の", "文字列?の文字数を返す", 92, CmdCharCount},
    {"バイト数", "?の", "文字列?のバイト数を返す", 122, CmdByteCount},
    {"行数", "?の", "変数?の行数を返す", 4, CmdLineCount},
    {"置換", "?の,?を,?に", "文字列?の中の?を全て?に置き換える", 7, CmdReplace},
    {"単置換", "?で,?個目の,?を,?に", "文字列?で,?個目の?だけを?に置き換える", 8, CmdReplaceNth},
    {"何文字目", "?の中で,?が", "文字列?の中で?が何文字目にあるかを返す", 47, CmdCharPos},
    {"リフレイン", "?を,?度", "文字列?を?回繰り返した文字列を返す", 9, CmdRefrain},
    {"確保", "?に,?バイトを", "変数?の大きさを?バイトにする", 10, CmdReserve},
    {"LEN", "?", "文字列?の文字数を返す", 92, CmdCharCount},
    {"LENB", "?", "文字列?のバイト数を返す", 122, CmdByteCount},
    {"RIGHT", "?,?", "文字列?の右端から?文字を返す", 14, CmdRight},
    {"LEFT", "?,?", "文字列?の左端から?文字を返す", 15, CmdLeft},
    {"MID", "?の中で,?から,?つ", "文字列?の?文字目から?文字を返す", 48, CmdMid},
    {"MIDB", "?,?,?", "文字列?の?バイト目から?バイトを返す", 16, CmdMidB},
    {"POS", "?,?", "文字列?の中で?が何文字目にあるかを返す", 47, CmdCharPos},
    {"文比較", "?と,?で", "文字列?と?が等しいか調べる", 17, CmdCompare},
    {"出現回数", "?で,?の", "文字列?の中に?が現れる回数を返す", 18, CmdOccurrences},
    {"区切る", "?を,?で", "文字列?を区切り文字?で区切って配列にする", 21, CmdSplit},
    {"切り出す", "?の中で,?から,?つ", "文字列?の?文字目から?文字を返す", 48, CmdMid},
    {"段落を切り出す", "?から,?番目の", "文字列?から?番目の段落を切り出す", 22, CmdParagraph},
    {"行揃え", "?を,?バイトで", "文字列?を?バイトごとに折り返す", 23, CmdWrap},
    {"左端を切り取る", "?から,?文字", "変数?の左端から?文字を切り取る", 24, CmdCutLeft},
    {"右端を切り取る", "?から,?文字", "変数?の右端から?文字を切り取る", 25, CmdCutRight},
    {"切り取る", "?の,?までを", "変数?の区切り文字?までを切り取る", 26, CmdCut},
    {"範囲を切り取る", "?の,?から,?までの", "変数?の中の?から?までを切り取る", 27, CmdCutRange},
    {"判別して切り取る", "?の,?までを,?で", "変数?の?までを、判別文字?を考慮して切り取る", 28, CmdCutEscaped},
    {"前後の空白削除", "?の", "文字列?の前後の空白を削除する", 72, CmdTrim},
    {"トリム", "?を", "文字列?の前後の空白を削除する", 72, CmdTrim},
    {"右端削除", "?から,?文字", "文字列?から右端の?文字を削除する", 29, CmdDropRight},
    {"左端削除", "?から,?文字", "文字列?から左端の?文字を削除する", 30, CmdDropLeft},
    {"タグ削除", "?から", "文字列?からタグを削除する", 31, CmdStripTags},
    {"タグ切り出し", "?から,?の", "HTML?からタグ?の要素を切り出す", 32, CmdExtractTags},
    {"テーブルタグで囲む", "?を,?で", "表?を属性?のTABLEタグで囲む", 33, CmdTableTag},
    {"バイナリ取得", "?の,?を,?形式で", "変数?の?バイト目から?形式の値を読む", 34, CmdBinaryGet},
    {"バイナリ設定", "?を,?の,?に,?形式で", "値?を変数?の?バイト目に?形式で書く", 35, CmdBinarySet},
    {"バイナリダンプ", "?を", "文字列?を16進数でダンプする", 36, CmdBinaryDump},
};

}  // namespace

std::span<const TCommandRow> StringCommandRows() { return kRows; }

}  // namespace kobu
