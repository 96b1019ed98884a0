// The system variables: words every script finds from the start.
#pragma once
#include <string>
#include <vector>

namespace kobu {

struct TKobuBase;

// Values the registry computes from the start-up state.
struct TComputedValues {
  std::string arguments;    // コマンドライン引数
  std::string motherPath;   // 母艦のパス
  std::string runtimePath;  // ランタイムのパス
  std::string programFile;  // the file 母艦のパス is the folder of
};

// Registers every system variable in table order and caches the words the
// interpreter reads directly.
void RegisterSystemVariables(TKobuBase& base, const TComputedValues& values);
int SystemVariableCount();
// Their names in table order (CP932).
std::vector<std::string> SystemVariableNames();

}  // namespace kobu
