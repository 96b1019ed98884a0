#include "platform/temp_folder.h"

#include <stdlib.h>

#include <filesystem>

namespace kobu {

namespace {

struct TTempFolder {
  std::string path;
  TTempFolder() {
    const char* tmp = getenv("TMPDIR");
    // A relative TMPDIR would move with the working folder.
    std::string pattern = std::string(tmp && tmp[0] == '/' ? tmp : "/tmp") + "/koburane-XXXXXX";
    if (mkdtemp(pattern.data())) path = pattern;
  }
  ~TTempFolder() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
  }
};

}  // namespace

const std::string& PrivateTempFolder() {
  static TTempFolder folder;
  return folder.path;
}

}  // namespace kobu
