// The lenient XML/HTML document: reading, writing with tabs and CR LF,
// paths, names lower-cased by whole characters, and trees too deep for any
// recursive walk.
#include <gtest/gtest.h>

#include "commands/xml_document.h"
#include "platform/cp932.h"

using namespace kobu;

namespace {

const std::string kA = "\x83\x41";  // ア: its trail byte is the letter 'A'

std::string Rewritten(const std::string& text) {
  TMXmlDocument doc;
  doc.LoadXml(text);
  doc.Rewrite = true;
  return doc.Text();
}

std::string ReadError(const std::string& text) {
  try {
    TMXmlDocument doc;
    doc.LoadXml(text);
  } catch (const EXml& e) {
    return e.what();
  }
  return "<none>";
}

}  // namespace

TEST(XmlWrite, TabsAndLineEnds) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"<a><b>x</b><c/></a>", "<a>\r\n\t<b>x</b>\r\n\t<c/>\r\n</a>\r\n\r\n"},
      {"<a><b><c>x</c></b></a>", "<a>\r\n\t<b>\r\n\t\t<c>x</c>\r\n\t</b>\r\n</a>\r\n\r\n"},
      {"<P>text<BR>more</P>", "<p>\r\n\ttext\r\n\t<br/>\r\n\tmore\r\n</p>\r\n\r\n"},
      {"<x a=\"1\" b=2/>", "<x a=\"1\" b=\"2\"/>\r\n\r\n"},
      {"<?xml version=\"1.0\"?><A><B>x</B></A>",
       "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<A>\r\n\t<B>x</B>\r\n</A>\r\n\r\n"},
      {"<a>x</a><b/>", "<a>x</a>\r\n<b/>\r\n\r\n"},
      {"<a>  spaced  text \r\n</a>", "<a>spaced  text</a>\r\n"},
      {"<!-- a > b --><a/>", "<a/>\r\n\r\n"},  // a comment may hold ">"
      {"<!DOCTYPE html><html><head><meta charset=x></head></html>",
       "<html>\r\n\t<head>\r\n\t\t<meta charset=\"x\"/>\r\n\t</head>\r\n</html>\r\n\r\n"},
      {"<a>1 < 2</a>", "<a>\r\n\t1\r\n\t< 2\r\n</a>\r\n\r\n"},  // a "<" before a blank is text
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(Rewritten(c.in), c.out);
  }
}

TEST(XmlRead, ModesAndEndTags) {
  TMXmlDocument doc;
  doc.LoadXml("<?xml version=\"1.1\"?><A><B>x</B></A>");
  EXPECT_FALSE(doc.HtmlMode);
  EXPECT_EQ(doc.Version, "1.1");
  EXPECT_EQ(doc.Encoding, "Shift_JIS");  // no encoding: our own text
  ASSERT_EQ(doc.Root().ChildCount(), 1u);
  EXPECT_EQ(doc.Root().Child(0)->Name, "A");  // kept as written in XML mode
  EXPECT_EQ(doc.Root().Child(0)->ChildCount(), 1u);  // </B> closed B although case differs

  doc.LoadXml("<a><b>x</c>y</b></a>");  // a foreign end tag is ignored
  EXPECT_EQ(doc.FindFirst("a\\b")->Text(), "xy");
}

TEST(XmlRead, NamesAreLowerCasedByWholeCharacters) {
  TMXmlDocument doc;
  doc.LoadXml("<" + kA + "B>x</" + kA + "b>");
  ASSERT_EQ(doc.Root().ChildCount(), 1u);
  EXPECT_EQ(doc.Root().Child(0)->Name, kA + "b");  // the trail byte 'A' stays
  EXPECT_EQ(XmlLowerName(kA + "XY"), kA + "xy");
  EXPECT_NE(doc.FindFirst(kA + "B"), nullptr);
  EXPECT_EQ(doc.FindFirst("\x83\x61" "b"), nullptr);  // ャ is another name
}

TEST(XmlRead, Errors) {
  EXPECT_EQ(ReadError("<?xml version=\"1.0\" encoding=\"EUC-JP\"?><a/>"), sj("Shift_JIS以外の文字は処理できません。"));
  EXPECT_EQ(ReadError("<input disabled>"), sj("アトリビュートの読み込みで,不正な文字列\"disabled\"があります。"));
  EXPECT_EQ(ReadError("<a href=\"x>"), sj("アトリビュート \"href\"の値が\"で終わっていません。"));
  EXPECT_EQ(ReadError("<a></a></b>"), sj("タグが対応していません。</b>"));
  EXPECT_EQ(ReadError("<a"), "<none>");  // a tag cut off by the end is taken as it is
}

TEST(XmlPaths, FindCreateAndLeaves) {
  TMXmlDocument doc;
  doc.LoadXml("<r><a><b>1</b></a><a><b>2</b><b>3</b></a></r>");
  std::vector<std::string> texts;
  for (TMXmlNode* n : doc.FindAll("r\\a\\b")) texts.push_back(n->Text());
  EXPECT_EQ(texts, (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(doc.FindFirst("R\\A\\B")->Text(), "1");
  EXPECT_EQ(doc.FindFirst("r\\x"), nullptr);
  TMXmlNode* made = doc.Create("r\\x\\y");
  EXPECT_EQ(made->Name, "y");
  EXPECT_EQ(doc.FindFirst("r\\x\\y"), made);
  EXPECT_EQ(doc.LeafPaths(), "r\\a\\b\\\r\nr\\a\\b\\\r\nr\\a\\b\\\r\nr\\x\\y\r\n");
}

TEST(XmlDocument, DeepNestingNeedsNoStack) {
  // Unclosed elements nest: a page of 200 000 of them is read, walked and
  // released without recursion; writing it would take 40 GB of tabs and is
  // refused with a clear error.
  const size_t depth = 200000;
  std::string text;
  for (size_t i = 0; i < depth; ++i) text += "<d>";
  text += "x";
  TMXmlDocument doc;
  doc.LoadXml(text);
  EXPECT_EQ(doc.LeafPaths().size(), depth * 2 + 2);  // "d\" repeated, then "\" and CR LF
  const TMXmlNode* deepest = &doc.Root();
  while (deepest->ChildCount()) deepest = deepest->Child(0);
  EXPECT_EQ(deepest->Value, "x");
  doc.Rewrite = true;
  EXPECT_THROW(doc.Text(), EXml);

  // A few thousand levels are written, one tab per level.
  text = std::string(3000 * 3, ' ');
  for (size_t i = 0; i < 3000; ++i) text.replace(i * 3, 3, "<d>");
  doc.LoadXml(text + "x");
  doc.Rewrite = true;
  std::string out = doc.Text();
  EXPECT_EQ(out.substr(0, 9), "<d>\r\n\t<d>");
  EXPECT_NE(out.find(std::string(2999, '\t') + "<d>x</d>\r\n"), std::string::npos);
  EXPECT_EQ(TMXmlDocument::WriteNode(*doc.Root().Child(0)).size(), out.size() - 2);
}

TEST(XmlDocument, OutlineReader) {
  TMXmlDocument doc;
  doc.LoadOutline("# comment\r\n+a, 1\r\n\tb,2\r\n\t\tc\r\n\td, 4\r\ne\r\n");
  EXPECT_EQ(doc.Root().Name, "XmlDocument");
  EXPECT_EQ(doc.LeafPaths(), "a\\b\\c\r\na\\d\r\ne\r\n");
  EXPECT_EQ(doc.FindFirst("a")->Value, "1");
  EXPECT_EQ(doc.FindFirst("a\\d")->Value, "4");
}
