#include "gui/image_loader.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QImageReader>
#include <QPainter>

#include "core/errors.h"
#include "core/kbhash.h"
#include "core/kobubase.h"
#include "core/properties.h"
#include "core/sjis.h"
#include "gui/gui_objects.h"
#include "host/filemix.h"
#include "platform/cp932.h"
#include "platform/file_io.h"
#include "platform/paths.h"
#include "system/file_commands.h"

namespace kobu {

namespace {

// The extension of the last path part, lower-cased ASCII, with its dot;
// empty when there is none. A trail byte is never taken for "\" or ".".
std::string LowerExtension(const std::string& name) {
  size_t dot = std::string::npos;
  for (size_t i = 0; i < name.size(); i += CharLenAt(name, i)) {
    char c = name[i];
    if (c == '/' || c == '\\') dot = std::string::npos;
    else if (c == '.') dot = i;
  }
  if (dot == std::string::npos) return std::string();
  std::string ext = name.substr(dot);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext;
}

// Bitmaps have no alpha: see-through parts of icons and PNGs show white, as
// on a fresh canvas.
QImage Opaque(const QImage& image) {
  if (image.isNull() || !image.hasAlphaChannel()) return image.convertToFormat(QImage::Format_RGB32);
  QImage out(image.size(), QImage::Format_RGB32);
  out.fill(Qt::white);
  QPainter p(&out);
  p.drawImage(0, 0, image);
  p.end();
  return out;
}

QImage LoadFile(TKobuBase& base, const std::string& name, const std::string& path, const char* format) {
  std::string bytes;
  if (!ReadWholeFile(NativePath(path), bytes)) ScriptError(base, "画像ファイル\"%s\"が読込めません。", {name});
  QByteArray data = QByteArray::fromStdString(bytes);
  QBuffer buffer(&data);
  QImageReader reader(&buffer, format);
  QImage image = reader.read();
  if (image.isNull())
    ScriptErrorSj(base, FillArgs(sj("画像ファイル\"%s\"が読込めません。"), {name}) +
                            Utf8ToCp932(reader.errorString().toStdString()));
  return Opaque(image);
}

const char* FormatOf(const std::string& ext) {
  if (ext == ".bmp") return "BMP";
  if (ext == ".ico") return "ICO";
  if (ext == ".jpg" || ext == ".jpeg") return "JPEG";
  if (ext == ".png") return "PNG";
  return nullptr;
}

}  // namespace

QImage LoadImage(TKobuBase& base, const std::string& name) {
  std::string packed = ResolvePackedFile(base, name);
  if (packed.empty() && name == sj("クリップボード"))
    return Opaque(QApplication::clipboard()->image());
  std::string ext = LowerExtension(name);
  if (ext.empty() && packed.empty()) {
    THashNode* word = base.Words.Find(name, false);
    TGuiObjects& objects = Objects(base);
    TObjNode* rec = word && word->Kind == wkObject ? objects.Record(static_cast<int>(word->Number)) : nullptr;
    TImageBox* box = rec && (rec->Kind == okImage || rec->Kind == okForm) ? objects.ImageBox(*rec) : nullptr;
    if (!box) ScriptErrorSj(base, sj("画像として、") + "\"" + name + "\"" + sj("を読み込めません。"));
    return box->Image().convertToFormat(QImage::Format_RGB32);
  }
  // No image plug-ins are installed, so only the formats Qt reads itself load.
  const char* format = FormatOf(ext);
  if (!format) ScriptErrorSj(base, FillArgs(sj("\"%s\"が読込めません。"), {name}) + sj("未対応のファイル形式です。"));
  return LoadFile(base, name, packed.empty() ? ResolveReadPath(base, name) : packed, format);
}

}  // namespace kobu
