#include "commands/xml_document.h"

#include <utility>

#include "core/sjis.h"
#include "platform/cp932.h"

namespace kobu {

// ---- nodes -----------------------------------------------------------------

TMXmlNode* TMXmlNodeList::Add(std::unique_ptr<TMXmlNode> node) {
  items_.push_back(std::move(node));
  return items_.back().get();
}

TMXmlNode* TMXmlNodeList::Find(std::string_view name) const {
  std::string key = XmlLowerName(name);
  for (const auto& n : items_)
    if (n->Kind != xkText && XmlLowerName(n->Name) == key) return n.get();
  return nullptr;
}

void TMXmlNodeList::Clear() { items_.clear(); }

TMXmlNode::TMXmlNode(TMXmlNodeKind kind, std::string name, std::string value)
    : Kind(kind), Name(std::move(name)), Value(std::move(value)) {}

// Subtrees are taken apart one level at a time instead of by recursive
// destructors, whatever the depth of the tree.
TMXmlNode::~TMXmlNode() {
  std::vector<std::unique_ptr<TMXmlNode>> pending;
  auto detach = [&pending](TMXmlNode& n) {
    if (!n.children_) return;
    for (auto& c : n.children_->items_) pending.push_back(std::move(c));
    n.children_->items_.clear();
  };
  detach(*this);
  while (!pending.empty()) {
    std::unique_ptr<TMXmlNode> n = std::move(pending.back());
    pending.pop_back();
    detach(*n);
  }
}

TMXmlNodeList& TMXmlNode::Children() {
  if (!children_) children_ = std::make_unique<TMXmlNodeList>();
  return *children_;
}

TMXmlNodeList& TMXmlNode::Attributes() {
  if (!attributes_) attributes_ = std::make_unique<TMXmlNodeList>();
  return *attributes_;
}

TMXmlNode* TMXmlNode::AddChild(TMXmlNodeKind kind, std::string name, std::string value) {
  auto node = std::make_unique<TMXmlNode>(kind, std::move(name), std::move(value));
  node->Parent = this;
  return Children().Add(std::move(node));
}

TMXmlNode* TMXmlNode::FindElement(std::string_view name) const {
  if (!children_) return nullptr;
  std::string key = XmlLowerName(name);
  for (size_t i = 0; i < children_->Count(); ++i) {
    TMXmlNode* c = children_->Item(i);
    if (c->Kind == xkElement && XmlLowerName(c->Name) == key) return c;
  }
  return nullptr;
}

void TMXmlNode::SetAttribute(std::string name, std::string value) {
  if (TMXmlNode* a = Attributes().Find(name)) {
    a->Value = std::move(value);
    return;
  }
  auto node = std::make_unique<TMXmlNode>(xkAttribute, std::move(name), std::move(value));
  node->Parent = this;
  Attributes().Add(std::move(node));
}

std::string TMXmlNode::Text() const {
  std::string out;
  for (size_t i = 0; i < ChildCount(); ++i)
    if (Child(i)->Kind == xkText) out += Child(i)->Value;
  return out;
}

std::string XmlLowerName(std::string_view name) {
  std::string out(name);
  for (size_t i = 0; i < out.size(); i += CharLenAt(out, i))
    if (out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] - 'A' + 'a');
  return out;
}

std::vector<std::string> XmlSplitPath(std::string_view path) {
  std::vector<std::string> parts;
  std::string cur;
  for (size_t i = 0; i < path.size();) {
    size_t len = CharLenAt(path, i);
    if (len == 1 && path[i] == '\\') {
      if (!cur.empty()) parts.push_back(std::move(cur));
      cur.clear();
    } else {
      cur.append(path.substr(i, len));
    }
    i += len;
  }
  if (!cur.empty()) parts.push_back(std::move(cur));
  return parts;
}

// ---- the tag reader --------------------------------------------------------

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string TrimControls(std::string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && static_cast<unsigned char>(s[a]) <= 0x20) ++a;
  while (b > a && static_cast<unsigned char>(s[b - 1]) <= 0x20) --b;
  return std::string(s.substr(a, b - a));
}

struct TTag {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;
  bool skipped = false;  // comments and declarations
};

class TMXmlParser {
 public:
  explicit TMXmlParser(std::string_view s) : s_(s) {}

  void Parse(TMXmlDocument& doc) {
    SkipBlanks();
    doc.HtmlMode = true;
    if (i_ < s_.size() && s_[i_] == '<') {
      size_t start = i_;
      TTag tag = ReadTag();
      if (XmlLowerName(tag.name) == "?xml?") {
        doc.HtmlMode = false;
        for (auto& [name, value] : tag.attributes) {
          std::string key = XmlLowerName(name);
          if (key == "version") doc.Version = value;
          else if (key == "encoding") doc.Encoding = value;
        }
        // Without an encoding the text is ours: Shift_JIS.
        if (doc.Encoding != "Shift_JIS") throw EXml(sj("Shift_JIS以外の文字は処理できません。"));
      } else {
        i_ = start;
      }
    }
    TMXmlNode* root = &doc.Root();
    TMXmlNode* current = root;
    while (true) {
      SkipBlanks();
      if (i_ >= s_.size()) break;
      if (s_[i_] == '<' && StartsTag()) {
        TTag tag = ReadTag();
        if (tag.skipped) continue;
        if (!tag.name.empty() && tag.name[0] == '/') {
          if (current == root) throw EXml(sj("タグが対応していません。<") + tag.name + ">");
          if (XmlLowerName(std::string_view(tag.name).substr(1)) == XmlLowerName(current->Name))
            current = current->Parent;
          continue;
        }
        std::string name = tag.name;
        bool empty = false;
        if (!name.empty() && name.back() == '/') {
          name.pop_back();
          empty = true;
        }
        if (doc.HtmlMode) {
          name = XmlLowerName(name);
          if (name == "br" || name == "hr" || name == "meta" || name == "img") empty = true;
        }
        TMXmlNode* e = current->AddChild(xkElement, std::move(name));
        for (auto& [an, av] : tag.attributes) e->SetAttribute(std::move(an), std::move(av));
        if (!empty) current = e;
        continue;
      }
      size_t start = i_;
      i_ += CharLenAt(s_, i_);
      while (i_ < s_.size() && s_[i_] != '<') i_ += CharLenAt(s_, i_);
      std::string text = TrimControls(s_.substr(start, i_ - start));
      if (!text.empty()) current->AddChild(xkText, std::string(), std::move(text));
    }
  }

 private:
  std::string_view s_;
  size_t i_ = 0;

  void SkipBlanks() {
    while (i_ < s_.size() && IsBlank(s_[i_])) ++i_;
  }
  void Step() { i_ += CharLenAt(s_, i_); }

  // A "<" followed by a blank, another "<" or the end is text ("a < b").
  bool StartsTag() const {
    return i_ + 1 < s_.size() && !IsBlank(s_[i_ + 1]) && s_[i_ + 1] != '<';
  }

  void SkipTo(std::string_view end) {
    while (i_ < s_.size() && s_.compare(i_, end.size(), end) != 0) Step();
    i_ = std::min(s_.size(), i_ + end.size());
  }

  TTag ReadTag() {
    TTag tag;
    ++i_;  // "<"
    if (s_.compare(i_, 3, "!--") == 0) {
      // A comment may hold ">", so it runs to its own end.
      SkipTo("-->");
      tag.skipped = true;
      return tag;
    }
    while (i_ < s_.size() && !IsBlank(s_[i_]) && s_[i_] != '>') {
      size_t len = CharLenAt(s_, i_);
      tag.name.append(s_.substr(i_, len));
      i_ += len;
    }
    if (!tag.name.empty() && tag.name[0] == '!') {
      SkipTo(">");
      tag.skipped = true;
      return tag;
    }
    while (true) {
      SkipBlanks();
      if (i_ >= s_.size()) return tag;
      if (s_[i_] == '>') {
        ++i_;
        return tag;
      }
      size_t start = i_;
      while (i_ < s_.size() && s_[i_] != '=' && s_[i_] != '>') Step();
      std::string token = TrimControls(s_.substr(start, i_ - start));
      if (i_ < s_.size() && s_[i_] == '=') {
        ++i_;
        SkipBlanks();
        std::string value;
        if (i_ < s_.size() && (s_[i_] == '"' || s_[i_] == '\'')) {
          char quote = s_[i_++];
          size_t v = i_;
          while (i_ < s_.size() && s_[i_] != quote) Step();
          if (i_ >= s_.size())
            throw EXml(sj("アトリビュート \"") + token + sj("\"の値が\"で終わっていません。"));
          value = std::string(s_.substr(v, i_ - v));
          ++i_;
        } else {
          size_t v = i_;
          while (i_ < s_.size() && !IsBlank(s_[i_]) && s_[i_] != '/' && s_[i_] != '>' && s_[i_] != '?') Step();
          value = std::string(s_.substr(v, i_ - v));
        }
        tag.attributes.emplace_back(std::move(token), std::move(value));
        continue;
      }
      if (token == "?" || token == "/") {
        tag.name += token;
        continue;
      }
      throw EXml(sj("アトリビュートの読み込みで,不正な文字列\"") + token + sj("\"があります。"));
    }
  }
};

// Indentation grows with the square of the depth; a text that would pass
// this size is refused rather than exhausting memory.
constexpr size_t kMaxWritten = size_t{128} << 20;

void CheckWritten(size_t size) {
  if (size > kMaxWritten) throw EXml(sj("XMLの入れ子が深すぎて書き出せません。"));
}

// One line of output at an indentation depth.
void EmitLines(std::string& out, std::string_view item, size_t depth) {
  for (const std::string& line : SplitLines(item)) {
    CheckWritten(out.size() + depth + line.size() + 2);
    out.append(depth, '\t');
    out += line;
    out += "\r\n";
  }
}

std::string OpenTag(const TMXmlNode& e) {
  std::string s = "<" + e.Name;
  for (size_t i = 0; i < e.AttributeCount(); ++i) {
    const TMXmlNode* a = e.AttributeAt(i);
    s += " " + a->Name + "=\"" + a->Value + "\"";
  }
  return s;
}

bool HoldsOneText(const TMXmlNode& e) { return e.ChildCount() == 1 && e.Child(0)->Kind == xkText; }

// The tabs a write would need, counted before anything is written, so a
// tree too deep to indent is refused at once.
size_t IndentationOf(const TMXmlNode& top) {
  size_t total = 0;
  std::vector<std::pair<const TMXmlNode*, size_t>> pending{{&top, 0}};
  while (!pending.empty()) {
    auto [n, depth] = pending.back();
    pending.pop_back();
    bool block = n->Kind == xkElement && n->ChildCount() > 0 && !HoldsOneText(*n);
    total += block ? 2 * depth : depth;
    if (total > kMaxWritten) break;
    if (block)
      for (size_t i = 0; i < n->ChildCount(); ++i) pending.emplace_back(n->Child(i), depth + 1);
  }
  return total;
}

// The written form as lines, each ended with CR LF, children indented by
// one tab per level; iterative, with the open elements on a stack.
std::string WriteLines(const TMXmlNode& top) {
  std::string out;
  struct TFrame {
    const TMXmlNode* node;
    size_t next;
  };
  std::vector<TFrame> stack;
  auto visit = [&](const TMXmlNode& n) {
    size_t depth = stack.size();
    if (n.Kind == xkText) {
      EmitLines(out, n.Value + "\r\n", depth);
    } else if (n.ChildCount() == 0) {
      EmitLines(out, OpenTag(n) + "/>", depth);
    } else if (HoldsOneText(n)) {
      EmitLines(out, OpenTag(n) + ">" + n.Child(0)->Value + "</" + n.Name + ">", depth);
    } else {
      EmitLines(out, OpenTag(n) + ">", depth);
      stack.push_back({&n, 0});
    }
  };
  CheckWritten(IndentationOf(top));
  visit(top);
  while (!stack.empty()) {
    TFrame& f = stack.back();
    if (f.next < f.node->ChildCount()) {
      visit(*f.node->Child(f.next++));
      continue;
    }
    const TMXmlNode* done = f.node;
    stack.pop_back();
    EmitLines(out, "</" + done->Name + ">", stack.size());
  }
  return out;
}

}  // namespace

// ---- the document ----------------------------------------------------------

TMXmlDocument::TMXmlDocument() : root_(std::make_unique<TMXmlNode>(xkElement, "XMLDocument")) {}

void TMXmlDocument::LoadXml(std::string_view text) {
  root_ = std::make_unique<TMXmlNode>(xkElement, "XMLDocument");
  Version = "1.0";
  Encoding = "Shift_JIS";
  text_ = std::string(text);
  Rewrite = false;
  TMXmlParser(text).Parse(*this);
}

void TMXmlDocument::LoadOutline(std::string_view text) {
  root_ = std::make_unique<TMXmlNode>(xkElement, "XmlDocument");
  text_ = std::string(text);
  Rewrite = false;
  std::vector<std::pair<size_t, TMXmlNode*>> open;  // depth, element
  for (const std::string& line : SplitLines(text)) {
    if (!line.empty() && line[0] == '#') continue;
    size_t depth = 0, i = 0;
    while (i < line.size() && (line[i] == '\t' || line[i] == ' ')) ++i, ++depth;
    if (depth > 255) depth = 255;
    size_t comma = i;
    while (comma < line.size() && line[comma] != ',') comma += CharLenAt(line, comma);
    std::string name = line.substr(i, comma - i);
    if (!name.empty() && (name[0] == '+' || name[0] == '-')) name.erase(0, 1);
    name = TrimControls(name);
    if (name.empty()) continue;
    std::string value;
    if (comma < line.size()) {
      size_t v = comma + 1;
      while (v < line.size() && (line[v] == ' ' || line[v] == '\t')) ++v;
      value = line.substr(v);
    }
    while (!open.empty() && open.back().first >= depth) open.pop_back();
    TMXmlNode* parent = open.empty() ? root_.get() : open.back().second;
    open.emplace_back(depth, parent->AddChild(xkElement, std::move(name), std::move(value)));
  }
}

std::string TMXmlDocument::WriteNode(const TMXmlNode& node) {
  std::string s = WriteLines(node);
  if (node.Kind == xkElement && HoldsOneText(node) && s.size() >= 2) s.resize(s.size() - 2);
  return s;
}

std::string TMXmlDocument::Text() {
  if (!Rewrite) return text_;
  std::string out;
  if (!HtmlMode) out = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n";
  for (size_t i = 0; i < root_->ChildCount(); ++i) {
    const TMXmlNode& c = *root_->Child(i);
    out += WriteLines(c);
    // Each top element is followed by a line end of its own.
    if (!(c.Kind == xkElement && HoldsOneText(c))) out += "\r\n";
  }
  text_ = out;
  Rewrite = false;
  return text_;
}

TMXmlNode* TMXmlDocument::FindFirst(std::string_view path) {
  TMXmlNode* n = root_.get();
  for (const std::string& part : XmlSplitPath(path)) {
    n = n->FindElement(part);
    if (!n) return nullptr;
  }
  return n;
}

std::vector<TMXmlNode*> TMXmlDocument::FindAll(std::string_view path) {
  std::vector<TMXmlNode*> level{root_.get()};
  for (const std::string& part : XmlSplitPath(path)) {
    std::string key = XmlLowerName(part);
    std::vector<TMXmlNode*> next;
    for (TMXmlNode* n : level)
      for (size_t i = 0; i < n->ChildCount(); ++i) {
        TMXmlNode* c = n->Child(i);
        if (c->Kind == xkElement && XmlLowerName(c->Name) == key) next.push_back(c);
      }
    level = std::move(next);
    if (level.empty()) break;
  }
  return level;
}

TMXmlNode* TMXmlDocument::Create(std::string_view path) {
  TMXmlNode* n = root_.get();
  for (const std::string& part : XmlSplitPath(path)) {
    TMXmlNode* c = n->FindElement(part);
    n = c ? c : n->AddChild(xkElement, part);
  }
  return n;
}

std::string TMXmlDocument::LeafPaths() const {
  // One path buffer, grown on the way down and cut back on the way up, so
  // a deep chain costs its length and not its square.
  std::string out, path;
  struct TFrame {
    const TMXmlNode* node;
    size_t next;
    size_t pathLength;  // before this node's name was appended
  };
  std::vector<TFrame> stack;
  auto enter = [&](const TMXmlNode* n) {
    size_t before = path.size();
    if (!stack.empty()) path += '\\';
    path += n->Name;
    if (n->ChildCount() == 0) {
      out += path;
      out += "\r\n";
      CheckWritten(out.size());
      path.resize(before);
      return;
    }
    stack.push_back({n, 0, before});
  };
  for (size_t i = 0; i < root_->ChildCount(); ++i) {
    enter(root_->Child(i));
    while (!stack.empty()) {
      TFrame& f = stack.back();
      if (f.next < f.node->ChildCount()) {
        enter(f.node->Child(f.next++));
        continue;
      }
      path.resize(f.pathLength);
      stack.pop_back();
    }
  }
  return out;
}

}  // namespace kobu
