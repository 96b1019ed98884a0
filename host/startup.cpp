#include "host/startup.h"

#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/kobubase.h"
#include "core/sjis.h"
#include "platform/cp932.h"

namespace kobu {

namespace fs = std::filesystem;

THostOptions SplitHostOptions(int argc, char** argv, std::vector<std::string>& parameters) {
  THostOptions o;
  parameters.clear();
  parameters.push_back(ExecutablePath());
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a.rfind("--", 0) != 0) {
      parameters.push_back(Utf8ToCp932(a));
      continue;
    }
    if (a == "--console") o.console = true;
    else if (a == "--preprocess") o.preprocessOnly = true;
    else if (a == "--help") o.help = true;
    else if (a == "--version") o.version = true;
    else if (a == "--encoding=sjis") o.encoding = seSjis;
    else if (a == "--encoding=utf8") o.encoding = seUtf8;
    else if (o.badOption.empty()) o.badOption = a;
  }
  return o;
}

bool LoadScriptFile(const std::string& pathSj, TScriptEncoding encoding, std::string& text, bool& lossy) {
  lossy = false;
  std::error_code ec;
  std::string path = Cp932ToUtf8(pathSj);
  if (!fs::is_regular_file(path, ec)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return false;

  bool bom = raw.size() >= 3 && raw.compare(0, 3, "\xEF\xBB\xBF") == 0;
  bool utf8 = encoding == seUtf8 || (encoding == seAuto && (bom || LooksLikeUtf8(raw)));
  if (bom && encoding != seSjis) raw.erase(0, 3);
  if (utf8) {
    bool lossless = true;
    raw = Utf8ToCp932(raw, &lossless);
    lossy = !lossless;
  }
  // Lines end in CR LF, CR or LF; every line is written back with CR LF.
  text.clear();
  text.reserve(raw.size() + raw.size() / 16 + 2);
  size_t i = 0, n = raw.size();
  while (i < n) {
    size_t e = i;
    while (e < n && raw[e] != '\r' && raw[e] != '\n') ++e;
    text.append(raw, i, e - i);
    text += "\r\n";
    if (e < n) e += (raw[e] == '\r' && e + 1 < n && raw[e + 1] == '\n') ? 2 : 1;
    i = e;
  }
  return true;
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

TScriptChoice ScanCommandLine(TKobuBase& base) {
  TScriptChoice c;
  const auto& params = base.Parameters;
  for (size_t i = 1; i < params.size(); ++i) {
    const std::string& a = params[i];
    if (a.empty() || a[0] != '-') {
      if (c.candidatePath.empty()) c.candidatePath = a;
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

void EnterScriptFolder(const std::string& pathSj) {
  fs::path p(Cp932ToUtf8(pathSj));
  if (!p.has_parent_path()) return;
  std::error_code ec;
  fs::current_path(p.parent_path(), ec);
}

}  // namespace kobu
