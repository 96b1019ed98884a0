// Script errors: one exception class carrying a finished message.
#pragma once
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

namespace kobu {

struct TKobuBase;

class EKobu : public std::exception {
 public:
  // Appends the finished message and CR LF to the interpreter's error log.
  EKobu(TKobuBase& base, std::string message);
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const { return message_; }

  // Set when the failure was an invalid floating-point operation; the run
  // loop then logs one more line with the operation's own message. Wrapping
  // errors carry it on.
  bool InvalidFloat = false;
  std::string FloatMessage;
  void CarryFrom(const EKobu& inner) {
    InvalidFloat = inner.InvalidFloat;
    FloatMessage = inner.FloatMessage;
  }

 private:
  std::string message_;
};

// Fills the "%s" (and "%d") placeholders of a CP932 format, in order, stepping
// whole characters. Placeholders without a value are left as written.
std::string FillArgs(std::string_view format, std::initializer_list<std::string_view> args);

// "[エラー] file(line行目): message" with the script's file name and the line of
// the statement being executed.
std::string FormatScriptError(TKobuBase& base, std::string_view message);
// "[注　意] file(line行目): message", appended to the error log.
void Warn(TKobuBase& base, std::string_view message);

// Raises EKobu(FormatScriptError(message with its arguments filled in)).
// `message` is UTF-8 source text; the arguments are script text (CP932).
[[noreturn]] void ScriptError(TKobuBase& base, std::string_view messageUtf8,
                              std::initializer_list<std::string_view> args = {});
// The same for a message already in CP932.
[[noreturn]] void ScriptErrorSj(TKobuBase& base, std::string_view messageSj,
                                std::initializer_list<std::string_view> args = {});

// The name of the command whose handler is running, as the statement named it
// (CHR and 文字 share one handler); `fallbackUtf8` when that is not known.
std::string RunningCommandName(TKobuBase& base, const char* fallbackUtf8);

// Called by the run loop for every failure of a statement. Never throws.
void HandleScriptError(TKobuBase& base, const std::string& message, bool isScriptError);
// Shows the error log and applies the user's choice.
void ShowErrorDialog(TKobuBase& base);
// The main window is asked to close: runs the termination handler once and
// answers whether the close is allowed.
bool TerminationStep(TKobuBase& base);

}  // namespace kobu
