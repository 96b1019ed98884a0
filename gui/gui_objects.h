// The GUI objects of scripts: their widgets, records, layout and events. One
// object system serves a desktop window and console mode (offscreen) alike.
#pragma once
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <string>
#include <vector>

#include "core/kobubase.h"
#include "core/objects.h"

class QFont;

namespace kobu {


// A bitmap that scripts draw on: the イメージ kind, and the "img" that fills a form.
class TImageBox : public QWidget {
 public:
  explicit TImageBox(QWidget* parent);
  QImage& Image() { return image_; }
  // A new bitmap; the box takes its size unless `keepSize`.
  void SetImage(const QImage& image, bool keepSize = false);
  // A fresh white bitmap of the box's size, keeping what was drawn.
  void FitImageToSize(QColor fill);
  bool Stretch = false;      // 拡大機能
  bool Transparent = false;  // 透過処理: the top-left colour is not drawn
  QColor Fill = Qt::white;   // what a grown bitmap is filled with

 protected:
  void paintEvent(QPaintEvent* event) override;
  // The bitmap follows the box's size, keeping what was drawn, unless the
  // picture is stretched to the box.
  void resizeEvent(QResizeEvent* event) override;

 private:
  QImage image_;
};

// A script form: a top-level window whose client area is its "img".
class TFormWindow : public QWidget {
 public:
  TFormWindow(class TGuiObjects& objects, int number);
  TImageBox* Img() const { return img_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  TGuiObjects& objects_;
  int number_;
  TImageBox* img_;
};

// Pixel sizes an object of each kind starts with; the same offscreen and on
// every desktop, so scripts lay out alike everywhere.
QSize DefaultObjectSize(int kind);

// Text settings: a font description "face｜style｜size" (CP932), the size taken from
// `defaultPoints` when the description has none. Sizes are bounded to 1..1000 points.
QFont FontFromDescription(const std::string& description, int defaultPoints);
// The colour forms of scripts: "#RRGGBB", or a decimal red + green*256 +
// blue*65536. False when the text is neither.
bool ParseColour(const std::string& text, QColor& colour);
// The decimal colour value scripts read back.
std::string ColourText(const QColor& colour);
// The items of a coordinate text such as (10,20) or (0,0,100,50), each
// evaluated: the text may be a literal and may be wrapped in one pair of
// parentheses; items are split at top-level commas.
std::vector<std::string> CoordinateItems(TKobuBase& base, const std::string& raw);
// The four values of a rectangle text (left, top, right, bottom; missing ones
// are "0"); more than four fail with the coordinate message that lists them.
std::vector<std::string> RectangleItems(TKobuBase& base, std::vector<std::string> items);
// Script text (CP932) to and from the widgets' text. Characters that
// Shift-JIS cannot hold become "?" and a warning goes to the error log.
QString ToQt(const std::string& sjis);
std::string FromQt(TKobuBase& base, const QString& text);

class TGuiObjects : public QObject, public TObjectSystem {
 public:
  TGuiObjects(TKobuBase& base, QWidget* mainWindow);
  ~TGuiObjects() override;

  // TObjectSystem (properties: object_properties.cpp).
  std::string GetProperty(const std::string& object, const std::string& property) override;
  void SetProperty(const std::string& object, const std::string& property, const std::string& value) override;
  std::string ObjectValue(THashNode* word) override;
  void AssignObject(THashNode* word, const std::string& value) override;
  void Idle() override;

  TKobuBase& Base() { return base_; }
  QWidget* MainWindow() const { return main_; }
  // The record of an object number; null when there is none or it was destroyed.
  TObjNode* Record(int number) const;
  static QWidget* Widget(const TObjNode& rec) { return static_cast<QWidget*>(rec.Control); }
  // The bitmap box of an イメージ or of a form (its "img", for 母艦 the main
  // canvas); null for other kinds.
  TImageBox* ImageBox(const TObjNode& rec) const;
  // The object word named `name` (quotes evaluated): it must exist ("単語..."
  // message when `wordMessage`, else "作成されていません"), be an object word and
  // hold a record. Fails with the object messages otherwise.
  TObjNode* RecordOfWord(const std::string& name, bool wordMessage, THashNode** word = nullptr);
  // 部品配置間隔 as an integer (8 when it is not one).
  int Spacing() const;
  // Copies an object word into その.
  void CopyToSo(const THashNode* word);
  // The client size of the parent an object is centred in (main window, form,
  // panel ...); false when its parent centres nothing.
  bool ParentExtent(const TObjNode& rec, bool outer, QSize& extent) const;

  // Creation: the widget and set-up of the kind, at (x, y) or at the layout
  // cursor. Fails with the creation messages. Returns the new record.
  TObjNode* Create(const std::string& name, int kind, bool atCursor, int x, int y);
  // Destruction: hidden at once, released once the run goes idle.
  void Destroy(const std::string& name);
  void DestroyAll();

  // Event slots (the event properties): writes slot `slot` from the raw value text.
  void SetEventSlot(TObjNode& rec, int slot, const std::string& value);
  // Runs the handler of `slot` as an event of the object, with the event words
  // of `ev` (which says Object and the mouse/key values).
  void Notify(int number, int slot, TEventState ev);

  // The timer of タイマー設定: armed with a label position; a null target
  // disarms it and forgets the label.
  void ArmTimer(const char* target, int milliseconds);
  void StopTimer();
  // Whether anything can still start a run (an armed timer).
  bool KeepsRunAlive() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool FileDrop(QObject* watched, QEvent* event);
  QWidget* MakeWidget(int kind, int number, const std::string& caption);
  void Connect(QWidget* w, int kind, int number);
  void ReleasePending();

  TKobuBase& base_;
  QWidget* main_;
  std::vector<QWidget*> pending_;  // destroyed, hidden, waiting to be freed
  TImageBox* mainImg_ = nullptr;  // the main window's canvas
  QTimer objDelTimer_;
  QTimer kobuTimer_;
  const char* timerTarget_ = nullptr;
  const QEvent* lastKey_ = nullptr;  // the key event reported last, and where
  QPointer<QWidget> lastKeyWidget_;
};

// The handlers of the object, timer and message commands, bound by number.
void BindGuiHandlers();
// The object system of a run (handlers reach it through the interpreter).
TGuiObjects& Objects(TKobuBase& base);

}  // namespace kobu
