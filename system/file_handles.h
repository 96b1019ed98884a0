// File handles and named shared memory.
#pragma once

namespace kobu {

struct TKobuBase;

void CmdOpenHandle(TKobuBase& base);          // ハンドルを開く
void CmdOpenHandleWithMode(TKobuBase& base);  // ハンドルを詳しく開く
void CmdReadHandleLine(TKobuBase& base);      // ハンドルを一行読む
void CmdWriteHandleLine(TKobuBase& base);     // ハンドルへ一行書く
void CmdCloseHandle(TKobuBase& base);         // ハンドルを閉じる
void CmdHandleAtEnd(TKobuBase& base);         // ハンドル最後か
void CmdHandleToStart(TKobuBase& base);       // ハンドルを先頭に移動
void CmdHandleToEnd(TKobuBase& base);         // ハンドルを最後に移動
void CmdHandleSeek(TKobuBase& base);          // ハンドルを移動
void CmdHandleWriteBinary(TKobuBase& base);   // ハンドルにバイナリを書く
void CmdHandleReadBinary(TKobuBase& base);    // ハンドルにバイナリを読む
void CmdSharedSave(TKobuBase& base);          // 共有保存
void CmdSharedLoad(TKobuBase& base);          // 共有読込

}  // namespace kobu
