#include "commands/registry.h"

#include <array>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "commands/array_commands.h"
#include "commands/date_commands.h"
#include "commands/dialog_commands.h"
#include "commands/japanese_commands.h"
#include "commands/match_commands.h"
#include "commands/number_commands.h"
#include "commands/string_commands.h"
#include "commands/system_variables.h"
#include "commands/table_commands.h"
#include "commands/xml_commands.h"
#include "core/control.h"
#include "core/debug_commands.h"
#include "core/error_commands.h"
#include "core/kobubase.h"
#include "core/properties.h"
#include "core/sjis.h"
#include "gui/image_commands.h"
#include "gui/object_commands.h"
#include "gui/timer_commands.h"
#include "gui/window_commands.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "system/archive/archive_commands.h"
#include "system/dll_commands.h"
#include "system/file_commands.h"
#include "system/media_commands.h"
#include "system/network_commands.h"
#include "system/office_commands.h"
#include "system/process_commands.h"
#include "system/registry_commands.h"

namespace kobu {

namespace {

// The families in registration order; 言う stands among the program words.
const std::vector<std::span<const TCommandRow>>& Families() {
  static const std::vector<std::span<const TCommandRow>> families = {
      ControlCommandRows(), SayCommandRows(),     StringCommandRows(),   JapaneseCommandRows(),
      XmlCommandRows(),     MatchCommandRows(),   DialogCommandRows(),   FileCommandRows(),
      ArrayCommandRows(),   DebugCommandRows(),   ErrorCommandRows(),    DllCommandRows(),
      TimerCommandRows(),   DateCommandRows(),    ProcessCommandRows(),  NumberCommandRows(),
      TableCommandRows(),   WindowCommandRows(),  ImageCommandRows(),    ObjectCommandRows(),
      MediaCommandRows(),   OfficeCommandRows(),  ArchiveCommandRows(),  NetworkCommandRows(),
      RegistryCommandRows(),
  };
  return families;
}

// The name of each family above, in the same order, for references.
const char* const kFamilyNames[] = {
    "制御",         "出力",   "文字列",   "日本語",       "XML",     "照合",     "ダイアログ",
    "ファイル",     "配列",   "デバッグ", "エラー",       "DLL",     "タイマー", "日付",
    "プロセス",     "数値",   "表",       "ウィンドウ",   "画像",    "オブジェクト",
    "メディア",     "オフィス", "アーカイブ", "ネットワーク", "レジストリ",
};

// Particles that end argument words besides those of the patterns: the
// assignment and branch endings, and the particles every script relies on.
const char* const kBaseParticles[] = {
    "は", "の時", "を", "の", "に", "へ", "と", "で", "が", "から", "まで", "までを", "までの",
    "として", "という", "つ", "の中で", "を呼ぶ", "へ飛ぶ", "秒", "度", "文字", "列目から", "個目の",
};

std::array<THandler, kCommandNumbers>& HandlerArray() {
  static std::array<THandler, kCommandNumbers> table = [] {
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
  return table;
}

const THandler* HandlerTable() { return HandlerArray().data(); }

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

// The canonical full path of an existing file; otherwise the path as given.
std::string FullPathOf(const std::string& pathSj) {
  std::error_code ec;
  std::filesystem::path canon = std::filesystem::canonical(Cp932ToUtf8(pathSj), ec);
  return ec ? pathSj : Utf8ToCp932(canon.string());
}

// A parameter as a path from the folder the process started in.
// Only an existing file is taken so: a switch such as "-debug" names no folder.
std::string FromStart(const TKobuBase& base, const std::string& pathSj) {
  if (pathSj.empty() || base.StartFolder.empty() || IsAbsolutePath(pathSj)) return pathSj;
  std::string full = base.StartFolder + "/" + pathSj;
  std::error_code ec;
  return std::filesystem::is_regular_file(Cp932ToUtf8(full), ec) ? full : pathSj;
}

// コマンドライン引数 and 母艦のパス start at the script's own parameter.
TComputedValues CommandLineValues(const TKobuBase& base) {
  TComputedValues v;
  size_t i = 0;
  if (!base.ScriptBesideExe) i = (base.RuntimeMode ? 2 : 0) + (base.PackedScript ? 0 : 1);
  if (i < base.Parameters.size()) {
    const std::string& script = base.Parameters[i];
    if (script == "-" || script == "/dev/stdin" || script == "-e") {
      // A script from standard input or the command line lives where the run started.
      v.motherPath = base.StartFolder;
      if (!v.motherPath.empty() && v.motherPath.back() != '/') v.motherPath += '/';
    } else {
      v.motherPath = FolderOf(FromStart(base, script));
      v.programFile = FullPathOf(FromStart(base, script));
    }
    for (size_t k = i; k < base.Parameters.size(); ++k) {
      if (k > i) v.arguments += "\r\n";
      v.arguments += base.Parameters[k];
    }
  }
  v.runtimePath = FolderOf(base.ExecutablePath);
  return v;
}

}  // namespace

std::vector<const TCommandRow*> CommandRows() {
  std::vector<const TCommandRow*> rows;
  for (auto family : Families())
    for (const auto& row : family) rows.push_back(&row);
  return rows;
}

std::vector<std::pair<std::string, std::vector<const TCommandRow*>>> CommandFamilies() {
  if (Families().size() != std::size(kFamilyNames)) throw std::logic_error("a family without a name");
  std::vector<std::pair<std::string, std::vector<const TCommandRow*>>> out;
  for (size_t i = 0; i < Families().size(); ++i) {
    std::vector<const TCommandRow*> rows;
    for (const auto& row : Families()[i]) rows.push_back(&row);
    out.emplace_back(kFamilyNames[i], std::move(rows));
  }
  return out;
}

void BindHandlers(std::span<const THandlerBinding> bindings) {
  for (const auto& b : bindings)
    if (b.number >= 0 && b.number < kCommandNumbers && b.handler) HandlerArray()[b.number] = b.handler;
}

void RegisterBuiltins(TKobuBase& base) {
  base.Handlers = HandlerTable();
  for (const char* p : kBaseParticles) base.Particles.Add(sj(p));
  TComputedValues values = CommandLineValues(base);
  base.ScriptFolder = values.motherPath;
  base.ProgramFile = values.programFile;
  RegisterSystemVariables(base, values);
  base.CommandSpellings.clear();
  for (auto family : Families())
    for (const auto& row : family) {
      std::string pattern = sj(row.pattern);
      base.CommandSpellings.insert(sj(row.name));
      base.Words.AddCommand(sj(row.name), pattern, row.number);
      base.Particles.AddFromPattern(pattern);
    }
  base.Moshi = base.Words.Find(sj("もし"), true);
  base.Naraba = base.Words.Find(sj("ならば"), true);
  base.Nara = base.Words.Find(sj("なら"), true);
  base.Chigaeba = base.Words.Find(sj("違えば"), true);
  base.Denakereba = base.Words.Find(sj("でなければ"), true);

  // The main window is object 0.
  auto mother = std::make_unique<TObjNode>();
  mother->Name = sj("母艦");
  mother->Kind = kObjectKindForm;
  base.Objects.Clear();
  base.Objects.Add(std::move(mother));
  base.Words.Add(std::make_unique<THashNode>(sj("母艦"), std::string(), std::string(), sj("メインフォーム"), wkObject,
                                             0, nullptr, true));
  if (base.So) base.So->Number = -1;
  base.PropertyNames = NormalisedPropertyNames();
}

}  // namespace kobu
