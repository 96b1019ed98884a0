// The scrambled file: a length-prefixed text mixed with a key and a
// pseudo-random stream, so it is not readable as it stands.
#pragma once
#include <string>
#include <string_view>

namespace kobu {

struct TKobuBase;

// Scrambles or unscrambles (the routine is its own inverse). An empty key
// stands for the built-in default key.
std::string ScrambleBytes(std::string data, std::string_view key);

void CmdSaveScrambled(TKobuBase& base);  // 暗号化して保存
void CmdLoadScrambled(TKobuBase& base);  // 暗号解除して読込

}  // namespace kobu
