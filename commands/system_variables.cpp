#include "commands/system_variables.h"

#include "core/kobubase.h"
#include "platform/cp932.h"
#include "platform/known_folders.h"
#include "system/text_file.h"

namespace kobu {

namespace {

// Defaults that come from the machine, not from the table.
enum TComputed {
  cvNone,
  cvColourWindow,
  cvColourDesktop,
  cvColourActive,
  cvColourInactive,
  cvColourSelection,
  cvArguments,
  cvMotherPath,
  cvRuntimePath,
  cvDesktop,
  cvTrash,
  cvDocuments,
  cvStartMenu,
  cvStartup,
  cvSendTo,
  cvWindows,
  cvSystem,
  cvTemp,
  cvFavorites,
  cvOS,
  cvScreenWidth,
  cvScreenHeight,
  cvVersion,
  cvLastChange,
  cvFileEncoding,
};

struct TVariableRow {
  const char* name;      // UTF-8
  const char* value;     // UTF-8 default
  const char* typeMark;  // UTF-8: a type letter or the description
  bool readOnly;
  THashNode* TKobuBase::*cache;
  TSettingWord setting;  // swCount: not a cached setting
  TComputed computed;
};

const TVariableRow kRows[] = {
    {"そして", "", "日本語らしい表記をするための接続詞。一度文を区切り,構文チェックをする。", false, &TKobuBase::Soshite, swCount, cvNone},
    {"回数", "0", "回、反復、命令において、繰り返した回数をカウントしている変数e", true, &TKobuBase::Kaisu, swCount, cvNone},
    {"タブ文字の個数", "8", "表示命令や、行揃え命令での、タブ文字の個数を指定", false, nullptr, swTabCount, cvNone},
    {"禁則処理の行頭禁止文字", "、。，．・？！゛゜ヽヾゝゞ々ー）］｝」』!),.:;?]}｡｣､･ｰﾞﾟ", "行揃え命令などでの、禁則処理に使う文字", false, nullptr, swLineHeadForbidden, cvNone},
    {"マッチ数", "", "正規表現でマッチした数を返すe", false, nullptr, swMatchCount, cvNone},
    {"ダイアログキャンセルの値", "", "ダイアログでキャンセルが押された時の値s", false, nullptr, swDialogCancelValue, cvNone},
    {"ダイアログIMEの状態", "0", "ダイアログを表示する時にIMEの状態を設定するe", false, nullptr, swDialogIme, cvNone},
    {"ダイアログ初期値", "", "ダイアログを表示する時の初期値を設定するs", false, nullptr, swDialogInitial, cvNone},
    {"属性なし", "0", "ファイル属性変更e", true, nullptr, swCount, cvNone},
    {"読取専用ファイル", "1", "ファイル属性変更e", true, nullptr, swCount, cvNone},
    {"隠しファイル", "2", "ファイル属性変更e", true, nullptr, swCount, cvNone},
    {"アーカイブファイル", "32", "ファイル属性変更e", true, nullptr, swCount, cvNone},
    {"エラーメッセージ", "", "直前のエラーメッセージを記憶しているs", true, &TKobuBase::ErrorMessage, swCount, cvNone},
    {"終了不可能", "0", "プログラムが終了できるかどうか調べるのに使う", true, &TKobuBase::CannotTerminate, swCount, cvNone},
    {"表フィールド名", "0", "表の１行目をフィールド名として扱うかどうか。オンかオフを指定する。", false, nullptr, swTableFieldNames, cvNone},
    {"表示出力先", "", "『表示』命令の出力先を指定。ファイル名を指定する。s", false, nullptr, swDisplayTarget, cvNone},
    {"文字色", "0", "文字の色を設定s", false, nullptr, swTextColour, cvNone},
    {"文字サイズ", "12", "文字サイズを設定e", false, nullptr, swTextSize, cvNone},
    {"文字書体", "ＭＳ ゴシック", "文字の書体を設定s", false, nullptr, swTextFont, cvNone},
    {"ペン色", "0", "図形の外枠の色を設定s", false, nullptr, swPenColour, cvNone},
    {"ペン太さ", "2", "図形の外枠の太さを設定e", false, nullptr, swPenWidth, cvNone},
    {"塗り色", "0", "図形の塗り色を設定s", false, nullptr, swFillColour, cvNone},
    {"JPEG圧縮率", "100", "JPEG形式で、イメージ保存するときの圧縮率を1-100で指定するe", false, nullptr, swJpegQuality, cvNone},
    {"部品配置間隔", "8", "部品を自動配置する時の部品間の間隔e", false, nullptr, swLayoutGap, cvNone},
    {"マウスX", "0", "マウスが押された時のマウス座標e", true, nullptr, swMouseX, cvNone},
    {"マウスY", "0", "マウスが押された時のマウス座標e", true, nullptr, swMouseY, cvNone},
    {"押されたキー", "0", "キーイベントで押されたキーの番号e", true, nullptr, swKeyPressed, cvNone},
    {"押された特殊キー", "", "キーイベントで押された特殊キーの名前を配列形式で保持。(Shift,Ctrl,Alt)", true, nullptr, swSpecialKeys, cvNone},
    {"イベントオブジェクト", "", "イベントを発したオブジェクトs", true, nullptr, swEventObject, cvNone},
    {"イベントの値", "", "イベントを発したオブジェクトs", true, nullptr, swEventValue, cvNone},
    {"ブラウザURL移動許可", "1", "ブラウザでURLの移動を許可するかe", false, nullptr, swBrowserMoveAllowed, cvNone},
    {"ブラウザ移動先URL", "", "ブラウザでクリックされた時の次のURLの移動先を保持s", true, nullptr, swBrowserTarget, cvNone},
    {"枠なし", "0", "e", false, nullptr, swCount, cvNone},
    {"枠固定", "1", "e", false, nullptr, swCount, cvNone},
    {"枠可変", "2", "e", false, nullptr, swCount, cvNone},
    {"ダイアログスタイル", "3", "e", false, nullptr, swCount, cvNone},
    {"縦", "縦", "スクロールバーの向きs", false, nullptr, swCount, cvNone},
    {"横", "横", "スクロールバーの向きs", false, nullptr, swCount, cvNone},
    {"両方", "両方", "スクロールバーの向きs", false, nullptr, swCount, cvNone},
    {"IMEオン", "1", "IMEの設定項目で、IMEをオンにするe", false, nullptr, swCount, cvNone},
    {"IMEオフ", "0", "IMEの設定項目で、IMEをオフにするe", false, nullptr, swCount, cvNone},
    {"IMEひらがな", "2", "IMEの設定項目で、IMEをひらがなにするe", false, nullptr, swCount, cvNone},
    {"IMEカタカナ", "3", "IMEの設定項目で、IMEをカタカナにするe", false, nullptr, swCount, cvNone},
    {"IME半角カタカナ", "4", "IMEの設定項目で、IMEを半角カタカナにするe", false, nullptr, swCount, cvNone},
    {"演奏繰り返し", "0", "演奏繰り返し=オンorオフe", false, nullptr, swPlayRepeat, cvNone},
    {"圧縮オプション", "-a1 -r2 -x1 -l1 -jp1 -o2 -ji0", "圧縮/自己解凍書庫作成命令の圧縮オプションの指定s", false, nullptr, swPackOptions, cvNone},
    {"解凍オプション", "-a1 -r2 -x1 -jp1 -c0 -m1", "解凍命令の解凍オプションの指定s", false, nullptr, swUnpackOptions, cvNone},
    {"自己解凍書庫オプション", "-x1 -r2 -gx0 -gw4", "自己解凍書子作成命令の解凍オプションの指定s", false, nullptr, swSfxOptions, cvNone},
    {"メールホスト", "", "メールサーバーホストアドレスを指定s", false, nullptr, swCount, cvNone},
    {"メールID", "", "ユーザーIDを指定s", false, nullptr, swCount, cvNone},
    {"メールパスワード", "", "ユーザーパスワードを指定s", false, nullptr, swCount, cvNone},
    {"メールタイトル", "", "メールのタイトルs", false, nullptr, swCount, cvNone},
    {"メール本文", "", "メールの本文s", false, nullptr, swCount, cvNone},
    {"メール添付ファイル", "", "メールに添付するファイルリスト（配列）s", false, nullptr, swCount, cvNone},
    {"メール送信先", "", "メール送信先リスト（配列）s", false, nullptr, swCount, cvNone},
    {"メールBCC", "", "非公開メール送信先リスト（配列）s", false, nullptr, swCount, cvNone},
    {"メールCC", "", "公開メール送信先リスト（配列）s", false, nullptr, swCount, cvNone},
    {"メール送信元", "", "メール送信元アドレスs", false, nullptr, swCount, cvNone},
    {"メール送信者名", "", "メール送信者名s", false, nullptr, swCount, cvNone},
    {"メールサーバーから削除", "1", "受信したメールをサーバーから削除するかs", false, nullptr, swCount, cvNone},
    {"FTPホスト", "", "FTPサーバーホストアドレスを指定s", false, nullptr, swCount, cvNone},
    {"FTPユーザーID", "", "ユーザーＩＤを指定s", false, nullptr, swCount, cvNone},
    {"FTPパスワード", "", "ユーザーパスワードを指定s", false, nullptr, swCount, cvNone},
    {"FTP接続方式", "", "PASV転送を使う場合は、「PASV」と指定s", false, nullptr, swCount, cvNone},
    {"TCPポート", "", "TCP/IPのポート番号s", false, nullptr, swCount, cvNone},
    {"TCPサービス名", "", "TCP/IPのサービス名s", false, nullptr, swCount, cvNone},
    {"TCP文字列", "", "TCP/IPで受信した文字列s", false, nullptr, swCount, cvNone},
    {"TCP送信元", "", "TCP/IPでメッセージを送信したコンピューターのIPアドレスs", false, nullptr, swCount, cvNone},
    {"HKEY_CLASSES_ROOT", "0", "e", true, nullptr, swCount, cvNone},
    {"HKEY_CURRENT_USER", "1", "e", true, nullptr, swCount, cvNone},
    {"HKEY_LOCAL_MACHINE", "2", "e", true, nullptr, swCount, cvNone},
    {"HKEY_USERS", "3", "e", true, nullptr, swCount, cvNone},
    {"DDEファイル名", "", "DDEの対象ファイルを選択s", false, nullptr, swDdeFile, cvNone},
    {"DDE文字列", "", "DDEのイベントを受けるs", false, nullptr, swDdeText, cvNone},
    {"オン", "1", "e", false, nullptr, swCount, cvNone},
    {"オフ", "0", "e", false, nullptr, swCount, cvNone},
    {"はい", "1", "e", false, nullptr, swCount, cvNone},
    {"いいえ", "0", "e", false, nullptr, swCount, cvNone},
    {"キャンセル", "2", "e", false, nullptr, swCount, cvNone},
    {"それ", "", "命令の返却値として利用", false, &TKobuBase::Sore, swCount, cvNone},
    {"そ", "", "「その」前回利用したオブジェクトを覚えておく", false, &TKobuBase::So, swCount, cvNone},
    {"赤色", "#FF0000", "s", false, nullptr, swCount, cvNone},
    {"青色", "#0000FF", "s", false, nullptr, swCount, cvNone},
    {"黒色", "#000000", "s", false, nullptr, swCount, cvNone},
    {"白色", "#FFFFFF", "s", false, nullptr, swCount, cvNone},
    {"黄色", "#FFFF00", "s", false, nullptr, swCount, cvNone},
    {"緑色", "#00FF00", "s", false, nullptr, swCount, cvNone},
    {"紫色", "#FF00FF", "s", false, nullptr, swCount, cvNone},
    {"灰色", "#CCCCCC", "s", false, nullptr, swCount, cvNone},
    {"水色", "#00FFFF", "s", false, nullptr, swCount, cvNone},
    {"茶色", "#993300", "s", false, nullptr, swCount, cvNone},
    {"オレンジ色", "#FF3300", "s", false, nullptr, swCount, cvNone},
    {"肌色", "#FFCC99", "s", false, nullptr, swCount, cvNone},
    {"ウィンドウ色", "", "ウィンドウズのシステムカラー(BtnFace)", false, nullptr, swCount, cvColourWindow},
    {"ウインドウ色", "", "ウィンドウズのシステムカラー", false, nullptr, swCount, cvColourWindow},
    {"デスクトップ色", "", "ウィンドウズのシステムカラー", false, nullptr, swCount, cvColourDesktop},
    {"アクティブ色", "", "ウィンドウズのシステムカラー", false, nullptr, swCount, cvColourActive},
    {"非アクティブ色", "", "ウィンドウズのシステムカラー", false, nullptr, swCount, cvColourInactive},
    {"選択色", "", "ウィンドウズのシステムカラー", false, nullptr, swCount, cvColourSelection},
    {"コマンドライン引数", "", "", true, nullptr, swCount, cvArguments},
    {"母艦のパス", "", "s", true, nullptr, swCount, cvMotherPath},
    {"ランタイムのパス", "", "s", true, nullptr, swCount, cvRuntimePath},
    {"デスクトップのパス", "", "s", true, nullptr, swCount, cvDesktop},
    {"ゴミ箱のパス", "", "s", true, nullptr, swCount, cvTrash},
    {"マイドキュメントのパス", "", "s", true, nullptr, swCount, cvDocuments},
    {"スタートメニューのパス", "", "s", true, nullptr, swCount, cvStartMenu},
    {"スタートアップのパス", "", "s", true, nullptr, swCount, cvStartup},
    {"SENDTOのパス", "", "s", true, nullptr, swCount, cvSendTo},
    {"WINDOWSのパス", "", "s", true, nullptr, swCount, cvWindows},
    {"SYSTEMのパス", "", "s", true, nullptr, swCount, cvSystem},
    {"TEMPのパス", "", "s", true, nullptr, swCount, cvTemp},
    {"お気に入りのパス", "", "s", true, nullptr, swCount, cvFavorites},
    {"OS", "", "s", true, nullptr, swCount, cvOS},
    {"デスクトップの幅", "", "e", false, nullptr, swCount, cvScreenWidth},
    {"デスクトップの高さ", "", "e", false, nullptr, swCount, cvScreenHeight},
    {"こぶらねバージョン", "", "s", false, nullptr, swCount, cvVersion},
    {"こぶらね最終更新日", "", "s", false, nullptr, swCount, cvLastChange},
    {"ファイル文字コード", "", "テキストファイルを読み書きする時の文字コード。SJISかUTF8を指定する(こぶらね独自)s", false, nullptr, swFileEncoding, cvFileEncoding},
};

// The system colours of a plain light desktop, as red + green*256 + blue*65536.
constexpr int kColour(int r, int g, int b) { return r + g * 256 + b * 65536; }

}  // namespace

int SystemVariableCount() { return static_cast<int>(std::size(kRows)); }

std::vector<std::string> SystemVariableNames() {
  std::vector<std::string> names;
  for (const auto& row : kRows) names.push_back(sj(row.name));
  return names;
}

void RegisterSystemVariables(TKobuBase& base, const TComputedValues& values) {
  for (const auto& row : kRows) {
    std::string value;
    switch (row.computed) {
      case cvNone: value = sj(row.value); break;
      case cvColourWindow: value = std::to_string(kColour(240, 240, 240)); break;
      case cvColourDesktop: value = std::to_string(kColour(58, 110, 165)); break;
      case cvColourActive: value = std::to_string(kColour(153, 180, 209)); break;
      case cvColourInactive: value = std::to_string(kColour(191, 205, 219)); break;
      case cvColourSelection: value = std::to_string(kColour(0, 120, 215)); break;
      case cvArguments: value = values.arguments; break;
      case cvMotherPath: value = values.motherPath; break;
      case cvRuntimePath: value = values.runtimePath; break;
      case cvDesktop: value = SpecialFolder(sfDesktop); break;
      case cvTrash: value = SpecialFolder(sfTrash); break;
      case cvDocuments: value = SpecialFolder(sfDocuments); break;
      case cvStartMenu: value = SpecialFolder(sfStartMenu); break;
      case cvStartup: value = SpecialFolder(sfStartup); break;
      case cvSendTo: value = SpecialFolder(sfSendTo); break;
      case cvWindows: value = SpecialFolder(sfWindows); break;
      case cvSystem: value = SpecialFolder(sfSystem); break;
      case cvTemp: value = SpecialFolder(sfTemp); break;
      case cvFavorites: value = SpecialFolder(sfFavorites); break;
      case cvOS: value = Utf8ToCp932(OperatingSystemName()); break;
      case cvScreenWidth: value = std::to_string(base.ScreenWidth); break;
      case cvScreenHeight: value = std::to_string(base.ScreenHeight); break;
      case cvVersion: value = KOBU_VERSION_TEXT; break;
      case cvLastChange: value = KOBU_LAST_CHANGE; break;
      case cvFileEncoding: value = StartupFileEncodingName(); break;
    }
    THashNode* n = base.Words.AddVariable(sj(row.name), value, sj(row.typeMark), row.readOnly);
    if (row.cache) base.*(row.cache) = n;
    if (row.setting != swCount) base.Settings[row.setting] = n;
  }
}

}  // namespace kobu
