// The main window: it owns the interpreter state and starts the script.
#pragma once
#include <QTimer>
#include <QWidget>
#include <memory>
#include <string>

#include "host/startup.h"

namespace kobu {

struct TKobuBase;
class TKobuUI;
class TGuiObjects;

class TfrmKobu : public QWidget {
 public:
  TfrmKobu(std::vector<std::string> parameters, TScriptEncoding encoding);
  ~TfrmKobu() override;

  // Chooses and loads the script; false when no script could be chosen.
  void FormCreate();
  // Starts the script; only the first call does anything.
  void eventDoTimer();

  TKobuBase& Kobu() { return *kobu_; }
  TGuiObjects& Objects() { return *objects_; }
  void SetUI(TKobuUI* ui);
  bool Closed() const { return closed_; }
  // Why start-up failed, for the console's exit status.
  bool ScriptMissing() const { return scriptMissing_; }
  // The run could not start because of an error in the script or its files.
  bool FailedToStart() const { return failedToStart_; }

 protected:
  // FormShow: the start timer runs once the window is shown.
  void showEvent(class QShowEvent* event) override;
  // FormCloseQuery: the termination step decides.
  void closeEvent(class QCloseEvent* event) override;

 private:
  void LoadScript(const std::string& path);

  std::unique_ptr<TKobuBase> kobu_;
  std::unique_ptr<TGuiObjects> objects_;
  QTimer eventDo;  // one millisecond; starts the script if the direct call did not
  TScriptEncoding encoding_;
  bool FirstRunPending = false;
  std::string candidatePath_;
  bool closed_ = false;
  bool scriptMissing_ = false;
  bool failedToStart_ = false;
};

}  // namespace kobu
