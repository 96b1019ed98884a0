// Reading a script file: Shift-JIS or UTF-8 (with or without BOM) on disk,
// Shift-JIS with CR LF line ends in memory.
#pragma once
#include <string>

namespace kobu {

enum TScriptEncoding { seAuto, seSjis, seUtf8 };

// Reads a script file: converts UTF-8 scripts to CP932 and joins the lines
// with CR LF after every line. A first line beginning with "#!" is blanked
// (it still counts as line 1). False when the file cannot be read; `lossy`
// is set when characters had no Shift-JIS form.
// The same for a script's bytes already in memory (a packed script).
std::string DecodeScriptText(std::string raw, TScriptEncoding encoding, bool& lossy);

// The path "-" (or "/dev/stdin") reads standard input. On failure `error`
// holds the errno value that says why (EISDIR for a folder).
bool LoadScriptFile(const std::string& pathSj, TScriptEncoding encoding, std::string& text, bool& lossy);
bool LoadScriptFile(const std::string& pathSj, TScriptEncoding encoding, std::string& text, bool& lossy,
                    int& error);

// True for the paths that name standard input.
bool IsStdinPath(const std::string& pathSj);

}  // namespace kobu
