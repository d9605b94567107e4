#include "protocol/xml_parser.h"

#include <utility>

#include "base/encoding.h"

namespace tabulon {
namespace {

bool IsAscii(std::u16string_view text) {
  for (char16_t c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

std::u16string AnsiToDom(std::string_view text) {
  bool ascii = true;
  for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  return ascii ? std::u16string(text.begin(), text.end()) : AnsiToUtf16(text);
}

}  // namespace

std::string DomTextToAnsi(std::u16string_view text) {
  if (IsAscii(text)) {
    std::string ansi(text.size(), '\0');
    for (size_t i = 0; i < text.size(); ++i) ansi[i] = static_cast<char>(text[i]);
    return ansi;
  }
  return Utf16ToAnsi(text);
}

TXMLParser::TXMLParser() : TXMLParser(xml::CreateDomDocument()) {}

TXMLParser::TXMLParser(Result<std::unique_ptr<xml::DomDocument>> document) {
  if (document.ok() && document.value() != nullptr) {
    document_ = std::move(document).value();
  } else {
    document_status_ = document.ok() ? Status::Internal("no XML DOM document") : document.status();
  }
}

TXMLParser::~TXMLParser() {
  root_.reset();
  document_.reset();
}

Status TXMLParser::Load(std::u16string_view text) {
  root_.reset();
  if (document_ == nullptr) return document_status_;
  // XML has no NUL character; a DOM that reads its text as a C string would stop there.
  if (text.find(u'\0') != std::u16string_view::npos) {
    return Status::Corruption("XML text is not well-formed: it holds a NUL character");
  }
  TABULON_RETURN_IF_ERROR(document_->LoadXml(text));
  Result<xml::DomNodePtr> root = document_->DocumentElement();
  if (!root.ok()) return root.status();
  if (root.value() == nullptr) return Status::Corruption("XML text has no root element");
  root_ = std::move(root).value();
  return Status::Ok();
}

Result<std::string> TXMLParser::GetAttribute(const xml::DomNode& node, std::string_view name) const {
  Result<std::optional<std::u16string>> value = node.GetAttribute(AnsiToDom(name));
  if (!value.ok()) return value.status();
  return value->has_value() ? DomTextToAnsi(**value) : std::string();
}

Result<xml::DomNodePtr> TXMLParser::SelectNode(const xml::DomNode& node, std::string_view path) const {
  const std::u16string wanted = AnsiToDom(path);
  Result<std::vector<xml::DomNodePtr>> children = node.ChildNodes();
  if (!children.ok()) return children.status();
  for (auto& child : *children) {
    if (child->Type() != xml::DomNodeType::kElement) continue;
    Result<std::u16string> name = child->Name();
    if (!name.ok()) return name.status();
    if (*name == wanted) return std::move(child);
  }
  return xml::DomNodePtr();
}

Result<std::vector<xml::DomNodePtr>> TXMLParser::SelectNodes(const xml::DomNode& node, std::string_view path) const {
  const std::u16string wanted = AnsiToDom(path);
  Result<std::vector<xml::DomNodePtr>> children = node.ChildNodes();
  if (!children.ok()) return children.status();
  std::vector<xml::DomNodePtr> selected;
  for (auto& child : *children) {
    if (child->Type() != xml::DomNodeType::kElement) continue;
    Result<std::u16string> name = child->Name();
    if (!name.ok()) return name.status();
    if (*name == wanted) selected.push_back(std::move(child));
  }
  return selected;
}

Result<std::string> TXMLParser::GetNodeText(const xml::DomNode* node, std::string_view path) const {
  if (node == nullptr) return std::string();
  Result<xml::DomNodePtr> selected = SelectNode(*node, path);
  if (!selected.ok()) return selected.status();
  if (selected.value() == nullptr) return std::string();
  Result<std::u16string> text = selected.value()->Text();
  if (!text.ok()) return text.status();
  return DomTextToAnsi(*text);
}

}  // namespace tabulon
