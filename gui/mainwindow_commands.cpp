// The main window's own commands: 表示 and the layout cursor, clearing,
// window states, fades, printing, the icon and the tray icon.
#include "gui/mainwindow_commands.h"

#include <sys/stat.h>

#include <QApplication>
#include <QFontMetrics>
#include <QIcon>
#include <QImageReader>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "commands/args.h"
#include "commands/registry.h"
#include "core/commandrow.h"
#include "core/errors.h"
#include "core/expression.h"
#include "core/kobubase.h"
#include "core/preprocess.h"
#include "core/properties.h"
#include "core/runcontrol.h"
#include "core/sjis.h"
#include "core/ui.h"
#include "gui/gui_objects.h"
#include "host/filemix.h"
#include "host/security.h"
#include "platform/cp932.h"
#include "platform/file_io.h"
#include "platform/paths.h"
#include "system/file_commands.h"
#include "system/text_file.h"

namespace kobu {

namespace {

constexpr size_t kDrawnTextLimit = 4096;  // longer texts are cut, not tab-expanded

std::string Setting(TKobuBase& base, int word) {
  THashNode* w = base.Settings[word];
  return w ? w->Value : std::string();
}

QWidget& MainWindow(TKobuBase& base) { return *Objects(base).MainWindow(); }

TImageBox& Canvas(TKobuBase& base) {
  TGuiObjects& objects = Objects(base);
  TObjNode* rec = objects.Record(0);
  TImageBox* box = rec ? objects.ImageBox(*rec) : nullptr;
  if (!box) ScriptError(base, "オブジェクト\"%s\"は、作成されていません。", {sj("母艦")});
  if (box->Image().isNull()) box->FitImageToSize(MainWindow(base).palette().color(QPalette::Window));
  return *box;
}

// The text settings: 文字書体 with 文字サイズ when the description names no size,
// at a whole pixel size (points at 96 dpi) so every platform measures alike.
QFont TextFont(TKobuBase& base) {
  int points = static_cast<int>(IntegerText(Setting(base, swTextSize), 12));
  QFont font = FontFromDescription(Setting(base, swTextFont), points);
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(font.pointSizeF() * 96.0 / 72.0))));
  return font;
}

// The step from one 表示 line to the next: 1.2 times the height of "あ".
int LineStep(const QFont& font) { return (font.pixelSize() * 12 + 5) / 10; }

QColor TextColour(TKobuBase& base) {
  QColor c;
  if (!ParseColour(Setting(base, swTextColour), c)) c = QColor(0, 0, 0);
  return c;
}

int TabColumns(TKobuBase& base) {
  long long n = IntegerText(Setting(base, swTabCount), 8);
  return n >= 1 && n <= 1000 ? static_cast<int>(n) : 8;
}

// Tabs become blanks up to the next multiple of `columns`; a double-byte
// character takes two columns, so a column is a byte of the line.
std::string ExpandTabs(const std::string& text, int columns) {
  std::string out;
  size_t lineStart = 0;
  for (size_t i = 0; i < text.size();) {
    char c = text[i];
    if (c == '\t') {
      size_t column = out.size() - lineStart;
      out.append(columns - column % columns, ' ');
      ++i;
      continue;
    }
    size_t n = CharLenAt(text, i);
    out.append(text, i, n);
    i += n;
    if (c == '\r' || c == '\n') lineStart = out.size();
  }
  return out;
}

// The first `limit` bytes, never ending inside a double-byte character.
std::string CutText(const std::string& text, size_t limit) {
  size_t end = 0;
  while (end < text.size()) {
    size_t n = CharLenAt(text, end);
    if (end + n > limit) break;
    end += n;
  }
  return text.substr(0, end);
}

// Lines at CR LF, CR or LF; a final line end opens no further line. CR and
// LF are below every trail byte, so a byte scan cannot split a character.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

[[noreturn]] void FileFailed(TKobuBase& base, const std::string& path) {
  ScriptError(base, "ファイル\"%s\"の、読み込みか書き込みに、失敗しました。", {path});
}

bool PathExists(const std::string& native, bool& regular) {
  struct stat st {};
  if (stat(native.c_str(), &st) != 0) return false;
  regular = S_ISREG(st.st_mode);
  return true;
}

// 表示 with 表示出力先 set: the text goes into that file as one more line.
void AppendDisplayLine(TKobuBase& base, const std::string& target, const std::string& text) {
  if (!CheckFileAccess(base, target, sj("ファイル\"") + target + sj("\"へ文字列を追加します。"))) return;
  std::string native = NativePath(target);
  std::string line = TextForFile(base, text + "\r\n", target);
  bool regular = false;
  bool ok = PathExists(native, regular) ? regular && AppendToFile(native, line) : WriteWholeFile(native, line);
  if (!ok) FileFailed(base, target);
}

// 表示 (?と).
// The lines 表示 writes: an empty text is one empty line, as on the window.
std::vector<std::string> DisplayLines(const std::string& text) {
  std::vector<std::string> lines = SplitLines(text);
  if (lines.empty()) lines.emplace_back();
  return lines;
}

void CmdDisplay(TKobuBase& base) {
  std::string text = ArgText(base);
  std::string target = Setting(base, swDisplayTarget);
  if (!target.empty()) return AppendDisplayLine(base, target, text);

  QWidget& main = MainWindow(base);
  TImageBox& canvas = Canvas(base);
  std::string drawn = text.size() <= kDrawnTextLimit ? ExpandTabs(text, TabColumns(base))
                                                     : CutText(text, kDrawnTextLimit);
  QFont font = TextFont(base);
  font.setStyleStrategy(QFont::NoAntialias);
  const int step = LineStep(font);
  {
    QPainter p(&canvas.Image());
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setFont(font);
    p.setPen(TextColour(base));
    p.setBrush(Qt::NoBrush);
    QFontMetrics metrics(font, &canvas.Image());
    for (const std::string& line : DisplayLines(drawn)) {
      QString shown = ToQt(line);
      int x = base.LayoutX;
      if (base.Centering) x = (main.width() - metrics.horizontalAdvance(shown)) / 2;
      p.drawText(x, base.LayoutY + metrics.ascent(), shown);
      base.LayoutY += step;
    }
  }
  canvas.update();
  // The terminal gets the lines as written: tabs and cutting belong to the window.
  if (base.UI)
    for (const std::string& line : DisplayLines(text)) base.UI->ShowLine(line);
}

// Two numbers of a point text such as (100,50); a word holding such a text
// is read through.
QPoint PointArg(TKobuBase& base) {
  std::string raw = ArgName(base);
  std::vector<std::string> items = CoordinateItems(base, raw);
  if (items.size() == 1) items = CoordinateItems(base, items[0]);
  if (items.size() != 2) ScriptError(base, "座標の指定エラー");
  long double v[2];
  for (int k = 0; k < 2; ++k) {
    v[k] = std::nearbyint(TextToNumber(items[k]));
    if (!(v[k] >= -2147483647.0L && v[k] <= 2147483647.0L)) ScriptError(base, "座標の指定エラー");
  }
  return QPoint(static_cast<int>(v[0]), static_cast<int>(v[1]));
}

// 移動 (?へ).
void CmdMoveCursor(TKobuBase& base) {
  QPoint p = PointArg(base);
  base.LayoutX = p.x();
  base.LayoutY = p.y();
}

// 画面クリア (?で): without an argument the window keeps its own colour.
void CmdClear(TKobuBase& base) {
  bool implicit = base.ImplicitSore;
  std::string text = ArgText(base);
  QWidget& main = MainWindow(base);
  QColor colour = main.palette().color(QPalette::Window);
  if (!implicit && !ParseColour(text, colour)) colour = QColor(0, 0, 0);
  TImageBox& canvas = Canvas(base);
  QImage fresh(canvas.size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  fresh.fill(colour);
  canvas.SetImage(fresh, true);
  QPalette pal = main.palette();
  pal.setColor(QPalette::Window, colour);
  main.setPalette(pal);
  canvas.update();
  base.LayoutX = 10;
  base.LayoutY = 10;
}

void CmdCentreOn(TKobuBase& base) { base.Centering = true; }
void CmdCentreOff(TKobuBase& base) { base.Centering = false; }

// 描画処理反映: the window repaints now and waiting messages run.
void CmdRepaint(TKobuBase& base) {
  MainWindow(base).repaint();
  QApplication::processEvents();
}

// ---- window states

// Window flags take effect on the next show; a shown window is shown again.
void SetWindowFlagKept(QWidget& w, Qt::WindowType flag, bool on) {
  if (w.windowFlags().testFlag(flag) == on) return;
  bool shown = w.isVisible();
  w.setWindowFlag(flag, on);
  if (shown) w.show();
}

// The border through the form's own スタイル property, so reading it back agrees.
void SetBorder(TKobuBase& base, int style) {
  Objects(base).SetProperty(sj("母艦"), sj("スタイル"), std::to_string(style));
}

void SetState(QWidget& w, Qt::WindowStates state) {
  if (w.isVisible()) {
    if (state & Qt::WindowMinimized) w.showMinimized();
    else if (state & Qt::WindowMaximized) w.showMaximized();
    else if (state & Qt::WindowFullScreen) w.showFullScreen();
    else w.showNormal();
  } else {
    w.setWindowState(state);  // applied when the window is shown
  }
}

bool gCursorHidden = false;

void ShowCursor(QWidget& main, bool on) {
  if (on && gCursorHidden) QApplication::restoreOverrideCursor();
  if (!on && !gCursorHidden) QApplication::setOverrideCursor(Qt::BlankCursor);
  gCursorHidden = !on;
  main.setAttribute(Qt::WA_InputMethodEnabled, on);
}

void CmdFloat(TKobuBase& base) {
  QWidget& main = MainWindow(base);
  main.show();
  main.raise();
  main.activateWindow();
}

void CmdMaximise(TKobuBase& base) { SetState(MainWindow(base), Qt::WindowMaximized); }

void CmdMinimise(TKobuBase& base) {
  QWidget& main = MainWindow(base);
  SetState(main, Qt::WindowNoState);
  SetBorder(base, 2);
  SetState(main, Qt::WindowMinimized);
}

void CmdNormalSize(TKobuBase& base) {
  QWidget& main = MainWindow(base);
  SetState(main, Qt::WindowNoState);
  ShowCursor(main, true);
  SetBorder(base, 2);  // new flags: stay-on-top is gone with them
  SetState(main, Qt::WindowNoState);
}

void CmdFullScreen(TKobuBase& base) {
  QWidget& main = MainWindow(base);
  SetBorder(base, 0);
  // A borderless window is held at its size; the screen size must fit.
  main.setMinimumSize(0, 0);
  main.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  SetWindowFlagKept(main, Qt::WindowStaysOnTopHint, true);
  SetState(main, Qt::WindowMaximized);
  // Then the whole screen, the window's corner at its corner.
  QScreen* screen = main.screen() ? main.screen() : QGuiApplication::primaryScreen();
  QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
  main.move(area.topLeft());
  main.resize(area.size());
}

// 母艦スタイル設定 (?に): a number 0..3 or one of the style words.
void CmdBorderStyle(TKobuBase& base) {
  std::string text = TrimText(ArgText(base));
  static const char* const kWords[] = {"枠なし", "枠固定", "枠可変", "ダイアログスタイル"};
  long long style = -1;
  for (int i = 0; i < 4; ++i)
    if (text == sj(kWords[i])) style = i;
  if (style < 0) style = IntegerText(text, -1);
  if (style < 0 || style > 3) ScriptError(base, "\"%s\"命令の引数に誤りがあります。", {sj("母艦スタイル設定")});
  SetBorder(base, static_cast<int>(style));
}

void CmdCursor(TKobuBase& base) { ShowCursor(MainWindow(base), ArgNumber(base) != 0); }

// ---- fades

// The window's picture, as seen, becomes "img" in front of the objects.
void FadeStart(QWidget& main, TImageBox& canvas) {
  main.setWindowOpacity(1.0);
  QPalette pal = main.palette();
  pal.setColor(QPalette::Window, Qt::white);
  main.setPalette(pal);
  main.repaint();
  canvas.lower();  // the objects are part of the picture, the old "img" under them
  QImage shot = main.grab().toImage().convertToFormat(QImage::Format_RGB32);
  canvas.SetImage(shot, true);
  canvas.raise();
}

void FadePause(TKobuBase& base, long double speed) {
  if (!(speed > 0)) return;
  long double rounds = std::min<long double>(std::floor(speed) + 1, 1000000);
  for (long double r = 0; r < rounds && !base.StopRequested; ++r) {
    QApplication::processEvents();
    QThread::msleep(2);
  }
}

void Fade(TKobuBase& base, bool out) {
  long double speed = ArgNumber(base);
  QWidget& main = MainWindow(base);
  TImageBox& canvas = Canvas(base);
  FadeStart(main, canvas);
  for (int step = 0; step < 26; ++step) {
    if (base.StopRequested || !base.CurrentPosition) break;  // the run was stopped
    const int level = out ? 255 - step * 10 : step * 10;
    QImage& img = canvas.Image();
    for (int y = 0; y < img.height(); ++y) {
      auto* px = reinterpret_cast<QRgb*>(img.scanLine(y));
      for (int x = 0; x < img.width(); ++x) {
        int c[3] = {qRed(px[x]), qGreen(px[x]), qBlue(px[x])};
        for (int& b : c) b = out ? std::min(b, level) : std::max(b, level);
        px[x] = qRgb(c[0], c[1], c[2]);
      }
    }
    canvas.repaint();
    FadePause(base, speed);
  }
  canvas.lower();
  main.repaint();
}

void CmdFadeOut(TKobuBase& base) { Fade(base, true); }
void CmdFadeIn(TKobuBase& base) { Fade(base, false); }

// ---- printing

// The printer the user chose: a PDF file (the terminal's answer) or the
// printer set up in the print dialog. False when cancelled.
bool PreparePrinter(TKobuBase& base, QPrinter& printer, std::string& pdf) {
  TDialogAnswer answer = base.UI->ChoosePrinter();
  if (!answer.accepted) return false;
  pdf = answer.text;
  if (!pdf.empty()) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(NativePath(pdf)));
  }
  return true;
}

// A printer that cannot start a document: the PDF file could not be written,
// or the chosen printer refused.
void BeginPrinting(TKobuBase& base, QPainter& p, QPrinter& printer, const std::string& pdf, const char* command) {
  if (p.begin(&printer)) return;
  if (!pdf.empty()) FileFailed(base, pdf);
  ScriptError(base, "\"%s\"命令の引数に誤りがあります。", {sj(command)});
}

// 母艦印刷: the window itself, scaled so its longer side fills the page.
void CmdPrintWindow(TKobuBase& base) {
  QPrinter& printer = SharedPrinter();
  std::string pdf;
  if (!PreparePrinter(base, printer, pdf)) return;
  QWidget& main = MainWindow(base);
  main.activateWindow();
  QApplication::processEvents();
  QImage shot = main.grab().toImage();
  printer.setDocName(main.windowTitle());
  QPainter p;
  BeginPrinting(base, p, printer, pdf, "母艦印刷");
  QRectF page = printer.pageRect(QPrinter::DevicePixel);
  double scale = shot.width() > shot.height() ? page.width() / std::max(1, shot.width())
                                              : page.height() / std::max(1, shot.height());
  p.drawImage(QRectF(0, 0, shot.width() * scale, shot.height() * scale), shot);
  p.end();
}

// 簡易印刷 (?を): plain text, line by line, pages as they fill.
void CmdPrintText(TKobuBase& base) {
  std::string text = ArgText(base);
  QPrinter& printer = SharedPrinter();
  std::string pdf;
  if (!PreparePrinter(base, printer, pdf)) return;
  printer.setDocName(MainWindow(base).windowTitle());
  QPainter p;
  BeginPrinting(base, p, printer, pdf, "簡易印刷");
  QFont font(QStringLiteral("IPAGothic"));
  font.setPointSize(10);
  p.setFont(QFont(font, &printer));
  QFontMetrics metrics = p.fontMetrics();
  QRectF page = printer.pageRect(QPrinter::DevicePixel);
  int y = 0;
  for (const std::string& line : SplitLines(ExpandTabs(text, 8))) {
    if (y + metrics.height() > page.height() && y > 0) {
      printer.newPage();
      y = 0;
    }
    p.drawText(0, y + metrics.ascent(), ToQt(line));
    y += metrics.lineSpacing();
  }
  p.end();
}

// ---- icons

// The icon belongs to the main window, which may go first at exit.
struct TTray {
  QPointer<QSystemTrayIcon> icon;
  bool on = false;
};

TTray& Tray() {
  static TTray tray;
  return tray;
}

// The caption as a tip: at most 63 bytes, never half a character.
QString TrayTip(TKobuBase& base, QWidget& main) { return ToQt(CutText(FromQt(base, main.windowTitle()), 63)); }

void CmdTrayIcon(TKobuBase& base) {
  bool on = ArgNumber(base) != 0;
  TTray& tray = Tray();
  if (on == tray.on) return;
  tray.on = on;
  QWidget& main = MainWindow(base);
  if (!on) {
    delete tray.icon.data();
    return;
  }
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return;  // only the switch is kept
  tray.icon = new QSystemTrayIcon(QApplication::windowIcon(), &main);
  tray.icon->setToolTip(TrayTip(base, main));
  TKobuBase* kobu = &base;
  QWidget* owner = &main;
  QObject::connect(tray.icon.data(), &QSystemTrayIcon::activated, owner,
                   [kobu, owner](QSystemTrayIcon::ActivationReason reason) {
                     owner->raise();
                     owner->activateWindow();
                     if (reason == QSystemTrayIcon::Trigger) {
                       Objects(*kobu).Notify(0, esClick, TEventState());
                     } else if (reason == QSystemTrayIcon::Context) {
                       if (kobu->UI->AskYesNo(sj("終了しますか？"), false) == ynYes) owner->close();
                     }
                   });
  tray.icon->show();
}

// 母艦アイコン (?を): an icon or picture file, else an image object's picture.
void CmdIcon(TKobuBase& base) {
  std::string name = TrimText(ArgText(base));
  std::string path = ResolvePackedFile(base, name);
  if (path.empty()) path = ResolveReadPath(base, name);
  QImage picture;
  bool regular = false;
  if (!name.empty() && PathExists(NativePath(path), regular) && regular) {
    QImageReader reader(QString::fromStdString(NativePath(path)));
    picture = reader.read();
  } else if (THashNode* w = base.Words.Find(name, false); w && w->Kind == wkObject) {
    TGuiObjects& objects = Objects(base);
    TObjNode* rec = objects.Record(static_cast<int>(w->Number));
    if (TImageBox* box = rec ? objects.ImageBox(*rec) : nullptr) picture = box->Image();
  }
  if (picture.isNull()) FileFailed(base, name);
  QIcon icon(QPixmap::fromImage(picture));
  QApplication::setWindowIcon(icon);
  MainWindow(base).setWindowIcon(icon);
  if (Tray().icon) Tray().icon->setIcon(icon);
}

// ---- the hidden picture

// Drawn with the script's own commands; the drawing settings it changes are
// the script's, so they are put back afterwards.
constexpr const char* kValentine =
    "「#FFFFFF」で画面クリア\r\n"
    "ペン太さ＝2\r\n"
    "ペン色＝「#E0205A」\r\n"
    "塗り色＝「#FF3366」\r\n"
    "(220,90)から(322,192)へ円形\r\n"
    "(318,90)から(420,192)へ円形\r\n"
    "ペン色＝「#FF3366」\r\n"
    "段を0から100まで繰り返す\r\n"
    "(\r\n"
    "  (226+段,160+段)から(414-段,160+段)へ線\r\n"
    ")\r\n"
    "ペン色＝「#FFFFFF」\r\n"
    "塗り色＝「#FFFFFF」\r\n"
    "(262,112)から(282,132)へ円形\r\n"
    "(10,290)へ移動\r\n"
    "文字色＝「#E0205A」\r\n"
    "文字書体＝「ＭＳ ゴシック｜太字｜20」\r\n"
    "センタリング\r\n"
    "「Happy Valentine's Day!」と表示\r\n"
    "「いつもありがとう」と表示\r\n";

void CmdValentine(TKobuBase& base) {
  static const int kKept[] = {swPenColour, swPenWidth, swFillColour, swTextColour, swTextSize, swTextFont};
  std::vector<std::string> saved;
  for (int w : kKept) saved.push_back(Setting(base, w));
  const bool centering = base.Centering;
  auto restore = [&] {
    for (size_t i = 0; i < saved.size(); ++i)
      if (THashNode* w = base.Settings[kKept[i]]) w->Value = saved[i];
    base.Centering = centering;
  };
  std::string source = sj(kValentine);
  const char* start;
  auto found = base.FragmentTexts.find(source);
  if (found != base.FragmentTexts.end()) start = found->second->c_str() + 1;
  else start = base.AddFragmentText(source, Preprocess(base, source));
  try {
    RunTextNested(base, start, sj("バレンタインデー"));
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

const THandlerBinding kBindings[] = {
    {287, CmdMoveCursor}, {288, CmdDisplay},     {289, CmdClear},       {290, CmdCentreOn},
    {291, CmdCentreOff},  {309, CmdFadeOut},     {310, CmdFadeIn},      {311, CmdRepaint},
    {312, CmdPrintWindow}, {313, CmdPrintText},  {314, CmdFloat},       {315, CmdMaximise},
    {316, CmdMinimise},   {317, CmdNormalSize},  {318, CmdIcon},        {319, CmdFullScreen},
    {320, CmdCursor},     {321, CmdBorderStyle}, {322, CmdTrayIcon},    {447, CmdValentine},
};

}  // namespace

QPrinter& SharedPrinter() {
  static std::unique_ptr<QPrinter> printer;
  if (!printer) printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  return *printer;
}

void BindMainWindowHandlers() { BindHandlers(kBindings); }

}  // namespace kobu
