#include "host/console_ui.h"

#include <unistd.h>

#include <cstdio>
#include <string_view>

#include "host/clipboard.h"
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

// ---- dialogs ----
// The terminal stands in for the dialog windows: prompts on stderr so that
// stdout keeps only the program's output, answers one line each from stdin.

namespace {

constexpr int kAttempts = 3;  // bad answers before a question counts as cancelled

void Say(const std::string& utf8) {
  std::string out = utf8 + '\n';
  fwrite(out.data(), 1, out.size(), stderr);
  fflush(stderr);
}

// "? text", with the continuation lines of a long text indented under it.
void Prompt(const std::string& sjis) {
  std::string text = TerminalText(sjis);
  std::string out = text.empty() ? "?" : "? ";
  for (char c : text) {
    out += c;
    if (c == '\n') out += "  ";
  }
  Say(out);
}

// One line of stdin without its line end; false at end of input with nothing read.
bool ReadLine(std::string& utf8, bool cue = true) {
  fflush(stdout);
  const bool interactive = isatty(STDIN_FILENO);
  if (interactive && cue) {
    fputs("> ", stderr);
    fflush(stderr);
  }
  utf8.clear();
  int c;
  bool any = false;
  while ((c = fgetc(stdin)) != EOF) {
    any = true;
    if (c == '\n') break;
    utf8 += static_cast<char>(c);
  }
  if (!utf8.empty() && utf8.back() == '\r') utf8.pop_back();
  if (!any && interactive) Say("");  // end the cue line after Ctrl-D
  return any;
}

// Terminal text back to script text; lost characters are reported, not hidden.
std::string FromTerminal(const std::string& utf8) {
  bool lossless = true;
  std::string sjis = Utf8ToCp932(utf8, &lossless);
  if (!lossless) Say("! CP932 で表せない文字は ? になりました");
  return sjis;
}

bool StartsWith(std::string_view s, std::string_view head) { return s.substr(0, head.size()) == head; }

// A decimal of at most `digits` ASCII digits, else -1.
long Decimal(const std::string& s, size_t digits) {
  if (s.empty() || s.size() > digits) return -1;
  long n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Answers a list of numbered choices; `editable` takes any other text as the answer.
TDialogAnswer Choose(const std::string& prompt, const std::vector<std::string>& items, bool editable) {
  Prompt(prompt);
  for (size_t i = 0; i < items.size(); ++i) Say("  " + std::to_string(i + 1) + ") " + TerminalText(items[i]));
  std::string line;
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    if (!ReadLine(line) || line.empty()) return {};
    long n = Decimal(line, 9);
    if (n >= 1 && static_cast<size_t>(n) <= items.size()) return {true, items[n - 1]};
    std::string sjis = FromTerminal(line);
    for (const std::string& item : items)
      if (item == sjis) return {true, item};
    if (editable) return {true, sjis};
    if (attempt < kAttempts) Say("! 1 から " + std::to_string(items.size()) + " の番号か、項目の文字列で答えてください");
  }
  Say("! キャンセルとします");
  return {};
}

// The texts of a "text|pattern|text|pattern" filter, for showing what is expected.
std::string FilterTexts(const std::string& filter) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < filter.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(filter[i]);
    bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    if (lead && i + 1 < filter.size()) {
      parts.back() += filter.substr(i, 2);
      ++i;
    } else if (b == '|') {
      parts.emplace_back();
    } else {
      parts.back() += filter[i];
    }
  }
  std::string shown;
  for (size_t i = 0; i < parts.size(); i += 2) {
    if (parts[i].empty()) continue;
    if (!shown.empty()) shown += " / ";
    shown += TerminalText(parts[i]);
    // A text that does not spell out its pattern gets it added.
    if (i + 1 < parts.size() && !parts[i + 1].empty() && parts[i].find(parts[i + 1]) == std::string::npos)
      shown += " (" + TerminalText(parts[i + 1]) + ")";
  }
  return shown;
}

void ShowInitial(const std::string& sjis) {
  if (!sjis.empty()) Say("  [初期値: " + TerminalText(sjis) + "]");
}

// A picker whose answer is the line itself; an empty line cancels.
TDialogAnswer PickLine() {
  std::string line;
  if (!ReadLine(line) || line.empty()) return {};
  return {true, FromTerminal(line)};
}

TDialogAnswer PickFile(const char* what, const std::string& filter, const std::string& initialName) {
  Say(std::string("? ") + what);
  std::string kinds = FilterTexts(filter);
  if (!kinds.empty()) Say("  種類: " + kinds);
  ShowInitial(initialName);
  return PickLine();
}

}  // namespace

TDialogAnswer TConsoleUI::AskText(const std::string& prompt, const std::string& initial, int) {
  Prompt(prompt);
  ShowInitial(initial);
  std::string line;
  if (!ReadLine(line)) return {};
  return {true, FromTerminal(line)};
}

TYesNo TConsoleUI::AskYesNo(const std::string& question, bool withCancel) {
  Prompt(question);
  const char* choices = withCancel ? "y: はい / n: いいえ / c: キャンセル" : "y: はい / n: いいえ";
  Say(std::string("  (") + choices + ")");
  std::string line;
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    if (!ReadLine(line)) return ynCancel;
    if (StartsWith(line, "y") || StartsWith(line, "Y") || StartsWith(line, "はい") || StartsWith(line, "1"))
      return ynYes;
    if (StartsWith(line, "n") || StartsWith(line, "N") || StartsWith(line, "いいえ") || StartsWith(line, "0"))
      return ynNo;
    if (withCancel &&
        (StartsWith(line, "c") || StartsWith(line, "C") || StartsWith(line, "キャンセル")))
      return ynCancel;
    if (attempt < kAttempts) Say(std::string("! ") + choices + " で答えてください");
  }
  Say("! キャンセルとします");
  return ynCancel;
}

TDialogAnswer TConsoleUI::ChooseFromList(const std::string& prompt, const std::vector<std::string>& items,
                                         const std::string&, bool editable, int) {
  return Choose(prompt, items, editable);
}

TDialogAnswer TConsoleUI::ChooseButton(const std::string& prompt, const std::vector<std::string>& choices) {
  return Choose(prompt, choices, false);
}

TDialogAnswer TConsoleUI::EditMemo(const std::string& text, int) {
  Say("? メモ (新しい内容を入力し、「.」だけの行で終えてください)");
  if (!text.empty()) {
    std::string shown = TerminalText(text);
    if (shown.back() == '\n') shown.pop_back();  // a final line end opens no new line
    size_t start = 0;
    while (start <= shown.size()) {
      size_t end = shown.find('\n', start);
      if (end == std::string::npos) end = shown.size();
      Say(end == start ? "|" : "| " + shown.substr(start, end - start));
      start = end + 1;
    }
  }
  std::string line, typed;
  bool any = false;
  while (ReadLine(line, false)) {
    if (line == ".") {
      any = true;
      break;
    }
    if (any) typed += "\r\n";
    typed += line;
    any = true;
  }
  if (!any) return {};
  return {true, FromTerminal(typed)};
}

TDialogAnswer TConsoleUI::ChooseColour() {
  Say("? 色 (#RRGGBB または数値)");
  std::string line;
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    if (!ReadLine(line) || line.empty()) return {};
    long value = -1;
    if (line.size() == 7 && line[0] == '#') {
      value = 0;
      for (size_t i = 1; i < 7 && value >= 0; ++i) {
        int d = HexDigit(line[i]);
        value = d < 0 ? -1 : value * 16 + d;
      }
      // #RRGGBB reads red first; the value keeps red in the low byte.
      if (value >= 0) value = (value >> 16) | (value & 0x00FF00) | ((value & 0xFF) << 16);
    } else {
      value = Decimal(line, 8);
      if (value > 0xFFFFFF) value = -1;
    }
    if (value >= 0) return {true, std::to_string(value)};
    if (attempt < kAttempts) Say("! #RRGGBB か 0 から 16777215 の数で答えてください");
  }
  Say("! キャンセルとします");
  return {};
}

TDialogAnswer TConsoleUI::ChooseFont() {
  Say("? 書体 (名前|太字 傾斜 下線|大きさ)");
  return PickLine();
}

TDialogAnswer TConsoleUI::ChooseOpenFiles(const std::string& filter, const std::string& initialName) {
  return PickFile("開くファイル", filter, initialName);
}

TDialogAnswer TConsoleUI::ChooseSaveFile(const std::string& filter, const std::string& initialName,
                                         const std::string&) {
  return PickFile("保存するファイル", filter, initialName);
}

TDialogAnswer TConsoleUI::ChooseFolder() {
  Say("? フォルダ");
  std::string line;
  if (!ReadLine(line) || line.empty()) return {};
  // The command adds the final "/"; the root stays as it is.
  while (line.size() > 1 && line.back() == '/') line.pop_back();
  return {true, FromTerminal(line)};
}

void TConsoleUI::ShowLine(const std::string& text) { WriteLine(stdout, text); }

TDialogAnswer TConsoleUI::ChoosePrinter() {
  Say("? 印刷先の PDF ファイル");
  return PickLine();
}

std::string TConsoleUI::ClipboardText() { return QtClipboardText(); }

void TConsoleUI::SetClipboardText(const std::string& text) { SetQtClipboardText(text); }

}  // namespace kobu
