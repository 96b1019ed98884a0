#include "commands/wildcard.h"

#include <algorithm>
#include <utility>

#include "core/sjis.h"
#include "platform/cp932.h"

namespace kobu {

namespace {

enum TKind { wkChar, wkQuestion, wkAsterisk, wkNumber, wkClass, wkPickupFrom, wkPickupTo };
enum TClassKind { ckSingle, ckRepeatZero, ckRepeatOne, ckAlternatives };

unsigned CodeAt(std::string_view s, size_t i) {
  unsigned char a = static_cast<unsigned char>(s[i]);
  if (CharLenAt(s, i) == 2) return a * 256u + static_cast<unsigned char>(s[i + 1]);
  return a;
}

size_t CharCount(std::string_view s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size(); i += CharLenAt(s, i)) ++n;
  return n;
}

}  // namespace

struct TWString::TElement {
  TKind kind = wkChar;
  std::string bytes;  // wkChar: the character
  TClassKind classKind = ckSingle;
  bool negated = false;
  std::vector<std::pair<unsigned, unsigned>> ranges;
  std::vector<std::string> alternatives;

  bool InClass(unsigned code) const {
    bool in = false;
    for (const auto& r : ranges)
      if (code >= r.first && code <= r.second) in = true;
    return in != negated;
  }
};

TWString::TWString(std::string_view p) {
  size_t i = 0;
  auto literal = [this](std::string bytes) {
    TElement e;
    e.bytes = std::move(bytes);
    elements_.push_back(std::move(e));
  };
  while (i < p.size()) {
    size_t len = CharLenAt(p, i);
    char c = p[i];
    TElement e;
    if (len == 2) {
      literal(std::string(p.substr(i, 2)));
      i += 2;
      continue;
    }
    switch (c) {
      case '#': e.kind = wkNumber; break;
      case '(': e.kind = wkPickupFrom; break;
      case ')': e.kind = wkPickupTo; break;
      case '*': e.kind = wkAsterisk; break;
      case '?': e.kind = wkQuestion; break;
      case '\\':
        if (i + 1 < p.size() && p[i + 1] == 'n') {
          literal("\r");
          literal("\n");
          i += 2;
        } else if (i + 1 < p.size() && p[i + 1] == 't') {
          literal("\t");
          i += 2;
        } else if (i + 1 < p.size()) {
          size_t l2 = CharLenAt(p, i + 1);
          literal(std::string(p.substr(i + 1, l2)));
          i += 1 + l2;
        } else {
          literal("\\");
          ++i;
        }
        continue;
      case '[': {
        e.kind = wkClass;
        size_t j = i + 1;
        size_t close = p.size();
        for (size_t k = j; k < p.size(); k += CharLenAt(p, k))
          if (p[k] == ']') {
            close = k;
            break;
          }
        if (j < close && p[j] == '!') e.negated = true, ++j;
        if (j < close && p[j] == '*') e.classKind = ckRepeatZero, ++j;
        else if (j < close && p[j] == '+') e.classKind = ckRepeatOne, ++j;
        else if (j < close && p[j] == '=') e.classKind = ckAlternatives, ++j;
        std::string_view body = p.substr(j, close - j);
        if (e.classKind == ckAlternatives) {
          std::vector<std::string> list;
          size_t s = 0;
          for (size_t k = 0; k <= body.size(); k += (k < body.size() ? CharLenAt(body, k) : 1)) {
            if (k == body.size() || body[k] == '|') {
              list.emplace_back(body.substr(s, k - s));
              s = k + 1;
            }
          }
          // For each position, the first shortest entry after it (or the
          // entry itself at the last position) is moved to the front.
          for (size_t pos = 0; pos < list.size(); ++pos) {
            size_t pick = pos;
            if (pos + 1 < list.size()) {
              pick = pos + 1;
              for (size_t k = pos + 2; k < list.size(); ++k)
                if (CharCount(list[k]) < CharCount(list[pick])) pick = k;
            }
            std::string moved = std::move(list[pick]);
            list.erase(list.begin() + static_cast<long>(pick));
            list.insert(list.begin(), std::move(moved));
          }
          e.alternatives = std::move(list);
        } else {
          size_t k = 0;
          auto item = [&](unsigned& lo, unsigned& hi) {
            if (body[k] == '\\') {
              char n = k + 1 < body.size() ? body[k + 1] : '\0';
              if (n == 't') lo = hi = 9;
              else if (n == 'n') lo = 10, hi = 13;
              else throw EWildcard(sj("ワイルドカードの[ ]中で\\記号を使うときは、\\t,\\nしか許されていません。"));
              k += 2;
              return;
            }
            lo = hi = CodeAt(body, k);
            k += CharLenAt(body, k);
          };
          while (k < body.size()) {
            unsigned lo, hi;
            item(lo, hi);
            if (k + 1 < body.size() && body[k] == '-') {
              ++k;
              unsigned lo2, hi2;
              item(lo2, hi2);
              lo = std::min(lo, lo2);
              hi = std::max(hi, hi2);
            }
            e.ranges.emplace_back(lo, hi);
          }
        }
        elements_.push_back(std::move(e));
        i = close < p.size() ? close + 1 : p.size();
        continue;
      }
      default:
        literal(std::string(1, c));
        ++i;
        continue;
    }
    // A star right after a star always stretches over nothing: "**" is "*".
    if (e.kind == wkAsterisk && !elements_.empty() && elements_.back().kind == wkAsterisk) {
      ++i;
      continue;
    }
    elements_.push_back(std::move(e));
    ++i;
  }
}

TWString::~TWString() = default;

bool TWString::Step(size_t p, size_t& t) {
  const size_t n = text_.size();
  for (; p < elements_.size(); ++p) {
    const TElement& e = elements_[p];
    switch (e.kind) {
      case wkChar:
        if (t >= n || text_.compare(t, CharLenAt(text_, t), e.bytes) != 0) return false;
        t += e.bytes.size();
        break;
      case wkQuestion:
        t += t < n ? CharLenAt(text_, t) : 1;
        break;
      case wkNumber:
        if (t >= n || text_[t] < '0' || text_[t] > '9') return false;
        t += CharLenAt(text_, t);
        break;
      case wkPickupFrom:
        captureStart_ = t;
        break;
      case wkPickupTo:
        if (capturing_ && static_cast<long long>(t) > highest_) {
          highest_ = static_cast<long long>(t);
          size_t from = std::min(captureStart_, n), to = std::min(t, n);
          captures_.emplace_back(text_.substr(from, to > from ? to - from : 0));
        }
        break;
      case wkClass: {
        if (e.classKind == ckSingle) {
          if (t >= n || !e.InClass(CodeAt(text_, t))) return false;
          t += CharLenAt(text_, t);
        } else if (e.classKind == ckAlternatives) {
          bool taken = false;
          for (const auto& alt : e.alternatives) {
            // Character by character, so an entry never ends inside a text character.
            size_t u = t, k = 0;
            bool equal = true;
            while (k < alt.size()) {
              size_t lt = u < n ? CharLenAt(text_, u) : 0, la = CharLenAt(alt, k);
              if (lt != la || text_.compare(u, lt, alt, k, la) != 0) {
                equal = false;
                break;
              }
              u += lt;
              k += la;
            }
            if (equal) {
              t = std::max(t, u);
              taken = true;
              break;
            }
          }
          if (!taken) return false;
        } else {
          size_t q = p + 1;
          if (q < elements_.size() && (elements_[q].kind == wkPickupFrom || elements_[q].kind == wkPickupTo)) ++q;
          const std::string* stop = nullptr;
          if (q < elements_.size()) {
            if (elements_[q].kind != wkChar)
              throw EWildcard(sj("ワイルドカード[*...]に続けてワイルドカードを書くことは出来ません。"));
            stop = &elements_[q].bytes;
          }
          size_t taken = 0;
          while (t < n) {
            size_t len = CharLenAt(text_, t);
            if (stop && text_.compare(t, len, *stop) == 0) break;
            if (!e.InClass(CodeAt(text_, t))) break;
            t += len;
            ++taken;
          }
          if (e.classKind == ckRepeatOne && taken == 0) return false;
        }
        break;
      }
      case wkAsterisk: {
        if (p + 1 == elements_.size()) {
          t = std::max(t, n);
          return true;
        }
        if (p + 2 == elements_.size() && elements_[p + 1].kind == wkPickupTo) {
          t = std::max(t, n);
          return Run(p + 1, t);
        }
        capturing_ = false;
        bool found = false;
        // The look-ahead may open groups of its own; the re-run must close
        // the group that was open before it.
        const size_t openStart = captureStart_;
        size_t u = t, reached = t;
        for (; u <= n; u += (u < n ? CharLenAt(text_, u) : 1)) {
          size_t tt = u;
          if (Run(p + 1, tt)) {
            found = true;
            reached = tt;
            break;
          }
          if (elements_[p + 1].kind == wkPickupFrom) captureStart_ = u;
        }
        capturing_ = true;
        if (!found) return false;
        // Without groups after the star the look-ahead already matched the
        // rest exactly as the re-run would; running it again would make every
        // further star double the work.
        if (!groupsAfter_[p]) {
          t = reached;
          return true;
        }
        if (elements_[p + 1].kind != wkPickupFrom) captureStart_ = openStart;
        t = u;  // the rest is matched again from here, now with captures
        break;
      }
    }
  }
  return true;
}

uint32_t TWString::Known(size_t key) const {
  if (!sparse_) return memo_[key];
  auto it = sparseMemo_.find(key);
  return it == sparseMemo_.end() ? 0 : it->second;
}

void TWString::Remember(size_t key, uint32_t outcome) {
  if (sparse_) sparseMemo_[key] = outcome;
  else memo_[key] = outcome;
}

bool TWString::Run(size_t p, size_t& t) {
  if (depth_ >= kMaxDepth) throw EWildcard(sj("ワイルドカードが複雑すぎて照合できません。"));
  struct TDepth {
    size_t& d;
    explicit TDepth(size_t& depth) : d(depth) { ++d; }
    ~TDepth() { --d; }
  } depth(depth_);
  if (width_ == 0) return Step(p, t);
  // Every start beyond the end fails alike, but may end at different places.
  const bool beyond = t >= width_ - 1;
  const size_t key = p * width_ + std::min(t, width_ - 1);
  const uint32_t known = Known(key);
  if (known == 1) return false;
  if (known >= 2 && !beyond && !capturing_) {
    t = known - 2;
    return true;
  }
  if (Step(p, t)) {
    if (!beyond && known == 0) Remember(key, static_cast<uint32_t>(t + 2));
    return true;
  }
  Remember(key, 1);
  return false;
}

bool TWString::MatchPrefix(std::string_view text, size_t& end) {
  text_ = text;
  memo_.clear();
  sparseMemo_.clear();
  width_ = text.size() + 2;
  const size_t states = elements_.size() * width_ + width_;
  sparse_ = states > (size_t{1} << 22);
  if (width_ + elements_.size() > 0xFFFFFF00u) width_ = 0;  // no outcome could be kept
  else if (!sparse_) memo_.assign(states, 0);
  groupsAfter_.assign(elements_.size(), 0);
  for (size_t q = elements_.size(); q-- > 1;)
    groupsAfter_[q - 1] = groupsAfter_[q] || elements_[q].kind == wkPickupFrom || elements_[q].kind == wkPickupTo;
  captures_.clear();
  captureStart_ = 0;
  highest_ = -1;
  capturing_ = true;
  depth_ = 0;
  size_t t = 0;
  bool ok = Run(0, t);
  end = t;
  return ok;
}

bool WildcardMatch(std::string_view text, std::string_view pattern) {
  TWString w(pattern);
  size_t end = 0;
  return w.MatchPrefix(text, end) && end == text.size();
}

}  // namespace kobu
