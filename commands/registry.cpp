#include "commands/registry.h"

#include <array>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "commands/dialog_commands.h"
#include "commands/number_commands.h"
#include "core/control.h"
#include "core/kobubase.h"
#include "core/sjis.h"
#include "platform/cp932.h"

namespace kobu {

namespace {

// The families in registration order.
std::vector<std::span<const TCommandRow>> Families() {
  return {ControlCommandRows(), DialogCommandRows(), NumberCommandRows()};
}

// Particles that end argument words besides those of the patterns: the
// assignment and branch endings, and the particles every script relies on.
const char* const kBaseParticles[] = {
    "は", "の時", "を", "の", "に", "へ", "と", "で", "が", "から", "まで", "までを", "までの",
    "として", "という", "つ", "の中で", "を呼ぶ", "へ飛ぶ", "秒", "度", "文字", "列目から", "個目の",
};

struct TVariableRow {
  const char* name;
  const char* value;
  const char* typeMark;
  bool readOnly;
  THashNode* TKobuBase::*cache;
};

const TVariableRow kVariables[] = {
    {"そして", "", "日本語らしい表記をするための接続詞。一度文を区切り,構文チェックをする。", false, &TKobuBase::Soshite},
    {"回数", "0", "回、反復、命令において、繰り返した回数をカウントしている変数e", true, &TKobuBase::Kaisu},
    {"エラーメッセージ", "", "直前のエラーメッセージを記憶しているs", true, &TKobuBase::ErrorMessage},
    {"終了不可能", "0", "プログラムが終了できるかどうか調べるのに使う", true, &TKobuBase::CannotTerminate},
    {"オン", "1", "e", false, nullptr},
    {"オフ", "0", "e", false, nullptr},
    {"はい", "1", "e", false, nullptr},
    {"いいえ", "0", "e", false, nullptr},
    {"キャンセル", "2", "e", false, nullptr},
    {"それ", "", "命令の返却値として利用", false, &TKobuBase::Sore},
    {"そ", "", "「その」前回利用したオブジェクトを覚えておく", false, &TKobuBase::So},
};

const THandler* HandlerTable() {
  static const std::array<THandler, kCommandNumbers> table = [] {
    std::array<THandler, kCommandNumbers> t{};
    for (auto family : Families())
      for (const auto& row : family) {
        if (row.number < 0 || row.number >= kCommandNumbers)
          throw std::logic_error(std::string("command number out of range: ") + row.name);
        if (t[row.number] && row.handler && t[row.number] != row.handler)
          throw std::logic_error(std::string("two handlers for one command number: ") + row.name);
        if (row.handler) t[row.number] = row.handler;
      }
    return t;
  }();
  return table.data();
}

// Folder of a path as scripts see it: ending in "/", empty when it has none.
// An existing file gives its canonical folder, so the value survives the
// change of the working folder to the script's folder.
std::string FolderOf(const std::string& pathSj) {
  namespace fs = std::filesystem;
  std::string utf8 = Cp932ToUtf8(pathSj);
  std::error_code ec;
  if (!utf8.empty() && fs::is_regular_file(utf8, ec)) {
    fs::path canon = fs::canonical(utf8, ec);
    if (!ec) {
      std::string folder = canon.parent_path().string();
      if (folder.empty() || folder.back() != '/') folder += '/';
      return Utf8ToCp932(folder);
    }
  }
  size_t cut = std::string::npos;
  for (size_t i = 0; i < pathSj.size(); i += CharLenAt(pathSj, i))
    if (pathSj[i] == '/' || pathSj[i] == '\\') cut = i;
  return cut == std::string::npos ? std::string() : pathSj.substr(0, cut + 1);
}

void RegisterCommandLineValues(TKobuBase& base) {
  size_t i = 0;
  if (!base.ScriptBesideExe) i = (base.RuntimeMode ? 2 : 0) + (base.PackedScript ? 0 : 1);
  std::string args, mother;
  if (i < base.Parameters.size()) {
    mother = FolderOf(base.Parameters[i]);
    for (size_t k = i; k < base.Parameters.size(); ++k) {
      if (k > i) args += "\r\n";
      args += base.Parameters[k];
    }
  }
  base.Words.AddVariable(sj("コマンドライン引数"), args, "", true);
  base.Words.AddVariable(sj("母艦のパス"), mother, "s", true);
  base.Words.AddVariable(sj("ランタイムのパス"), FolderOf(base.ExecutablePath), "s", true);
}

}  // namespace

void RegisterBuiltins(TKobuBase& base) {
  base.Handlers = HandlerTable();
  for (const char* p : kBaseParticles) base.Particles.Add(sj(p));
  for (auto family : Families())
    for (const auto& row : family) {
      std::string name = sj(row.name), pattern = sj(row.pattern);
      base.Words.AddCommand(name, pattern, row.number);
      base.Particles.AddFromPattern(pattern);
    }
  for (const auto& v : kVariables) {
    THashNode* n = base.Words.AddVariable(sj(v.name), sj(v.value), sj(v.typeMark), v.readOnly);
    if (v.cache) base.*(v.cache) = n;
  }
  RegisterCommandLineValues(base);
  base.Naraba = base.Words.Find(sj("ならば"), true);
  base.Nara = base.Words.Find(sj("なら"), true);
  base.Chigaeba = base.Words.Find(sj("違えば"), true);
  base.Denakereba = base.Words.Find(sj("でなければ"), true);
  base.Moshi = base.Words.Find(sj("もし"), true);
}

}  // namespace kobu
