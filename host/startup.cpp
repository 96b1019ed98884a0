#include "host/startup.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "core/errors.h"
#include "core/kobubase.h"
#include "core/sjis.h"
#include "host/filemix.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "system/text_file.h"

namespace kobu {

namespace fs = std::filesystem;

THostOptions SplitHostOptions(int argc, char** argv, std::vector<std::string>& parameters) {
  THostOptions o;
  parameters.clear();
  parameters.push_back(ExecutablePath());
  bool optionsEnded = false;
  bool scriptSeen = false;  // a plain parameter: "-e" after it is the script's
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (optionsEnded) {
      parameters.push_back(Utf8ToCp932(a));
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      parameters.push_back(a);
      continue;
    }
    if (a == "-h") {
      o.help = true;
      continue;
    }
    if (a == "-e" && !scriptSeen) {
      if (i + 1 >= argc) {
        if (o.missingValue.empty()) o.missingValue = a;
        continue;
      }
      parameters.push_back(a);
      parameters.push_back(Utf8ToCp932(argv[++i]));
      scriptSeen = true;
      continue;
    }
    if (a.rfind("--", 0) != 0) {
      // The values of the classic switches are no script.
      const std::string& prev = parameters.back();
      bool isValue = prev == "-runtime" || prev == "-resource" || prev == "-security";
      if ((a == "-" || a.empty() || a[0] != '-') && !isValue) scriptSeen = true;
      parameters.push_back(Utf8ToCp932(a));
      continue;
    }
    if (a == "--console") o.console = true;
    else if (a == "--preprocess") o.preprocessOnly = true;
    else if (a == "--help") o.help = true;
    else if (a == "--version") o.version = true;
    else if (a == "--list-commands") o.listCommands = true;
    else if (a == "--pack") o.pack = true;
    else if (a == "--encoding=sjis") o.encoding = seSjis;
    else if (a == "--encoding=utf8") o.encoding = seUtf8;
    else if (a.rfind("--file-encoding=", 0) == 0 && FileEncodingOfName(a.substr(16), o.fileEncoding)) {
      // The runs of this process take it as the default of ファイル文字コード.
      SetStartupFileEncoding(o.fileEncoding);
    }
    else if (o.badOption.empty()) o.badOption = a;
  }
  return o;
}

std::string ExecutablePath() {
  std::error_code ec;
  fs::path p = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : Utf8ToCp932(p.string());
}

std::string ScriptBesideExecutable(const std::string& exePathSj) {
  std::string path = Cp932ToUtf8(exePathSj);
  if (path.empty()) return std::string();
  fs::path p(path);
  p.replace_extension(".kbr");
  std::error_code ec;
  return fs::is_regular_file(p, ec) ? Utf8ToCp932(p.string()) : std::string();
}

size_t TakeOptionsEnd(std::vector<std::string>& parameters) {
  for (size_t i = 1; i < parameters.size(); ++i)
    if (parameters[i] == "--") {
      parameters.erase(parameters.begin() + static_cast<std::ptrdiff_t>(i));
      return i;
    }
  return parameters.size();
}

TScriptChoice ScanCommandLine(TKobuBase& base, size_t literalFrom) {
  TScriptChoice c;
  auto& params = base.Parameters;
  for (size_t i = 1; i < params.size(); ++i) {
    const std::string& a = params[i];
    if (i >= literalFrom || a == "-" || a.empty() || a[0] != '-') {
      if (c.candidatePath.empty()) c.candidatePath = a;
      continue;
    }
    if (a == "-e" && c.candidatePath.empty() && i + 1 < params.size()) {
      c.inlineGiven = true;
      c.inlineText = params[i + 1];
      c.candidatePath = a;
      params.erase(params.begin() + static_cast<std::ptrdiff_t>(i) + 1);
      if (literalFrom != SIZE_MAX && literalFrom > i) --literalFrom;
      continue;
    }
    if (a == "-debug") base.DebugMode = true;
    else if (a == "-linestop") base.LineStopMode = true;
    else if (a == "-runtime") {
      base.RuntimeMode = true;
      c.runtimeGiven = true;
      if (i + 1 < params.size()) c.runtimeName = params[++i];
      c.candidatePath = c.runtimeName;
    } else if (a == "-resource") {
      c.resourceGiven = true;
      if (i + 1 < params.size()) c.resourceName = params[++i];
    } else if (a == "-security") {
      if (i + 1 < params.size()) {
        std::string level = params[++i];
        for (char& ch : level) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        if (level == "low") base.SecurityLevel = 0;
        else if (level == "mid") base.SecurityLevel = 1;
        else if (level == "high") base.SecurityLevel = 2;
      }
    }
    // "-run" and any other switch have no effect here.
  }
  if (c.candidatePath.empty()) {
    c.candidatePath = ScriptBesideExecutable(base.ExecutablePath);
    if (!c.candidatePath.empty()) base.ScriptBesideExe = true;
  }
  return c;
}

bool ReadPackedScript(TKobuBase& base, const std::string& pathSj, TScriptEncoding encoding, size_t literalFrom) {
  if (base.Parameters.size() > 1 && literalFrom > 1 && base.Parameters[1] == "-run") return false;
  std::string native = NativePath(pathSj);
  uint64_t offset = 0;
  if (!FindAttachedContainer(native, offset)) return false;
  auto reader = std::make_shared<TFileMixReader>();
  std::string error, text;
  if (!reader->Open(native, offset, pathSj, error)) ScriptErrorSj(base, sj("ファイルの展開に失敗しました。") + error);
  if (!reader->ReadEntryText("KOBURANE.KBR", text)) return false;
  bool lossy = false;
  base.ScriptText = DecodeScriptText(std::move(text), encoding, lossy);
  base.ScriptFileName = "koburane.kbr";
  base.PackedScript = true;
  base.PackedReader = std::move(reader);
  return true;
}

std::string ScriptReadReason(int error) {
  switch (error) {
    case ENOENT: return "そのようなファイルはありません";
    case EISDIR: return "フォルダです";
    case EACCES:
    case EPERM: return "読む権限がありません";
    case EINVAL: return "通常のファイルではありません";
    default: return std::strerror(error);
  }
}

void ReportUnreadableScript(const std::string& pathSj, int error) {
  std::fprintf(stderr, "koburane: %s: %s\n", Cp932ToUtf8(pathSj).c_str(), ScriptReadReason(error).c_str());
}

void EnterScriptFolder(const std::string& pathSj) {
  fs::path p(Cp932ToUtf8(pathSj));
  if (!p.has_parent_path()) return;
  std::error_code ec;
  fs::current_path(p.parent_path(), ec);
}

}  // namespace kobu
