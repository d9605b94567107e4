#include "platform/win32/msxml_dom.h"

#include <windows.h>
#include <msxml2.h>
#include <oleauto.h>

#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/encoding.h"

namespace tabulon::win32 {
namespace {

// MSXML2.DOMDocument (version-independent, MSXML 3) and IXMLDOMDocument2.
const CLSID kClsidDomDocument = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
const IID kIidXmlDomDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
const IID kIidXmlDomNode = {0x2933BF80, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

// One CoInitializeEx on the creating thread, undone when the last COM object is gone.
class ComApartment {
 public:
  ComApartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    // S_OK and S_FALSE both count; RPC_E_CHANGED_MODE (the thread is in the
    // multithreaded apartment, where MSXML works too) does not.
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT hr_;
};

// An owned COM interface reference.
template <typename T>
class ComRef {
 public:
  ComRef() = default;
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ComRef(ComRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ~ComRef() {
    if (p_ != nullptr) p_->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T** out() { return &p_; }  // for a getter that hands out a new reference; must be empty
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

class Bstr {
 public:
  Bstr() = default;
  explicit Bstr(std::u16string_view text)
      : b_(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()))) {}
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  ~Bstr() { SysFreeString(b_); }
  BSTR get() const { return b_; }
  BSTR* out() { return &b_; }
  std::u16string str() const {
    return b_ == nullptr ? std::u16string() : std::u16string(reinterpret_cast<const char16_t*>(b_), SysStringLen(b_));
  }

 private:
  BSTR b_ = nullptr;
};

Status ComError(const char* what, HRESULT hr) {
  char text[96];
  std::snprintf(text, sizeof(text), "MSXML: %s failed (HRESULT 0x%08lX)", what, static_cast<unsigned long>(hr));
  return Status::Internal(text);
}

bool IsNamespaceDeclaration(std::u16string_view name) {
  return name == u"xmlns" || name.substr(0, 6) == u"xmlns:";
}

using Apartment = std::shared_ptr<ComApartment>;

Result<xml::DomNodePtr> WrapNode(const Apartment& apartment, ComRef<IXMLDOMNode> node);

class MsxmlNode final : public xml::DomNode {
 public:
  MsxmlNode(Apartment apartment, ComRef<IXMLDOMNode> node, xml::DomNodeType type)
      : apartment_(std::move(apartment)), node_(std::move(node)), type_(type) {}

  xml::DomNodeType Type() const override { return type_; }

  Result<std::u16string> Name() const override {
    if (!name_.has_value()) {
      Bstr name;
      HRESULT hr = node_->get_nodeName(name.out());
      if (FAILED(hr)) return ComError("nodeName", hr);
      name_ = name.str();
    }
    return *name_;
  }

  Result<std::u16string> Text() const override {
    if (!text_.has_value()) {
      Bstr text;
      HRESULT hr = node_->get_text(text.out());
      if (FAILED(hr)) return ComError("text", hr);
      text_ = text.str();
    }
    return *text_;
  }

  Result<std::vector<xml::DomNodePtr>> ChildNodes() const override {
    ComRef<IXMLDOMNodeList> list;
    HRESULT hr = node_->get_childNodes(list.out());
    if (FAILED(hr) || !list) return ComError("childNodes", hr);
    long length = 0;
    hr = list->get_length(&length);
    if (FAILED(hr)) return ComError("childNodes.length", hr);
    std::vector<xml::DomNodePtr> children;
    children.reserve(static_cast<size_t>(length));
    for (long i = 0; i < length; ++i) {
      ComRef<IXMLDOMNode> child;
      hr = list->get_item(i, child.out());
      if (FAILED(hr) || !child) return ComError("childNodes.item", hr);
      Result<xml::DomNodePtr> wrapped = WrapNode(apartment_, std::move(child));
      if (!wrapped.ok()) return wrapped.status();
      children.push_back(std::move(wrapped).value());
    }
    return children;
  }

  Result<bool> HasChildNodes() const override {
    VARIANT_BOOL has = VARIANT_FALSE;
    HRESULT hr = node_->hasChildNodes(&has);
    if (FAILED(hr)) return ComError("hasChildNodes", hr);
    return has == VARIANT_TRUE;
  }

  Result<xml::DomNodePtr> FirstChild() const override {
    ComRef<IXMLDOMNode> child;
    HRESULT hr = node_->get_firstChild(child.out());
    if (FAILED(hr)) return ComError("firstChild", hr);
    if (!child) return xml::DomNodePtr();
    return WrapNode(apartment_, std::move(child));
  }

  Result<xml::DomNodePtr> NextSibling() const override {
    ComRef<IXMLDOMNode> sibling;
    HRESULT hr = node_->get_nextSibling(sibling.out());
    if (FAILED(hr)) return ComError("nextSibling", hr);
    if (!sibling) return xml::DomNodePtr();
    return WrapNode(apartment_, std::move(sibling));
  }

  Result<std::optional<xml::DomAttributes>> Attributes() const override {
    ComRef<IXMLDOMNamedNodeMap> map;
    HRESULT hr = node_->get_attributes(map.out());
    if (FAILED(hr)) return ComError("attributes", hr);
    if (!map || type_ != xml::DomNodeType::kElement) return std::optional<xml::DomAttributes>();
    // Walked with nextNode: Wine's get_item fails for namespace declarations, which are
    // left out below in any case.
    std::vector<xml::DomAttribute> attributes;
    hr = map->reset();
    if (FAILED(hr)) return ComError("attributes.reset", hr);
    for (;;) {
      ComRef<IXMLDOMNode> attribute;
      hr = map->nextNode(attribute.out());
      if (FAILED(hr)) return ComError("attributes.nextNode", hr);
      if (!attribute) break;
      Bstr name;
      hr = attribute->get_nodeName(name.out());
      if (FAILED(hr)) return ComError("attribute name", hr);
      std::u16string attribute_name = name.str();
      if (IsNamespaceDeclaration(attribute_name)) continue;
      VARIANT value;
      VariantInit(&value);
      hr = attribute->get_nodeValue(&value);
      if (FAILED(hr)) return ComError("attribute value", hr);
      std::u16string attribute_value;
      if (value.vt == VT_BSTR && value.bstrVal != nullptr) {
        attribute_value.assign(reinterpret_cast<const char16_t*>(value.bstrVal), SysStringLen(value.bstrVal));
      }
      VariantClear(&value);
      attributes.push_back(xml::DomAttribute{std::move(attribute_name), std::move(attribute_value)});
    }
    return std::optional<xml::DomAttributes>(xml::DomAttributes(std::move(attributes)));
  }

  Result<std::optional<std::u16string>> GetAttribute(std::u16string_view name) const override {
    if (type_ != xml::DomNodeType::kElement) return Status::InvalidArgument("XML node has no attributes");
    if (!attribute_map_) {
      HRESULT hr = node_->get_attributes(attribute_map_.out());
      if (FAILED(hr)) return ComError("attributes", hr);
      if (!attribute_map_) return Status::InvalidArgument("XML node has no attributes");
    }
    if (IsNamespaceDeclaration(name)) return std::optional<std::u16string>();
    Bstr wanted(name);
    ComRef<IXMLDOMNode> attribute;
    HRESULT hr = attribute_map_->getNamedItem(wanted.get(), attribute.out());
    if (FAILED(hr)) return ComError("getNamedItem", hr);
    if (!attribute) return std::optional<std::u16string>();
    VARIANT value;
    VariantInit(&value);
    hr = attribute->get_nodeValue(&value);
    if (FAILED(hr)) return ComError("attribute value", hr);
    std::u16string text;
    if (value.vt == VT_BSTR && value.bstrVal != nullptr) {
      text.assign(reinterpret_cast<const char16_t*>(value.bstrVal), SysStringLen(value.bstrVal));
    }
    VariantClear(&value);
    return std::optional<std::u16string>(std::move(text));
  }

 private:
  Apartment apartment_;  // released after the node
  ComRef<IXMLDOMNode> node_;
  xml::DomNodeType type_;
  // Read once: the reader asks for them more than once, and nothing changes the document.
  mutable std::optional<std::u16string> name_;
  mutable std::optional<std::u16string> text_;
  mutable ComRef<IXMLDOMNamedNodeMap> attribute_map_;
};

Result<xml::DomNodePtr> WrapNode(const Apartment& apartment, ComRef<IXMLDOMNode> node) {
  DOMNodeType type = NODE_INVALID;
  HRESULT hr = node->get_nodeType(&type);
  if (FAILED(hr)) return ComError("nodeType", hr);
  xml::DomNodeType kind = xml::DomNodeType::kOther;
  switch (type) {
    case NODE_ELEMENT: kind = xml::DomNodeType::kElement; break;
    case NODE_TEXT: kind = xml::DomNodeType::kText; break;
    case NODE_CDATA_SECTION: kind = xml::DomNodeType::kCData; break;
    case NODE_COMMENT: kind = xml::DomNodeType::kComment; break;
    case NODE_PROCESSING_INSTRUCTION: kind = xml::DomNodeType::kProcessingInstruction; break;
    default: break;
  }
  return xml::DomNodePtr(std::make_unique<MsxmlNode>(apartment, std::move(node), kind));
}

class MsxmlDocument final : public xml::DomDocument {
 public:
  MsxmlDocument(Apartment apartment, ComRef<IXMLDOMDocument2> document)
      : apartment_(std::move(apartment)), document_(std::move(document)) {}

  Status LoadXml(std::u16string_view text) override {
    Bstr source(text);
    if (source.get() == nullptr && !text.empty()) return Status::Internal("MSXML: out of memory");
    VARIANT_BOOL loaded = VARIANT_FALSE;
    HRESULT hr = document_->loadXML(source.get(), &loaded);
    if (FAILED(hr)) return ComError("loadXML", hr);
    if (loaded != VARIANT_TRUE) return Status::Corruption("XML text is not well-formed: " + ParseErrorText());
    ComRef<IXMLDOMDocumentType> doctype;
    hr = document_->get_doctype(doctype.out());
    if (FAILED(hr)) return ComError("doctype", hr);
    if (doctype) {
      // Forget the document at once, so that nothing of it is read.
      Bstr empty(u"");
      document_->loadXML(empty.get(), &loaded);
      return Status::Corruption("XML text declares a document type");
    }
    return Status::Ok();
  }

  Result<xml::DomNodePtr> DocumentElement() const override {
    ComRef<IXMLDOMElement> root;
    HRESULT hr = document_->get_documentElement(root.out());
    if (FAILED(hr)) return ComError("documentElement", hr);
    if (!root) return xml::DomNodePtr();
    ComRef<IXMLDOMNode> node;
    hr = root->QueryInterface(kIidXmlDomNode, reinterpret_cast<void**>(node.out()));
    if (FAILED(hr) || !node) return ComError("documentElement as node", hr);
    return WrapNode(apartment_, std::move(node));
  }

 private:
  // "reason (line L, column C)" in UTF-8, from the document's parse error.
  std::string ParseErrorText() const {
    ComRef<IXMLDOMParseError> error;
    if (FAILED(document_->get_parseError(error.out())) || !error) return "no reason given";
    Bstr reason;
    long line = 0, column = 0;
    error->get_reason(reason.out());
    error->get_line(&line);
    error->get_linepos(&column);
    std::u16string text = reason.str();
    while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' ')) text.pop_back();
    return Utf16ToUtf8(text) + " (line " + std::to_string(line) + ", column " + std::to_string(column) + ")";
  }

  Apartment apartment_;  // released after the document
  ComRef<IXMLDOMDocument2> document_;
};

}  // namespace

Result<std::unique_ptr<xml::DomDocument>> CreateMsxmlDocument() {
  auto apartment = std::make_shared<ComApartment>();
  ComRef<IXMLDOMDocument2> document;
  HRESULT hr = CoCreateInstance(kClsidDomDocument, nullptr, CLSCTX_INPROC_SERVER, kIidXmlDomDocument2,
                                reinterpret_cast<void**>(document.out()));
  if (FAILED(hr) || !document) return ComError("creating MSXML2.DOMDocument", hr);
  // Parse in memory, synchronously, without DTDs or external resources; white space
  // between elements is dropped (the default, stated here because the reader relies on it).
  document->put_async(VARIANT_FALSE);
  document->put_preserveWhiteSpace(VARIANT_FALSE);
  document->put_resolveExternals(VARIANT_FALSE);
  document->put_validateOnParse(VARIANT_FALSE);
  Bstr prohibit_dtd(u"ProhibitDTD");
  VARIANT on;
  VariantInit(&on);
  on.vt = VT_BOOL;
  on.boolVal = VARIANT_TRUE;
  document->setProperty(prohibit_dtd.get(), on);  // older MSXML 3 lacks it; the doctype check stays
  // Refuse documents nested deeper than libxml2 allows (257 levels), as the native DOM does.
  Bstr max_depth(u"MaxElementDepth");
  VARIANT depth;
  VariantInit(&depth);
  depth.vt = VT_I4;
  depth.lVal = 257;
  document->setProperty(max_depth.get(), depth);
  return std::unique_ptr<xml::DomDocument>(std::make_unique<MsxmlDocument>(std::move(apartment), std::move(document)));
}

}  // namespace tabulon::win32
