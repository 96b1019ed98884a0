#include "commands/dialog_commands.h"

#include "commands/args.h"
#include "core/commandrow.h"
#include "core/kobubase.h"
#include "core/errors.h"
#include "core/sjis.h"
#include "core/ui.h"
#include "platform/cp932.h"
#include "system/file_commands.h"

namespace kobu {

namespace {

void CmdSay(TKobuBase& base) {
  std::string text = ArgText(base);
  if (base.UI) base.UI->ShowMessage(text);
}

const std::string& Setting(TKobuBase& base, TSettingWord w) {
  static const std::string none;
  return base.Settings[w] ? base.Settings[w]->Value : none;
}

int ImeMode(TKobuBase& base) { return static_cast<int>(IntegerText(Setting(base, swDialogIme), 0)); }

// A cancelled dialog answers with a copy of ダイアログキャンセルの値.
void SetCancelled(TKobuBase& base) {
  THashNode* c = base.Settings[swDialogCancelValue];
  SetResult(base, c ? c->Value : std::string(), c ? c->TypeMark : std::string("s"));
}

// A script's choices: "｜" and "|" separate them like line ends.
std::vector<std::string> Choices(const std::string& text) {
  static const std::string fullBar = sj("｜");
  std::string lines = SjisReplace(text, fullBar, "|", true);
  lines = SjisReplace(lines, "|", "\r\n", true);
  return SplitLines(lines);
}

void CmdAskText(TKobuBase& base) {
  static const std::string defaultPrompt = sj("入力してください。");
  bool omitted = base.ImplicitSore;  // read before evaluating: arguments may run commands
  std::string prompt = ArgText(base);
  if (omitted) prompt = defaultPrompt;
  TDialogAnswer a = base.UI->AskText(prompt, Setting(base, swDialogInitial), ImeMode(base));
  if (!a.accepted) return SetCancelled(base);
  base.Sore->Value = a.text;
  if (!a.text.empty()) base.Sore->TypeMark = (a.text[0] == '$' || (a.text[0] >= '0' && a.text[0] <= '9')) ? "e" : "s";
}

void AskYesNo(TKobuBase& base, bool withCancel) {
  std::string question = ArgText(base);
  TYesNo a = base.UI->AskYesNo(question, withCancel);
  if (a == ynCancel && !withCancel) return SetCancelled(base);
  SetResult(base, std::to_string(static_cast<int>(a)), "e");
}

void CmdYesNo(TKobuBase& base) { AskYesNo(base, false); }
void CmdYesNoCancel(TKobuBase& base) { AskYesNo(base, true); }

void ChooseFromList(TKobuBase& base, bool editable) {
  std::vector<std::string> items = Choices(ArgText(base));
  std::string prompt = ArgText(base);
  base.Sore->Value.clear();
  TDialogAnswer a = base.UI->ChooseFromList(prompt, items, Setting(base, swDialogInitial), editable, ImeMode(base));
  if (!a.accepted) return SetCancelled(base);
  base.Sore->Value = a.text;
}

void CmdChooseEditable(TKobuBase& base) { ChooseFromList(base, true); }
void CmdChooseFromList(TKobuBase& base) { ChooseFromList(base, false); }

void CmdChooseButton(TKobuBase& base) {
  std::vector<std::string> choices = SplitLines(TrimText(ArgText(base)));
  std::string prompt = ArgText(base);
  if (choices.size() > 20) ScriptError(base, "\"%s\"の選択肢は20個までです。", {sj("ボタンで選択")});
  TDialogAnswer a = base.UI->ChooseButton(prompt, choices);
  SetResult(base, a.accepted ? a.text : Setting(base, swDialogCancelValue), "s");
}

void CmdEditMemo(TKobuBase& base) {
  std::string text = ArgText(base);
  TDialogAnswer a = base.UI->EditMemo(text, ImeMode(base));
  SetResult(base, a.accepted ? a.text : Setting(base, swDialogCancelValue), "s");
}

void CmdChooseColour(TKobuBase& base) {
  base.Sore->TypeMark = "e";
  TDialogAnswer a = base.UI->ChooseColour();
  if (!a.accepted) return SetCancelled(base);
  SetResult(base, a.text, "e");
}

void CmdChooseFont(TKobuBase& base) {
  TDialogAnswer a = base.UI->ChooseFont();
  if (!a.accepted) return SetCancelled(base);
  SetResult(base, a.text, "s");
}

// A filter as scripts give it: "txt" (or ".txt") stands for its two entries.
std::string FileFilter(const std::string& arg) {
  if (arg.find('|') != std::string::npos) return arg;
  std::string ext = (!arg.empty() && arg[0] == '.') ? arg.substr(1) : arg;
  return ext + sj(" 形式(*.") + ext + ")|*." + ext + sj("|全て(*.*)|*.*");
}

// The extension of the filter's first pattern, "*" and "." removed.
std::string DefaultExtension(const std::string& filter) {
  size_t bar = filter.find('|');
  if (bar == std::string::npos) return std::string();
  std::string pattern = filter.substr(bar + 1);
  pattern = pattern.substr(0, pattern.find('|'));
  pattern = pattern.substr(0, pattern.find(';'));
  std::string ext;
  for (char c : pattern)
    if (c != '*' && c != '.') ext += c;
  return ext;
}

void CmdChooseOpenFile(TKobuBase& base) {
  std::string filter = FileFilter(ArgText(base));
  TDialogAnswer a = base.UI->ChooseOpenFiles(filter, Setting(base, swDialogInitial));
  if (!a.accepted) return SetCancelled(base);
  SetResult(base, TrimText(a.text), "s");
}

void CmdChooseSaveFile(TKobuBase& base) {
  std::string filter = FileFilter(ArgText(base));
  TDialogAnswer a = base.UI->ChooseSaveFile(filter, Setting(base, swDialogInitial), DefaultExtension(filter));
  if (!a.accepted) return SetCancelled(base);
  SetResult(base, a.text, "s");
}

void CmdChooseFolder(TKobuBase& base) {
  TDialogAnswer a = base.UI->ChooseFolder();
  if (!a.accepted) return SetCancelled(base);
  std::string folder = a.text;
  // Folders handed to scripts end in "/".
  if (folder.empty() || folder.back() != '/') folder += '/';
  SetResult(base, folder, "s");
}

const TCommandRow kSayRows[] = {
    {"言う", "?と", "メッセージダイアログに文字列を表示する", 12, CmdSay},
};

const TCommandRow kRows[] = {
    {"尋ねる", "?と", "入力ダイアログで?と尋ね、答えをそれに返す", 98, CmdAskText},
    {"二択", "?と", "はい・いいえで?と尋ねる", 99, CmdYesNo},
    {"三択", "?と", "はい・いいえ・キャンセルで?と尋ねる", 100, CmdYesNoCancel},
    {"どれか尋ねる", "?が,?の", "?が,候補?の中からリストで選ばせる（編集可）", 101, CmdChooseEditable},
    {"リストから選択", "?を,?の", "?を,候補?の中からリストで選ばせる", 103, CmdChooseFromList},
    {"ボタンで選択", "?を,?の", "?を,候補?の中からボタンで選ばせる", 104, CmdChooseButton},
    {"メモ記入", "?の", "文字列?をメモ帳ダイアログで編集させる", 105, CmdEditMemo},
    {"色選択", "", "色選択ダイアログで色を選ばせる", 106, CmdChooseColour},
    {"フォント選択", "", "フォント選択ダイアログで書体を選ばせる", 107, CmdChooseFont},
    {"読込ファイル選択", "?の", "拡張子?で開くファイルを選ばせる", 108, CmdChooseOpenFile},
    {"書込ファイル選択", "?の", "拡張子?で保存するファイルを選ばせる", 116, CmdChooseSaveFile},
    {"フォルダ選択", "", "フォルダを選ばせる", 117, CmdChooseFolder},
    {"コピー", "?を", "文字列?をクリップボードにコピーする", 123, CopyToClipboard},
    {"クリップボード取得", "", "クリップボードの文字列を得る", 132, ClipboardTextToSore},
};

}  // namespace

std::span<const TCommandRow> SayCommandRows() { return kSayRows; }

std::span<const TCommandRow> DialogCommandRows() { return kRows; }

}  // namespace kobu
