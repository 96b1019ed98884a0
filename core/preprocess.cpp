#include "core/preprocess.h"

#include <charconv>
#include <climits>
#include <cstdint>
#include <memory>

#include "core/convtohalf.h"
#include "core/errors.h"
#include "core/kbhash.h"
#include "core/kobubase.h"
#include "core/readers.h"
#include "core/sjis.h"
#include "platform/cp932.h"

namespace kobu {

namespace {

// Where a string or brace comment was opened: its line and the input offset
// right after the opening mark.
struct TMark {
  int32_t Line = 0;
  size_t Pos = 0;
};

void AppendNumber(std::string& out, int32_t n) {
  char buf[16];
  auto res = std::to_chars(buf, buf + sizeof buf, n);
  out.append(buf, res.ptr);
}

// Reports a construct left open, quoting the input that follows its mark.
[[noreturn]] void FailOpen(TKobuBase& base, std::string_view text, const TMark& mark,
                           const std::string& prefix) {
  static const std::string tail = sj("』の近く");
  base.CurrentPosition = nullptr;
  // The report must name the mark's line, not the statement that read the text.
  base.StatementPosition = nullptr;
  base.CurrentLine = mark.Line;
  std::string_view near = text.substr(mark.Pos, 20);
  ScriptErrorSj(base, prefix + "%s" + tail, {near});
}

// Decimal value of the digits in [b, e), or -1 when they are no integer.
int32_t MarkerValue(const char* b, const char* e) {
  if (b == e) return -1;
  int64_t v = 0;
  for (; b < e; ++b) {
    if (*b < '0' || *b > '9') return -1;
    v = v * 10 + (*b - '0');
    if (v > INT32_MAX) return -1;
  }
  return static_cast<int32_t>(v);
}

// Passes over the literal at p (a double quote or backquote). False when it
// is not closed before the end of the text.
bool SkipLiteral(const char*& p) {
  const char* q = p + 1;
  if (*p == '"') {
    while (*q) {
      if (*q == '\\') {
        ++q;
        if (!*q) return false;
        q += CharLen(q);
        continue;
      }
      if (*q == '"') {
        p = q + 1;
        return true;
      }
      q += CharLen(q);
    }
    return false;
  }
  while (*q) {
    if (*q == '`') {
      if (q[1] == '`') {  // a doubled backquote stands inside the literal
        q += 2;
        continue;
      }
      p = q + 1;
      return true;
    }
    q += CharLen(q);
  }
  return false;
}

}  // namespace

std::string Preprocess(TKobuBase& base, std::string_view text) {
  static const std::string openBrace = sj("{ }が対応していません。『");
  static const std::string openQuote = sj("「」または\"\"が対応していません。『");
  static const std::string openBack = sj("『』または''''が対応していません。『");

  size_t zero = text.find('\0');
  if (zero != std::string_view::npos) text = text.substr(0, zero);

  const TConvToHalf& half = TConvToHalf::Instance();
  std::string out;
  out.reserve(text.size() + text.size() / 8 + 16);

  int32_t line = 1;
  bool inQuote = false, inBack = false, inBrace = false, inLineComment = false;
  TMark stringMark, braceMark;
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    const char* p = text.data() + i;
    const size_t len = CharLenAt(text, i);
    const char* rep = half.Lookup(p, len);
    i += len;
    // The decisions are made on the converted character; only a one-byte
    // result can be a syntax character.
    char h = 0;
    if (rep) {
      if (rep[0] && !rep[1]) h = rep[0];
    } else if (len == 1) {
      h = *p;
    }
    const bool inString = inQuote || inBack;
    const bool inComment = inBrace || inLineComment;
    auto writeUsual = [&] {
      if (inComment) return;
      if (rep && !inString) out += rep;
      else out.append(p, len);
    };

    switch (h) {
      case '\r':
        if (i < n && text[i] == '\n') ++i;
        inLineComment = false;
        out += "\r\n";
        if (!inString) {
          AppendNumber(out, line);
          out += ':';
        }
        ++line;
        break;
      case '"':
        if (inComment || inBack) {
          writeUsual();
          break;
        }
        inQuote = !inQuote;
        out += '"';
        stringMark = {line, i};
        break;
      case '\'':
        if (inString || inBrace) writeUsual();
        else inLineComment = true;
        break;
      case '/':
        if (inString || inComment) {
          writeUsual();
          break;
        }
        if (i < n && text[i] == '/') {
          ++i;
          inLineComment = true;
        } else {
          out += '/';
        }
        break;
      case '\\':
        if (inComment) break;
        if (inQuote) {
          // The escaped character goes out as written and can never end the string.
          out += '\\';
          // A line end after the escape is still a line end: it keeps the count.
          if (i < n && text[i] != '\r') {
            size_t l2 = CharLenAt(text, i);
            out.append(text.data() + i, l2);
            i += l2;
          }
          break;
        }
        writeUsual();
        break;
      case '`': {
        if (inComment || inQuote) {
          writeUsual();
          break;
        }
        bool pair = false;
        size_t l2 = 0;
        if (i < n) {
          l2 = CharLenAt(text, i);
          const char* r2 = half.Lookup(text.data() + i, l2);
          pair = r2 ? (r2[0] == '`' && !r2[1]) : (l2 == 1 && text[i] == '`');
        }
        if (pair) {
          // Outside a string an empty literal, inside it one backquote.
          out += "``";
          i += l2;
        } else {
          inBack = !inBack;
          out += '`';
        }
        stringMark = {line, i};
        break;
      }
      case '{':
      case '}':
        if (inString || inLineComment) {
          writeUsual();
          break;
        }
        // No nesting: only the opening brace is remembered for the report.
        if (h == '{') {
          if (!inBrace) braceMark = {line, i};
          inBrace = true;
        } else {
          inBrace = false;
        }
        break;
      default:
        writeUsual();
        break;
    }
  }

  if (inBrace) FailOpen(base, text, braceMark, openBrace);
  if (inQuote) FailOpen(base, text, stringMark, openQuote);
  if (inBack) FailOpen(base, text, stringMark, openBack);
  return out;
}

void RegisterLabels(TKobuBase& base, const char* text, const std::string& fileName) {
  const char* p = text;
  // True while only blanks stand between the cursor and the start of the
  // text, a line end or the ":" of a line marker.
  bool lineStart = true;
  while (*p) {
    const char c = *p;
    if (c == '"' || c == '`') {
      if (!SkipLiteral(p)) return;
      lineStart = false;
      continue;
    }
    if (c == '*') {
      if (p[1] == '*') {
        p += 2;
        lineStart = false;
        continue;
      }
      const char* q = p + 1;
      std::string name = ReadRun(q);
      if (!name.empty() && lineStart && (*q == '\0' || *q == '\n' || *q == '\r')) {
        if (base.Words.Find(name, false)) {
          base.CurrentPosition = q;
          base.StatementPosition = nullptr;
          ScriptError(base, "ラベル\"%s\"の定義に失敗しました。既に単語として使われています。", {name});
        }
        base.Words.Add(std::make_unique<THashNode>(name, std::string(), std::string(), fileName,
                                                   wkLabel, 0, q, true));
        p = q;
      } else {
        ++p;
      }
      lineStart = false;
      continue;
    }
    const size_t len = CharLen(p);
    if (len == 1 && (c == '\r' || c == '\n' || c == ':')) lineStart = true;
    else if (len != 1 || (c != ' ' && c != '\t')) lineStart = false;
    p += len;
  }
}

void SkipToLineEnd(const char*& cursor) {
  while (*cursor && *cursor != '\r') cursor += CharLen(cursor);
}

void ReadLineMarker(TKobuBase& base, const char*& cursor) {
  while (*cursor == '\t' || *cursor == '\n' || *cursor == '\r' || *cursor == ' ') ++cursor;
  if (*cursor < '0' || *cursor > '9') {
    base.CurrentLine = -1;
    return;
  }
  const char* b = cursor;
  while (*cursor && *cursor != ':') cursor += CharLen(cursor);
  const char* e = cursor;
  if (*cursor == ':') ++cursor;
  base.CurrentLine = MarkerValue(b, e);
}

int FindLineNumber(TKobuBase& base) {
  return FindLineNumberAt(base, base.StatementPosition ? base.StatementPosition : base.CurrentPosition);
}

int FindLineNumberAt(TKobuBase& base, const char* pos) {
  if (!pos) return base.CurrentLine;
  const char* p = pos;
  while (*p && *p != '\r' && *p != '\n') p += CharLen(p);
  if (!*p) return base.CurrentLine;
  while (*p == '\r' || *p == '\n') ++p;
  // The marker that follows names the line; anything but digits up to its
  // ":" (or the end) is no marker, e.g. a line end inside a string.
  const char* b = p;
  while (*p >= '0' && *p <= '9') ++p;
  int32_t v = (*p == ':' || *p == '\0') ? MarkerValue(b, p) : -1;
  if (v >= 0) base.CurrentLine = v;
  return base.CurrentLine;
}

}  // namespace kobu
