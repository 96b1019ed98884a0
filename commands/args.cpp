#include "commands/args.h"

#include <cmath>
#include <memory>

#include "core/errors.h"
#include "core/expression.h"
#include "core/kobubase.h"
#include "core/terms.h"

namespace kobu {

std::string ArgName(TKobuBase& base) {
  // Binding guarantees the pattern's arguments; an empty stack is a fault of the caller.
  if (base.ArgumentStack.empty()) ScriptError(base, "命令の引数が足りません。");
  std::string w = std::move(base.ArgumentStack.back());
  base.ArgumentStack.pop_back();
  return w;
}

std::string ArgText(TKobuBase& base) { return EvaluateArgument(base, ArgName(base)); }

long double ArgNumber(TKobuBase& base) { return TextToNumber(ArgText(base)); }

int32_t ArgInteger(TKobuBase& base) {
  std::string text = ArgText(base);
  long double v = std::trunc(TextToNumber(text));
  // NaN fails both comparisons and is refused as well.
  if (!(v >= -2147483648.0L && v <= 2147483647.0L)) ScriptError(base, "数値\"%s\"は範囲外です。", {text});
  return static_cast<int32_t>(v);
}

THashNode* ArgWord(TKobuBase& base, bool create) {
  std::string name = ArgName(base);
  if (name.size() >= 2 && name.front() == '`' && name.back() == '`') name = name.substr(1, name.size() - 2);
  if (THashNode* node = base.Words.Find(name, false)) return node;
  if (!create) ScriptError(base, "オブジェクト\"%s\"が特定できません。", {name});
  return CreateVariable(base, name);
}

long long IntegerText(std::string_view text, long long fallback) {
  size_t i = 0, n = text.size();
  while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int radix = 10;
  if (i < n && text[i] == '$') radix = 16, ++i;
  else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) radix = 16, i += 2;
  else if (i < n && (text[i] == 'x' || text[i] == 'X')) radix = 16, ++i;
  if (i >= n) return fallback;
  unsigned long long v = 0;
  for (; i < n; ++i) {
    char c = text[i];
    int d = (c >= '0' && c <= '9') ? c - '0'
            : (radix == 16 && c >= 'a' && c <= 'f') ? c - 'a' + 10
            : (radix == 16 && c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                   : -1;
    if (d < 0) return fallback;
    v = v * radix + static_cast<unsigned>(d);
    if (v > 0x7FFFFFFFFFFFFFFFull) return fallback;
  }
  long long r = static_cast<long long>(v);
  return negative ? -r : r;
}

void SetResult(TKobuBase& base, std::string value, std::string_view mark) {
  base.Sore->Value = std::move(value);
  base.Sore->TypeMark = mark;
}

void SetLastValue(TKobuBase& base, std::string value, std::string_view mark) {
  base.Sore->Value = std::move(value);
  base.LastTypeMark = mark;
}

}  // namespace kobu
