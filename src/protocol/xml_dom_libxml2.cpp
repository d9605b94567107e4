#include "protocol/xml_dom_libxml2.h"

#include <libxml/parser.h>
#include <libxml/SAX2.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlstring.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace tabulon::xml {
namespace {

using Doc = std::shared_ptr<xmlDoc>;

std::string_view View(const xmlChar* text) {
  return text == nullptr ? std::string_view() : std::string_view(reinterpret_cast<const char*>(text));
}

// Owns a string that libxml2 allocated.
struct XmlString {
  explicit XmlString(xmlChar* p) : p(p) {}
  ~XmlString() { xmlFree(p); }
  XmlString(const XmlString&) = delete;
  XmlString& operator=(const XmlString&) = delete;
  xmlChar* p;
};

// MSXML's white space: space, tab, carriage return, line feed.
bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsAllSpace(std::string_view text) {
  for (char c : text) {
    if (!IsXmlSpace(c)) return false;
  }
  return true;
}

std::string_view TrimSpace(std::string_view text) {
  while (!text.empty() && IsXmlSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsXmlSpace(text.back())) text.remove_suffix(1);
  return text;
}

// Whether white space is kept for `node`: an xml:space="preserve" on it or an ancestor.
bool PreservesSpace(const xmlNode* node) { return xmlNodeGetSpacePreserve(node) == 1; }

// libxml2's text (always valid UTF-8) as UTF-16, decoded by libxml2 itself: the texts of a
// large document are many and short, and most of them ASCII.
std::u16string ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out.push_back(c);
      ++i;
      continue;
    }
    int length = static_cast<int>(std::min<size_t>(utf8.size() - i, 4));
    const int code_point = xmlGetUTF8Char(reinterpret_cast<const unsigned char*>(utf8.data() + i), &length);
    if (code_point < 0 || length <= 0) {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    if (code_point >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((code_point - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((code_point - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code_point));
    }
    i += static_cast<size_t>(length);
  }
  return out;
}

std::string QualifiedName(const xmlChar* name, const xmlNs* ns) {
  std::string qualified;
  if (ns != nullptr && ns->prefix != nullptr) {
    qualified.append(View(ns->prefix));
    qualified.push_back(':');
  }
  qualified.append(View(name));
  return qualified;
}

std::string Content(const xmlNode* node) {
  XmlString content(xmlNodeGetContent(node));
  return std::string(View(content.p));
}

// White space that the parser dropped is remembered in the nodes' _private field, so that
// an element's text can show it as one space, as MSXML does:
//   kSpaceAfter   white space followed this node among its parent's children;
//   kSpaceFirst   white space came first in this element, before any child.
constexpr std::uintptr_t kSpaceAfter = 1;
constexpr std::uintptr_t kSpaceFirst = 2;

void Mark(xmlNode* node, std::uintptr_t flag) {
  node->_private = reinterpret_cast<void*>(reinterpret_cast<std::uintptr_t>(node->_private) | flag);
}
bool Marked(const xmlNode* node, std::uintptr_t flag) {
  return (reinterpret_cast<std::uintptr_t>(node->_private) & flag) != 0;
}

// Character data as the parser reports it, in pieces. A piece of white space only is
// dropped when it opens the content of an element, follows a node that is not text, or
// ends a run of character data (the next markup follows); white space inside text stays.
// Where xml:space="preserve" applies, nothing is dropped.
void OnCharacters(void* ctx, const xmlChar* ch, int len) {
  auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
  xmlNode* parent = ctxt->node;
  if (parent != nullptr && !PreservesSpace(parent) &&
      IsAllSpace(std::string_view(reinterpret_cast<const char*>(ch), static_cast<size_t>(len)))) {
    xmlNode* last = parent->last;
    const bool run_ends = ctxt->input != nullptr && ctxt->input->cur != nullptr && *ctxt->input->cur == '<';
    if (last == nullptr || run_ends || last->type != XML_TEXT_NODE) {
      if (last != nullptr) {
        Mark(last, kSpaceAfter);
      } else {
        Mark(parent, kSpaceFirst);
      }
      return;
    }
  }
  xmlSAX2Characters(ctx, ch, len);
}

constexpr size_t kNoCData = static_cast<size_t>(-1);

struct CollectedText {
  std::string text;
  size_t cdata_begin = kNoCData;  // where the first CDATA section's text begins in `text`
  size_t cdata_end = 0;           // where the last CDATA section's text ends
};

// The text of a node as MSXML's "text" property gives it with white space not preserved.
// The texts of the descendant text and CDATA nodes are joined; where the parser dropped
// white space between two pieces of text, one space stands for it. At the outermost level
// (`trim`) the result loses its leading and trailing white space, except white space
// inside a CDATA section, and except where xml:space="preserve" applies. `space_after`
// tells the caller whether dropped white space ended the node's content.
CollectedText CollectText(const xmlNode* node, bool trim, bool& space_after) {
  CollectedText out;
  const bool preserving = PreservesSpace(node);
  if (node->children == nullptr) {
    out.text = Content(node);
    space_after = Marked(node, kSpaceFirst);
  } else {
    bool space_pending = node->type != XML_DOCUMENT_NODE && Marked(node, kSpaceFirst);
    space_after = false;
    for (const xmlNode* child = node->children; child != nullptr; child = child->next) {
      std::string part;
      const size_t at = out.text.size();
      switch (child->type) {
        case XML_ELEMENT_NODE: {
          CollectedText inner = CollectText(child, false, space_after);
          if (inner.cdata_begin != kNoCData && at + inner.cdata_begin < out.cdata_begin) {
            out.cdata_begin = at + inner.cdata_begin;
          }
          if (inner.cdata_end != 0 && at + inner.cdata_end > out.cdata_end) out.cdata_end = at + inner.cdata_end;
          part = std::move(inner.text);
          break;
        }
        case XML_TEXT_NODE:
          part = Content(child);
          if (!preserving && !part.empty() && IsAllSpace(part)) {
            space_pending = true;
            part.clear();
          }
          break;
        case XML_CDATA_SECTION_NODE:
        case XML_ENTITY_REF_NODE:
        case XML_ENTITY_NODE:
          part = Content(child);
          break;
        default:
          break;
      }
      const bool is_cdata = child->type == XML_CDATA_SECTION_NODE;
      if (!part.empty() || is_cdata) {
        if (space_pending && !out.text.empty()) out.text.push_back(' ');
        if (is_cdata && out.text.size() < out.cdata_begin) out.cdata_begin = out.text.size();
        out.text.append(part);
        if (is_cdata && out.text.size() > out.cdata_end) out.cdata_end = out.text.size();
        space_pending = false;
      }
      if (!space_pending) space_pending = Marked(child, kSpaceAfter);
      if (!space_pending) space_pending = space_after;
      space_after = false;
    }
    space_after = space_pending;
  }
  const bool trimmable = node->type == XML_ELEMENT_NODE || node->type == XML_TEXT_NODE ||
                         node->type == XML_ENTITY_REF_NODE || node->type == XML_ENTITY_NODE ||
                         node->type == XML_DOCUMENT_NODE;
  if (trim && trimmable && !preserving) {
    const std::string& text = out.text;
    size_t begin = 0;
    while (begin < text.size() && begin < out.cdata_begin && IsXmlSpace(text[begin])) ++begin;
    const size_t keep_until = out.cdata_end > begin ? out.cdata_end - begin : 0;  // relative to `begin`
    size_t length = text.size() - begin;
    while (length > 0 && length - 1 >= keep_until && IsXmlSpace(text[begin + length - 1])) --length;
    out.text = text.substr(begin, length);
  }
  return out;
}

std::string NodeText(const xmlNode* node) {
  bool space_after = false;
  return CollectText(node, true, space_after).text;
}

DomNodeType TypeOf(const xmlNode* node) {
  switch (node->type) {
    case XML_ELEMENT_NODE: return DomNodeType::kElement;
    case XML_TEXT_NODE: return DomNodeType::kText;
    case XML_CDATA_SECTION_NODE: return DomNodeType::kCData;
    case XML_COMMENT_NODE: return DomNodeType::kComment;
    case XML_PI_NODE: return DomNodeType::kProcessingInstruction;
    default: return DomNodeType::kOther;
  }
}

class Libxml2Node final : public DomNode {
 public:
  Libxml2Node(Doc doc, xmlNode* node) : doc_(std::move(doc)), node_(node) {}

  DomNodeType Type() const override { return TypeOf(node_); }

  Result<std::u16string> Name() const override {
    switch (node_->type) {
      case XML_ELEMENT_NODE: return ToUtf16(QualifiedName(node_->name, node_->ns));
      case XML_TEXT_NODE: return std::u16string(u"#text");
      case XML_CDATA_SECTION_NODE: return std::u16string(u"#cdata-section");
      case XML_COMMENT_NODE: return std::u16string(u"#comment");
      case XML_PI_NODE: return ToUtf16(View(node_->name));
      default: return std::u16string(u"#node");
    }
  }

  Result<std::u16string> Text() const override { return ToUtf16(NodeText(node_)); }

  Result<std::vector<DomNodePtr>> ChildNodes() const override {
    std::vector<DomNodePtr> children;
    for (xmlNode* child = node_->children; child != nullptr; child = child->next) {
      children.push_back(std::make_unique<Libxml2Node>(doc_, child));
    }
    return children;
  }

  Result<bool> HasChildNodes() const override { return node_->children != nullptr; }
  Result<DomNodePtr> FirstChild() const override { return Wrap(node_->children); }
  Result<DomNodePtr> NextSibling() const override { return Wrap(node_->next); }

  Result<std::optional<DomAttributes>> Attributes() const override {
    if (node_->type != XML_ELEMENT_NODE) return std::optional<DomAttributes>();
    std::vector<DomAttribute> attributes;
    for (xmlAttr* attribute = node_->properties; attribute != nullptr; attribute = attribute->next) {
      attributes.push_back(DomAttribute{ToUtf16(QualifiedName(attribute->name, attribute->ns)),
                                        ToUtf16(Content(reinterpret_cast<xmlNode*>(attribute)))});
    }
    return std::optional<DomAttributes>(DomAttributes(std::move(attributes)));
  }

  Result<std::optional<std::u16string>> GetAttribute(std::u16string_view name) const override {
    if (node_->type != XML_ELEMENT_NODE) return Status::InvalidArgument("XML node has no attributes");
    for (xmlAttr* attribute = node_->properties; attribute != nullptr; attribute = attribute->next) {
      if (ToUtf16(QualifiedName(attribute->name, attribute->ns)) == name) {
        return std::optional<std::u16string>(ToUtf16(Content(reinterpret_cast<xmlNode*>(attribute))));
      }
    }
    return std::optional<std::u16string>();
  }

 private:
  DomNodePtr Wrap(xmlNode* node) const { return node == nullptr ? nullptr : std::make_unique<Libxml2Node>(doc_, node); }

  Doc doc_;  // keeps the tree alive
  xmlNode* node_;
};

// Parser state shared with the SAX hook below.
struct ParseState {
  bool has_doctype = false;
};

// Stops the parse at a document type declaration, before any of it (entities, external
// subsets) is processed.
void RefuseDoctype(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
  auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
  static_cast<ParseState*>(ctxt->_private)->has_doctype = true;
  xmlStopParser(ctxt);
}

class Libxml2Document final : public DomDocument {
 public:
  Status LoadXml(std::u16string_view text) override {
    doc_.reset();
    // A lone surrogate is no character; MSXML refuses such text as well.
    for (size_t i = 0; i < text.size(); ++i) {
      const char16_t c = text[i];
      if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
        ++i;
      } else if (c >= 0xD800 && c <= 0xDFFF) {
        return Status::Corruption("XML text holds an unpaired surrogate at " + std::to_string(i));
      }
    }
    if (text.size() > static_cast<size_t>(INT_MAX) / 2) return Status::Corruption("XML text is too long");
    std::unique_ptr<xmlParserCtxt, void (*)(xmlParserCtxtPtr)> ctxt(xmlNewParserCtxt(), xmlFreeParserCtxt);
    if (ctxt == nullptr) return Status::Internal("libxml2: out of memory");
    ParseState state;
    ctxt->_private = &state;
    ctxt->sax->internalSubset = RefuseDoctype;
    ctxt->sax->characters = OnCharacters;
    ctxt->sax->ignorableWhitespace = OnCharacters;
    // No network, no entity substitution, no DTD loading. The text is read as the UTF-16 it
    // is, whatever encoding the XML declaration names (as MSXML's loadXML does).
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_IGNORE_ENC;
    const char* encoding = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
    xmlDoc* doc = xmlCtxtReadMemory(ctxt.get(), reinterpret_cast<const char*>(text.data()),
                                    static_cast<int>(text.size() * sizeof(char16_t)), nullptr, encoding, options);
    Doc owned(doc, xmlFreeDoc);
    if (state.has_doctype) return Status::Corruption("XML text declares a document type");
    // A prefix without a namespace declaration is refused, as MSXML refuses it.
    if (doc == nullptr || !ctxt->wellFormed || !ctxt->nsWellFormed) {
      return Status::Corruption("XML text is not well-formed: " + ErrorText(ctxt.get()));
    }
    xmlNode* root = xmlDocGetRootElement(doc);
    if (root == nullptr) return Status::Corruption("XML text has no root element");
    doc_ = std::move(owned);
    return Status::Ok();
  }

  Result<DomNodePtr> DocumentElement() const override {
    if (doc_ == nullptr) return DomNodePtr();
    xmlNode* root = xmlDocGetRootElement(doc_.get());
    if (root == nullptr) return DomNodePtr();
    return DomNodePtr(std::make_unique<Libxml2Node>(doc_, root));
  }

 private:
  static std::string ErrorText(const xmlParserCtxt* ctxt) {
    const xmlError& error = ctxt->lastError;
    std::string reason = error.message != nullptr ? std::string(TrimSpace(error.message)) : "no reason given";
    return reason + " (line " + std::to_string(error.line) + ", column " + std::to_string(error.int2) + ")";
  }

  Doc doc_;
};

}  // namespace

Result<std::unique_ptr<DomDocument>> CreateLibxml2Document() {
  static std::once_flag init;
  std::call_once(init, [] { xmlInitParser(); });
  return std::unique_ptr<DomDocument>(std::make_unique<Libxml2Document>());
}

}  // namespace tabulon::xml
