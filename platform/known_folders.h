// The folders scripts know by name, as Linux has them: XDG user folders, the
// freedesktop Trash, the temporary folder. Every result is CP932 and ends in "/",
// or is empty where Linux has no such folder.
#pragma once
#include <string>

namespace kobu {

enum TSpecialFolder {
  sfDesktop,
  sfTrash,
  sfDocuments,
  sfStartMenu,
  sfStartup,
  sfSendTo,
  sfFavorites,
  sfWindows,
  sfSystem,
  sfTemp,
};

std::string SpecialFolder(TSpecialFolder which);
// "Linux" and the kernel release.
std::string OperatingSystemName();

}  // namespace kobu
