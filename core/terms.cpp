#include "core/terms.h"

#include "core/convtohalf.h"
#include "core/errors.h"
#include "core/expression.h"
#include "core/kobubase.h"
#include "core/preprocess.h"
#include "core/readers.h"
#include "core/runcontrol.h"
#include "core/sjis.h"
#include "core/statement.h"
#include "core/tabletext.h"
#include "platform/cp932.h"

namespace kobu {

std::string QuoteLiteral(std::string_view value) {
  std::string out;
  out.reserve(value.size() + 2);
  out += '`';
  for (size_t i = 0; i < value.size();) {
    size_t len = CharLenAt(value, i);
    if (len == 1 && value[i] == '`') out += '`';
    out.append(value.data() + i, len);
    i += len;
  }
  out += '`';
  return out;
}

std::string ReadLiteralSpan(TKobuBase& base, const char*& p) {
  SkipBlanks(p);
  const char* s = p;
  if (*p == '"') {
    ++p;
    for (;;) {
      if (!*p) ScriptError(base, "対応するカッコ \" または 」 がありません。");
      if (*p == '"') break;
      if (*p == '\\') {
        ++p;
        if (!*p) continue;
      }
      p += CharLen(p);
    }
    ++p;
    return std::string(s, p - s);
  }
  if (*p == '`') {
    ++p;
    for (;;) {
      if (!*p) ScriptError(base, "対応するカッコ ` または 』 がありません。");
      if (*p == '`') {
        if (p[1] == '`') {
          p += 2;
          continue;
        }
        break;
      }
      p += CharLen(p);
    }
    ++p;
    return std::string(s, p - s);
  }
  return std::string();
}

std::string ReadGroup(TKobuBase& base, const char*& p) {
  SkipBlanks(p);
  if (*p != '(') return std::string();
  const char* s = ++p;
  int depth = 1;
  while (*p) {
    if (*p == '"' || *p == '`') {
      // Parentheses inside literals do not count; an open literal runs to the end.
      char q = *p++;
      while (*p) {
        if (q == '"' && *p == '\\' && p[1]) { p += 1 + CharLen(p + 1); continue; }
        if (*p == q) {
          if (q == '`' && p[1] == '`') { p += 2; continue; }
          break;
        }
        p += CharLen(p);
      }
      if (*p) ++p;
      continue;
    }
    if (*p == '(') ++depth;
    else if (*p == ')' && --depth == 0) {
      std::string inner(s, p - s);
      ++p;
      return inner;
    }
    p += CharLen(p);
  }
  ScriptError(base, "\")\"が対応していません。");
}

namespace {

const char* kZenN = "\x82\x8E";    // ｎ
const char* kZenT = "\x82\x94";    // ｔ
const char* kZenYen = "\x81\x8F";  // ￥
const char* kZenLBrace = "\x81\x6F";
const char* kZenRBrace = "\x81\x70";

bool At2(const char* p, const char* two) { return p[0] == two[0] && p[1] == two[1]; }

void SkipAmpersandAfterLiteral(const char*& p) {
  SkipBlanks(p);
  if (*p == '&') ++p;
}

// The body of a double-quote literal, p after the opening quote.
std::string ReadDoubleQuoted(TKobuBase& base, const char*& p) {
  std::string v;
  for (;;) {
    if (!*p) ScriptError(base, "文字列\"%s\"の最後に」がありません。", {v});
    size_t len = CharLen(p);
    if ((len == 1 && *p == '\\') || (len == 2 && At2(p, kZenYen))) {
      p += len;
      size_t n = CharLen(p);
      if (n == 0) continue;
      if ((n == 1 && *p == 'n') || (n == 2 && At2(p, kZenN))) v += "\r\n";
      else if ((n == 1 && *p == 't') || (n == 2 && At2(p, kZenT))) v += '\t';
      else v.append(p, n);
      p += n;
      continue;
    }
    if ((len == 1 && *p == '{') || (len == 2 && At2(p, kZenLBrace))) {
      p += len;
      std::string expr;
      while (*p) {
        size_t n = CharLen(p);
        if ((n == 1 && *p == '}') || (n == 2 && At2(p, kZenRBrace))) { p += n; break; }
        expr.append(p, n);
        p += n;
      }
      v += EvaluateArgument(base, TConvToHalf::Instance().Convert(expr));
      continue;
    }
    if (len == 1 && *p == '"') {
      ++p;
      SkipAmpersandAfterLiteral(p);
      return v;
    }
    v.append(p, len);
    p += len;
  }
}

// The body of a backquote literal, p after the opening backquote.
std::string ReadBackQuoted(const char*& p) {
  std::string v;
  while (*p) {
    if (*p == '`') {
      if (p[1] == '`') { v += '`'; p += 2; continue; }
      ++p;
      break;
    }
    size_t n = CharLen(p);
    v.append(p, n);
    p += n;
  }
  SkipAmpersandAfterLiteral(p);
  return v;
}

// An index after "#": a group as an expression, otherwise one term.
std::string ReadIndex(TKobuBase& base, const char*& p) {
  if (*p == '(') {
    std::string g = ReadGroup(base, p);
    return EvaluateExpressionText(base, g);
  }
  // A word is read first and then taken as a term by itself, so in B#I#J the
  // first index is I's value, not an element of it.
  const char* start = p;
  std::string word = ReadWord(base, p);
  if (word.empty() || *p == '(') {
    p = start;
    return ReadTerm(base, p, nullptr);
  }
  const char* q = word.c_str();
  return ReadTerm(base, q, nullptr);
}

// name=value lines: the value of the line named `key`.
std::string LineValue(std::string_view text, std::string_view key) {
  size_t i = 0;
  while (i < text.size()) {
    size_t e = i;
    while (e < text.size() && text[e] != '\r' && text[e] != '\n') e += CharLenAt(text, e);
    std::string_view line = text.substr(i, e - i);
    size_t eq = 0;
    while (eq < line.size() && line[eq] != '=') eq += CharLenAt(line, eq);
    std::string_view name = line.substr(0, eq);
    while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
    if (name == key) return eq < line.size() ? std::string(line.substr(eq + 1)) : std::string();
    i = e;
    if (i < text.size() && text[i] == '\r') ++i;
    if (i < text.size() && text[i] == '\n') ++i;
  }
  return std::string();
}

std::string ReadPossessive(TKobuBase& base, THashNode* owner, const std::string& ownerName,
                           const char*& p) {
  std::string key = (*p == '(') ? ReadGroup(base, p) : ReadWord(base, p);
  for (int hops = 0; hops < 64; ++hops) {
    switch (owner->Kind) {
      case wkVariable: {
        std::string named = EvaluateArgument(base, owner->Name);
        THashNode* other = base.Words.Find(named, false);
        if (other && other->Kind != wkVariable && other != owner) {
          owner = other;
          continue;
        }
        std::string k = key;
        if (THashNode* kn = base.Words.Find(key, false)) k = kn->Value;
        base.LastTypeMark = "s";
        return LineValue(owner->Value, k);
      }
      case wkDictionary: {
        if (!owner->Dict)
          ScriptError(base, "作成されていないハッシュ\"%s\"が、見つかりました。メモリが足りないか、バグの可能性があります。", {owner->Name});
        THashNode* entry = owner->Dict->Find(key, false);
        if (!entry) entry = owner->Dict->Find(EvaluateArgument(base, key), false);
        if (!entry) {
          base.LastTypeMark = "s";
          return std::string();
        }
        base.LastTypeMark = entry->TypeMark.empty() ? std::string() : entry->TypeMark.substr(entry->TypeMark.size() - 1);
        return entry->Value;
      }
      case wkObject:
        if (base.ObjectSystem) return base.ObjectSystem->GetProperty(owner->Name, key);
        ScriptError(base, "オブジェクト\"%s\"から、直接値を得ることは出来ません。", {ownerName});
      default:
        ScriptError(base, "オブジェクト\"%s\"から、直接値を得ることは出来ません。", {ownerName});
    }
  }
  ScriptError(base, "オブジェクト\"%s\"から、直接値を得ることは出来ません。", {ownerName});
}

std::string ElementAccess(TKobuBase& base, const std::string& value, const char*& p) {
  ++p;  // '#'
  long i = IndexValue(ReadIndex(base, p));
  SkipTabsSpaces(p);
  bool two = false;
  long j = -1;
  if (*p == '#') {
    ++p;
    two = true;
    j = IndexValue(ReadIndex(base, p));
  }
  TTableRows rows = ReadTableText(value);
  base.LastTypeMark = "s";
  if (two) {
    if (i < 0 || j < 0 || static_cast<size_t>(j) >= rows.size()) return std::string();
    const auto& row = rows[j];
    return static_cast<size_t>(i) < row.size() ? row[i] : std::string();
  }
  if (i < 0 || static_cast<size_t>(i) >= rows.size()) return std::string();
  const auto& row = rows[i];
  if (row.size() == 1) return row[0];
  return WriteTableRow(row, row.size());
}

}  // namespace

// Integer value of an index text; -1 when it is not an integer.
long IndexValue(const std::string& text) {
  if (text.empty()) return -1;
  size_t i = 0;
  bool neg = false;
  if (text[0] == '-' || text[0] == '+') neg = text[0] == '-', i = 1;
  if (i >= text.size()) return -1;
  long v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    v = v * 10 + (text[i] - '0');
    if (v > 0x7FFFFFFF) return -1;
  }
  return neg ? -v : v;
}

std::string EvaluateLiteral(TKobuBase& base, const std::string& literal) {
  std::string out;
  const char* p = literal.c_str();
  const char* end = p + literal.size();
  while (*p) {
    SkipBlanks(p);
    if (!*p) break;
    if (*p == '"') {
      ++p;
      out += ReadDoubleQuoted(base, p);
    } else if (*p == '`') {
      ++p;
      out += ReadBackQuoted(p);
    } else if (*p == '&') {
      ++p;
    } else {
      const char* before = p;
      out += ReadTerm(base, p, end);
      if (p == before) p += CharLen(p);
    }
  }
  return out;
}

std::string ReadTerm(TKobuBase& base, const char*& p, const char* limit) {
  CheckStackDepth(base);
  SkipBlanks(p);
  char c = *p;
  if (c == '"' || c == '`') {
    std::string span = ReadLiteralSpan(base, p);
    std::string v = EvaluateLiteral(base, span);
    base.LastTypeMark = "s";
    return v;
  }
  if (c == '$' || (c >= '0' && c <= '9')) {
    std::string v = ReadNumberText(p);
    base.LastTypeMark = "e";
    return v;
  }
  if (c == '(') {
    std::string g = ReadGroup(base, p);
    return EvaluateExpressionText(base, g);
  }
  if (c == '-') {
    ++p;
    if (limit && p >= limit) {
      base.LastTypeMark = "s";
      return "-";
    }
    return "-" + ReadTerm(base, p, limit);
  }
  std::string w = ReadWord(base, p);
  if (w.empty()) {
    base.LastTypeMark = "s";
    return w;
  }
  // A call: name(arguments).
  if (*p == '(' && base.Words.Find(w, true)) return CallWithParentheses(base, w, p, false);
  // Possessive: owner の key.
  static const std::string no = sj("の");
  if (EndsWithChars(w, no)) {
    std::string ownerName = w.substr(0, w.size() - no.size());
    if (THashNode* owner = base.Words.Find(ownerName, false)) return ReadPossessive(base, owner, ownerName, p);
  }
  THashNode* n = base.Words.Find(w, false);
  if (!n) {
    base.LastTypeMark = "s";
    return w;
  }
  switch (n->Kind) {
    case wkCommand: {
      std::string savedValue = base.Sore->Value, savedMark = base.Sore->TypeMark;
      SkipBlanks(p);
      DispatchCommand(base, n, w);
      std::string v = base.Sore->Value;
      base.LastTypeMark = base.Sore->TypeMark;
      base.Sore->Value = std::move(savedValue);
      base.Sore->TypeMark = std::move(savedMark);
      return v;
    }
    case wkLabel: {
      std::string savedValue = base.Sore->Value, savedMark = base.Sore->TypeMark;
      base.Sore->Value.clear();
      RunLabelNested(base, n, false);
      std::string v = base.Sore->Value;
      base.LastTypeMark = base.Sore->TypeMark;
      base.Sore->Value = std::move(savedValue);
      base.Sore->TypeMark = std::move(savedMark);
      return v;
    }
    case wkVariable: {
      base.LastTypeMark = n->TypeMark;
      if (*p == '#') return ElementAccess(base, n->Value, p);
      return n->Value;
    }
    case wkDictionary:
      base.LastTypeMark = "s";
      return n->Dict ? n->Dict->NameValueList() : std::string();
    case wkObject:
      if (base.ObjectSystem) return base.ObjectSystem->ObjectValue(n);
      ScriptError(base, "オブジェクト\"%s\"から、直接値を得ることは出来ません。", {w});
    default:
      // External functions get their values once those exist.
      ScriptError(base, "オブジェクト\"%s\"から、直接値を得ることは出来ません。", {w});
  }
}

std::string EvaluateArgument(TKobuBase& base, const std::string& text) {
  if (text.empty()) {
    base.LastTypeMark = "s";
    return std::string();
  }
  const char* start = text.c_str();
  const char* end = start + text.size();
  const char* p = start;
  SkipBlanks(p);
  std::string v = ReadTerm(base, p, end);
  for (;;) {
    SkipBlanks(p);
    if (!*p) break;
    if (*p == '&' && p[1] != '&') {
      ++p;
      SkipBlanks(p);
      if (*p == '\r' || *p == '\n') {
        ReadLineMarker(base, p);
        SkipBlanks(p);
      }
      v += ReadTerm(base, p, end);
      base.LastTypeMark = "s";
      continue;
    }
    if (IsOperatorChar(*p) || (p[0] == '|' && p[1] == '|')) {
      std::string expr = "(";
      expr += (base.LastTypeMark == "s") ? QuoteLiteral(v) : v;
      expr += p;
      expr += ')';
      return EvaluateExpressionText(base, expr);
    }
    break;
  }
  return v;
}

}  // namespace kobu
