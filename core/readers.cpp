#include "core/readers.h"

#include <algorithm>

#include "core/kbhash.h"
#include "core/kobubase.h"
#include "core/preprocess.h"
#include "core/sjis.h"
#include "core/terms.h"
#include "platform/cp932.h"

namespace kobu {

void SkipBlanks(const char*& p) {
  while (*p == '\t' || *p == ' ' || *p == ',' || *p == '\xA4') ++p;
}

void SkipTabsSpaces(const char*& p) {
  while (*p == '\t' || *p == ' ') ++p;
}

bool IsDelimiter(const char* p) {
  switch (*p) {
    case '\t': case '\r': case ' ': case '"': case '#': case '%': case '&': case '(': case ')':
    case '*': case '+': case ',': case '-': case '/': case ':': case ';': case '<': case '=':
    case '>': case '?': case '\\': case '^': case '`': case '\xA4':
      return true;
    default:
      return false;
  }
}

bool IsOperatorChar(char c) {
  switch (c) {
    case '%': case '&': case '*': case '+': case '-': case '/': case '<': case '=': case '>':
    case '^': case '|':
      return true;
    default:
      return false;
  }
}

namespace {

// End of the run of word characters at p (stepping whole characters).
const char* RunEnd(const char* p) {
  while (*p && !IsDelimiter(p)) p += CharLen(p);
  return p;
}

// How far the word rules look into a run. Names are short; looking further
// would only make a pathological line cost quadratic time.
constexpr size_t kRunLookahead = 1024;

// End of the run at p, but not beyond kRunLookahead bytes; `whole` tells
// whether the run really ends there.
const char* RunEndCapped(const char* p, bool& whole) {
  const char* s = p;
  while (*p && !IsDelimiter(p)) {
    if (static_cast<size_t>(p - s) >= kRunLookahead) {
      whole = false;
      return p;
    }
    p += CharLen(p);
  }
  whole = true;
  return p;
}

// The longest text that can name a word: the longest name, with room for
// okurigana that the table's stems leave out.
size_t LongestWordText(const TKobuBase& base) { return base.Words.MaxNameLength() * 4 + 16; }

// True when the text is a word of the table as a statement would name it: a
// callable word under any okurigana, any other word under its exact name.
// (A variable 辞書 must not make 辞書のりんご one word.)
bool IsTableWord(TKobuBase& base, std::string_view text) {
  if (text.empty() || text.size() > LongestWordText(base)) return false;
  if (IsCallableWord(base.Words.Find(StripOkurigana(text), false))) return true;
  return base.Words.Find(text, false) != nullptr;
}

// True when nothing but blanks stands between p and the end of its statement.
bool EndsStatement(const char* p) {
  while (*p == ' ' || *p == '\t') ++p;
  return *p == 0 || *p == '\r' || *p == '\n' || *p == ';';
}

// Length of the particle at q inside the run ending at e (0 when none): the
// longest, unless a shorter one is followed by a word of the table and the
// longest is not (サブを呼ぶ: を before the command 呼ぶ, not を呼ぶ). A command
// after the shorter one must end the statement to be its command: in
// 「受信」を呼ぶ「t」という... the particle is を呼ぶ.
size_t ChooseParticle(TKobuBase& base, const char* q, const char* e, bool whole) {
  size_t plen = base.Particles.MatchAt(q, e);
  if (!plen || IsTableWord(base, std::string_view(q + plen, e - q - plen))) return plen;
  bool last = whole && EndsStatement(e);
  size_t chosen = plen;
  base.Particles.ForEachMatch(q, e, [&](size_t len) {
    if (chosen != plen || len >= plen) return;
    std::string_view rest(q + len, e - q - len);
    if (!IsTableWord(base, rest)) return;
    if (!last && IsCallableWord(base.Words.Find(StripOkurigana(rest), false))) return;
    chosen = len;
  });
  return chosen;
}

bool IsHiraganaAt(const char* p) { return IsHiraganaCode(CharCode(p)); }

// True when the hiragana particle at q, after the kanji or katakana at prev,
// only begins the okurigana of one word: the rest of the run up to e is
// hiragana and does not begin with a word of the table (撫でる, 落とす,
// 見つける stay whole; 名前をそれに splits before それ). は always ends
// the word: 名前はたろう is an assignment.
bool IsOkuriganaOf(TKobuBase& base, const char* prev, const char* q, const char* after, const char* e) {
  static const std::string ha = sj("は");
  if (CharLen(prev) != 2 || !IsHiraganaAt(q) || after >= e) return false;
  if (static_cast<size_t>(after - q) == ha.size() && ha.compare(0, ha.size(), q, ha.size()) == 0) return false;
  for (const char* r = after; r < e; r += CharLen(r)) {
    if (!IsHiraganaAt(r)) return false;
    if (IsTableWord(base, std::string_view(after, r + CharLen(r) - after))) return false;
  }
  return true;
}

// Where the word that begins at s ends (s is not at a delimiter).
// A word is the whole run when it ends in の時 or is itself a word of the
// table; もし stands alone before its condition; a word of the table followed
// by a particle ends after that particle; otherwise the first particle inside
// the run ends the word right after itself, unless it sits between hiragana
// and what follows is no word (then it is part of a hiragana word) or it is
// a kanji particle inside a compound, and a te-form after a callable prefix
// ends the word too. Only the first
// kRunLookahead bytes of a run are examined; a longer run without an earlier
// end is one word.
const char* WordEnd(TKobuBase& base, const char* s) {
  static const std::string noToki = sj("の時");
  static const std::string moshi = sj("もし");
  static const std::string te = sj("て");
  bool whole = true;
  const char* e = RunEndCapped(s, whole);
  std::string_view run(s, e - s);
  if (whole && (EndsWithChars(run, noToki) || IsTableWord(base, run))) return e;
  if (run.size() > moshi.size() && run.substr(0, moshi.size()) == moshi) return s + moshi.size();

  // A word of the table followed by a particle is one word with that particle,
  // even when its name holds a particle itself (母艦のパスと). The longest wins.
  const char* known = nullptr;
  const char* knownLimit = s + std::min(run.size(), LongestWordText(base));
  for (const char* k = s + CharLen(s); k < e && k <= knownLimit; k += CharLen(k))
    if (base.Particles.MatchAt(k, e) && IsTableWord(base, std::string_view(s, k - s))) known = k;
  if (known) return known + ChooseParticle(base, known, e, whole);

  const char* prev = s;
  const char* q = s + CharLen(s);
  while (q < e) {
    size_t len = CharLen(q);
    if (len == 2 && q[0] == te[0] && q[1] == te[1] && static_cast<size_t>(q + 2 - s) <= LongestWordText(base)) {
      if (IsCallableWord(base.Words.Find(std::string_view(s, q + 2 - s), true))) return q + 2;
    }
    size_t plen = ChooseParticle(base, q, e, whole);
    // A particle written in kanji or katakana (度, 秒, 文字, 個目の) is part of a
    // compound (一度目, 文字列) unless a letter or digit stands before it; after
    // a word of the table it was found above.
    if (plen && !IsHiraganaAt(q) && CharLen(prev) == 2) plen = 0;
    if (plen) {
      const char* after = q + plen;
      bool runEnds = after >= e && whole;
      bool afterStem = !IsHiraganaAt(prev) && !(whole && IsOkuriganaOf(base, prev, q, after, e));
      if (afterStem || runEnds || (after < e && !IsHiraganaAt(after)) ||
          IsTableWord(base, std::string_view(after, e - after)))
        return after;
    }
    prev = q;
    q += len;
  }
  return whole ? e : RunEnd(e);
}

}  // namespace

std::string ReadRun(const char*& p) {
  SkipTabsSpaces(p);
  const char* s = p;
  p = RunEnd(p);
  return std::string(s, p - s);
}

size_t TWordEndCache::Find(std::string_view run, bool last, uint64_t generation) const {
  const auto& entries = entries_[last];
  auto it = entries.find(run);
  return (it != entries.end() && it->second.Generation == generation) ? it->second.Length : kUnknown;
}

void TWordEndCache::Store(std::string_view run, bool last, uint64_t generation, size_t length) {
  // Runs are names and short phrases; a script that makes endless new ones
  // starts the table again rather than growing it.
  constexpr size_t kMaxEntries = 8192;
  auto& entries = entries_[last];
  auto it = entries.find(run);
  if (it != entries.end()) {
    it->second = TEntry{generation, length};
    return;
  }
  if (entries.size() >= kMaxEntries) entries.clear();
  entries.emplace(std::string(run), TEntry{generation, length});
}

std::string ReadWord(TKobuBase& base, const char*& p) {
  SkipTabsSpaces(p);
  const char* s = p;
  if (!*p || IsDelimiter(p)) return std::string();
  // Only short runs are remembered: they are the ones read again and again.
  constexpr size_t kRememberedRun = 64;
  const char* e = s;
  while (*e && !IsDelimiter(e) && static_cast<size_t>(e - s) <= kRememberedRun) e += CharLen(e);
  std::string_view run(s, e - s);
  if (run.size() > kRememberedRun) {
    p = WordEnd(base, s);
    return std::string(s, p - s);
  }
  bool last = EndsStatement(e);
  uint64_t generation = base.WordsGeneration();
  size_t length = base.WordEndCache->Find(run, last, generation);
  if (length == TWordEndCache::kUnknown) {
    length = static_cast<size_t>(WordEnd(base, s) - s);
    base.WordEndCache->Store(run, last, generation, length);
  }
  p = s + length;
  return std::string(s, length);
}

std::string ReadParticleOrWord(TKobuBase& base, const char*& p) {
  SkipTabsSpaces(p);
  if (*p && !IsDelimiter(p)) {
    bool whole = true;
    const char* e = RunEndCapped(p, whole);
    // A branch label stays whole (4以上の時), though 以上の is a particle too.
    static const std::string noToki = sj("の時");
    if (whole && EndsWithChars(std::string_view(p, e - p), noToki)) {
      std::string w(p, e - p);
      p = e;
      return w;
    }
    size_t plen = ChooseParticle(base, p, e, whole);
    if (plen) {
      std::string w(p, plen);
      p += plen;
      return w;
    }
  }
  return ReadWord(base, p);
}

std::string ReadNumberText(const char*& p) {
  SkipBlanks(p);
  std::string out;
  if (*p == '+' || *p == '-') out += *p++;
  if (*p == '$') {
    ++p;
    unsigned long long v = 0;
    bool any = false, overflow = false;
    for (;;) {
      char c = *p;
      int d;
      if (c >= '0' && c <= '9') d = c - '0';
      else if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
      else if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
      else break;
      any = true;
      v = v * 16 + d;
      if (v > 0xFFFFFFFFull) overflow = true, v = 0xFFFFFFFFull + 1;
      ++p;
    }
    out += (!any || overflow) ? "0" : std::to_string(v);
    return out;
  }
  while (*p >= '0' && *p <= '9') out += *p++;
  if (!out.empty() && out.back() >= '0' && out.back() <= '9' && *p == 'E') {
    // The form numbers are written back in (1E15, 1E-5) reads as that number.
    const char* q = p + 1;
    if (*q == '-') ++q;
    if (*q >= '0' && *q <= '9') {
      out.append(p, q - p);
      p = q;
      while (*p >= '0' && *p <= '9') out += *p++;
      return out;
    }
  }
  if (*p == '.' && p[1] >= '0' && p[1] <= '9') {
    out += *p++;
    while (*p >= '0' && *p <= '9') out += *p++;
    if (*p == 'E' || *p == 'e') {
      const char* q = p + 1;
      if (*q == '+' || *q == '-') ++q;
      if (*q >= '0' && *q <= '9') {
        out.append(p, q - p);
        p = q;
        while (*p >= '0' && *p <= '9') out += *p++;
      }
    }
  }
  return out;
}

std::string ReadRestOfStatement(TKobuBase& base, const char*& p) {
  std::string out;
  while (*p && *p != '\r' && *p != '\n' && *p != ';') {
    if (*p == '"' || *p == '`') {
      out += ReadLiteralSpan(base, p);
    } else if (*p == '(') {
      out += '(';
      out += ReadGroup(base, p);
      out += ')';
    } else if (*p == '&' && (p[1] == '\r' || p[1] == '\n')) {
      out += *p++;
      ReadLineMarker(base, p);
      SkipBlanks(p);
    } else {
      size_t len = CharLen(p);
      out.append(p, len);
      p += len;
    }
  }
  return out;
}

std::string UnquoteName(const std::string& s) {
  if (s.size() < 2 || s.front() != '`' || s.back() != '`') return s;
  std::string out;
  for (size_t i = 1; i + 1 < s.size();) {
    size_t len = CharLenAt(s, i);
    if (len == 1 && s[i] == '`' && i + 2 < s.size() && s[i + 1] == '`') {
      out += '`';
      i += 2;
      continue;
    }
    out.append(s, i, len);
    i += len;
  }
  return out;
}

}  // namespace kobu
