#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "core/kbhash.h"
#include "platform/cp932.h"

using namespace kobu;

namespace {

std::vector<std::string> Names(const THash& h) {
  std::vector<std::string> out;
  for (THashNode* n : h.Enumerate()) out.push_back(n->Name);
  return out;
}

std::unique_ptr<THashNode> Var(const std::string& name, const std::string& value) {
  return std::make_unique<THashNode>(name, value, 0, false);
}

}  // namespace

TEST(StripOkurigana, Cases) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"繰り返す", "繰返"}, {"置き換える", "置換"}, {"言う", "言"},       {"おわり", "おわり"},
      {"表示して", "表示"}, {"あ", "あ"},           {"取り込む", "取込"}, {"A言うB", "A言B"},
      // The small あ is no hiragana for the table, so it stays and counts as a stem.
      {"言ぁ", "言ぁ"},     {"ぁい", "ぁ"},         {"", ""},             {"abc", "abc"},
      // Katakana and trail bytes such as 0x5C are stems, never okurigana.
      {"ソうル", "ソル"},
      // Dropping a run clears the stem; a single byte does not set it again.
      {"言うAあ", "言Aあ"},
  };
  for (const auto& c : cases) EXPECT_EQ(StripOkurigana(sj(c.in)), sj(c.out)) << c.in;
}

TEST(THash, EnumerationFollowsBucketsThenInsertion) {
  THash h;
  // "ba" and "ab" share a bucket (same byte sum); "c" and "a" sort by sum.
  EXPECT_EQ(h.Add(Var("c", "")), 1);
  EXPECT_EQ(h.Add(Var("ba", "")), 2);
  EXPECT_EQ(h.Add(Var("a", "")), 3);
  EXPECT_EQ(h.Add(Var("ab", "")), 4);
  EXPECT_EQ(Names(h), (std::vector<std::string>{"a", "c", "ba", "ab"}));
  EXPECT_EQ(h.NameList(), "a\r\nc\r\nba\r\nab");
}

TEST(THash, ReplacingKeepsPlaceAndCount) {
  THash h;
  h.Add(Var("ba", "1"));
  h.Add(Var("ab", "2"));
  h.Add(Var("ca", "3"));
  EXPECT_EQ(h.Add(Var("ba", "new")), 3);
  EXPECT_EQ(h.Count(), 3);
  EXPECT_EQ(Names(h), (std::vector<std::string>{"ba", "ab", "ca"}));
  EXPECT_EQ(h.ValueOf("ba", false), "new");
  EXPECT_EQ(h.NameValueList(), "ba=new\r\nab=2\r\nca=3");
}

TEST(THash, ReservedWordRefusesReplacement) {
  THash h;
  THashNode* kaisu = h.AddVariable(sj("回数"), "0", "", true);
  ASSERT_NE(kaisu, nullptr);
  try {
    h.Add(Var(sj("回数"), "5"));
    FAIL() << "no exception";
  } catch (const EWordReserved& e) {
    EXPECT_EQ(e.Name, sj("回数"));
    EXPECT_STREQ(e.what(), sj("\"回数\"は予約語なので、登録できません。").c_str());
  }
  EXPECT_EQ(h.Count(), 1);
  EXPECT_EQ(h.Find(sj("回数"), false), kaisu);
  EXPECT_EQ(kaisu->Value, "0");
  EXPECT_THROW(h.AddCommand(sj("回数"), "", 9), EWordReserved);
  EXPECT_EQ(h.Add(nullptr), -1);
}

TEST(THash, RegistrationHelpers) {
  THash h;
  THashNode* cmd = h.AddCommand(sj("繰り返す"), "?を", 42);
  ASSERT_NE(cmd, nullptr);
  EXPECT_EQ(cmd->Name, sj("繰返"));
  EXPECT_EQ(cmd->Pattern, "?を");
  EXPECT_EQ(cmd->Kind, wkCommand);
  EXPECT_EQ(cmd->Number, 42);
  EXPECT_TRUE(cmd->Reserved);
  EXPECT_EQ(h.Find(sj("繰返"), false), cmd);

  THashNode* v = h.AddVariable(sj("改行"), "\r\n", "desc", false);
  EXPECT_EQ(v->Kind, wkVariable);
  EXPECT_EQ(v->Number, -1);
  EXPECT_EQ(v->Value, "\r\n");
  EXPECT_EQ(v->TypeMark, "desc");
  EXPECT_FALSE(v->Reserved);
  EXPECT_TRUE(v->Pattern.empty());
  // A non-reserved variable may be registered again; the helper answers the new node.
  THashNode* v2 = h.AddVariable(sj("改行"), "x", "", false);
  EXPECT_EQ(h.Find(sj("改行"), false), v2);
  EXPECT_EQ(h.Count(), 2);
}

TEST(THash, FindWithAndWithoutStrip) {
  THash h;
  THashNode* cmd = h.AddCommand(sj("繰り返す"), "", 1);
  THashNode* say = h.AddCommand(sj("言う"), "?と", 12);
  h.Add(Var(sj("言い"), "v"));
  THashNode* ii = h.Find(sj("言い"), false);
  ASSERT_NE(ii, nullptr);

  EXPECT_EQ(h.Find(sj("繰り返して"), true), cmd);
  EXPECT_EQ(h.Find(sj("繰返す"), true), cmd);
  EXPECT_EQ(h.Find(sj("繰り返して"), false), nullptr);
  // The command shadows the variable for stripped look-ups only.
  EXPECT_EQ(h.Find(sj("言い"), true), say);
  EXPECT_EQ(h.ValueOf(sj("言い"), false), "v");
  EXPECT_EQ(h.ValueOf(sj("言い"), true), "");
  // Falls back to the exact name when the stripped one finds nothing.
  h.Add(Var(sj("見たい"), "2"));
  EXPECT_EQ(h.ValueOf(sj("見たい"), true), "2");
  EXPECT_EQ(h.Find("ABC", true), nullptr);
  EXPECT_EQ(h.Find("abc", false), nullptr);  // exact bytes: no case folding

  h.Add(Var("", "empty"));
  EXPECT_EQ(h.Find("", false), nullptr);
  EXPECT_EQ(h.Find("", true), nullptr);
}

TEST(THash, DeleteAndClear) {
  THash h;
  h.AddCommand(sj("言う"), "", 12);  // stored as 言
  h.Add(Var(sj("言う"), "v"));
  h.Add(Var("x", "1"));
  EXPECT_EQ(h.Count(), 3);
  EXPECT_EQ(h.Delete(sj("言う"), true), 1);  // both forms go
  EXPECT_EQ(h.Find(sj("言"), false), nullptr);
  EXPECT_EQ(h.Find(sj("言う"), false), nullptr);
  EXPECT_EQ(h.Delete(sj("言う"), true), -1);
  EXPECT_EQ(h.Delete("y", false), -1);

  h.Add(Var(sj("置換"), ""));
  h.Add(Var(sj("置き換え"), ""));
  EXPECT_EQ(h.Delete(sj("置き換え"), false), 2);  // exact only
  EXPECT_NE(h.Find(sj("置換"), false), nullptr);

  h.Clear();
  EXPECT_EQ(h.Count(), 0);
  EXPECT_TRUE(h.Enumerate().empty());
  EXPECT_EQ(h.NameList(), "");
  EXPECT_EQ(h.Add(Var("x", "")), 1);
}

TEST(THash, LoadFromText) {
  THash h;
  h.LoadFromText("a=1\r\nb=x=y\nc\r d = v \r\n\r\na=2\n");
  EXPECT_EQ(h.Count(), 4);
  EXPECT_EQ(h.ValueOf("a", false), "2");
  EXPECT_EQ(h.ValueOf("b", false), "x=y");
  THashNode* c = h.Find("c", false);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->Value, "");
  EXPECT_EQ(c->Kind, wkVariable);
  EXPECT_EQ(c->Number, 0);
  EXPECT_FALSE(c->Reserved);
  EXPECT_EQ(h.ValueOf("d", false), " v ");  // only the name is trimmed

  // Japanese keys and values, a trail byte 0x5C in the key.
  THash j;
  j.LoadFromText(sj("ソフト=表示\r\n名前=値"));
  EXPECT_EQ(j.ValueOf(sj("ソフト"), false), sj("表示"));
  EXPECT_EQ(j.ValueOf(sj("名前"), false), sj("値"));

  // The dictionary text reads back into the same table.
  THash k;
  k.LoadFromText(h.NameValueList());
  EXPECT_EQ(k.NameValueList(), h.NameValueList());
}

TEST(THashNode, CopyFromSharesDictionaryAndKeepsName) {
  auto dict = std::make_shared<THash>();
  dict->Add(Var("k", "v"));
  THashNode a(sj("辞書"), "pat", "hs", "hs", wkDictionary, 3, "pos", true);
  a.Dict = dict;
  THashNode b(sj("写し"), "", 0, false);
  b.CopyFrom(a);
  EXPECT_EQ(b.Name, sj("写し"));
  EXPECT_EQ(b.Pattern, "pat");
  EXPECT_EQ(b.Value, "hs");
  EXPECT_EQ(b.TypeMark, "hs");
  EXPECT_EQ(b.Kind, wkDictionary);
  EXPECT_EQ(b.Number, 3);
  EXPECT_EQ(b.Data, a.Data);
  EXPECT_TRUE(b.Reserved);
  EXPECT_EQ(b.Dict.get(), dict.get());
}

TEST(THash, ReleasingDictionaryWordReleasesEntries) {
  THash h;
  std::weak_ptr<THash> watch;
  {
    auto node = std::make_unique<THashNode>("d", "", "", "hs", wkDictionary, 0, nullptr, false);
    node->Dict = std::make_shared<THash>();
    node->Dict->Add(Var("k", "v"));
    watch = node->Dict;
    h.Add(std::move(node));
  }
  EXPECT_FALSE(watch.expired());
  h.Delete("d", false);
  EXPECT_TRUE(watch.expired());
}

// The look-up index beside the buckets must follow every change, while the
// listing order stays the bucket order.
TEST(THash, IndexFollowsAddReplaceDeleteAndClear) {
  THash h;
  const int n = 20000;
  std::vector<std::pair<unsigned, int>> expected;  // (bucket, insertion number)
  for (int i = 0; i < n; ++i) {
    std::string name = "k" + std::to_string(i);
    h.Add(Var(name, std::to_string(i)));
    expected.emplace_back(HashOfName(name), i);
  }
  ASSERT_EQ(h.Count(), n);
  for (int i = 0; i < n; ++i) ASSERT_EQ(h.ValueOf("k" + std::to_string(i), false), std::to_string(i));
  std::stable_sort(expected.begin(), expected.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> order;
  for (const auto& e : expected) order.push_back("k" + std::to_string(e.second));
  EXPECT_EQ(Names(h), order);

  // A replacement is what look-ups find afterwards.
  auto fresh = Var("k7", "new");
  THashNode* replacement = fresh.get();
  h.Add(std::move(fresh));
  EXPECT_EQ(h.Find("k7", false), replacement);
  EXPECT_EQ(Names(h), order);

  for (int i = 0; i < n; i += 2) ASSERT_GE(h.Delete("k" + std::to_string(i), false), 0);
  EXPECT_EQ(h.Count(), n / 2);
  EXPECT_EQ(h.Find("k0", false), nullptr);
  EXPECT_EQ(h.ValueOf("k7", false), "new");
  EXPECT_EQ(h.Enumerate().size(), static_cast<size_t>(n / 2));

  h.Clear();
  EXPECT_EQ(h.Find("k7", false), nullptr);
  h.Add(Var("k7", "again"));
  EXPECT_EQ(h.ValueOf("k7", false), "again");
  EXPECT_EQ(h.Count(), 1);
}

TEST(THash, RenameKeepsTheNode) {
  THash h;
  h.Add(Var("ab", "1"));
  h.Add(Var("x", "2"));
  h.Add(Var("ba", "3"));
  THashNode* x = h.Find("x", false);
  // Into a bucket that already holds a word: it goes to the end.
  EXPECT_EQ(h.Rename(x, "c`"), nullptr);  // same byte sum as "ab"
  EXPECT_EQ(h.Find("x", false), nullptr);
  EXPECT_EQ(h.Find("c`", false), x);
  EXPECT_EQ(Names(h), (std::vector<std::string>{"ab", "ba", "c`"}));
  EXPECT_EQ(h.Count(), 3);

  // Onto a non-reserved word: it takes that word's place, which is handed back.
  std::unique_ptr<THashNode> old = h.Rename(x, "ab");
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(old->Value, "1");
  EXPECT_EQ(h.Find("ab", false), x);
  EXPECT_EQ(h.Find("c`", false), nullptr);
  EXPECT_EQ(Names(h), (std::vector<std::string>{"ab", "ba"}));
  EXPECT_EQ(h.Count(), 2);

  // Onto a reserved word: refused, and nothing moved.
  h.AddVariable("r", "", "", true);
  EXPECT_THROW(h.Rename(x, "r"), EWordReserved);
  EXPECT_EQ(h.Find("ab", false), x);
  EXPECT_EQ(h.Count(), 3);
  THashNode stranger("s", "", 0, false);
  EXPECT_THROW(h.Rename(&stranger, "t"), std::invalid_argument);
}
