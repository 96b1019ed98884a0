// Qt windows as the user.
#pragma once
#include <string>

#include "core/ui.h"

namespace kobu {

class TfrmKobu;

class TQtUI : public TKobuUI {
 public:
  explicit TQtUI(TfrmKobu* form) : form_(form) {}
  void ShowMessage(const std::string& text) override;
  void QuickPrint(const std::string& text) override;
  void MessageBox(const std::string& text, const std::string& caption) override;
  TErrorChoice ShowErrorDialog(const std::string& errorLog, bool debugMode) override;
  void CloseMainWindow() override;
  void ProcessMessages() override;

 private:
  TfrmKobu* form_;
};

}  // namespace kobu
