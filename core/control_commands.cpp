#include "core/control.h"

#include "core/errors.h"
#include "core/kobubase.h"
#include "core/ui.h"

namespace kobu {

namespace {

void CmdEnd(TKobuBase& base) {
  base.RunControl.Clear();
  base.CurrentPosition = nullptr;
  if (base.UI) base.UI->CloseMainWindow();
}

void CmdWait(TKobuBase& base) {
  base.RunControl.Clear();
  base.CurrentPosition = nullptr;
}

void CmdReturn(TKobuBase& base) {
  TRunControl r;
  if (!base.RunControl.Pop(r)) {
    base.CurrentPosition = nullptr;
    return;
  }
  while (r.ControlType != rcCall && r.ControlType != rcEvent) {
    if (!base.RunControl.Pop(r)) ScriptError(base, "「戻る」べき場所がありません。");
  }
  base.CurrentPosition = r.ReturnPos;
  base.ScriptFileName = r.FileName;
}

void CmdNothing(TKobuBase&) {}

void CmdNara(TKobuBase& base) { ScriptError(base, "条件文は、「もし～ならば」と対で使わなければなりません。"); }

const TCommandRow kRows[] = {
    {"おわり", "", "プログラムの実行を終了する", 2, CmdEnd},
    {"終わり", "", "プログラムの実行を終了する", 2, CmdEnd},
    {"おわる", "", "プログラムの実行を終了する", 2, CmdEnd},
    {"戻る", "", "サブルーチンから戻る", 3, CmdReturn},
    {"待機", "", "プログラムの実行を止めてイベントを待つ", 13, CmdWait},
    {"ならば", "", "条件文の真の範囲を示す", 19, CmdNothing},
    {"なら", "", "条件文の真の範囲を示す", 200, CmdNara},
    {"違えば", "", "条件文の偽の範囲を示す", 20, CmdNothing},
    {"でなければ", "", "条件文の偽の範囲を示す", 20, CmdNothing},
};

}  // namespace

std::span<const TCommandRow> ControlCommandRows() { return kRows; }

void RunQuestionCondition(TKobuBase& base, const char*&) {
  ScriptError(base, "\"%s\"は、文法が正しくないため、実行できません。", {"?"});
}
void RunCaseBranch(TKobuBase& base, const std::string& label, const char*&) {
  ScriptError(base, "\"%s\"は未定義の命令です。(;o;)<綴りミスか、命令の引数に注意！", {label});
}
void RunCountedLoop(TKobuBase& base, const std::string& countText, const char*&) {
  ScriptError(base, "\"%s\"は未定義の命令です。(;o;)<綴りミスか、命令の引数に注意！", {countText});
}

}  // namespace kobu
