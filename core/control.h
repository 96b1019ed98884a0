// Conditions, loops, branches, jumps and calls: the constructs the statement
// parser hands over, and the program-control command rows.
#pragma once
#include <span>
#include <string>

#include "core/commandrow.h"

namespace kobu {

struct TKobuBase;

// "?" without a literal: the last pending word is the condition.
void RunQuestionCondition(TKobuBase& base, const char*& cursor);
// A word ending in の時 (the text before it given): one branch of 条件分岐.
void RunCaseBranch(TKobuBase& base, const std::string& label, const char*& cursor);
// A word ending in 回 (the count text before it given): the counted loop.
void RunCountedLoop(TKobuBase& base, const std::string& countText, const char*& cursor);

// The rows of the program-control family, in registration order.
std::span<const TCommandRow> ControlCommandRows();

}  // namespace kobu
