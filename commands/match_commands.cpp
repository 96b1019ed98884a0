#include "commands/match_commands.h"

#include <algorithm>

#include "commands/args.h"
#include "commands/regex.h"
#include "commands/wildcard.h"
#include "core/commandrow.h"
#include "core/errors.h"
#include "core/kbhash.h"
#include "core/kobubase.h"
#include "core/terms.h"
#include "platform/cp932.h"

namespace kobu {

namespace {

// Bytes up to the blank off both ends; trail bytes are never that low.
std::string TrimControls(std::string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && static_cast<unsigned char>(s[a]) <= 0x20) ++a;
  while (b > a && static_cast<unsigned char>(s[b - 1]) <= 0x20) --b;
  return std::string(s.substr(a, b - a));
}

void CmdMatch(TKobuBase& base) {
  std::string pattern = ArgText(base), raw = ArgName(base);
  base.Sore->TypeMark = "s";
  if (pattern.empty()) {
    base.Sore->Value.clear();
    return;
  }
  THashNode* node = base.Words.Find(raw, false);
  std::string subject;
  if (node) {
    subject = node->Value;
  } else {
    subject = EvaluateArgument(base, raw);
    if (subject.empty()) ScriptError(base, "\"%s\"命令の引数に誤りがあります。", {RunningCommandName(base, "マッチ")});
  }
  std::string result, rest = subject;
  try {
    TWString w(pattern);
    size_t end = 0;
    if (w.MatchPrefix(subject, end)) {
      // A final "?" may step past the end: the whole text is then matched.
      end = std::min(end, subject.size());
      result = subject.substr(0, end) + "\r\n";
      for (const auto& c : w.Captures()) result += c + "\r\n";
      result = TrimControls(result);
      rest = subject.substr(end);
    }
  } catch (const EWildcard& e) {
    ScriptErrorSj(base, sj("マッチでエラー。") + e.what());
  }
  base.Sore->Value = std::move(result);
  if (node && node != base.Sore) node->Value = std::move(rest);
}

void SetMatchCount(TKobuBase& base, size_t n) {
  if (THashNode* s = base.Settings[swMatchCount]) {
    s->Value = std::to_string(n);
    s->TypeMark = "e";
  }
}

[[noreturn]] void RegexFailure(TKobuBase& base, const char* commandUtf8, const ERegex& e) {
  ScriptErrorSj(base, FillArgs(sj("\"%s\"で、Bregexp.dllのエラー。"), {sj(commandUtf8)}) + e.what());
}

std::string Lines(const std::vector<std::string>& items) {
  std::string out;
  for (const auto& s : items) out += s + "\r\n";
  return out;
}

void RegexMatchAs(TKobuBase& base, const char* commandUtf8) {
  std::string expr = ArgText(base), subject = ArgText(base);
  base.Sore->Value.clear();
  TRegexMatch m;
  try {
    m = RegexMatch(expr, subject);
  } catch (const ERegex& e) {
    RegexFailure(base, commandUtf8, e);
  }
  SetMatchCount(base, m.matched ? m.groups.size() : 0);
  SetResult(base, m.matched ? Lines(m.groups) : std::string(), "s");
}

void CmdRegexMatch(TKobuBase& base) { RegexMatchAs(base, "正規表現マッチ"); }

void CmdRegexSplit(TKobuBase& base) {
  std::string expr = ArgText(base), subject = ArgText(base);
  base.Sore->Value.clear();
  std::vector<std::string> parts;
  try {
    parts = RegexSplit(expr, subject, 1000);
  } catch (const ERegex& e) {
    RegexFailure(base, "正規表現区切る", e);
  }
  SetMatchCount(base, parts.size());
  SetResult(base, Lines(parts), "s");
}

void CmdRegexReplace(TKobuBase& base) {
  std::string expr = ArgText(base), subject = ArgText(base);
  base.Sore->Value.clear();
  if (subject.empty()) {
    SetMatchCount(base, 0);
    SetResult(base, std::string(), "s");
    return;
  }
  TRegexSubst s;
  try {
    s = RegexSubstitute(expr, subject);
  } catch (const ERegex& e) {
    RegexFailure(base, "正規表現置換", e);
  }
  SetMatchCount(base, s.matched ? s.groups + 1 : 0);
  SetResult(base, std::move(s.text), "s");
}

void CmdRegexTranslate(TKobuBase& base) {
  std::string expr = ArgText(base), subject = ArgText(base);
  if (subject.empty()) subject = " ";
  std::string out;
  try {
    out = RegexTransliterate(expr, subject);
  } catch (const ERegex& e) {
    RegexFailure(base, "正規表現入換", e);
  }
  SetMatchCount(base, 0);
  SetResult(base, std::move(out), "s");
}

const TCommandRow kRows[] = {
    {"マッチ", "?を,?で", "変数?をワイルドカード?で照合し、一致した部分を切り取る", 94, CmdMatch},
    {"正規表現マッチ", "?を,?で", "文字列?を正規表現?で照合する", 187, CmdRegexMatch},
    {"RE", "?,?", "文字列?を正規表現?で照合する", 187, CmdRegexMatch},
    {"正規表現区切る", "?を,?で", "文字列?を正規表現?で区切る", 95, CmdRegexSplit},
    {"正規表現置換", "?を,?で", "文字列?を置換式?で置換する", 96, CmdRegexReplace},
    {"正規表現入換", "?を,?で", "文字列?の文字を変換式?で入れ換える", 97, CmdRegexTranslate},
};

}  // namespace

std::span<const TCommandRow> MatchCommandRows() { return kRows; }

}  // namespace kobu
