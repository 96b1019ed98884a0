#include "host/security.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <vector>

#include "core/kobubase.h"
#include "core/sjis.h"
#include "core/ui.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "system/inifile.h"

namespace kobu {

bool RefusalsToStderr = false;

namespace {

constexpr std::string_view kSecurityIni = "security.ini";

// "security.ini" in any ASCII letter case. The name is pure ASCII, so a
// double-byte character (lead byte >= 0x81) can never match, and no trail
// byte is ever folded.
bool IsSecurityIniName(std::string_view name) {
  if (name.size() != kSecurityIni.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kSecurityIni[i]) return false;
  }
  return true;
}

std::string LastComponent(const std::string& canonical) {
  size_t slash = canonical.rfind('/');
  return slash == std::string::npos ? canonical : canonical.substr(slash + 1);
}

// A script that could rewrite its own security.ini could lower its own level,
// so the file is out of reach under every name that leads to it: a symbolic
// link, a hard link (the same file under another name), or a folder that
// holds it and would be moved or deleted with it.
bool AimsAtSecurityIni(const std::string& path, const std::vector<std::string>& policyFiles) {
  if (IsSecurityIniName(FileNamePart(path))) return true;
  std::string target = CanonicalTarget(NativePath(path));
  if (IsSecurityIniName(LastComponent(target))) return true;
  struct stat st {};
  bool exists = stat(target.c_str(), &st) == 0;
  for (const auto& ini : policyFiles) {
    struct stat is {};
    if (IsInsideFolder(ini, target)) return true;
    if (exists && stat(ini.c_str(), &is) == 0 && is.st_dev == st.st_dev && is.st_ino == st.st_ino) return true;
  }
  return false;
}

bool HasWildcard(std::string_view path) {
  for (size_t i = 0; i < path.size(); i += CharLenAt(path, i))
    if (path[i] == '*' || path[i] == '?') return true;
  return false;
}

bool IsRegularFile(const std::string& nativePath) {
  struct stat st {};
  return stat(nativePath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The security.ini of a folder (native, canonical). Windows finds it in any
// letter case, so a case-sensitive file system must too; the exact name wins
// when several spellings exist, otherwise the first in byte order, so the
// choice never depends on the order the directory lists its entries.
std::string FindSecurityIni(const std::string& folder) {
  std::string exact = folder + "/" + std::string(kSecurityIni);
  if (IsRegularFile(exact)) return exact;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return {};
  std::string best;
  while (dirent* e = readdir(dir)) {
    std::string name = e->d_name;
    if (!IsSecurityIniName(name) || (!best.empty() && name >= best)) continue;
    if (IsRegularFile(folder + "/" + name)) best = name;
  }
  closedir(dir);
  return best.empty() ? std::string() : folder + "/" + best;
}

int LevelFromText(std::string_view value) {
  if (value.empty()) return 1;
  switch (value[0]) {
    case 'H':
    case 'h':
      return 2;
    case 'L':
    case 'l':
      return 0;
    default:
      return 1;  // "M", anything else, or nothing at all
  }
}

bool InsideScriptFolder(const TKobuBase& base, const std::string& canonicalFolder, const std::string& path) {
  if (base.ScriptFolder.empty()) return false;
  return IsInsideFolder(CanonicalTarget(NativePath(path)), canonicalFolder);
}

// On a terminal a change refused without a question would pass unseen; one
// line on stderr names it. The run goes on as the refusal leaves it.
void WarnRefused(TKobuBase& base, std::initializer_list<std::string> paths) {
  if (!RefusalsToStderr || !base.UI) return;
  std::string names;
  for (const std::string& p : paths) names += (names.empty() ? "" : ", ") + Cp932ToUtf8(p);
  std::fprintf(stderr, "koburane: ファイルの変更を許可しませんでした: %s\n", names.c_str());
  std::fflush(stderr);
}

}  // namespace

void DetermineSecurityLevel(TKobuBase& base) {
  if (base.SecurityLevel != -1) return;
  base.SecurityLevel = 1;
  if (base.ProgramFile.empty()) return;  // no section could name it

  std::string ini, section;
  if (!base.ScriptFolder.empty()) {
    ini = FindSecurityIni(CanonicalTarget(NativePath(base.ScriptFolder)));
    section = FileNamePart(base.ProgramFile);
  }
  if (ini.empty() && !base.ExecutablePath.empty()) {
    std::string folder = FolderPart(base.ExecutablePath);
    if (!folder.empty()) {
      ini = FindSecurityIni(CanonicalTarget(NativePath(folder)));
      section = base.ProgramFile;
    }
  }
  if (ini.empty()) return;
  base.SecurityLevel = LevelFromText(ReadIniValue(ini, section, "security"));
}

bool IsPolicyFile(TKobuBase& base, const std::string& path) {
  std::vector<std::string> policyFiles;
  if (!base.ScriptFolder.empty())
    if (std::string f = FindSecurityIni(CanonicalTarget(NativePath(base.ScriptFolder))); !f.empty()) policyFiles.push_back(f);
  if (std::string exeFolder = FolderPart(base.ExecutablePath); !exeFolder.empty())
    if (std::string f = FindSecurityIni(CanonicalTarget(NativePath(exeFolder))); !f.empty()) policyFiles.push_back(f);
  if (!AimsAtSecurityIni(path, policyFiles)) return false;
  if (base.UI) base.UI->MessageBox(sj("このプログラムは、\"security.ini\"を、操作出来ません！"), sj("セキュリティの警告"));
  return true;
}

bool CheckFileAccess(TKobuBase& base, const std::string& path, const std::string& question) {
  return CheckFileAccess(base, {path}, question);
}

bool CheckFileAccess(TKobuBase& base, std::initializer_list<std::string> paths, const std::string& question) {
  if (base.SecurityLevel == -1) DetermineSecurityLevel(base);
  if (base.SecurityLevel == 2) {
    WarnRefused(base, paths);
    return false;
  }

  for (const std::string& p : paths)
    if (IsPolicyFile(base, p)) return false;
  if (base.SecurityLevel == 0) return true;

  bool inside = true;
  const std::string folder = base.ScriptFolder.empty() ? std::string() : CanonicalTarget(NativePath(base.ScriptFolder));
  for (const std::string& p : paths) {
    if (HasWildcard(p) || !InsideScriptFolder(base, folder, p)) {
      inside = false;
      break;
    }
  }
  if (inside) return true;

  if (!base.UI) return false;  // nobody to ask: the safe answer
  const std::vector<std::string> choices = {sj("はい"), sj("いいえ"), sj("全てはい"), sj("全ていいえ")};
  TDialogAnswer a = base.UI->ChooseButton(question, choices);
  if (!a.accepted) {
    if (std::feof(stdin)) WarnRefused(base, paths);  // nobody was there to answer
    return false;
  }
  if (a.text == choices[0]) return true;
  if (a.text == choices[2]) {
    base.SecurityLevel = 0;
    return true;
  }
  if (a.text == choices[3]) base.SecurityLevel = 2;
  return false;
}

}  // namespace kobu
