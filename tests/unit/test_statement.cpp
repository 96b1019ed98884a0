// Where words end, and how words bind to a command's pattern.
#include <gtest/gtest.h>

#include "commands/registry.h"
#include "core/errors.h"
#include "core/kobubase.h"
#include "core/readers.h"
#include "core/statement.h"
#include "platform/cp932.h"

using kobu::sj;

namespace {

class WordEnds : public ::testing::Test {
 protected:
  void SetUp() override {
    kobu::RegisterBuiltins(base);
    // Commands the cases below rely on.
    const char* commands[] = {"表示", "置換", "切り出す", "ひらがな変換", "エラーを無視", "数値として扱う",
                              "起動して終了まで待機", "待つ"};
    for (const char* c : commands) ASSERT_NE(base.Words.Find(sj(c), true), nullptr) << c;
  }

  // Splits a line into the words ReadWord/ReadParticleOrWord would give,
  // joined by "|"; digits are read as numbers the way statements read them.
  std::string Split(const char* utf8) {
    std::string text = sj(utf8);
    const char* p = text.c_str();
    std::string out;
    bool afterValue = false;
    while (*p) {
      std::string w;
      if (*p >= '0' && *p <= '9') {
        w = kobu::ReadNumberText(p);
        afterValue = true;
      } else {
        w = afterValue ? kobu::ReadParticleOrWord(base, p) : kobu::ReadWord(base, p);
        afterValue = false;
      }
      if (w.empty()) break;
      if (!out.empty()) out += "|";
      out += kobu::Cp932ToUtf8(w);
    }
    return out;
  }

  kobu::TKobuBase base;
};

TEST_F(WordEnds, ParticleEndsTheWord) {
  struct {
    const char* line;
    const char* words;
  } cases[] = {
      {"東京を表示", "東京を|表示"},
      {"それを表示", "それを|表示"},
      {"それをAに置換", "それを|Aに|置換"},
      {"それをひらがな変換", "それを|ひらがな変換"},
      {"Aの中で2から3つ切り出す", "Aの中で|2|から|3|つ|切り出す"},
      {"1から10まで繰り返す", "1|から|10|まで|繰り返す"},
      {"5秒待つ", "5|秒|待つ"},
      {"その他の時", "その他の時"},
      {"4以上の時", "4|以上の時"},
      {"一度目は", "一度目は"},
      {"文字列を表示", "文字列を|表示"},
      {"N度", "N度"},
      {"回数秒待つ", "回数秒|待つ"},
      {"そのテキストは", "その|テキストは"},
      {"エラーを無視", "エラーを無視"},
      {"数値として扱う", "数値として扱う"},
      {"起動して終了まで待機", "起動して終了まで待機"},
      {"はい", "はい"},
      {"それ", "それ"},
      {"表示して終わる", "表示して|終わる"},
      {"もしA", "もし|A"},
      {"名前は", "名前は"},
      {"あいうは", "あいうは"},
      {"ひらがなで表示", "ひらがなで|表示"},
      {"ABCまでを表示", "ABCまでを|表示"},
      {"サブを呼ぶ", "サブを|呼ぶ"},
      {"母艦のパスを表示", "母艦のパスを|表示"},
      {"ランタイムのパス", "ランタイムのパス"},
      {"終点へ飛ぶ", "終点へ|飛ぶ"},
      // Okurigana that begin with a particle stay with their verb; a word of
      // the table after the particle still splits.
      {"猫を撫でる", "猫を|撫でる"},
      {"落とす", "落とす"},
      {"見つける", "見つける"},
      {"泳がせる", "泳がせる"},
      {"名前をそれに", "名前を|それに"},
      {"名前をはい", "名前を|はい"},
      {"名前はたろう", "名前は|たろう"},
      // A command after a shorter particle must end the statement.
      {"1を呼ぶ", "1|を|呼ぶ"},
      {"1を呼ぶ xという", "1|を呼ぶ|xという"},
      {"終点へ飛ぶ 3秒後に", "終点へ飛ぶ|3秒後に"},
  };
  for (const auto& c : cases) EXPECT_EQ(Split(c.line), c.words) << c.line;
}

class Binding : public ::testing::Test {
 protected:
  void SetUp() override {
    kobu::RegisterBuiltins(base);
    node = base.Words.Find(sj("置換"), true);
    ASSERT_NE(node, nullptr);
    ASSERT_EQ(node->Pattern, sj("?の,?を,?に"));
  }
  void Push(std::initializer_list<const char*> words) {
    for (auto w : words) base.ArgumentStack.push_back(sj(w));
  }
  std::string Stack() {
    std::string s;
    for (auto& w : base.ArgumentStack) s += (s.empty() ? "" : "|") + kobu::Cp932ToUtf8(w);
    return s;
  }
  kobu::TKobuBase base;
  kobu::THashNode* node = nullptr;
};

TEST_F(Binding, WordsComeInAnyOrderByParticle) {
  Push({"Cに", "Aの", "Bを"});
  kobu::BindArguments(base, node);
  EXPECT_EQ(Stack(), "A|B|C");
  EXPECT_FALSE(base.ImplicitSore);
}

TEST_F(Binding, AcceptedFormsAndTheNewerWordForTheLaterSlot) {
  // を also fills の; of two を words the newer binds the later slot.
  Push({"Aを", "Bを", "Cへ"});
  kobu::BindArguments(base, node);
  EXPECT_EQ(Stack(), "A|B|C");
}

TEST_F(Binding, OneMissingArgumentIsSore) {
  Push({"Bを", "Cに"});
  kobu::BindArguments(base, node);
  EXPECT_EQ(Stack(), "それ|B|C");
  EXPECT_TRUE(base.ImplicitSore);
}

TEST_F(Binding, MissingParticleNamesTheParticle) {
  Push({"Aの", "Bを", "Cで"});
  try {
    kobu::BindArguments(base, node);
    FAIL() << "binding should fail";
  } catch (const kobu::EKobu& e) {
    std::string msg = kobu::Cp932ToUtf8(e.Message());
    EXPECT_NE(msg.find("\"置換\"命令の引数に誤りがあります。\"?の,?を,?に\"の形式で指定してください。\"に\""),
              std::string::npos)
        << msg;
  }
}

TEST_F(Binding, TooFewWords) {
  Push({"Cに"});
  try {
    kobu::BindArguments(base, node);
    FAIL() << "binding should fail";
  } catch (const kobu::EKobu& e) {
    std::string msg = kobu::Cp932ToUtf8(e.Message());
    EXPECT_NE(msg.find("の形式で指定してください。引数が少ないです。"), std::string::npos) << msg;
  }
}

TEST_F(Binding, PositionalModeTakesWordsInOrder) {
  base.PositionalMode = true;
  Push({"A", "Bを", "C"});
  kobu::BindArguments(base, node);
  EXPECT_EQ(Stack(), "A|B|C");
}

}  // namespace
