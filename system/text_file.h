// Text files as the script sees them: the bytes of a file read or written as
// text pass through here, so the system variable ファイル文字コード decides in
// one place whether a file holds Shift-JIS (as it is) or UTF-8.
#pragma once
#include <string>
#include <string_view>

namespace kobu {

struct TKobuBase;

enum TFileEncoding { feSjis, feUtf8 };

// "SJIS", or "UTF8"/"UTF-8" in either case. False for any other name.
bool FileEncodingOfName(std::string_view name, TFileEncoding& encoding);

// The default of ファイル文字コード for the runs of this process ("SJIS" or
// "UTF8"), chosen by the start-up option.
void SetStartupFileEncoding(TFileEncoding encoding);
const char* StartupFileEncodingName();

// What ファイル文字コード says now (empty: SJIS). A value that names no
// encoding is a script error.
TFileEncoding CurrentFileEncoding(TKobuBase& base);

// The bytes of a text file as script text. Under UTF8 a leading BOM goes and
// the rest becomes CP932; characters it cannot hold become "?" and a warning
// naming `fileName` goes to the error log.
std::string TextFromFile(TKobuBase& base, std::string bytes, const std::string& fileName);
// Script text as the bytes of a text file (UTF-8 under UTF8). Bytes that form
// no CP932 character are reported the same way.
std::string TextForFile(TKobuBase& base, std::string text, const std::string& fileName);

// The same conversions with the encoding given; the warning begins with
// `what` (CP932, e.g. ファイル"a.txt").
std::string Utf8ToScriptText(TKobuBase& base, std::string_view utf8, const std::string& what);
std::string ScriptTextToUtf8(TKobuBase& base, std::string_view text, const std::string& what);

}  // namespace kobu
