// Running one command word directly, its arguments given as raw words in
// pattern order, the way the unit tests of the command families do.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "commands/registry.h"
#include "core/errors.h"
#include "core/kobubase.h"
#include "core/preprocess.h"
#include "core/statement.h"
#include "platform/cp932.h"

namespace kobutest {

// Registers the built-in words and loads a program as a script file would
// give it (LF line ends become CR LF); the cursor is left at its start.
inline void LoadProgram(kobu::TKobuBase& base, const char* utf8) {
  kobu::RegisterBuiltins(base);
  base.ScriptFileName = "t.kbr";
  std::string text;
  for (const char* p = utf8; *p; ++p) text += (*p == '\n') ? std::string("\r\n") : std::string(1, *p);
  const char* start = base.AddProgramText(kobu::Preprocess(base, kobu::sj(text)));
  kobu::RegisterLabels(base, start, base.ScriptFileName);
  base.CurrentPosition = start;
}

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

// A fixture for the command families: the built-in words registered, and
// commands run on values held in the variables V0, V1, ... in pattern order.
class TCommandFixture : public ::testing::Test {
 protected:
  void SetUp() override { kobu::RegisterBuiltins(base); }
  // How a test's value becomes script text (as it is, unless a fixture says otherwise).
  virtual std::string ScriptText(const std::string& value) { return value; }
  void Run(const char* commandUtf8, const std::vector<std::string>& values) {
    std::vector<std::string> args;
    for (size_t i = 0; i < values.size(); ++i) {
      std::string name = "V" + std::to_string(i);
      if (kobu::THashNode* old = base.Words.Find(name, false)) old->Value = ScriptText(values[i]);
      else base.Words.Add(std::make_unique<kobu::THashNode>(name, ScriptText(values[i]), 0, false));
      args.push_back(name);
    }
    RunCommandWord(base, commandUtf8, std::move(args));
  }
  std::string On(const char* commandUtf8, const std::vector<std::string>& values) {
    Run(commandUtf8, values);
    return base.Sore->Value;
  }
  std::string ErrorOf(const char* commandUtf8, const std::vector<std::string>& values) {
    try {
      Run(commandUtf8, values);
    } catch (const kobu::EKobu& e) {
      return e.Message();
    }
    return "";
  }
  bool Mentions(const std::string& message, const char* utf8) {
    return message.find(kobu::sj(utf8)) != std::string::npos;
  }
  kobu::TKobuBase base;
};

}  // namespace kobutest
