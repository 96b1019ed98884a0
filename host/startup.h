// Choosing and loading the script: the command-line scan, the script beside
// the executable, and reading a script file. No Qt here.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/scriptfile.h"
#include "system/text_file.h"

namespace kobu {

struct TKobuBase;

// Runtime options ("--..."), removed from the command line before the scan.
struct THostOptions {
  bool console = false;
  bool preprocessOnly = false;
  bool help = false;
  bool version = false;
  bool listCommands = false;
  bool pack = false;  // --pack SCRIPT -o OUTPUT [FILE...]
  TScriptEncoding encoding = seAuto;
  TFileEncoding fileEncoding = feSjis;  // --file-encoding=sjis|utf8
  std::string badOption;     // the first option we do not know
  std::string missingValue;  // an option given without the value it needs
};

// Splits argv into runtime options and the parameters the scan sees
// (parameter 0 is the executable), converted to CP932. "--" stays among the
// parameters (TakeOptionsEnd removes it); nothing after it is an option.
// "-e TEXT" stays too, TEXT taken as it is, when it comes before the script.
THostOptions SplitHostOptions(int argc, char** argv, std::vector<std::string>& parameters);

// What the command-line scan decided.
struct TScriptChoice {
  std::string candidatePath;  // CP932; empty when no script was found
  std::string runtimeName;    // "-runtime" NAME
  std::string resourceName;   // "-resource" NAME
  std::string inlineText;     // "-e" TEXT (CP932)
  bool runtimeGiven = false;
  bool resourceGiven = false;
  bool inlineGiven = false;
};

// Removes the first "--" from the parameters; returns the index where the
// parameters that are never switches begin (the size when there is none).
size_t TakeOptionsEnd(std::vector<std::string>& parameters);

// The scan of the parameters with every switch; sets the switches on base.
// Parameters from `literalFrom` on are plain ones: the first may be the
// script. "-e" TEXT before any script makes TEXT the script: TEXT is removed
// from the parameters, "-e" stays where a script path would be.
TScriptChoice ScanCommandLine(TKobuBase& base, size_t literalFrom = SIZE_MAX);

// The ".kbr" file beside the executable, or the empty text.
std::string ScriptBesideExecutable(const std::string& exePathSj);

// The executable's own path (CP932).
std::string ExecutablePath();

// The script packed in the program file at `pathSj`: false when it carries
// no container or no script (or the first parameter "-run" says to ignore
// it). On success the script text, its name and the container are set on
// base. A container that cannot be read raises the script error.
// A "-run" at or after `literalFrom` is a plain parameter.
bool ReadPackedScript(TKobuBase& base, const std::string& pathSj, TScriptEncoding encoding,
                      size_t literalFrom = SIZE_MAX);

// Why a script could not be read (UTF-8, for stderr), from an errno value.
std::string ScriptReadReason(int error);

// Writes "koburane: PATH: reason" to stderr.
void ReportUnreadableScript(const std::string& pathSj, int error);

// Makes the folder of a script the current folder.
void EnterScriptFolder(const std::string& pathSj);

}  // namespace kobu
