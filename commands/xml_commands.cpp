#include "commands/xml_commands.h"

#include "commands/args.h"
#include "commands/xml_document.h"
#include "core/commandrow.h"
#include "core/errors.h"
#include "core/sjis.h"
#include "platform/cp932.h"

namespace kobu {

namespace {

void Load(TKobuBase& base, TMXmlDocument& doc, const std::string& text) {
  try {
    doc.LoadXml(text);
  } catch (const EXml& e) {
    ScriptErrorSj(base, e.what());
  }
}

// Writing can refuse a tree too deep to indent.
template <class F>
std::string Written(TKobuBase& base, F write) {
  try {
    return write();
  } catch (const EXml& e) {
    ScriptErrorSj(base, e.what());
  }
}

// Values are written as they are and read back as they are (references are
// not decoded), so a value that would change the markup is refused instead
// of silently breaking the document: "<" anywhere, and "&" that does not
// begin a reference such as "&amp;" or "&#38;".
bool BareAmpersandAt(std::string_view s, size_t i) {
  size_t j = i + 1;
  if (j < s.size() && s[j] == '#') {
    ++j;
    if (j < s.size() && (s[j] == 'x' || s[j] == 'X')) ++j;
  }
  size_t first = j;
  while (j < s.size() && ((s[j] >= '0' && s[j] <= '9') || (s[j] >= 'a' && s[j] <= 'z') ||
                          (s[j] >= 'A' && s[j] <= 'Z') || s[j] == '_' || s[j] == '-' || s[j] == '.'))
    ++j;
  return j == first || j >= s.size() || s[j] != ';';
}

bool WritableValue(std::string_view s, bool attribute) {
  for (size_t i = 0; i < s.size(); i += CharLenAt(s, i)) {
    if (CharLenAt(s, i) == 2) continue;
    if (s[i] == '<' || (attribute && s[i] == '"')) return false;
    if (s[i] == '&' && BareAmpersandAt(s, i)) return false;
  }
  return true;
}

bool WritableName(std::string_view s) {
  if (s.empty()) return false;
  for (size_t i = 0; i < s.size(); i += CharLenAt(s, i)) {
    if (CharLenAt(s, i) == 2) continue;
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c <= 0x20 || c == '<' || c == '>' || c == '/' || c == '=' || c == '"' || c == '&' || c == '\'') return false;
  }
  return true;
}

void CheckPath(TKobuBase& base, const std::string& path) {
  for (const std::string& part : XmlSplitPath(path))
    if (!WritableName(part)) ScriptError(base, "XMLの要素名「%s」は使えません。", {part});
}

void CmdGetText(TKobuBase& base) {
  std::string path = ArgText(base), text = ArgText(base);
  TMXmlDocument doc;
  Load(base, doc, text);
  std::string out;
  for (TMXmlNode* e : doc.FindAll(path)) out += e->Text() + "\r\n";
  SetLastValue(base, TrimText(out), "s");
}

void CmdSetText(TKobuBase& base) {
  std::string value = ArgText(base), path = ArgText(base), text = ArgText(base);
  if (!WritableValue(value, false))
    ScriptError(base, "XMLのテキストに「<」や参照でない「&」は書けません。&lt;や&amp;と書いてください。");
  CheckPath(base, path);
  TMXmlDocument doc;
  Load(base, doc, text);
  TMXmlNode* e = doc.Create(path);
  TMXmlNode* target = nullptr;
  for (size_t i = 0; i < e->ChildCount() && !target; ++i)
    if (e->Child(i)->Kind == xkText) target = e->Child(i);
  if (target) target->Value = value;
  else e->AddChild(xkText, std::string(), value);
  doc.Rewrite = true;
  SetLastValue(base, Written(base, [&] { return doc.Text(); }), "s");
}

void CmdGetAttributes(TKobuBase& base) {
  std::string path = ArgText(base), text = ArgText(base);
  TMXmlDocument doc;
  Load(base, doc, text);
  std::string out;
  if (TMXmlNode* e = doc.FindFirst(path))
    for (size_t i = 0; i < e->AttributeCount(); ++i)
      out += e->AttributeAt(i)->Name + "=" + e->AttributeAt(i)->Value + "\r\n";
  SetLastValue(base, std::move(out), "s");
}

void CmdSetAttributes(TKobuBase& base) {
  std::string lines = ArgText(base), path = ArgText(base), text = ArgText(base);
  std::vector<std::pair<std::string, std::string>> attrs;
  for (const std::string& line : SplitLines(lines)) {
    if (TrimText(line).empty()) continue;
    size_t eq = SjisFindFrom("=", line, 0);
    std::string name = TrimText(eq == std::string::npos ? line : line.substr(0, eq));
    std::string value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
    if (!WritableName(name)) ScriptError(base, "XMLの属性名「%s」は使えません。", {name});
    if (!WritableValue(value, true))
      ScriptError(base,
                  "XMLの属性値に「\"」「<」や参照でない「&」は書けません。&quot;や&lt;や&amp;と書いてください。");
    attrs.emplace_back(std::move(name), std::move(value));
  }
  CheckPath(base, path);
  TMXmlDocument doc;
  Load(base, doc, text);
  TMXmlNode* e = doc.Create(path);
  e->Attributes().Clear();
  for (auto& [n, v] : attrs) e->SetAttribute(std::move(n), std::move(v));
  doc.Rewrite = true;
  SetLastValue(base, Written(base, [&] { return doc.Text(); }), "s");
}

void CmdCutOut(TKobuBase& base) {
  std::string path = ArgText(base), text = ArgText(base);
  TMXmlDocument doc;
  Load(base, doc, text);
  TMXmlNode* e = doc.FindFirst(path);
  SetLastValue(base, e ? Written(base, [&] { return TMXmlDocument::WriteNode(*e); }) : std::string(), "s");
}

void CmdLeafPaths(TKobuBase& base) {
  std::string text = ArgText(base);
  TMXmlDocument doc;
  Load(base, doc, text);
  SetLastValue(base, Written(base, [&] { return doc.LeafPaths(); }), "s");
}

const TCommandRow kRows[] = {
    {"XMLテキストデータ取得", "?の,?を", "XML?のパス?にある要素のテキストを得る", 85, CmdGetText},
    {"XMLテキストデータ設定", "?の,?に,?を", "XML?のパス?にある要素のテキストを?にする", 86, CmdSetText},
    {"XML属性データ取得", "?の,?を", "XML?のパス?にある要素の属性を得る", 87, CmdGetAttributes},
    {"XML属性データ設定", "?の,?に,?を", "XML?のパス?にある要素の属性を?にする", 88, CmdSetAttributes},
    {"XML切り出し", "?から,?の", "XML?からパス?の要素を切り出す", 91, CmdCutOut},
    {"XMLパス形式で取得", "?を", "XML?の末端の要素のパスを全て得る", 93, CmdLeafPaths},
};

}  // namespace

std::span<const TCommandRow> XmlCommandRows() { return kRows; }

}  // namespace kobu
