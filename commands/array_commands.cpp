#include "commands/array_commands.h"

#include <algorithm>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "commands/args.h"
#include "commands/array_text.h"
#include "core/commandrow.h"
#include "core/convtohalf.h"
#include "core/errors.h"
#include "core/kobubase.h"
#include "core/readers.h"
#include "core/sjis.h"
#include "core/tabletext.h"
#include "platform/cp932.h"

namespace kobu {

namespace {


bool IsQuoted(const std::string& s) { return s.size() >= 2 && s.front() == '`' && s.back() == '`'; }

// それ's value only: its mark stays as it was.
void SetValueOnly(TKobuBase& base, std::string value) { base.Sore->Value = std::move(value); }

// The value a script reads for a word: a dictionary reads as its entry lines.
std::string WordText(const THashNode& node) {
  if (node.Kind == wkDictionary) return node.Dict ? node.Dict->NameValueList() : std::string();
  return node.Value;
}

// ---- arrays ----

void CmdSort(TKobuBase& base) {
  std::vector<std::string> elements = ReadArrayText(ArgText(base));
  SortIgnoringCase(elements);
  SetLastValue(base, WriteArrayText(elements), "s");
}

void CmdNumericSort(TKobuBase& base) {
  std::vector<std::string> elements = ReadArrayText(ArgText(base));
  SortNumerically(elements);
  SetLastValue(base, WriteArrayText(elements), "s");
}

void CmdReverse(TKobuBase& base) {
  TTableRows rows = ReadTableText(ArgText(base));
  std::reverse(rows.begin(), rows.end());
  SetLastValue(base, WriteTableText(rows), "s");
}

void CmdShuffle(TKobuBase& base) {
  std::vector<std::string> elements = ReadArrayText(ArgText(base));
  Shuffle(elements);
  SetValueOnly(base, WriteArrayText(elements));
}

// Filling the gap before a far index with empty lines must stay well within
// what the machine holds: an eighth of its memory, and never above 1 GiB.
// Beyond that it is the script's error, not an exhausted machine.
void CheckResultSize(TKobuBase& base, unsigned long long size) {
  static const unsigned long long limit = [] {
    long pages = sysconf(_SC_PHYS_PAGES), page = sysconf(_SC_PAGESIZE);
    unsigned long long m = (pages > 0 && page > 0) ? static_cast<unsigned long long>(pages) * page : 1ull << 32;
    return std::min(m / 8, 1ull << 30);
  }();
  if (size > limit) ScriptError(base, "メモリが足りません。");
}

void CmdInsertLine(TKobuBase& base) {
  std::string text = ArgText(base);
  int32_t index = ArgInteger(base);
  std::vector<std::string> elements = ReadArrayText(ArgText(base));
  if (index < 0) return;
  size_t i = static_cast<size_t>(index);
  if (i < elements.size()) {
    elements.insert(elements.begin() + static_cast<long>(i), std::move(text));
    SetValueOnly(base, WriteArrayText(elements));
    return;
  }
  // The gap is written as bare line ends, not as a vector of empty strings.
  std::string out = WriteArrayText(elements);
  unsigned long long gap = i - elements.size();
  CheckResultSize(base, out.size() + gap * 2 + text.size() + 2);
  out.reserve(out.size() + gap * 2 + text.size() + 2);
  for (unsigned long long k = 0; k < gap; ++k) out += "\r\n";
  out += text;
  out += "\r\n";
  SetValueOnly(base, std::move(out));
}

void CmdDeleteLine(TKobuBase& base) {
  int32_t index = ArgInteger(base);
  std::vector<std::string> elements = ReadArrayText(ArgText(base));
  if (index < 0 || static_cast<size_t>(index) >= elements.size()) return;
  elements.erase(elements.begin() + index);
  SetValueOnly(base, WriteArrayText(elements));
}

// ---- number, text and dictionary treatment ----

enum TTreatment { tmNumber, tmText, tmDictionary };

void Treat(TKobuBase& base, TTreatment how) {
  std::string name = UnquoteName(ArgName(base));
  THashNode* node = base.Words.Find(name, false);
  if (!node) {
    node = CreateVariable(base, name);
    if (how == tmNumber) node->Value = "0";
  } else if (node->Reserved) {
    ScriptError(base, "オブジェクト\"%s\"は、既に存在するので、作成できません。", {name});
  }
  if (how == tmDictionary) {
    if (node->Kind == wkVariable) {
      auto dict = std::make_shared<THash>();
      dict->LoadFromText(node->Value);
      node->Dict = std::move(dict);
    } else if (node->Kind == wkDictionary) {
      if (!node->Dict) node->Dict = std::make_shared<THash>();
    } else {
      ScriptError(base, "\"%s\"は、文法が正しくないため、実行できません。変更できません！", {name});
    }
    node->Value.clear();
    node->TypeMark = "hs";
    node->Kind = wkDictionary;
    return;
  }
  // A dictionary leaving dictionary treatment keeps its entries as text.
  if (node->Kind == wkDictionary) {
    node->Value = WordText(*node);
    node->Dict.reset();
  }
  if (how == tmNumber && node->Value.empty()) node->Value = "0";
  node->TypeMark = how == tmNumber ? "e" : "s";
  node->Kind = wkVariable;
}

void CmdTreatAsNumber(TKobuBase& base) { Treat(base, tmNumber); }
void CmdTreatAsText(TKobuBase& base) { Treat(base, tmText); }
void CmdTreatAsDictionary(TKobuBase& base) { Treat(base, tmDictionary); }

// ---- listings ----

void CmdListKeys(TKobuBase& base) {
  std::string name = UnquoteName(ArgName(base));
  THashNode* node = base.Words.Find(name, false);
  if (!node) ScriptError(base, "オブジェクト\"%s\"は、作成されていません。", {name});
  std::string out;
  if (node->Kind == wkDictionary) {
    if (node->Dict)
      for (THashNode* entry : node->Dict->Enumerate()) {
        out += entry->Name;
        out += "\r\n";
      }
  } else {
    for (const std::string& line : ReadArrayText(node->Value)) {
      size_t eq = SjisFindFrom("=", line, 0);
      if (eq != std::string::npos) out.append(line, 0, eq);
      out += "\r\n";
    }
  }
  SetResult(base, std::move(out), "s");
}

void CmdListVariables(TKobuBase& base) {
  int32_t level = 0;
  if (base.ImplicitSore) ArgName(base);  // the それ put in for the omitted level
  else level = ArgInteger(base);
  std::string out;
  for (THashNode* n : base.Words.Enumerate()) {
    if ((n->Kind != wkVariable && n->Kind != wkDictionary) || n->Reserved || n->Number < level) continue;
    out += n->Name;
    out += "\r\n";
  }
  SetResult(base, std::move(out), "s");
}

// ---- words ----

void CmdCopyWord(TKobuBase& base) {
  std::string target = UnquoteName(ArgName(base)), source = UnquoteName(ArgName(base));
  THashNode* from = base.Words.Find(source, false);
  if (!from) ScriptError(base, "オブジェクト\"%s\"は、作成されていません。", {source});
  THashNode* to = base.Words.Find(target, false);
  if (!to) to = CreateVariable(base, target);
  // Copying over a reserved word would overwrite a command or a read-only variable.
  if (to->Reserved && to != from) ScriptError(base, "\"%s\"は、読取専用です。", {target});
  // The dictionary table is shared (shared_ptr), so either word may go first.
  to->CopyFrom(*from);
}

void CmdPut(TKobuBase& base) {
  THashNode* node = ArgWord(base, true);
  if (node == base.Sore) return;
  if (node->Reserved) ScriptError(base, "\"%s\"は、読取専用です。", {node->Name});
  if (node->Kind != wkVariable && node->Kind != wkDictionary)
    ScriptError(base, "\"%s\"は、文法が正しくないため、実行できません。代入出来ません。", {node->Name});
  const std::string& value = base.Sore->Value;
  const std::string& mark = base.Sore->TypeMark;
  if (mark == "hs") {
    auto dict = std::make_shared<THash>();
    dict->LoadFromText(value);
    node->Dict = std::move(dict);
    node->Kind = wkDictionary;
    node->Value.clear();
  } else {
    node->Dict.reset();
    node->Kind = wkVariable;
    node->Value = value;
  }
  node->TypeMark = mark;
}

// Every pointer the interpreter keeps to a word, so a word that a rename
// releases is never reached through one of them again.
void RedirectWord(TKobuBase& base, const THashNode* from, THashNode* to) {
  THashNode** fields[] = {&base.Sore,   &base.So,       &base.Soshite,    &base.Moshi,
                          &base.Naraba, &base.Nara,     &base.Chigaeba,   &base.Denakereba,
                          &base.Kaisu,  &base.ErrorMessage, &base.CannotTerminate,
                          &base.ErrorHandler, &base.TerminationHandler};
  for (THashNode** f : fields)
    if (*f == from) *f = to;
  for (THashNode*& s : base.Settings)
    if (s == from) s = to;
  base.RunControl.ForEachRecord([from, to](TRunControl& r) {
    if (r.Target == from) r.Target = to;
  });
}

void CmdRename(TKobuBase& base) {
  static const std::string self = sj("名義変更");
  std::string raw = ArgName(base);
  std::string form = IsQuoted(raw) ? UnquoteName(raw) : std::string();
  if (!form.empty() && form.back() == ';') form.pop_back();  // ';' is never a trail byte
  THashNode* node = ArgWord(base, false);

  form = TConvToHalf::Instance().Convert(form);
  std::vector<std::string> items = SplitAtSeparator(form, ",");
  if (!form.empty() && form.back() == ',') items.emplace_back();  // a trailing "," leaves an empty last item
  size_t slots = 0;
  for (size_t i = 0; i < node->Pattern.size(); i += CharLenAt(node->Pattern, i))
    if (node->Pattern[i] == '?') ++slots;
  if (items.size() != slots + 1) ScriptError(base, "\"%s\"命令の引数に誤りがあります。", {self});
  std::string newName = TrimText(items.back());
  items.pop_back();
  // A nameless word could never be found again.
  if (newName.empty()) ScriptError(base, "\"%s\"命令の引数に誤りがあります。", {self});
  std::string pattern;
  for (size_t k = 0; k < items.size(); ++k) {
    if (k) pattern += ',';
    pattern += TrimText(items[k]);
  }

  // The word itself moves to its new name, so every pointer to it stays
  // good; a refused name leaves it untouched.
  std::unique_ptr<THashNode> replaced;
  try {
    replaced = base.Words.Rename(node, newName);
  } catch (const EWordReserved& e) {
    ScriptErrorSj(base, e.what());
  }
  node->Pattern = pattern;
  if (!pattern.empty()) base.Particles.AddFromPattern(pattern);
  if (replaced) RedirectWord(base, replaced.get(), node);
}

const TCommandRow kRows[] = {
    {"数値として扱う", "?を", "変数を数値として扱う", 174, CmdTreatAsNumber},
    {"文字列として扱う", "?を", "変数を文字列として扱う", 175, CmdTreatAsText},
    {"辞書として扱う", "?を", "変数を辞書として扱う", 176, CmdTreatAsDictionary},
    {"単語コピー", "?から,?へ", "単語の名前以外の属性をすべて別の単語へコピーする", 177, CmdCopyWord},
    {"名義変更", "?を,?に", "命令の名前と引数の形を変更する", 51, CmdRename},
    {"変数名列挙", "?以上の", "指定したレベル以上の変数の名前を列挙する", 178, CmdListVariables},
    {"ハッシュキー列挙", "?の", "辞書のキーを配列で返す", 179, CmdListKeys},
    {"辞書項目列挙", "?の", "辞書のキーを配列で返す", 180, CmdListKeys},
    {"入れる", "?に", "変数に「それ」の値を入れる", 181, CmdPut},
    {"要素数", "?の", "配列（表）の要素数を返す", 182, CmdElementCount},
    {"ソート", "?を", "配列を文字列順に並べ替える", 184, CmdSort},
    {"数値ソート", "?を", "配列を数値順に並べ替える", 185, CmdNumericSort},
    {"逆にする", "?を", "配列（表）の行の順番を逆にする", 186, CmdReverse},
    {"配列シャッフル", "?を", "配列の要素をランダムに並べ替える", 188, CmdShuffle},
    {"行挿入", "?の,?行目へ,?を", "配列の指定した行に要素を挿入する", 189, CmdInsertLine},
    {"行削除", "?の,?行目を", "配列の指定した行を削除する", 190, CmdDeleteLine},
};

}  // namespace

void CmdElementCount(TKobuBase& base) {
  TTableRows rows = ReadTableText(ArgText(base));
  long long count = static_cast<long long>(rows.size());
  THashNode* header = base.Settings[swTableFieldNames];
  if (header && header->Value == "1" && count > 0) --count;
  SetResult(base, std::to_string(count), "e");
}

std::span<const TCommandRow> ArrayCommandRows() { return kRows; }

}  // namespace kobu
