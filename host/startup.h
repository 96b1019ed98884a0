// Choosing and loading the script: the command-line scan, the script beside
// the executable, and reading a script file. No Qt here.
#pragma once
#include <string>
#include <vector>

#include "platform/scriptfile.h"

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
  std::string badOption;  // the first option we do not know
};

// Splits argv into runtime options and the parameters the scan sees
// (parameter 0 is the executable), converted to CP932.
THostOptions SplitHostOptions(int argc, char** argv, std::vector<std::string>& parameters);

// What the command-line scan decided.
struct TScriptChoice {
  std::string candidatePath;  // CP932; empty when no script was found
  std::string runtimeName;    // "-runtime" NAME
  std::string resourceName;   // "-resource" NAME
  bool runtimeGiven = false;
  bool resourceGiven = false;
};

// The scan of the parameters with every switch; sets the switches on base.
TScriptChoice ScanCommandLine(TKobuBase& base);

// The ".kbr" file beside the executable, or the empty text.
std::string ScriptBesideExecutable(const std::string& exePathSj);

// The executable's own path (CP932).
std::string ExecutablePath();

// The script packed in the program file at `pathSj`: false when it carries
// no container or no script (or the first parameter "-run" says to ignore
// it). On success the script text, its name and the container are set on
// base. A container that cannot be read raises the script error.
bool ReadPackedScript(TKobuBase& base, const std::string& pathSj, TScriptEncoding encoding);

// Makes the folder of a script the current folder.
void EnterScriptFolder(const std::string& pathSj);

}  // namespace kobu
