// TXMLParser: a thin holder of an XML DOM document with four lookups, the base of the bean
// reader. Texts leave the DOM as UTF-16 and are handed out in the ANSI code page; names
// passed in are ANSI.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "protocol/xml_dom.h"

namespace tabulon {

class TXMLParser {
 public:
  // A parser over the platform's DOM (MSXML on Windows, libxml2 elsewhere).
  TXMLParser();
  // A parser over the given DOM document, or over none when it could not be created (every
  // load then fails with that status).
  explicit TXMLParser(Result<std::unique_ptr<xml::DomDocument>> document);
  ~TXMLParser();
  TXMLParser(const TXMLParser&) = delete;
  TXMLParser& operator=(const TXMLParser&) = delete;

  // Loads `text` as a whole document into Document and sets Root to its root element.
  // Corruption when the text is not well-formed XML (a NUL character included).
  Status Load(std::u16string_view text);

  // The value of the attribute `name` of `node`; empty when the element has no such
  // attribute. InvalidArgument for a node without attributes (text, comment, CDATA).
  Result<std::string> GetAttribute(const xml::DomNode& node, std::string_view name) const;
  // The first child element of `node` named `path` (a plain element name), or null.
  Result<xml::DomNodePtr> SelectNode(const xml::DomNode& node, std::string_view path) const;
  // All child elements of `node` named `path`, in document order; empty when none.
  Result<std::vector<xml::DomNodePtr>> SelectNodes(const xml::DomNode& node, std::string_view path) const;
  // The text of SelectNode(node, path); empty when `node` is null or has no such child.
  Result<std::string> GetNodeText(const xml::DomNode* node, std::string_view path) const;

  // The root element of the text last loaded; null before the first successful load.
  const xml::DomNode* Root() const { return root_.get(); }
  // The DOM document, reused by every load; null when it could not be created.
  xml::DomDocument* Document() const { return document_.get(); }

 private:
  xml::DomNodePtr root_;
  std::unique_ptr<xml::DomDocument> document_;
  Status document_status_;  // why there is no document, when there is none
};

// Converts a text of the DOM to the ANSI code page (ASCII without a round trip).
std::string DomTextToAnsi(std::u16string_view text);

}  // namespace tabulon
