#include "platform/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "core/sjis.h"
#include "platform/cp932.h"

namespace kobu {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Offset just past the last separator ("/", "\" or ":"), 0 when there is none.
size_t NameStart(std::string_view p) {
  size_t start = 0;
  for (size_t i = 0; i < p.size(); i += CharLenAt(p, i))
    if (p[i] == '/' || p[i] == '\\' || p[i] == ':') start = i + 1;
  return start;
}

std::string CurrentFolder() {
  std::vector<char> buf(PATH_MAX);
  while (!getcwd(buf.data(), buf.size())) {
    if (errno != ERANGE) return "/";
    buf.resize(buf.size() * 2);
  }
  return buf.data();
}

}  // namespace

std::string NormalisedPath(std::string_view p) {
  if (p.size() >= 2 && IsAsciiLetter(p[0]) && p[1] == ':') {
    p.remove_prefix(2);
    if (p.empty()) return "/";
  }
  std::string out;
  out.reserve(p.size());
  for (size_t i = 0; i < p.size();) {
    size_t n = CharLenAt(p, i);
    if (n == 1 && p[i] == '\\') out += '/';
    else out.append(p.substr(i, n));
    i += n;
  }
  return out;
}

std::string NativePath(std::string_view scriptPath) { return Cp932ToUtf8(NormalisedPath(scriptPath)); }

std::string ScriptPath(std::string_view nativePath) { return Utf8ToCp932(nativePath); }

bool IsAbsolutePath(std::string_view scriptPath) {
  std::string n = NormalisedPath(scriptPath);
  return !n.empty() && n[0] == '/';
}

std::string CanonicalTarget(const std::string& nativePath) {
  std::string abs = (!nativePath.empty() && nativePath[0] == '/') ? nativePath : CurrentFolder() + "/" + nativePath;
  // Walk the components as the kernel does: a symbolic link, dangling ones
  // included, is replaced by its target, and ".." applies to what a link led
  // to. Once a component is missing, the rest cannot exist either and is
  // taken as written.
  std::vector<std::string> queue;  // remaining components, last one first
  auto push = [&queue](const std::string& p) {
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= p.size()) {
      size_t j = p.find('/', i);
      if (j == std::string::npos) j = p.size();
      if (j > i) parts.push_back(p.substr(i, j - i));
      i = j + 1;
    }
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) queue.push_back(*it);
  };
  push(abs);
  std::string result;  // "" stands for the root
  bool missing = false;
  int links = 0;
  while (!queue.empty()) {
    std::string c = std::move(queue.back());
    queue.pop_back();
    if (c == ".") continue;
    if (c == "..") {
      result.erase(result.empty() ? 0 : result.rfind('/'));
      continue;
    }
    std::string candidate = result + "/" + c;
    if (!missing) {
      struct stat st {};
      if (lstat(candidate.c_str(), &st) != 0) {
        missing = true;
      } else if (S_ISLNK(st.st_mode) && links < 40) {
        ++links;
        std::vector<char> buf(PATH_MAX + 1);
        ssize_t n = readlink(candidate.c_str(), buf.data(), buf.size() - 1);
        if (n > 0) {
          std::string target(buf.data(), static_cast<size_t>(n));
          if (target[0] == '/') result.clear();
          push(target);
          continue;
        }
      }
    }
    result = std::move(candidate);
  }
  return result.empty() ? std::string("/") : result;
}

bool IsInsideFolder(const std::string& path, const std::string& folder) {
  if (folder.empty()) return false;
  if (folder == "/") return !path.empty() && path[0] == '/';
  if (path.compare(0, folder.size(), folder) != 0) return false;
  return path.size() == folder.size() || path[folder.size()] == '/';
}

std::string FileNamePart(std::string_view scriptPath) {
  return std::string(scriptPath.substr(NameStart(scriptPath)));
}

std::string FolderPart(std::string_view scriptPath) {
  return std::string(scriptPath.substr(0, NameStart(scriptPath)));
}

}  // namespace kobu
