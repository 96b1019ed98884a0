#include "core/errors.h"

#include "core/kobubase.h"
#include "core/preprocess.h"
#include "core/runcontrol.h"
#include "core/sjis.h"
#include "core/ui.h"
#include "platform/cp932.h"

namespace kobu {

EKobu::EKobu(TKobuBase& base, std::string message) : message_(std::move(message)) {
  base.ErrorLog += message_;
  base.ErrorLog += "\r\n";
}

std::string FillArgs(std::string_view format, std::initializer_list<std::string_view> args) {
  std::string out;
  out.reserve(format.size() + 32);
  auto next = args.begin();
  size_t i = 0;
  while (i < format.size()) {
    size_t len = CharLenAt(format, i);
    if (len == 1 && format[i] == '%' && i + 1 < format.size() &&
        (format[i + 1] == 's' || format[i + 1] == 'd') && next != args.end()) {
      out += *next++;
      i += 2;
      continue;
    }
    out.append(format.data() + i, len);
    i += len;
  }
  return out;
}

namespace {
std::string FileNamePart(const std::string& path) {
  // The folder ends at the last separator; a trail byte is never one.
  size_t i = 0, start = 0;
  while (i < path.size()) {
    size_t len = CharLenAt(path, i);
    if (len == 1 && (path[i] == '/' || path[i] == '\\')) start = i + 1;
    i += len;
  }
  return path.substr(start);
}

std::string Prefixed(TKobuBase& base, std::string_view head, std::string_view message) {
  std::string out(head);
  out += FileNamePart(base.ScriptFileName);
  out += '(';
  out += std::to_string(FindLineNumber(base));
  static const std::string gyoume = sj("行目): ");
  out += gyoume;
  out += message;
  return out;
}
}  // namespace

std::string FormatScriptError(TKobuBase& base, std::string_view message) {
  static const std::string head = sj("[エラー] ");
  return Prefixed(base, head, message);
}

void Warn(TKobuBase& base, std::string_view message) {
  static const std::string head = sj("[注　意] ");
  base.ErrorLog += Prefixed(base, head, message);
  base.ErrorLog += "\r\n";
  if (base.DebugMode) ShowErrorDialog(base);
}

void ScriptError(TKobuBase& base, std::string_view messageUtf8,
                 std::initializer_list<std::string_view> args) {
  std::string msg = FillArgs(sj(messageUtf8), args);
  throw EKobu(base, FormatScriptError(base, msg));
}

void ScriptErrorSj(TKobuBase& base, std::string_view messageSj,
                   std::initializer_list<std::string_view> args) {
  std::string msg = FillArgs(messageSj, args);
  throw EKobu(base, FormatScriptError(base, msg));
}

void ShowErrorDialog(TKobuBase& base) {
  TErrorChoice choice = base.UI ? base.UI->ShowErrorDialog(base.ErrorLog, base.DebugMode) : ecStop;
  if (choice == ecContinue) return;
  if (choice == ecDebug) return;  // the debugger joins here once it exists
  base.StopRequested = true;
  base.CurrentPosition = nullptr;
  if (base.UI) base.UI->CloseMainWindow();
}

namespace {
constexpr int kMaxErrorHandlerJumps = 10000;
}  // namespace

std::string RunningCommandName(TKobuBase& base, const char* fallbackUtf8) {
  return base.CurrentCommandWord.empty() ? sj(fallbackUtf8) : std::string(base.CurrentCommandWord);
}

void HandleScriptError(TKobuBase& base, const std::string& message, bool isScriptError) {
  try {
    if (base.ErrorMessage) {
      base.ErrorMessage->Value = message;
    }
    if (base.ErrorHandler && ++base.ErrorHandlerJumps > kMaxErrorHandlerJumps) {
      // The handler keeps failing without ever resuming: show the errors instead.
      base.ErrorHandler = nullptr;
      base.ShowErrors = 1;
    }
    if (base.ErrorHandler) {
      base.ErrorResumePos = base.CurrentPosition;
      base.ErrorResumeLine = base.CurrentLine;
      base.CurrentPosition = base.ErrorHandler->Data;
      return;
    }
    if (base.ShowErrors == 1) {
      if (!isScriptError && base.ErrorLog.empty()) {
        base.ErrorLog = FormatScriptError(base, message) + "\r\n" + sj("特定できないシステムエラーです(ToT)") + "\r\n";
      } else if (!isScriptError) {
        base.ErrorLog += FormatScriptError(base, message) + "\r\n";
      }
      ShowErrorDialog(base);
    }
  } catch (...) {
    // The error machinery never fails; stop the run rather than loop.
    base.StopRequested = true;
    base.CurrentPosition = nullptr;
  }
}

bool TerminationStep(TKobuBase& base) {
  const char* remembered = base.CurrentPosition;
  if (THashNode* handler = base.TerminationHandler) {
    base.TerminationHandler = nullptr;
    if (base.CannotTerminate) base.CannotTerminate->Value = "0";
    RunLabelNested(base, handler, false);
  }
  if (!base.CannotTerminate || base.CannotTerminate->Value != "1") {
    base.CurrentPosition = nullptr;
    base.StopRequested = true;
    return true;
  }
  base.CurrentPosition = remembered;
  return false;
}

}  // namespace kobu
