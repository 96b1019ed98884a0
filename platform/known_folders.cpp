#include "platform/known_folders.h"

#include <sys/utsname.h>

#include <cstdlib>
#include <fstream>

#include "platform/cp932.h"

namespace kobu {

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

std::string Home() {
  std::string h = Env("HOME");
  return h.empty() ? std::string("/tmp") : h;
}

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string ConfigHome() {
  std::string c = Env("XDG_CONFIG_HOME");
  return c.empty() ? Home() + "/.config" : c;
}

std::string DataHome() {
  std::string d = Env("XDG_DATA_HOME");
  return d.empty() ? Home() + "/.local/share" : d;
}

// A folder of user-dirs.dirs ("XDG_DESKTOP_DIR="$HOME/Desktop""), or the fallback.
std::string UserDir(const char* key, const char* fallback) {
  std::ifstream in(ConfigHome() + "/user-dirs.dirs");
  std::string line, prefix = std::string(key) + "=";
  while (std::getline(in, line)) {
    if (line.rfind(prefix, 0) != 0) continue;
    std::string v = line.substr(prefix.size());
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    if (v.rfind("$HOME", 0) == 0) v = Home() + v.substr(5);
    if (!v.empty() && v[0] == '/') return v;
  }
  return Home() + "/" + fallback;
}

}  // namespace

std::string SpecialFolder(TSpecialFolder which) {
  std::string utf8;
  switch (which) {
    case sfDesktop: utf8 = UserDir("XDG_DESKTOP_DIR", "Desktop"); break;
    case sfTrash: utf8 = DataHome() + "/Trash"; break;
    case sfDocuments: utf8 = UserDir("XDG_DOCUMENTS_DIR", "Documents"); break;
    case sfStartMenu: utf8 = DataHome() + "/applications"; break;
    case sfStartup: utf8 = ConfigHome() + "/autostart"; break;
    case sfTemp: {
      utf8 = Env("TMPDIR");
      if (utf8.empty()) utf8 = "/tmp";
      break;
    }
    // No such folders on Linux; an empty text never aims file commands at
    // the whole system.
    case sfSendTo:
    case sfFavorites:
    case sfWindows:
    case sfSystem:
      return std::string();
  }
  return Utf8ToCp932(WithSlash(utf8));
}

std::string OperatingSystemName() {
  utsname u{};
  if (uname(&u) != 0) return "Linux";
  return std::string("Linux ") + u.release;
}

}  // namespace kobu
