// Program entry: runtime options, the Qt application, the main window, the
// dialogs, the first run, then the message loop (or, on a terminal, the end).
#include <QApplication>
#include <QGuiApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <memory>

#include <editline/readline.h>

#include "commands/registry.h"
#include "commands/system_variables.h"
#include "core/errors.h"
#include "core/kobubase.h"
#include "core/preprocess.h"
#include "core/runcontrol.h"
#include "gui/dialog_forms.h"
#include "gui/gui_objects.h"
#include "host/console_ui.h"
#include "host/filemix.h"
#include "host/kobuU.h"
#include "host/qt_ui.h"
#include "host/startup.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "platform/temp_folder.h"

namespace {

const char* kUsage =
    "使い方: koburane [--console] [--encoding=sjis|utf8] [--file-encoding=sjis|utf8] SCRIPT [ARGS...] [-- ARGS...]\n"
    "        koburane [--console] -e TEXT [ARGS...]\n"
    "        koburane --preprocess SCRIPT\n"
    "        koburane --list-commands [families]\n"
    "        koburane --pack SCRIPT -o PROGRAM [FILE...]\n"
    "        koburane -h | --help | --version\n"
    "\n"
    "  SCRIPT が - (または /dev/stdin) の時は標準入力からスクリプトを読む\n"
    "  -e TEXT            TEXT をスクリプトとして実行する\n"
    "  --                 以降の引数は「-」で始まっても全てスクリプトに渡す\n"
    "  --console          端末を利用者としてスクリプトを実行する(画面がない時は自動)\n"
    "  --encoding=sjis    スクリプトを Shift-JIS として読む\n"
    "  --encoding=utf8    スクリプトを UTF-8 として読む\n"
    "  --file-encoding=sjis|utf8\n"
    "                     テキストファイルを読み書きする時の文字コード(ファイル文字コードの初期値)\n"
    "  --preprocess       前処理した本文(行番号の印を含む)を出力する\n"
    "  --pack             スクリプトと FILE をこのランタイムに梱包し、単独で動くプログラムを作る\n"
    "  -debug -linestop -run -runtime NAME -resource NAME -security low|mid|high\n"
    "                     スクリプトに渡る前に読まれる起動スイッチ\n";

// On a terminal stderr belongs to the script's errors; the toolkit's own
// warnings (missing runtime folder and the like) are dropped.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& msg) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", msg.toLocal8Bit().constData());
}

// A local X display (":0", ":1.0") is there only when its server socket is;
// a display that cannot be reached counts as none, so the runtime falls back
// to the terminal instead of failing at start.
bool LocalXDisplayExists(const std::string& display) {
  if (display.empty() || display[0] != ':') return true;  // remote: trust it
  std::string number = display.substr(1, display.find('.') - 1);
  if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return true;
  return access(("/tmp/.X11-unix/X" + number).c_str(), F_OK) == 0;
}

// A Wayland display is there when its compositor accepts a connection on
// the socket ($XDG_RUNTIME_DIR/$WAYLAND_DISPLAY, or the name as a path).
bool WaylandDisplayExists(const std::string& display) {
  std::string path = display;
  if (path[0] != '/') {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || !*runtime) return false;
    path = std::string(runtime) + "/" + display;
  }
  sockaddr_un addr{};
  if (path.size() >= sizeof(addr.sun_path)) return false;
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0;
  close(fd);
  return ok;
}

// Qt aborts when its platform plugin is missing, so it is looked for first.
bool QtPlatformInstalled(const char* stem) {
  QDir dir(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms"));
  return !dir.entryList({QStringLiteral("libq%1*.so").arg(QLatin1String(stem))}, QDir::Files).isEmpty();
}

// Which display the windows go to: X when its server is reachable, else
// Wayland alone (its platform named for Qt, which would try X otherwise).
// False when none can start; a named display that cannot start says so.
bool HaveDisplay() {
  const char* x = std::getenv("DISPLAY");
  const char* w = std::getenv("WAYLAND_DISPLAY");
  bool xNamed = x && *x, wNamed = w && *w;
  if (xNamed && LocalXDisplayExists(x) && QtPlatformInstalled("xcb")) return true;
  if (wNamed && WaylandDisplayExists(w) && QtPlatformInstalled("wayland")) {
    if (!xNamed) setenv("QT_QPA_PLATFORM", "wayland", 0);
    return true;
  }
  if (xNamed || wNamed)
    std::fprintf(stderr, "koburane: 画面%s%s%sに接続できないため、端末で実行します\n", xNamed ? x : "",
                 xNamed && wNamed ? " / " : "", wNamed ? w : "");
  return false;
}

// Prints the canonical text of a script, markers included.
int PrintPreprocessed(const std::vector<std::string>& params, kobu::TScriptEncoding encoding) {
  if (params.size() < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string text;
  bool lossy = false;
  int error = 0;
  if (!kobu::LoadScriptFile(params[1], encoding, text, lossy, error)) {
    kobu::ReportUnreadableScript(params[1], error);
    std::string msg = kobu::Cp932ToUtf8(kobu::sj("起動ファイル「") + params[1] + kobu::sj("」が読込めません。"));
    std::fprintf(stderr, "%s\n", msg.c_str());
    return 2;
  }
  kobu::TKobuBase base;
  base.ScriptFileName = params[1];
  try {
    std::string out = kobu::TerminalText(kobu::Preprocess(base, text));
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
  } catch (const kobu::EKobu& e) {
    std::string msg = kobu::TerminalText(e.Message());
    std::fprintf(stderr, "%s\n", msg.c_str());
    return 1;
  }
}

// Makes a program that carries the script and its files: a copy of this
// runtime with a container appended.
int PackMain(const std::vector<std::string>& params, kobu::TScriptEncoding encoding) {
  std::string script, out;
  std::vector<std::string> files;
  for (size_t i = 1; i < params.size(); ++i) {
    if (params[i] == "-o" && i + 1 < params.size()) out = params[++i];
    else if (script.empty()) script = params[i];
    else files.push_back(params[i]);
  }
  if (script.empty() || out.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string text, error;
  bool lossy = false;
  int readError = 0;
  if (!kobu::LoadScriptFile(script, encoding, text, lossy, readError)) {
    kobu::ReportUnreadableScript(script, readError);
    std::string msg = kobu::Cp932ToUtf8(kobu::sj("起動ファイル「") + script + kobu::sj("」が読込めません。"));
    std::fprintf(stderr, "%s\n", msg.c_str());
    return 2;
  }
  if (!kobu::PackProgram(kobu::Cp932ToUtf8(kobu::ExecutablePath()), text, files, kobu::NativePath(out), error)) {
    std::fprintf(stderr, "%s\n", kobu::Cp932ToUtf8(error).c_str());
    return 1;
  }
  return 0;
}

// The registry as a reference: name as written, pattern, number, and whether
// the command works yet.
// A value on one line of the list: tabs and line ends written as \t, \r, \n.
std::string OneLine(const std::string& cp932) {
  std::string out;
  for (char c : kobu::Cp932ToUtf8(cp932)) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += c;
    }
  }
  return out;
}

// Every built-in word, one per line, tab-separated: the commands (name,
// pattern, number, whether it works yet, description), then the system
// variables (name, default, type mark, "変数"). With the word "families"
// after the option, only the commands, each line led by its family's name.
int PrintCommandList(const std::vector<std::string>& params) {
  bool families = params.size() > 1 && params[1] == "families";
  kobu::TKobuBase base;
  kobu::RegisterBuiltins(base);
  for (const auto& [family, rows] : kobu::CommandFamilies())
    for (const kobu::TCommandRow* row : rows) {
      bool works = base.Handlers[row->number] != nullptr;
      if (families) std::printf("%s\t", family.c_str());
      std::printf("%s\t%s\t%d\t%s\t%s\n", row->name, row->pattern, row->number, works ? "使える" : "未実装",
                  row->description ? row->description : "");
    }
  if (families) return 0;
  for (const std::string& name : kobu::SystemVariableNames()) {
    const kobu::THashNode* v = base.Words.Find(name, false);
    std::printf("%s\t%s\t%s\t変数\n", OneLine(name).c_str(), v ? OneLine(v->Value).c_str() : "",
                v ? OneLine(v->TypeMark).c_str() : "");
  }
  return 0;
}

// Started in a terminal with no script anywhere: no script on the command
// line, none beside the runtime and none packed into it.
bool NothingToRun(const std::vector<std::string>& params) {
  if (params.size() > 1 || params.empty()) return false;
  uint64_t offset = 0;
  return kobu::ScriptBesideExecutable(params[0]).empty() &&
         !kobu::FindAttachedContainer(kobu::NativePath(params[0]), offset);
}

// One line typed at the prompt, without its line end; false at end of input.
// A terminal gets line editing and history; anything else is read plainly.
bool PromptLine(std::string& utf8) {
  if (isatty(STDIN_FILENO)) {
    rl_outstream = stderr;  // stdout keeps only the program's output
    char* line = readline("こぶらね> ");
    if (!line) return false;
    utf8 = line;
    if (*line) add_history(line);
    std::free(line);
    return true;
  }
  utf8.clear();
  int c;
  bool any = false;
  while ((c = std::fgetc(stdin)) != EOF) {
    any = true;
    if (c == '\n') break;
    utf8 += static_cast<char>(c);
  }
  if (!utf8.empty() && utf8.back() == '\r') utf8.pop_back();
  return any;
}

// Runs each line as it is typed, in one run whose words stay from line to
// line, and prints それ after it. An error ends the line, not the session.
int PromptLoop(kobu::TfrmKobu& frm) {
  kobu::TKobuBase& k = frm.Kobu();
  kobu::TKobuUI* ui = k.UI;
  std::vector<std::string> params = std::move(k.Parameters);
  k.ResetForRun();
  k.UI = ui;
  k.Parameters = std::move(params);
  kobu::RegisterBuiltins(k);
  k.ScriptFileName = "-";
  std::string line;
  while (PromptLine(line)) {
    k.StopRequested = false;
    try {
      const char* start = k.AddProgramText(kobu::Preprocess(k, kobu::Utf8ToCp932(line) + "\r\n"));
      kobu::RegisterLabels(k, start, k.ScriptFileName);
      k.CurrentPosition = start;
      k.CurrentLine = 0;  // each typed line is line 1 of its own text
      kobu::RunLoop(k);
    } catch (const kobu::EKobu&) {
      kobu::ShowErrorDialog(k);
      continue;
    }
    if (k.StopRequested) continue;
    std::string sore = k.Sore ? kobu::TerminalText(k.Sore->Value) : std::string();
    std::printf("%s\n", sore.c_str());
    std::fflush(stdout);
  }
  return 0;
}

}  // namespace

// The offscreen platform with one 1024x768 screen at 96 dpi, the screen the
// desktop-size variables describe (Qt's own offscreen screen is 800x800).
std::string OffscreenPlatform() {
  const std::string& folder = kobu::PrivateTempFolder();
  if (folder.empty()) return "offscreen";
  std::string path = folder + "/offscreen.json";
  if (FILE* f = std::fopen(path.c_str(), "w")) {
    std::fputs("{\"screens\":[{\"name\":\"console\",\"x\":0,\"y\":0,\"width\":1024,\"height\":768,"
               "\"logicalDpi\":96,\"logicalBaseDpi\":96,\"dpr\":1}]}\n",
               f);
    if (std::fclose(f) == 0) return "offscreen:configfile=" + path;
  }
  return "offscreen";
}

int main(int argc, char** argv) {
  kobu::BindGuiHandlers();
  // "--prompt" (not in the usage) starts the prompt on any stdin, which is
  // how the prompt is tested; it is taken out before the options are read.
  bool promptOption = false;
  std::vector<char*> args(argv, argv + argc);
  for (size_t i = 1; i < args.size(); ++i) {
    if (std::strcmp(args[i], "--") == 0) break;
    if (std::strcmp(args[i], "--prompt") == 0) {
      promptOption = true;
      args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
  }
  argc = static_cast<int>(args.size());
  args.push_back(nullptr);
  argv = args.data();
  std::vector<std::string> params;
  kobu::THostOptions opt = kobu::SplitHostOptions(argc, argv, params);
  if (!opt.badOption.empty()) {
    std::fprintf(stderr, "koburane: 知らないオプションです: %s\n\n%s", opt.badOption.c_str(), kUsage);
    return 2;
  }
  if (!opt.missingValue.empty()) {
    std::fprintf(stderr, "koburane: %s には値が必要です\n\n%s", opt.missingValue.c_str(), kUsage);
    return 2;
  }
  if (opt.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (opt.version) {
    std::printf("koburane %s\n", KOBU_VERSION);
    return 0;
  }
  if (opt.preprocessOnly) return PrintPreprocessed(params, opt.encoding);
  if (opt.listCommands) return PrintCommandList(params);
  if (opt.pack) return PackMain(params, opt.encoding);

  // A terminal start with nothing to run opens the prompt; a desktop start
  // (stdin no terminal) keeps the usual end.
  bool prompt = (promptOption || isatty(STDIN_FILENO)) && NothingToRun(params);
  bool console = opt.console || prompt || !HaveDisplay();
  if (console) {
    setenv("QT_QPA_PLATFORM", OffscreenPlatform().c_str(), 1);
    qInstallMessageHandler(QuietQtMessages);
  }
  QApplication app(argc, argv);
  // Scripts name the classic faces; offscreen drawing needs them too.
  kobu::InstallFontAliases();
  QApplication::setQuitOnLastWindowClosed(true);

  auto form = std::make_unique<kobu::TfrmKobu>(std::move(params), opt.encoding);
  kobu::TfrmKobu& frm = *form;
  std::unique_ptr<kobu::TKobuUI> ui;
  kobu::TConsoleUI* consoleUi = nullptr;
  kobu::TQtUI* qtUi = nullptr;
  if (console) {
    auto c = std::make_unique<kobu::TConsoleUI>(&frm);
    consoleUi = c.get();
    ui = std::move(c);
  } else {
    auto q = std::make_unique<kobu::TQtUI>(&frm);
    qtUi = q.get();
    ui = std::move(q);
  }
  frm.SetUI(ui.get());
  if (!console) {
    // With a display the desktop size is the real one; on a terminal it stays fixed.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      frm.Kobu().ScreenWidth = screen->size().width();
      frm.Kobu().ScreenHeight = screen->size().height();
    }
  }
  frm.FormCreate();
  // The dialog forms are built only where they can be shown: laying out
  // their fields loads the font database, the largest part of a start.
  std::unique_ptr<kobu::TDialogs> dialogs;
  if (qtUi) {
    dialogs = std::make_unique<kobu::TDialogs>(&frm);
    qtUi->SetDialogs(dialogs.get());
  }
  frm.eventDoTimer();

  if (console) {
    if (prompt && frm.ScriptMissing() && consoleUi->ExitCode() == 0) {
      int code = PromptLoop(frm);
      std::fflush(nullptr);
      std::exit(code);
    }
    if (frm.ScriptMissing() && consoleUi->ExitCode() == 0) {
      if (frm.Kobu().ScriptFileName.empty() && frm.Kobu().Parameters.size() <= 1) std::fputs(kUsage, stderr);
      return 2;
    }
    // The program goes on while something can still start a run (an armed
    // timer); then it ends. The run's own state goes first, as always; the
    // offscreen application is left to the process end, since tearing it
    // down would load the whole font configuration only to free it.
    while (!frm.Kobu().StopRequested && !frm.Closed() && frm.Objects().KeepsRunAlive())
      QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    int code = consoleUi->ExitCode();
    dialogs.reset();
    ui.reset();
    form.reset();
    std::fflush(nullptr);
    std::exit(code);
  }
  if (frm.ScriptMissing()) return 2;
  // A run ended by a script error reports it in the status, as on a terminal.
  auto status = [&](int code) { return code == 0 && (frm.FailedToStart() || qtUi->ExitCode() != 0) ? 1 : code; };
  if (frm.Closed() || frm.Kobu().ScriptFileName.empty()) return status(0);
  return status(app.exec());
}
