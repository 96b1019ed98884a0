#include "gui/window_messages.h"

#include <QKeyEvent>

#include "core/errors.h"
#include "core/kobubase.h"

namespace kobu {

// Being written: the message table.
void CmdSendMessage(TKobuBase& base) { ScriptError(base, "\"%s\"命令の引数に誤りがあります。", {RunningCommandName(base, "メッセージ送信")}); }

int VirtualKeyCode(const QKeyEvent& event) { return event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z ? event.key() : 0; }

int QtKeyOfVirtualKey(int code) { return code >= 65 && code <= 90 ? code : 0; }

}  // namespace kobu
