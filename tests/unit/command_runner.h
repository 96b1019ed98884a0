// Running one command word directly, its arguments given as raw words in
// pattern order, the way the unit tests of the command families do.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/errors.h"
#include "core/kobubase.h"
#include "core/statement.h"
#include "platform/cp932.h"

namespace kobutest {

inline void RunCommandWord(kobu::TKobuBase& base, const char* commandUtf8, std::vector<std::string> args) {
  kobu::THashNode* command = base.Words.Find(kobu::sj(commandUtf8), true);
  ASSERT_NE(command, nullptr) << commandUtf8;
  base.ArgumentStack = std::move(args);
  base.PositionalMode = true;
  struct TReset {
    bool& flag;
    ~TReset() { flag = false; }
  } reset{base.PositionalMode};
  kobu::DispatchCommand(base, command);
}

// The message of the script error a command raises ("" when it raises none).
inline std::string CommandError(kobu::TKobuBase& base, const char* commandUtf8, std::vector<std::string> args) {
  try {
    RunCommandWord(base, commandUtf8, std::move(args));
  } catch (const kobu::EKobu& e) {
    return e.Message();
  }
  return "";
}

}  // namespace kobutest
