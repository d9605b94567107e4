// The small XML DOM that the bean reader is written against, with one implementation per
// platform: MSXML2 DOMDocument through COM on Windows (platform/win32/msxml_dom.h) and
// libxml2 elsewhere (protocol/xml_dom_libxml2.h). Both behave as MSXML does with its
// defaults (white space not preserved) in everything the reader relies on:
//   - a document is parsed from UTF-16 text in memory; a text that is not well-formed is
//     refused with the parser's reason. So is a document with a document type declaration
//     (no DTD, entity or external resource is ever read) and one nested deeper than 257
//     elements;
//   - white space that stands alone between markup is dropped: no text node holds only
//     white space, unless xml:space="preserve" applies;
//   - node names: the qualified name of an element or attribute, "#text", "#comment",
//     "#cdata-section", and a processing instruction's target;
//   - the text of an element joins the texts of its descendant text and CDATA nodes; where
//     white space was dropped between two pieces of text it stands as one space; the result
//     loses leading and trailing white space (never white space inside a CDATA section).
//     The text of a text node is trimmed likewise; that of a comment or CDATA node is not;
//   - elements have an attribute collection (count, position, lookup by qualified name) in
//     document order, without the namespace declarations (xmlns, xmlns:p); other nodes
//     have none.
// All texts leave the DOM as UTF-16. Nodes keep their document alive: a node handed out
// stays valid after its document object is gone or has loaded another text.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/status.h"

namespace tabulon::xml {

enum class DomNodeType {
  kElement,
  kText,
  kCData,
  kComment,
  kProcessingInstruction,
  kOther,
};

struct DomAttribute {
  std::u16string name;
  std::u16string value;
};

// The attribute collection of an element, in document order.
class DomAttributes {
 public:
  DomAttributes() = default;
  explicit DomAttributes(std::vector<DomAttribute> attributes) : attributes_(std::move(attributes)) {}

  int Length() const { return static_cast<int>(attributes_.size()); }
  // `index` must lie in 0 .. Length() - 1.
  const DomAttribute& Item(int index) const { return attributes_[static_cast<size_t>(index)]; }

 private:
  std::vector<DomAttribute> attributes_;
};

class DomNode;
using DomNodePtr = std::unique_ptr<DomNode>;

class DomNode {
 public:
  virtual ~DomNode() = default;
  virtual DomNodeType Type() const = 0;
  virtual Result<std::u16string> Name() const = 0;
  // The text of the node; for an element, see the header comment.
  virtual Result<std::u16string> Text() const = 0;
  // The child nodes in document order.
  virtual Result<std::vector<DomNodePtr>> ChildNodes() const = 0;
  virtual Result<bool> HasChildNodes() const = 0;
  // Null when there is no such node.
  virtual Result<DomNodePtr> FirstChild() const = 0;
  virtual Result<DomNodePtr> NextSibling() const = 0;
  // Nullopt for a node without an attribute collection (anything but an element).
  virtual Result<std::optional<DomAttributes>> Attributes() const = 0;
  // The value of the attribute with this qualified name, nullopt when the element has none
  // (namespace declarations are not attributes here). InvalidArgument for a node without
  // an attribute collection.
  virtual Result<std::optional<std::u16string>> GetAttribute(std::u16string_view name) const = 0;
};

class DomDocument {
 public:
  virtual ~DomDocument() = default;
  // Parses `text` as a whole document, replacing what was loaded before. Corruption, with
  // the parser's reason, when the text is not well-formed or declares a document type.
  virtual Status LoadXml(std::u16string_view text) = 0;
  // The root element of the text last loaded; null before the first successful load.
  virtual Result<DomNodePtr> DocumentElement() const = 0;
};

// A new, empty document of the platform's DOM: MSXML on Windows, libxml2 elsewhere.
Result<std::unique_ptr<DomDocument>> CreateDomDocument();

}  // namespace tabulon::xml
