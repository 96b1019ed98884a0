#include "host/console_ui.h"

#include <cstdio>

#include "host/kobuU.h"
#include "platform/cp932.h"

namespace kobu {

std::string TerminalText(const std::string& sjis) {
  std::string lf;
  lf.reserve(sjis.size());
  for (size_t i = 0; i < sjis.size(); ++i) {
    if (sjis[i] == '\r') {
      lf += '\n';
      if (i + 1 < sjis.size() && sjis[i + 1] == '\n') ++i;
    } else {
      lf += sjis[i];
    }
  }
  return Cp932ToUtf8(lf);
}

namespace {
void WriteLine(FILE* f, const std::string& sjis) {
  std::string out = TerminalText(sjis);
  out += '\n';
  fwrite(out.data(), 1, out.size(), f);
  fflush(f);
}
}  // namespace

void TConsoleUI::ShowMessage(const std::string& text) { WriteLine(stdout, text); }

void TConsoleUI::QuickPrint(const std::string& text) { WriteLine(stdout, text); }

void TConsoleUI::MessageBox(const std::string& text, const std::string&) { WriteLine(stderr, text); }

TErrorChoice TConsoleUI::ShowErrorDialog(const std::string& errorLog, bool) {
  if (logShown_ > errorLog.size()) logShown_ = 0;
  std::string fresh = errorLog.substr(logShown_);
  logShown_ = errorLog.size();
  std::string out = TerminalText(fresh);
  fwrite(out.data(), 1, out.size(), stderr);
  fflush(stderr);
  exitCode_ = 1;
  return ecStop;
}

void TConsoleUI::CloseMainWindow() {
  if (form_) form_->close();
}

}  // namespace kobu
