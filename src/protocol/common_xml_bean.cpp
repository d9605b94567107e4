#include "protocol/common_xml_bean.h"

#include <utility>

#include "base/encoding.h"

namespace tabulon {
namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Whether `byte` starts a two-byte character in the ANSI code page `code_page`.
bool IsLeadByte(unsigned char byte, unsigned code_page) {
  switch (code_page) {
    case 936:  // GBK
    case 949:  // Korean
    case 950:  // Big5
      return byte >= 0x81 && byte <= 0xFE;
    case 932:  // Shift-JIS
      return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    default:
      return false;
  }
}

// Equal after turning the ASCII letters a-z to upper case in both. Only ASCII characters
// fold: the second byte of a two-byte character (which in GBK may lie in a-z) is compared
// as it is, so two different Chinese characters never compare equal.
bool EqualsAsciiIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  const unsigned code_page = AnsiCodePage();
  for (size_t i = 0; i < a.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(a[i]), code_page) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

template <typename Item>
Item* FindItemIn(Item& parent, std::string_view name) {
  for (const auto& entry : parent.Items) {
    TBeanObject* child = entry.object;
    if (child == nullptr || child->ClassType() != BeanClass::kItem) continue;
    auto* item = static_cast<TItem*>(child);
    if (item->Name == name) return item;
  }
  return nullptr;
}

template <typename Item>
Item* GetItemIn(Item& parent, int index) {
  if (index < 0) return nullptr;
  int number = 0;
  for (const auto& entry : parent.Items) {
    TBeanObject* child = entry.object;
    if (child == nullptr || child->ClassType() != BeanClass::kItem) continue;
    if (number == index) return static_cast<TItem*>(child);
    ++number;
  }
  return nullptr;
}

}  // namespace

TCommonNodeObject::~TCommonNodeObject() {
  LeafNodes.Clear();
  Attributes.Clear();
}

void TCommonNodeObject::AddAttribute(std::string name, std::string value) {
  std::string key = name;
  Attributes.Add(std::move(key), std::make_unique<TNameValue>(std::move(name), std::move(value)));
}

void TCommonNodeObject::AddLeafNode(std::string name, std::string value) {
  std::string key = name;
  LeafNodes.Add(std::move(key), std::make_unique<TNameValue>(std::move(name), std::move(value)));
}

TItem::~TItem() { Items.Clear(); }

TItem* TItem::AddItem(std::unique_ptr<TItem> child) {
  if (child == nullptr) return nullptr;
  std::string key = child->NodeName;
  return Items.Add(std::move(key), std::move(child));
}

TItem* TItem::FindItem(std::string_view name) { return FindItemIn(*this, name); }
const TItem* TItem::FindItem(std::string_view name) const { return FindItemIn(*this, name); }
TItem* TItem::GetItem(int index) { return GetItemIn(*this, index); }
const TItem* TItem::GetItem(int index) const { return GetItemIn(*this, index); }

std::string TItem::GetValue(std::string_view name, bool ignore_case) const {
  for (const auto& entry : Items) {
    const TBeanObject* child = entry.object;
    if (child == nullptr || child->ClassType() != BeanClass::kItemProperty) continue;
    const auto* property = static_cast<const TItemProperty*>(child);
    if (ignore_case ? EqualsAsciiIgnoreCase(property->Name, name) : property->Name == name) {
      return property->GetValue();
    }
  }
  return std::string();
}

std::string TRequest::GetValue(std::string_view name) const {
  auto it = Properties.find(name);
  return it == Properties.end() ? std::string() : it->second;
}

TCommonXmlBean::TCommonXmlBean(bool with_head) : TBeanObject(BeanClass::kCommonXmlBean) {
  if (with_head) {
    Service = std::make_unique<TService>();
    User = std::make_unique<TUser>();
  }
  Items = std::make_unique<TItem>(std::string(), std::string());
  Request = std::make_unique<TRequest>();
  Response = std::make_unique<TResponse>();
}

TCommonXmlBean::~TCommonXmlBean() {
  Service.reset();
  User.reset();
  Items.reset();
  Request.reset();
  Response.reset();
}

}  // namespace tabulon
