// Japanese text: the width, case and kana tables, the encoding detector and
// converters, Base64, mail headers and the format commands.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "commands/args.h"
#include "commands/encodings.h"
#include "commands/japanese_tables.h"
#include "commands/registry.h"
#include "tests/unit/command_runner.h"
#include "core/errors.h"
#include "core/kbhash.h"
#include "core/kobubase.h"
#include "core/statement.h"
#include "platform/cp932.h"

using namespace kobu;

namespace {

const std::string kEsc2 = "\x1B$B", kEsc1 = "\x1B(J";
const std::string kGetaSjis = "\x81\xAC", kGetaJis = "\x22\x2E", kGetaEuc = "\xA2\xAE";

}  // namespace

TEST(WidthTables, HalfAndFull) {
  const struct {
    const char *in, *out;
  } half[] = {
      {"ＡＢＣ１２３カナ", "ABC123ｶﾅ"},
      {"ガパヴ゛ー「」。", "ｶﾞﾊﾟｳﾞﾞｰ｢｣｡"},
      {"　＂＇ ”’￥＼～", " \"' \"'\\\\~"},
      {"ヵヶヮ漢ひら①", "ヵヶヮ漢ひら①"},  // no half-width form
  };
  for (const auto& c : half) EXPECT_EQ(ToHalfWidth(sj(c.in)), sj(c.out)) << c.in;
  const struct {
    const char *in, *out;
  } full[] = {
      {"abc 1\"'~", "ａｂｃ　１”’～"},
      {"ｶﾞﾊﾟﾊﾞｳﾞｱﾞﾞ", "ガパバヴア゛゛"},  // a mark joins only where the pair exists
      {"ﾜﾞ漢", "ワ゛漢"},
  };
  for (const auto& c : full) EXPECT_EQ(ToFullWidth(sj(c.in)), sj(c.out)) << c.in;
  EXPECT_EQ(ToFullWidth("\\"), "\x81\x5F");  // ＼
  EXPECT_EQ(ToFullWidth("\xB6"), sj("カ"));   // a kana at the very end
  EXPECT_EQ(ToHalfWidth("\x83"), "\x83");     // a lone lead byte is kept, not read past
}

// Only the characters of the alphanumeric table change, each to one byte.
TEST(WidthTables, AlnumOnly) {
  const struct {
    const char *in, *out;
  } cases[] = {
      {"ＡＢＣ１２３カナ", "ABC123カナ"}, {"＋＊？：", "＋＊？："}, {"　ａ＠’‘”", " a@'`\""},
      {"ｶﾅ", "ｶﾅ"},
  };
  for (const auto& c : cases) EXPECT_EQ(AlnumToHalfWidth(sj(c.in)), sj(c.out)) << c.in;
  EXPECT_EQ(AlnumToHalfWidth(sj("￥")), "\\");
  EXPECT_EQ(AlnumToHalfWidth("\x81\x5F"), "\x81\x5F");  // ＼ is not in the table
}

TEST(CaseAndKanaTables, Cases) {
  EXPECT_EQ(ToUpperCase(sj("abcａｚαωаояⅰ")), sj("ABCＡＺΑΩАОЯⅠ"));
  EXPECT_EQ(ToLowerCase(sj("XYＡＺΑΩАОЯ")), sj("xyａｚαωаоя"));
  // A trail byte that looks like a letter is no letter: ア is 0x83 0x41.
  EXPECT_EQ(ToLowerCase(sj("ア")), sj("ア"));
  EXPECT_EQ(ToUpperCase(sj("ぁ")), sj("ぁ"));  // 0x82 0x9F
  // ミ (0x837E) and ム (0x8380) sit on both sides of the unused 0x837F.
  EXPECT_EQ(ToHiragana(sj("ァミムンヽヾヴヵｱ")), sj("ぁみむんゝゞヴヵｱ"));
  EXPECT_EQ(ToKatakana(sj("ぁみむんゝゞa")), sj("ァミムンヽヾa"));
}

TEST(Encodings, Detect) {
  const struct {
    std::string text;
    TEncoding code;
  } cases[] = {
      {"", encAscii},
      {"plain text\r\n", encAscii},
      {"\x82\xA0", encSjis},
      {"\xA4\xA2", encEucOrSjis},
      {"a" + kEsc2 + "$\"" + kEsc1, encJis},
      {"\x1B$@$\"", encJisOld},
      {"ab\x01" "cd", encBinary},
      {"abc\xFF", encAscii},  // the last byte is never examined
      {"\xF0\xA1", encEuc},
      {"\xE0\xFD", encEuc},
      {"\xE0\x40", encSjis},
      {"\x8E\xB1", encEucOrSjis},
      {"\x8E\x40", encSjis},
      {"\xB1\xF0", encEuc},
      {"\xB1" "a", encSjis},
      {"\xB1\xE0\xA1\x81x", encSjis},  // decided by the bytes after the pair
      {"\xB1\xE0\xA1\xFDx", encEuc},
      {"\xB1\xE0\xA1", encEucOrSjis},
      {"\xE3\x81\x82", encUtf8},            // あ in UTF-8
      {"x\xC3\xA9\xF0\x9F\x98\x80", encUtf8},  // two- and four-byte sequences
      {"\xE3\x81\x82\x82\xA0", encSjis},    // not UTF-8 throughout: the old answer
  };
  for (const auto& c : cases) EXPECT_EQ(DetectEncoding(c.text), c.code) << c.text;
  EXPECT_EQ(EncodingOfName("euc"), encEuc);
  EXPECT_EQ(EncodingOfName("Jis"), encJis);
  EXPECT_EQ(EncodingOfName("utf-8"), encUtf8);
  EXPECT_EQ(EncodingOfName("UTF8"), encUtf8);
  EXPECT_EQ(EncodingOfName("utf-16"), encSjis);
}

TEST(Encodings, SjisToJisRuns) {
  EXPECT_EQ(SjisToJis(sj("あa")), kEsc2 + "$\"" + kEsc1 + "a");
  EXPECT_EQ(SjisToJis(sj("あ")), kEsc2 + "$\"" + kEsc1);
  EXPECT_EQ(SjisToJis(sj("あ\r\nい")), kEsc2 + "$\"" + kEsc1 + "\r\n" + kEsc2 + "$$" + kEsc1);
  // Half-width katakana are widened with their marks.
  EXPECT_EQ(SjisToJis("\xB6\xDE\xB1"), kEsc2 + "%,%\"" + kEsc1);
  EXPECT_EQ(SjisToJis("ab"), "ab");
}

// What the target cannot hold becomes 〓, and no converter reads past the
// end of its text.
TEST(Encodings, IncompleteAndForeignCharacters) {
  const struct {
    std::string (*convert)(std::string_view);
    std::string in, out;
  } cases[] = {
      {SjisToJis, "a\x82", "a" + kEsc2 + kGetaJis + kEsc1},
      {SjisToJis, "\xF0\x40", kEsc2 + kGetaJis + kEsc1},  // user-defined area
      {SjisToEuc, "\x82", kGetaEuc},
      {SjisToEuc, "\x82\x0A", kGetaEuc + "\n"},  // a line end is no trail byte
      {SjisToEuc, "\xF9\xFC", kGetaEuc},
      {EucToSjis, "\x8F\xB0\xA1z", kGetaSjis + "z"},  // JIS X 0212
      {EucToSjis, "\xA4", kGetaSjis},
      {EucToSjis, "\x8E", kGetaSjis},
      {EucToSjis, "\x8E\xB1\xFF", "\xB1\xFF"},
      {EucToJis, "\xA4\xA2\x8E", kEsc2 + "$\"" + kGetaJis + kEsc1},
      {EucToJis, "\x8E\xB6\x8E\xDE", kEsc2 + "%," + kEsc1},
      {JisToSjis, kEsc2 + "$\"$", sj("あ") + kGetaSjis},
      {JisToSjis, "\x1B$", ""},
      {JisToSjis, kEsc2 + "$\"\r\n$$" + kEsc1 + "x", sj("あ") + "\r\n" + sj("い") + "x"},
      {JisToEuc, kEsc2 + "$\"" + kEsc1 + "$\"", "\xA4\xA2$\""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.convert(c.in), c.out) << c.in;
}

// Random texts of whole characters survive every round trip; random bytes
// are read without running past the end (the sanitizer build checks that)
// and give output of linear size.
TEST(Encodings, RandomTexts) {
  std::mt19937 rnd(932);
  for (int round = 0; round < 200; ++round) {
    std::string sjis, bytes;
    for (int k = 0; k < 60; ++k) {
      unsigned pick = rnd() % 4;
      if (pick == 0) {
        sjis += static_cast<char>(0x20 + rnd() % 0x5F);
      } else {
        unsigned lead = 0x81 + rnd() % 47;  // 0x81..0x9F, then 0xE0..0xEF
        if (lead > 0x9F) lead += 0x40;
        unsigned trail = 0x40 + rnd() % 188;
        if (trail >= 0x7F) ++trail;
        sjis += static_cast<char>(lead);
        sjis += static_cast<char>(trail);
      }
      bytes += static_cast<char>(rnd());
    }
    ASSERT_EQ(EucToSjis(SjisToEuc(sjis)), sjis);
    ASSERT_EQ(JisToSjis(SjisToJis(sjis)), sjis);
    ASSERT_EQ(JisToEuc(EucToJis(SjisToEuc(sjis))), SjisToEuc(sjis));
    std::string kana = sjis + "\xB1\xDE";
    ASSERT_EQ(EucToSjis(SjisToEuc(kana)), kana);
    for (auto convert : {SjisToJis, SjisToEuc, EucToJis, EucToSjis, JisToEuc, JisToSjis, MailHeaderDecode}) {
      std::string out = convert(bytes);
      EXPECT_LE(out.size(), bytes.size() * 5 + 8);
    }
    DetectEncoding(bytes);
    std::string rest;
    TakeMailboxMessage(bytes, rest);
  }
}

TEST(Encodings, ConvertChoosesByCodes) {
  const std::string a = sj("あ"), euc = "\xA4\xA2";
  EXPECT_EQ(ConvertEncoding(a, encEuc, encSjis), euc);
  EXPECT_EQ(ConvertEncoding(euc, encSjis, encEuc), a);
  EXPECT_EQ(ConvertEncoding(euc, encSjis, encEucOrSjis), euc);  // undecided: unchanged
  EXPECT_EQ(ConvertEncoding(a, encSjis, encSjis), a);
  EXPECT_EQ(ConvertEncoding("\x1B$@$\"", encJis, encJisOld), "\x1B$@$\"");
  EXPECT_EQ(ConvertEncoding("\x1B$@$\"", encSjis, encJisOld), a);
  EXPECT_EQ(ConvertEncoding(a, encBinary, encSjis), a);
}

TEST(Base64, EncodeAndDecode) {
  const struct {
    std::string plain;
    const char* coded;
  } cases[] = {{"", ""}, {"a", "YQ=="}, {"ab", "YWI="}, {"abc", "YWJj"}, {std::string("\xFF\xFE\0", 3), "//4A"}};
  for (const auto& c : cases) {
    EXPECT_EQ(Base64Encode(c.plain), c.coded);
    EXPECT_EQ(Base64Decode(c.coded), c.plain) << c.coded;
  }
  EXPECT_EQ(Base64Decode("YWJj\r\nYWI=\r\n"), "abcab");
  for (const char* bad : {"YWJ", "YW=j", "Y===", "YW*j", "YWJjY"}) EXPECT_FALSE(Base64Decode(bad)) << bad;
}

namespace {

// One encoded word as the encoder writes it.
std::string Word(const char* utf8) { return "=?ISO-2022-JP?B?" + Base64Encode(SjisToJis(sj(utf8))) + "?="; }

}  // namespace

TEST(MailHeader, Encode) {
  const struct {
    std::string in, out;
  } cases[] = {
      // Blanks between Japanese runs go inside one word: readers drop the
      // white space between adjacent words.
      {sj("件名 テスト"), "=?ISO-2022-JP?B?GyRCN29MPhsoSiAbJEIlRiU5JUgbKEo=?="},
      {sj("送信 \t太郎 様"), Word("送信 \t太郎 様")},
      // At a border to ASCII text the blanks stay outside.
      {sj("Re: 【重要】 お知らせ"), "Re: " + Word("【重要】 お知らせ")},
      {sj(" 会議 12/15 (月) 延期 "), " " + Word("会議") + " 12/15 (" + Word("月") + ") " + Word("延期") + " "},
      {"Re: abc", "Re: abc"},
      // Half-width katakana never go out as raw 8-bit bytes.
      {"a\xB6\xDE \xB1", "a=?ISO-2022-JP?B?" + Base64Encode(kEsc2 + "%," + kEsc1 + " " + kEsc2 + "%\"" + kEsc1) + "?="},
      {"=?ISO-2022-JP?B?x", "=?ISO-2022-JP?B?x?="},
  };
  for (const auto& c : cases) EXPECT_EQ(MailHeaderEncode(c.in), c.out) << c.in;
}

TEST(MailHeader, Decode) {
  const std::string w1 = Word("送信"), w2 = Word("太郎"), bad = "=?ISO-2022-JP?B?***?=";
  const struct {
    std::string in, out;
  } cases[] = {
      {MailHeaderEncode(sj("件名 テスト")), sj("件名 テスト")},
      // Linear white space between adjacent words goes, folds included.
      {w1 + " \t" + w2, sj("送信太郎")},
      {w1 + "\r\n " + w2 + "\n\t" + w1, sj("送信太郎送信")},
      // Text outside words stays; a fold there loses its line end only,
      // and a line end without a blank after it is no fold.
      {"Re: =?iso-2022-jp?b?" + Base64Encode(SjisToJis(sj("漢字"))) + "?= ok", sj("Re: 漢字 ok")},
      {w1 + " x " + w2, sj("送信 x 太郎")},
      {"Re: [ml:12]\r\n " + w1, sj("Re: [ml:12] 送信")},
      {sj("表題\r\n ソフト"), sj("表題 ソフト")},  // raw Shift-JIS, trail bytes '\\'
      {"a\r\n\tb\r\nc " + w1 + "\r\n" + w2, sj("a\tb\r\nc 送信\r\n太郎")},
      // A word that is no Base64 is kept as written, with its blanks.
      {bad, bad},
      {w1 + " " + bad + " " + w2, sj("送信 ") + bad + sj(" 太郎")},
      // A word of plain ASCII reads as its text, not cut at an escape.
      {"=?ISO-2022-JP?B?" + Base64Encode("plain ascii") + "?= tail", "plain ascii tail"},
      // Cut at the first control byte.
      {"abc\x01" "def", "abc"},
      // Half-width katakana of a raw header survive.
      {"\xB6\xC5 kana", "\xB6\xC5 kana"},
  };
  for (const auto& c : cases) EXPECT_EQ(MailHeaderDecode(c.in), c.out) << c.in;
}

TEST(Mailbox, TakesOneMessage) {
  std::string rest;
  EXPECT_EQ(TakeMailboxMessage("From: a\r\n\r\nbody\r\n.\r\nnext\r\n.\r\n", rest), "From: a\r\n\r\nbody\r\n.\r\n");
  EXPECT_EQ(rest, "next\r\n.\r\n");
  EXPECT_EQ(TakeMailboxMessage("x\r\n..\r\ny", rest), "x\r\n..\r\ny\r\n");
  EXPECT_EQ(rest, "");
  EXPECT_EQ(TakeMailboxMessage(".", rest), ".\r\n");
}

namespace {

class JapaneseCommands : public kobutest::TCommandFixture {};

TEST_F(JapaneseCommands, Format) {
  const struct {
    const char *value, *format, *out;
  } cases[] = {
      {"3.14159", "%.2f", "3.14"},
      {"7", "%.3d", "007"},
      {"-7.9", "[%5d]", "[   -7]"},
      {"255", "%x/%%/d", "FF/%/d"},
      {"1234567.891", "%.1n (f)", "1,234,567.9 (f)"},
      {"12345.678", "%e f", "1.23456780000000E+004 f"},
      {"1.5", "%-6.1f|", "1.5   |"},
      {"abc", "[%-5s]", "[abc  ]"},
      {"漢字かな", "%.5s", "漢字"},
      {"1", "no conversion", "no conversion"},
  };
  for (const auto& c : cases) EXPECT_EQ(On("指定形式に変換", {sj(c.value), sj(c.format)}), sj(c.out)) << c.format;
  EXPECT_EQ(base.Sore->TypeMark, "s");
}

// The format is ours to read: a conversion that does not fit the one value,
// a second conversion, or one printf knows but we do not, is a syntax error.
TEST_F(JapaneseCommands, FormatErrors) {
  const struct {
    const char *value, *format;
  } cases[] = {
      {"7", "%d from"}, {"7", "%s %s"}, {"7", "%d %d"}, {"x", "%n"}, {"x", "%p"}, {"1", "%*d"},
      {"1", "%5"},      {"1", "%.f"},   {"1", "%1:d"},  {"1", "%.999999f"}, {"1", "%ld"},
  };
  for (const auto& c : cases) {
    std::string message = ErrorOf("指定形式に変換", {c.value, c.format});
    EXPECT_TRUE(Mentions(message, "\"指定形式に変換\"は、文法が正しくないため、実行できません。")) << c.format;
  }
}

TEST_F(JapaneseCommands, CurrencyAndPadding) {
  const struct {
    const char *in, *out;
  } cases[] = {
      {"1234567", "1,234,567"}, {"1234.5", "1,234.50"}, {"-1234.567", "-1,234.57"}, {"0.125", "0.13"},
      {"2.5", "2.50"},          {"-0.001", "0.00"},
      {"999.995", "1,000.00"},  {"12", "12"},
  };
  for (const auto& c : cases) EXPECT_EQ(On("通貨形式に変換", {c.in}), c.out) << c.in;
  EXPECT_EQ(On("右寄せ", {"ab", "5"}), "   ab");
  EXPECT_EQ(On("ゼロで埋める", {"123", "2"}), "123");
  EXPECT_EQ(On("ゼロで埋める", {"7", "3"}), "007");
  EXPECT_EQ(On("右寄せ", {sj("漢"), "3"}), " " + sj("漢"));  // bytes, not characters
}

TEST_F(JapaneseCommands, CharacterClassesAndCodes) {
  const struct {
    const char *command, *text, *out;
  } cases[] = {
      {"大文字か", "ａ", "0"},     {"大文字か", "Ａbc", "1"}, {"大文字か", "", "0"},     {"数字か", "５", "1"},
      {"数字か", "a5", "0"},       {"全角か", "", "0"},       {"全角か", "漢", "1"},    {"全角か", "ｱ", "0"},
      {"ひらがなか", "ぁ", "0"},   {"ひらがなか", "あ", "1"}, {"ひらがなか", "ア", "0"}, {"カタカナか", "ヴ", "1"},
      {"カタカナか", "α", "0"},   {"キーコード", "あ", "33440"}, {"ASC", "A", "65"},
      {"文字", "33440", "あ"},     {"CHR", "65", "A"},        {"文字", "$41", "A"},
  };
  for (const auto& c : cases) EXPECT_EQ(On(c.command, {sj(c.text)}), sj(c.out)) << c.command << " " << c.text;
  EXPECT_TRUE(Mentions(ErrorOf("文字", {"-1"}), "\"文字\"命令の引数に誤りがあります。"));
  EXPECT_TRUE(Mentions(ErrorOf("CHR", {"1.5"}), "命令の引数に誤りがあります。"));
  EXPECT_TRUE(Mentions(ErrorOf("文字", {"65536"}), "範囲外"));
  EXPECT_TRUE(Mentions(ErrorOf("キーコード", {""}), "\"キーコード\"命令の引数に誤りがあります。"));
  EXPECT_TRUE(Mentions(ErrorOf("キーコード", {"\x82"}), "範囲外"));
}

TEST_F(JapaneseCommands, EncodingCommands) {
  base.Sore->Value = "kept";
  base.Sore->TypeMark = "e";
  Run("文字コードをEUCに変換", {""});
  EXPECT_EQ(base.Sore->Value, "kept");  // an empty text changes only the mark
  EXPECT_EQ(base.Sore->TypeMark, "s");
  EXPECT_EQ(On("文字コードをJISに変換", {sj("あa")}), kEsc2 + "$\"" + kEsc1 + "a");
  EXPECT_EQ(On("文字コードをSJISに変換", {kEsc2 + "$\"" + kEsc1}), sj("あ"));
  EXPECT_EQ(On("文字コード変換", {"\xA4\xA2", "euc", "sjis"}), sj("あ"));
  EXPECT_EQ(On("BASE64デコード", {"YWJ"}), "");
  EXPECT_EQ(On("送り仮名削除", {sj("書き込む")}), sj("書込"));
  EXPECT_EQ(On("送り仮名削除", {sj("読みa よみ")}), sj("読a よみ"));
  EXPECT_EQ(On("送り仮名削除", {sj("ひらがな")}), sj("ひらがな"));
}

TEST_F(JapaneseCommands, MailboxVariable) {
  base.Words.Add(std::make_unique<THashNode>("BOX", "a\r\n.\r\nb\r\n", 0, false));
  base.ArgumentStack = {"BOX"};
  base.PositionalMode = true;
  DispatchCommand(base, base.Words.Find(sj("MBXメッセージ取得"), true));
  base.PositionalMode = false;
  EXPECT_EQ(base.Sore->Value, "a\r\n.\r\n");
  EXPECT_EQ(base.Words.Find("BOX", false)->Value, "b\r\n");
  base.ArgumentStack = {"NOBOX"};
  base.PositionalMode = true;
  try {
    DispatchCommand(base, base.Words.Find(sj("MBXメッセージ取得"), true));
    ADD_FAILURE() << "no error for a missing variable";
  } catch (const EKobu& e) {
    EXPECT_TRUE(Mentions(e.Message(), "オブジェクト\"NOBOX\"が特定できません。"));
  }
}

}  // namespace
