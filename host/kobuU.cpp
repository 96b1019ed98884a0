#include "host/kobuU.h"

#include <unistd.h>

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>

#include "commands/registry.h"
#include "core/errors.h"
#include "core/kobubase.h"
#include "core/preprocess.h"
#include "core/runcontrol.h"
#include "core/sjis.h"
#include "core/ui.h"
#include "gui/gui_objects.h"
#include "host/filemix.h"
#include "platform/cp932.h"
#include "platform/paths.h"

namespace kobu {

namespace {

// True when the text holds the characters of `word`, compared on character starts.
bool ContainsChars(const std::string& text, const std::string& word) {
  for (size_t i = 0; i + word.size() <= text.size(); i += CharLenAt(text, i))
    if (text.compare(i, word.size(), word) == 0) return true;
  return false;
}

}  // namespace

TfrmKobu::TfrmKobu(std::vector<std::string> parameters, TScriptEncoding encoding)
    : kobu_(std::make_unique<TKobuBase>()), objects_(std::make_unique<TGuiObjects>(*kobu_, this)), encoding_(encoding) {
  eventDo.setInterval(1);
  QObject::connect(&eventDo, &QTimer::timeout, this, [this] { eventDoTimer(); });
  kobu_->Parameters = std::move(parameters);
  kobu_->ExecutablePath = kobu_->Parameters.empty() ? std::string() : kobu_->Parameters[0];
  if (char* cwd = getcwd(nullptr, 0)) {
    kobu_->StartFolder = Utf8ToCp932(cwd);
    free(cwd);
  }
}

TfrmKobu::~TfrmKobu() = default;

void TfrmKobu::SetUI(TKobuUI* ui) { kobu_->UI = ui; }

void TfrmKobu::FormCreate() {
  TKobuBase& k = *kobu_;
  resize(640, 400);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect work = screen->availableGeometry();
    move((work.right() - width()) / 2, (work.bottom() - height()) / 2);
  }
  setWindowTitle(QString::fromUtf8("こぶらね"));
  QApplication::setApplicationDisplayName(QString::fromUtf8("こぶらね"));
  FirstRunPending = true;

  // A program with a container attached runs the script packed in it; the
  // command line is then not examined.
  k.ErrorLog.clear();
  size_t literalFrom = TakeOptionsEnd(k.Parameters);
  try {
    if (ReadPackedScript(k, k.ExecutablePath, encoding_, literalFrom)) return;
  } catch (const EKobu&) {
    failedToStart_ = true;
    ShowErrorDialog(k);
    close();
    return;
  }
  TScriptChoice choice;
  if (k.Parameters.size() <= 1) {
    candidatePath_ = ScriptBesideExecutable(k.ExecutablePath);
    if (!candidatePath_.empty()) k.ScriptBesideExe = true;
  } else {
    choice = ScanCommandLine(k, literalFrom);
    candidatePath_ = choice.candidatePath;
  }
  bool fromRuntime = false;
  if (choice.runtimeGiven) {
    try {
      fromRuntime = ReadPackedScript(k, choice.runtimeName, encoding_);
    } catch (const EKobu&) {
      k.ErrorLog.clear();
    }
    if (!fromRuntime) {
      if (k.UI) k.UI->MessageBox(sj("指定されたプログラムファイルは壊れています。"), sj("プログラムの実行エラー"));
      close();
      return;
    }
  }
  if (choice.resourceGiven) {
    auto reader = std::make_shared<TFileMixReader>();
    std::string error;
    if (!reader->Open(NativePath(choice.resourceName), 0, choice.resourceName, error)) {
      k.ErrorLog.clear();
      try {
        ScriptError(k, "リソースファイルの取り込みに失敗しました。");
      } catch (const EKobu&) {
        ShowErrorDialog(k);
      }
      failedToStart_ = true;
      close();
      return;
    }
    k.PackedReader = std::move(reader);
  }
  if (fromRuntime) return;  // the script came out of the named program
  if (choice.inlineGiven) {
    // The text came from the terminal and was converted to CP932 already;
    // the script's folder stays the current one.
    bool lossy = false;
    k.ScriptText = DecodeScriptText(choice.inlineText, seSjis, lossy);
    k.ScriptFileName = "-e";
    return;
  }
  if (candidatePath_.empty()) {
    scriptMissing_ = true;
    return;
  }
  LoadScript(candidatePath_);
}

void TfrmKobu::LoadScript(const std::string& path) {
  TKobuBase& k = *kobu_;
  std::string lower = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == ".exe" || lower == ".scr") return;
  std::string text;
  bool lossy = false;
  int error = 0;
  if (!LoadScriptFile(path, encoding_, text, lossy, error)) {
    scriptMissing_ = true;
    ReportUnreadableScript(path, error);
    if (k.UI) k.UI->MessageBox(sj("起動ファイル「") + path + sj("」が読込めません。"), sj("こぶらね"));
    return;
  }
  if (lossy && k.UI)
    k.UI->MessageBox(sj("起動ファイル「") + path + sj("」には、Shift-JISで表せない文字があります。それらの文字は「?」に置き換えました。"),
                     sj("こぶらね"));
  k.ScriptText = std::move(text);
  k.ScriptFileName = path;
  if (!IsStdinPath(path)) EnterScriptFolder(path);
}

void TfrmKobu::eventDoTimer() {
  eventDo.stop();
  if (!FirstRunPending) return;
  FirstRunPending = false;
  QApplication::processEvents();
  TKobuBase& k = *kobu_;
  if (k.ScriptFileName.empty()) {
    close();
    return;
  }
  try {
    TKobuUI* ui = k.UI;
    std::string script = std::move(k.ScriptText);
    std::vector<std::string> params = std::move(k.Parameters);
    k.ResetForRun();
    k.UI = ui;
    k.Parameters = std::move(params);
    RegisterBuiltins(k);
    const char* start = k.AddProgramText(Preprocess(k, script));
    k.ScriptText = start;
    RegisterLabels(k, start, k.ScriptFileName);
    if (!ContainsChars(k.ScriptText, sj("母艦浮上"))) {
      show();
      QApplication::processEvents();
    }
    k.CurrentPosition = start;
  } catch (const EKobu&) {
    failedToStart_ = true;
    ShowErrorDialog(k);
    close();
    return;
  } catch (const std::exception& e) {
    k.ErrorLog += FormatScriptError(k, e.what()) + "\r\n";
    failedToStart_ = true;
    ShowErrorDialog(k);
    close();
    return;
  }
  try {
    RunLoop(k);
  } catch (const std::exception& e) {
    if (k.ErrorLog.empty() && k.UI)
      k.UI->MessageBox(FormatScriptError(k, sj("システムエラー:") + e.what()), sj("こぶらね"));
  }
  objects_->Idle();
}

void TfrmKobu::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  eventDo.start();
}

void TfrmKobu::closeEvent(QCloseEvent* event) {
  if (closed_ || TerminationStep(*kobu_)) {
    closed_ = true;
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace kobu
