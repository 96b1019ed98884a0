// The lenient document model of the XML commands: elements, attributes and
// texts read from XML or HTML tags (or from a tab-indented outline) and
// written back with tab indentation and CR LF lines. Every walk over the
// tree is iterative, so a deeply nested page cannot exhaust the C++ stack.
#pragma once
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kobu {

// A document that cannot be read; the message is script text (CP932).
class EXml : public std::runtime_error {
 public:
  explicit EXml(const std::string& message) : std::runtime_error(message) {}
};

enum TMXmlNodeKind { xkElement = 1, xkAttribute = 2, xkText = 3 };

class TMXmlNode;

// An owning, ordered list with a case-insensitive look-up by name.
class TMXmlNodeList {
 public:
  size_t Count() const { return items_.size(); }
  TMXmlNode* Item(size_t i) const { return items_[i].get(); }
  TMXmlNode* Add(std::unique_ptr<TMXmlNode> node);
  // The first node of that name (element or attribute), or nullptr.
  TMXmlNode* Find(std::string_view name) const;
  void Clear();

 private:
  friend class TMXmlNode;
  std::vector<std::unique_ptr<TMXmlNode>> items_;
};

class TMXmlNode {
 public:
  TMXmlNode(TMXmlNodeKind kind, std::string name, std::string value = std::string());
  ~TMXmlNode();
  TMXmlNode(const TMXmlNode&) = delete;
  TMXmlNode& operator=(const TMXmlNode&) = delete;

  TMXmlNodeKind Kind;
  std::string Name;
  std::string Value;
  TMXmlNode* Parent = nullptr;

  // The lists are made on first use; a const look-up never makes one.
  TMXmlNodeList& Children();
  TMXmlNodeList& Attributes();
  size_t ChildCount() const { return children_ ? children_->Count() : 0; }
  TMXmlNode* Child(size_t i) const { return children_->Item(i); }
  size_t AttributeCount() const { return attributes_ ? attributes_->Count() : 0; }
  TMXmlNode* AttributeAt(size_t i) const { return attributes_->Item(i); }

  TMXmlNode* AddChild(TMXmlNodeKind kind, std::string name, std::string value = std::string());
  // The first element child of that name (case-insensitive), or nullptr.
  TMXmlNode* FindElement(std::string_view name) const;
  // An existing attribute of the same name gets the new value.
  void SetAttribute(std::string name, std::string value);
  // The concatenated values of the text children.
  std::string Text() const;

 private:
  std::unique_ptr<TMXmlNodeList> children_, attributes_;
};

// ASCII letters lower-cased, stepping whole characters (trail bytes untouched).
std::string XmlLowerName(std::string_view name);
// The components of a "\"-separated path (empty components dropped).
std::vector<std::string> XmlSplitPath(std::string_view path);

class TMXmlDocument {
 public:
  TMXmlDocument();

  // The tag reader: XML when the text opens with an XML declaration, HTML otherwise.
  void LoadXml(std::string_view text);
  // The reader for tab-indented outlines ("name, value" per line).
  void LoadOutline(std::string_view text);

  // The document text; regenerated from the tree when Rewrite is set.
  // Writing raises EXml when the text would grow beyond 128 MB.
  std::string Text();

  std::string Version = "1.0";
  std::string Encoding = "Shift_JIS";
  bool HtmlMode = false;
  bool Rewrite = false;
  TMXmlNode& Root() { return *root_; }

  TMXmlNode* FindFirst(std::string_view path);
  std::vector<TMXmlNode*> FindAll(std::string_view path);
  TMXmlNode* Create(std::string_view path);
  // Every leaf's path followed by CR LF.
  std::string LeafPaths() const;

  // One element (or text) as written inside a document, without the
  // final line end of an element that holds just one text.
  static std::string WriteNode(const TMXmlNode& node);

 private:
  std::unique_ptr<TMXmlNode> root_;
  std::string text_;
};

}  // namespace kobu
