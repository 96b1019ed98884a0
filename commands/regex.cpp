#include "commands/regex.h"

#include <oniguruma.h>

#include <algorithm>
#include <memory>
#include <unordered_map>

#include "core/sjis.h"
#include "platform/cp932.h"

namespace kobu {

namespace {

// ---- reading the expression forms ------------------------------------------

bool IsAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// A delimiter is one single-byte punctuation character; backslash and blanks
// are none, so 「m\d」 or 「mail」 stay bare patterns.
bool IsDelimiter(std::string_view s, size_t i) {
  if (i >= s.size()) return false;
  unsigned char c = static_cast<unsigned char>(s[i]);
  if (IsLeadByte(c) || c <= 0x20 || c >= 0x7F) return false;
  return !IsAsciiAlnum(s[i]) && s[i] != '\\' && s[i] != '_';
}

char Closing(char open) {
  switch (open) {
    case '(': return ')';
    case '[': return ']';
    case '{': return '}';
    case '<': return '>';
    default: return open;
  }
}

// Reads a delimited body starting just after its opening delimiter at s[i-1].
// Backslash pairs are kept whole (the escape belongs to the body's own
// reader); bracket delimiters nest. False when the body is not closed.
bool ReadBody(std::string_view s, size_t& i, char open, std::string& body) {
  char close = Closing(open);
  int depth = 0;
  while (i < s.size()) {
    size_t len = CharLenAt(s, i);
    if (len == 1 && s[i] == '\\' && i + 1 < s.size()) {
      size_t l2 = CharLenAt(s, i + 1);
      body.append(s.substr(i, 1 + l2));
      i += 1 + l2;
      continue;
    }
    if (len == 1) {
      if (s[i] == close && depth == 0) {
        ++i;
        return true;
      }
      if (close != open) {
        if (s[i] == open) ++depth;
        else if (s[i] == close) --depth;
      }
    }
    body.append(s.substr(i, len));
    i += len;
  }
  return false;
}

// The second body of s{..}{..} may follow blanks and has its own delimiters.
bool ReadSecondBody(std::string_view s, size_t& i, char open, std::string& body) {
  if (Closing(open) == open) return ReadBody(s, i, open, body);
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n')) ++i;
  if (!IsDelimiter(s, i)) return false;
  char second = s[i++];
  return ReadBody(s, i, second, body);
}

bool FlagsValid(std::string_view flags, std::string_view allowed) {
  for (char c : flags)
    if (allowed.find(c) == std::string_view::npos) return false;
  return true;
}

[[noreturn]] void Fail(const char* utf8) { throw ERegex(sj(utf8)); }

struct TPattern {
  std::string pattern;
  std::string flags;
};

TPattern ReadMatchForm(std::string_view expr) {
  if (expr.size() >= 2 && expr[0] == 'm' && IsDelimiter(expr, 1)) {
    size_t i = 2;
    TPattern p;
    if (ReadBody(expr, i, expr[1], p.pattern)) {
      p.flags = std::string(expr.substr(i));
      if (FlagsValid(p.flags, "gimsxko")) return p;
    }
  }
  // A bare pattern stands as it is: a "/" in it is an ordinary character.
  return TPattern{std::string(expr), std::string()};
}

// ---- the engine ------------------------------------------------------------

// The engine bounds the backtracking of one match attempt, but a search
// makes an attempt at every position, each of which may use nearly all of
// it; the whole search gets a bound of its own, so a pathological expression
// over a long text fails in a second or two instead of running for hours.
constexpr unsigned long kRetryLimitInSearch = 200000000UL;

void InitEngine() {
  static const bool done = [] {
    OnigEncoding encodings[] = {ONIG_ENCODING_SJIS};
    onig_initialize(encodings, 1);
    onig_set_retry_limit_in_search(kRetryLimitInSearch);
    return true;
  }();
  (void)done;
}

OnigOptionType OptionsOf(std::string_view flags) {
  OnigOptionType o = ONIG_OPTION_CAPTURE_GROUP;
  for (char c : flags) {
    if (c == 'i') o |= ONIG_OPTION_IGNORECASE;
    else if (c == 'm') o |= ONIG_OPTION_NEGATE_SINGLELINE;
    else if (c == 's') o |= ONIG_OPTION_MULTILINE;
    else if (c == 'x') o |= ONIG_OPTION_EXTEND;
  }
  return o;
}

struct TRegexFree {
  void operator()(OnigRegex r) const { onig_free(r); }
};
using TRegexPtr = std::unique_ptr<std::remove_pointer_t<OnigRegex>, TRegexFree>;

std::unordered_map<std::string, TRegexPtr>& Cache() {
  static std::unordered_map<std::string, TRegexPtr> cache;
  return cache;
}

// Compiled expressions are kept: scripts run the same expression in loops.
OnigRegex Compile(const std::string& pattern, OnigOptionType options) {
  InitEngine();
  std::string key(reinterpret_cast<const char*>(&options), sizeof options);
  key += pattern;
  auto& cache = Cache();
  auto it = cache.find(key);
  if (it != cache.end()) return it->second.get();
  if (cache.size() >= 256) cache.clear();
  OnigRegex reg = nullptr;
  OnigErrorInfo info{};
  const auto* p = reinterpret_cast<const OnigUChar*>(pattern.data());
  int r = onig_new(&reg, p, p + pattern.size(), options, ONIG_ENCODING_SJIS, ONIG_SYNTAX_PERL_NG, &info);
  if (r != ONIG_NORMAL) {
    OnigUChar buf[ONIG_MAX_ERROR_MESSAGE_LEN + 1] = {};
    onig_error_code_to_str(buf, r, &info);
    throw ERegex(reinterpret_cast<const char*>(buf));
  }
  return cache.emplace(std::move(key), TRegexPtr(reg)).first->second.get();
}

struct TRegion {
  OnigRegion* r = onig_region_new();
  ~TRegion() { onig_region_free(r, 1); }
  TRegion() = default;
  TRegion(const TRegion&) = delete;
  TRegion& operator=(const TRegion&) = delete;
};

[[noreturn]] void EngineFailure(int code) {
  OnigUChar buf[ONIG_MAX_ERROR_MESSAGE_LEN + 1] = {};
  onig_error_code_to_str(buf, code);
  throw ERegex(reinterpret_cast<const char*>(buf));
}

const OnigUChar* U(std::string_view s) { return reinterpret_cast<const OnigUChar*>(s.data()); }

// The engine takes a final lead byte for the first half of a character and
// may look at the byte behind it; such a text is searched in a copy, whose
// terminator is that byte.
class TSubject {
 public:
  explicit TSubject(std::string_view text) : view_(text) {
    if (!text.empty() && IsLeadByte(static_cast<unsigned char>(text.back()))) {
      copy_.assign(text);
      view_ = copy_;
    }
  }
  std::string_view View() const { return view_; }

 private:
  std::string copy_;
  std::string_view view_;
};

// The first match starting at or after `from`.
bool SearchFrom(OnigRegex reg, std::string_view text, size_t from, OnigRegion* region) {
  const OnigUChar* str = U(text);
  int r = onig_search(reg, str, str + text.size(), str + from, str + text.size(), region, ONIG_OPTION_NONE);
  if (r == ONIG_MISMATCH) return false;
  if (r < 0) EngineFailure(r);
  return true;
}

// A non-empty match starting exactly at `at`.
bool NonEmptyAt(OnigRegex reg, std::string_view text, size_t at, OnigRegion* region) {
  const OnigUChar* str = U(text);
  int r = onig_match(reg, str, str + text.size(), str + at, region, ONIG_OPTION_FIND_NOT_EMPTY);
  if (r == ONIG_MISMATCH) return false;
  if (r < 0) EngineFailure(r);
  return r > 0;
}

// The next match that ends beyond `s`: non-empty at s, or anywhere after s.
bool MatchEndingAfter(OnigRegex reg, std::string_view text, size_t s, OnigRegion* region) {
  if (NonEmptyAt(reg, text, s, region)) return true;
  if (s >= text.size()) return false;
  return SearchFrom(reg, text, s + CharLenAt(text, s), region);
}

std::string Group(std::string_view text, const OnigRegion* region, int g) {
  if (g >= region->num_regs || region->beg[g] < 0) return std::string();
  return std::string(text.substr(static_cast<size_t>(region->beg[g]),
                                 static_cast<size_t>(region->end[g] - region->beg[g])));
}

// ---- replacement texts -----------------------------------------------------

struct TPiece {
  std::string literal;
  int group = -1;  // >= 0: that group; -2: text before the match; -3: after it
};

std::vector<TPiece> ReadReplacement(std::string_view r) {
  std::vector<TPiece> pieces;
  auto lit = [&](std::string_view s) {
    if (pieces.empty() || pieces.back().group != -1) pieces.push_back(TPiece{});
    pieces.back().literal.append(s);
  };
  auto ref = [&](int g) { pieces.push_back(TPiece{std::string(), g}); };
  size_t i = 0;
  while (i < r.size()) {
    size_t len = CharLenAt(r, i);
    char c = r[i];
    if (len == 1 && c == '\\' && i + 1 < r.size()) {
      size_t l2 = CharLenAt(r, i + 1);
      char n = r[i + 1];
      if (l2 == 1 && n >= '1' && n <= '9') ref(n - '0');
      else if (l2 == 1 && n == 'n') lit("\n");
      else if (l2 == 1 && n == 't') lit("\t");
      else if (l2 == 1 && n == 'r') lit("\r");
      else lit(r.substr(i + 1, l2));
      i += 1 + l2;
      continue;
    }
    if (len == 1 && c == '$' && i + 1 < r.size()) {
      char n = r[i + 1];
      if (n >= '0' && n <= '9') {
        size_t j = i + 1;
        int g = 0;
        while (j < r.size() && r[j] >= '0' && r[j] <= '9' && g < 10000) g = g * 10 + (r[j++] - '0');
        ref(g);
        i = j;
        continue;
      }
      if (n == '{') {
        size_t j = i + 2;
        int g = 0;
        bool digits = false;
        while (j < r.size() && r[j] >= '0' && r[j] <= '9' && g < 10000) g = g * 10 + (r[j++] - '0'), digits = true;
        if (digits && j < r.size() && r[j] == '}') {
          ref(g);
          i = j + 1;
          continue;
        }
      }
      if (n == '&') { ref(0); i += 2; continue; }
      if (n == '`') { ref(-2); i += 2; continue; }
      if (n == '\'') { ref(-3); i += 2; continue; }
    }
    lit(r.substr(i, len));
    i += len;
  }
  return pieces;
}

// ---- transliteration lists -------------------------------------------------

unsigned CodeAt(std::string_view s, size_t i) {
  if (CharLenAt(s, i) == 2) return static_cast<unsigned char>(s[i]) * 256u + static_cast<unsigned char>(s[i + 1]);
  return static_cast<unsigned char>(s[i]);
}

std::string CodeText(unsigned code) {
  if (code > 0xFF) return std::string{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
  return std::string(1, static_cast<char>(code));
}

bool ValidCode(unsigned code) {
  if (code <= 0xFF) return !IsLeadByte(static_cast<unsigned char>(code));
  unsigned lead = code >> 8, trail = code & 0xFF;
  return IsLeadByte(static_cast<unsigned char>(lead)) && trail >= 0x40 && trail <= 0xFC && trail != 0x7F;
}

std::vector<unsigned> ExpandList(std::string_view body) {
  struct TItem {
    unsigned code;
    bool escaped;
  };
  std::vector<TItem> items;
  for (size_t i = 0; i < body.size();) {
    size_t len = CharLenAt(body, i);
    if (len == 1 && body[i] == '\\' && i + 1 < body.size()) {
      char n = body[i + 1];
      unsigned code = CodeAt(body, i + 1);
      if (n == 'n') code = '\n';
      else if (n == 't') code = '\t';
      else if (n == 'r') code = '\r';
      items.push_back({code, true});
      i += 1 + CharLenAt(body, i + 1);
      continue;
    }
    items.push_back({CodeAt(body, i), false});
    i += len;
  }
  std::vector<unsigned> out;
  for (size_t k = 0; k < items.size(); ++k) {
    if (k + 2 < items.size() && items[k + 1].code == '-' && !items[k + 1].escaped) {
      unsigned lo = items[k].code, hi = items[k + 2].code;
      if (hi < lo) Fail("tr///の範囲指定が逆順です。");
      for (unsigned c = lo; c <= hi; ++c)
        if (ValidCode(c)) out.push_back(c);
      k += 2;
      continue;
    }
    out.push_back(items[k].code);
  }
  return out;
}

}  // namespace

TRegexMatch RegexMatch(std::string_view expr, std::string_view subject) {
  TSubject held(subject);
  std::string_view text = held.View();
  TPattern p = ReadMatchForm(expr);
  OnigRegex reg = Compile(p.pattern, OptionsOf(p.flags));
  TRegion region;
  TRegexMatch m;
  if (!SearchFrom(reg, text, 0, region.r)) return m;
  m.matched = true;
  int groups = onig_number_of_captures(reg);
  for (int g = 0; g <= groups; ++g) m.groups.push_back(Group(text, region.r, g));
  return m;
}

std::vector<std::string> RegexSplit(std::string_view expr, std::string_view subject, size_t limit) {
  TSubject held(subject);
  std::string_view text = held.View();
  TPattern p = ReadMatchForm(expr);
  OnigRegex reg = Compile(p.pattern, OptionsOf(p.flags));
  int groups = onig_number_of_captures(reg);
  TRegion region;
  std::vector<std::string> parts;
  size_t s = 0, remaining = limit ? limit : 1;
  const size_t n = text.size();
  // A separator must end beyond the start of the part it ends, so an empty
  // match never gives an empty first part and the text splits into characters.
  while (s < n && --remaining > 0 && MatchEndingAfter(reg, text, s, region.r)) {
    size_t b = static_cast<size_t>(region.r->beg[0]), e = static_cast<size_t>(region.r->end[0]);
    parts.emplace_back(text.substr(s, b - s));
    for (int g = 1; g <= groups; ++g) parts.push_back(Group(text, region.r, g));
    s = e;
  }
  if (s < n || !parts.empty()) parts.emplace_back(text.substr(std::min(s, n)));
  return parts;
}

TRegexSubst RegexSubstitute(std::string_view expr, std::string_view subject) {
  TSubject held(subject);
  std::string_view text = held.View();
  if (expr.size() < 2 || expr[0] != 's' || !IsDelimiter(expr, 1)) Fail("置換式は s/検索/置換/ の形で書いてください。");
  size_t i = 2;
  std::string pattern, replacement;
  if (!ReadBody(expr, i, expr[1], pattern) || !ReadSecondBody(expr, i, expr[1], replacement))
    Fail("置換式の区切り記号が閉じていません。");
  std::string flags(expr.substr(i));
  if (!FlagsValid(flags, "gimsxko")) Fail("置換式のオプションに誤りがあります。");
  OnigRegex reg = Compile(pattern, OptionsOf(flags));
  const bool global = flags.find('g') != std::string::npos;
  std::vector<TPiece> pieces = ReadReplacement(replacement);
  TRegion region;
  TRegexSubst out;
  out.groups = static_cast<size_t>(onig_number_of_captures(reg));
  const size_t n = text.size();
  size_t copied = 0, s = 0;
  bool afterEmpty = false;
  while (s <= n) {
    bool found = afterEmpty ? MatchEndingAfter(reg, text, s, region.r) : SearchFrom(reg, text, s, region.r);
    if (!found) break;
    size_t b = static_cast<size_t>(region.r->beg[0]), e = static_cast<size_t>(region.r->end[0]);
    out.matched = true;
    out.text.append(text.substr(copied, b - copied));
    for (const TPiece& piece : pieces) {
      if (piece.group == -1) out.text += piece.literal;
      else if (piece.group == -2) out.text.append(text.substr(0, b));
      else if (piece.group == -3) out.text.append(text.substr(e));
      else out.text += Group(text, region.r, piece.group);
    }
    copied = e;
    if (!global) break;
    // After an empty match the next one must not be empty at the same place.
    afterEmpty = b == e;
    s = e;
  }
  if (!out.matched) {
    out.text = std::string(text);
    return out;
  }
  out.text.append(text.substr(copied));
  return out;
}

std::string RegexTransliterate(std::string_view expr, std::string_view text, size_t* count) {
  size_t i = 0;
  if (expr.size() >= 3 && expr[0] == 't' && expr[1] == 'r' && IsDelimiter(expr, 2)) i = 2;
  else if (expr.size() >= 2 && expr[0] == 'y' && IsDelimiter(expr, 1)) i = 1;
  else Fail("変換式は tr/検索文字/置換文字/ の形で書いてください。");
  char open = expr[i++];
  std::string from, to;
  if (!ReadBody(expr, i, open, from) || !ReadSecondBody(expr, i, open, to)) Fail("変換式の区切り記号が閉じていません。");
  std::string flags(expr.substr(i));
  if (!FlagsValid(flags, "cdsr")) Fail("変換式のオプションに誤りがあります。");
  const bool complement = flags.find('c') != std::string::npos;
  const bool del = flags.find('d') != std::string::npos;
  const bool squeeze = flags.find('s') != std::string::npos;
  std::vector<unsigned> search = ExpandList(from), repl = ExpandList(to);
  const bool identity = repl.empty() && !del;
  std::unordered_map<unsigned, size_t> index;  // code -> first position in the list
  for (size_t k = 0; k < search.size(); ++k) index.emplace(search[k], k);
  std::vector<unsigned> sortedSearch(search);
  std::sort(sortedSearch.begin(), sortedSearch.end());
  sortedSearch.erase(std::unique(sortedSearch.begin(), sortedSearch.end()), sortedSearch.end());

  std::string out;
  size_t found = 0;
  bool lastTranslated = false;
  unsigned lastCode = 0;
  for (size_t t = 0; t < text.size();) {
    size_t len = CharLenAt(text, t);
    unsigned code = CodeAt(text, t);
    bool in;
    size_t rank = 0;
    if (complement) {
      in = !std::binary_search(sortedSearch.begin(), sortedSearch.end(), code);
      // Position of the code among the codes not listed, in code order.
      rank = code - static_cast<size_t>(std::lower_bound(sortedSearch.begin(), sortedSearch.end(), code) -
                                        sortedSearch.begin());
    } else {
      auto it = index.find(code);
      in = it != index.end();
      if (in) rank = it->second;
    }
    if (!in) {
      out.append(text.substr(t, len));
      lastTranslated = false;
      t += len;
      continue;
    }
    ++found;
    bool drop = false;
    unsigned result = code;
    if (!identity) {
      if (rank < repl.size()) result = repl[rank];
      else if (del) drop = true;
      else result = repl.back();
    }
    if (!drop) {
      if (!(squeeze && lastTranslated && lastCode == result)) out += CodeText(result);
      lastTranslated = true;
      lastCode = result;
    }
    t += len;
  }
  if (count) *count = found;
  return out;
}

void RegexClearCache() { Cache().clear(); }

}  // namespace kobu
