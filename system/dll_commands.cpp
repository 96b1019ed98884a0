#include "system/dll_commands.h"

#include "core/commandrow.h"

namespace kobu {

namespace {

const TCommandRow kRows[] = {
    {"DLLを利用", "?の,?を,?の,?として", "外部DLL?の、関数宣言?を、引数?の、関数名?として、インポートする。", 390, nullptr},
    {"DLL宣言", "?の,?を,?で", "DLL?の関数?を命令?で使えるようにする", 49, nullptr},
    {"文字型DLL宣言", "?の,?を,?で", "文字列を返すDLL?の関数?を命令?で使えるようにする", 380, nullptr},
};

}  // namespace

std::span<const TCommandRow> DllCommandRows() { return kRows; }

}  // namespace kobu
