// Window messages sent by scripts (メッセージ送信), and the classic virtual-key
// codes that key events carry.
#pragma once

class QKeyEvent;

namespace kobu {

struct TKobuBase;

// メッセージ送信 (?に,?と): the message's Qt action on the object's widget.
void CmdSendMessage(TKobuBase& base);
// The virtual-key code of a Qt key event (A-Z 65-90, 0-9 48-57, F1 112 ...).
int VirtualKeyCode(const QKeyEvent& event);
// The Qt key of a virtual-key code; 0 when none.
int QtKeyOfVirtualKey(int code);

}  // namespace kobu
