// Turns a picture name of a script into a bitmap: a packed or disk file, the
// clipboard, or a copy of an イメージ's or a form's bitmap.
#pragma once
#include <QImage>
#include <string>

namespace kobu {

struct TKobuBase;

// The picture `name` names, as a QImage::Format_RGB32 bitmap owned by the
// caller. Empty when the clipboard holds no picture. Fails with the loader's
// messages.
QImage LoadImage(TKobuBase& base, const std::string& name);

}  // namespace kobu
