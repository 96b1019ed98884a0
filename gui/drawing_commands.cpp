// Every command here paints on a QImage with QPainter, never on the screen,
// so console mode and a desktop give the same pixels. Shapes are aliased;
// rectangles and ellipses cover [x1,x2) x [y1,y2), lines include both ends.
#include "gui/drawing_commands.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "commands/args.h"
#include "commands/registry.h"
#include "core/errors.h"
#include "core/expression.h"
#include "core/kbhash.h"
#include "core/kobubase.h"
#include "core/properties.h"
#include "core/readers.h"
#include "core/sjis.h"
#include "core/terms.h"
#include "gui/gui_objects.h"
#include "gui/image_loader.h"
#include "platform/cp932.h"

namespace kobu {

namespace {

constexpr long double kMinPosition = -32768, kMaxPosition = 32767;
constexpr long double kMaxSide = 32767;
constexpr int kMinPen = 1, kMaxPen = 1000;

[[noreturn]] void OutOfRange(TKobuBase& base, const std::string& text) {
  ScriptError(base, "数値\"%s\"は範囲外です。", {text});
}

int Bounded(TKobuBase& base, const std::string& text, long double low, long double high) {
  long double v = std::nearbyint(TextToNumber(text));
  if (!(v >= low && v <= high)) OutOfRange(base, text);
  return static_cast<int>(v);
}

// The items of a coordinate argument; a variable holding "(x,y)" is read
// through its value.
std::vector<std::string> Items(TKobuBase& base, const std::string& raw) {
  std::vector<std::string> items = CoordinateItems(base, raw);
  if (items.size() == 1 && items[0].find(',') != std::string::npos && items[0].find('`') == std::string::npos)
    items = CoordinateItems(base, "`" + items[0] + "`");
  return items;
}

QPoint ParsePoint(TKobuBase& base, const std::string& raw) {
  std::vector<std::string> v = Items(base, raw);
  if (v.size() != 2) ScriptError(base, "座標の指定エラー");
  return {Bounded(base, v[0], kMinPosition, kMaxPosition), Bounded(base, v[1], kMinPosition, kMaxPosition)};
}

// (left, top, right, bottom); missing values are 0.
QRect ParseRectangle(TKobuBase& base, const std::string& raw) {
  std::vector<std::string> v = RectangleItems(base, Items(base, raw));
  int n[4];
  for (int i = 0; i < 4; ++i) n[i] = Bounded(base, v[i], kMinPosition, kMaxPosition);
  return QRect(QPoint(n[0], n[1]), QPoint(n[2], n[3]));
}

std::string Setting(TKobuBase& base, TSettingWord word) {
  THashNode* w = base.Settings[word];
  return w ? w->Value : std::string();
}

// The colour form: "#RRGGBB" or a colour value; anything else is black.
QColor ColourSetting(TKobuBase& base, TSettingWord word) {
  QColor c(Qt::black);
  if (!ParseColour(Setting(base, word), c)) c = Qt::black;
  return c;
}

struct TPen {
  QColor Colour, Fill;
  int Width = 1;
};

// ペン色, ペン太さ and 塗り色, read afresh before each shape.
TPen PenSettings(TKobuBase& base) {
  TPen pen;
  pen.Colour = ColourSetting(base, swPenColour);
  pen.Fill = ColourSetting(base, swFillColour);
  std::string w = Setting(base, swPenWidth);
  long long n = IntegerText(w, 1);
  if (n == 0) n = 1;  // a pen of width 0 draws the thinnest line, as it always has
  if (n < kMinPen || n > kMaxPen) OutOfRange(base, w);
  pen.Width = static_cast<int>(n);
  return pen;
}

TImageBox& MainCanvas(TKobuBase& base) {
  TGuiObjects& objects = Objects(base);
  TObjNode* rec = objects.Record(0);
  TImageBox* box = rec ? objects.ImageBox(*rec) : nullptr;
  if (!box) ScriptError(base, "オブジェクト\"%s\"は、作成されていません。", {sj("母艦")});
  return *box;
}

// The bitmap of the object an argument names: an イメージ or a form's img.
TImageBox& TargetCanvas(TKobuBase& base, std::string name) {
  if (!name.empty() && name[0] == '"') name = EvaluateArgument(base, name);
  name = UnquoteName(TrimText(name));
  TGuiObjects& objects = Objects(base);
  THashNode* word = base.Words.Find(name, false);
  TObjNode* rec = word && word->Kind == wkObject ? objects.Record(static_cast<int>(word->Number)) : nullptr;
  if (!rec || !TGuiObjects::Widget(*rec)) ScriptError(base, "オブジェクト\"%s\"は、作成されていません。", {name});
  TImageBox* box = rec->Kind == okImage || rec->Kind == okForm ? objects.ImageBox(*rec) : nullptr;
  if (!box) ScriptError(base, "\"%s\"は、イメージではありません。", {name});
  QImage& image = box->Image();
  if (image.format() != QImage::Format_RGB32) image = image.convertToFormat(QImage::Format_RGB32);
  return *box;
}

// Pixel commands: an omitted image (それ) is the main window's canvas.
TImageBox& PixelCanvas(TKobuBase& base, const std::string& raw) {
  std::string name = UnquoteName(TrimText(raw));
  if (name == sj("それ") || name == sj("それの")) return MainCanvas(base);
  return TargetCanvas(base, raw);
}

enum TShape { shLine, shRectangle, shEllipse, shFilledRectangle };

void DrawShape(TImageBox& box, const TPen& pen, TShape shape, QPoint a, QPoint b) {
  QImage& image = box.Image();
  if (image.isNull()) return;
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  if (shape == shLine) {
    // An odd width is centred on the pixel centres, an even one on their
    // edges, so a line of width w is w pixels thick and covers both ends.
    if (pen.Width % 2) p.translate(0.5, 0.5);
    p.setPen(QPen(pen.Colour, pen.Width, Qt::SolidLine, pen.Width == 1 ? Qt::SquareCap : Qt::RoundCap,
                  Qt::RoundJoin));
    if (a == b) p.drawPoint(a);
    else p.drawLine(a, b);
  } else {
    QRect r = QRect(a, b).normalized();
    QRectF outer(r.left(), r.top(), r.width() - 1, r.height() - 1);  // [x1,x2) x [y1,y2)
    if (outer.width() > 0 && outer.height() > 0) {
      double w = shape == shFilledRectangle ? 0 : pen.Width;
      QRectF inner = outer.adjusted(w, w, -w, -w);
      p.setPen(Qt::NoPen);
      if (shape == shEllipse) {
        p.setBrush(pen.Colour);
        p.drawEllipse(outer);
        if (inner.width() > 0 && inner.height() > 0) {
          p.setBrush(pen.Fill);
          p.drawEllipse(inner);
        }
      } else {
        p.fillRect(outer, shape == shFilledRectangle ? pen.Fill : pen.Colour);
        if (inner.width() > 0 && inner.height() > 0) p.fillRect(inner, pen.Fill);
      }
    }
  }
  p.end();
  box.update();
}

// 線, 四角形, 円形 (?から,?へ) on the main window.
void MainShape(TKobuBase& base, TShape shape) {
  bool fromOmitted = base.ImplicitSore;
  std::string to = ArgName(base);
  std::string from = ArgName(base);
  TImageBox& box = MainCanvas(base);
  QPoint a, b;
  if (fromOmitted && shape == shLine) {
    b = ParsePoint(base, to);
    a = QPoint(base.LayoutX, base.LayoutY);
  } else if (fromOmitted) {
    QRect r = ParseRectangle(base, to);
    a = r.topLeft();
    b = QPoint(r.right() + 1, r.bottom() + 1);
    if (shape == shRectangle) shape = shFilledRectangle;
  } else {
    b = ParsePoint(base, to);
    a = ParsePoint(base, from);
  }
  DrawShape(box, PenSettings(base), shape, a, b);
}
void CmdLine(TKobuBase& base) { MainShape(base, shLine); }
void CmdRectangle(TKobuBase& base) { MainShape(base, shRectangle); }
void CmdEllipse(TKobuBase& base) { MainShape(base, shEllipse); }

// 線描画, 四角形描画, 円形描画 (?の,?から,?へ).
void TargetShape(TKobuBase& base, TShape shape) {
  std::string to = ArgName(base);
  std::string from = ArgName(base);
  std::string object = ArgName(base);
  QPoint b = ParsePoint(base, to);
  QPoint a = ParsePoint(base, from);
  TImageBox& box = TargetCanvas(base, object);
  DrawShape(box, PenSettings(base), shape, a, b);
}
void CmdDrawLine(TKobuBase& base) { TargetShape(base, shLine); }
void CmdDrawRectangle(TKobuBase& base) { TargetShape(base, shRectangle); }
void CmdDrawEllipse(TKobuBase& base) { TargetShape(base, shEllipse); }

// 点描画 (?の,?へ): errors are swallowed.
void CmdPlot(TKobuBase& base) {
  std::string point = ArgName(base);
  std::string image = ArgName(base);
  try {
    QPoint at = ParsePoint(base, point);
    TImageBox& box = PixelCanvas(base, image);
    TPen pen = PenSettings(base);
    if (!box.Image().valid(at)) return;
    box.Image().setPixel(at, pen.Colour.rgb());
    box.update();
  } catch (const EKobu&) {
  }
}

// 座標色取得 (?の,?を): errors are swallowed and leave それ as it was.
void CmdPixelColour(TKobuBase& base) {
  std::string point = ArgName(base);
  std::string image = ArgName(base);
  try {
    QPoint at = ParsePoint(base, point);
    TImageBox& box = PixelCanvas(base, image);
    if (!box.Image().valid(at)) return;
    SetResult(base, ColourText(QColor(box.Image().pixel(at))), "e");
  } catch (const EKobu&) {
  }
}

// Text settings: 文字書体 and 文字サイズ at 96 dpi.
QFont TextFont(TKobuBase& base) {
  std::string size = Setting(base, swTextSize);
  long long points = IntegerText(size, 12);
  QFont font = FontFromDescription(Setting(base, swTextFont), static_cast<int>(std::clamp<long long>(points, 1, 1000)));
  font.setPixelSize(static_cast<int>(std::nearbyint(font.pointSize() * 96.0 / 72.0)));
  return font;
}

// round(1.2 x the height of "あ"); the height is the font's pixel size, the
// same on every system.
int LineHeight(const QFont& font) { return static_cast<int>(std::nearbyint(1.2 * font.pixelSize())); }

// Tabs to the next multiple of タブ文字の個数 columns; a double-byte
// character takes two columns.
std::string ExpandTabs(TKobuBase& base, const std::string& text) {
  long long width = IntegerText(Setting(base, swTabCount), 8);
  if (width < 1) width = 1;
  if (width > 256) width = 256;
  std::string out;
  long long column = 0;
  for (size_t i = 0; i < text.size();) {
    size_t n = CharLenAt(text, i);
    char c = text[i];
    if (c == '\t') {
      long long pad = width - column % width;
      out.append(static_cast<size_t>(pad), ' ');
      column += pad;
    } else if (c == '\r' || c == '\n') {
      out += c;
      column = 0;
    } else {
      out.append(text, i, n);
      column += static_cast<long long>(n);
    }
    i += n;
  }
  return out;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < text.size();) {
    size_t n = CharLenAt(text, i);
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++n;
      lines.emplace_back();
    } else {
      lines.back().append(text, i, n);
    }
    i += n;
  }
  return lines;
}

// 文字描画 / 文字表示 (?の,?へ,?と).
void DrawText(TKobuBase& base, bool smooth) {
  std::string text = ArgText(base);
  std::string position = ArgName(base);
  std::string object = ArgName(base);
  QPoint at = ParsePoint(base, position);
  TImageBox& box = TargetCanvas(base, object);
  QFont font = TextFont(base);
  font.setStyleStrategy(smooth ? QFont::PreferAntialias : QFont::NoAntialias);
  QColor colour = ColourSetting(base, swTextColour);
  int height = LineHeight(font);
  std::vector<std::string> lines = SplitLines(ExpandTabs(base, text));
  QImage& image = box.Image();
  if (image.isNull()) return;
  QPainter p(&image);
  p.setRenderHint(QPainter::TextAntialiasing, smooth);
  p.setRenderHint(QPainter::Antialiasing, smooth);
  p.setFont(font);
  p.setPen(colour);
  int ascent = QFontMetrics(font).ascent();
  for (size_t i = 0; i < lines.size(); ++i) {
    long long y = at.y() + static_cast<long long>(i) * height;
    if (y > kMaxPosition + height) break;
    p.drawText(at.x(), static_cast<int>(y) + ascent, ToQt(lines[i]));
  }
  p.end();
  box.update();
}
void CmdDrawSmoothText(TKobuBase& base) { DrawText(base, true); }
void CmdDrawPlainText(TKobuBase& base) { DrawText(base, false); }

QImage LoadForDisplay(TKobuBase& base, const std::string& name) {
  try {
    return LoadImage(base, name);
  } catch (const EKobu&) {
    ScriptError(base, "\"%s\"が読込めません。", {name});
  }
}

// Copies a picture onto the main canvas at the layout cursor (centred with
// the centering switch) and moves the cursor below it.
void ShowAtCursor(TKobuBase& base, const QImage& picture, int advance) {
  TImageBox& box = MainCanvas(base);
  int x = base.LayoutX;
  if (base.Centering) x = (box.Image().width() - picture.width()) / 2;
  if (!picture.isNull() && !box.Image().isNull()) {
    QPainter p(&box.Image());
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(x, base.LayoutY, picture);
    p.end();
    box.update();
  }
  base.LayoutY = static_cast<int32_t>(std::min<long long>(static_cast<long long>(base.LayoutY) + advance,
                                                          static_cast<long long>(kMaxPosition)));
}

// 画像表示 (?を).
void CmdShowPicture(TKobuBase& base) {
  std::string name = TrimText(ArgText(base));
  QImage picture = LoadForDisplay(base, name);
  ShowAtCursor(base, picture, picture.height());
}

// 画像拡大表示 (?を,?で): the size first, then the picture.
void CmdShowStretched(TKobuBase& base) {
  std::string sizeRaw = ArgName(base);
  std::string name = TrimText(ArgText(base));
  std::vector<std::string> v = Items(base, sizeRaw);
  if (v.size() != 2) ScriptError(base, "座標の指定エラー");
  int width = Bounded(base, v[0], 0, kMaxSide);
  int height = Bounded(base, v[1], 0, kMaxSide);
  QImage picture = LoadForDisplay(base, name);
  if (picture.isNull() || width == 0 || height == 0) picture = QImage();
  else picture = picture.scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  ShowAtCursor(base, picture, height);
}

const THandlerBinding kBindings[] = {
    {292, CmdLine},          {293, CmdRectangle},      {294, CmdEllipse},        {298, CmdShowPicture},
    {299, CmdShowStretched}, {300, CmdPlot},           {301, CmdDrawLine},       {302, CmdDrawRectangle},
    {303, CmdDrawEllipse},   {304, CmdDrawSmoothText}, {305, CmdDrawPlainText}, {306, CmdPixelColour},
};

}  // namespace

void BindDrawingHandlers() { BindHandlers(kBindings); }

}  // namespace kobu
