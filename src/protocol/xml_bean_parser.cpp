#include "protocol/xml_bean_parser.h"

#include <cstdint>
#include <exception>
#include <utility>
#include <vector>

namespace tabulon {
namespace {

#define BEAN_CONCAT_INNER(a, b) a##b
#define BEAN_CONCAT(a, b) BEAN_CONCAT_INNER(a, b)
// Declares `lhs` from the value of a Result, or returns its status from the function.
#define BEAN_ASSIGN_OR_RETURN(lhs, expr) BEAN_ASSIGN_OR_RETURN_IMPL(BEAN_CONCAT(result_, __LINE__), lhs, expr)
#define BEAN_ASSIGN_OR_RETURN_IMPL(result, lhs, expr) \
  auto result = (expr);                               \
  if (!result.ok()) return result.status();           \
  lhs = std::move(result).value()

// Removes the characters at or below U+0020 (space and control characters) from both ends.
std::u16string_view TrimControls(std::u16string_view text) {
  while (!text.empty() && text.front() <= 0x20) text.remove_prefix(1);
  while (!text.empty() && text.back() <= 0x20) text.remove_suffix(1);
  return text;
}

// A signed 64-bit decimal integer (an optional sign, then digits only); 0 for any other
// text and for a number out of range.
std::int64_t DecimalInt64OrZero(std::string_view text) {
  bool negative = false;
  size_t i = 0;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    i = 1;
  }
  if (i == text.size()) return 0;
  const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
  std::uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    const std::uint64_t digit = static_cast<std::uint64_t>(text[i] - '0');
    if (magnitude > (limit - digit) / 10) return 0;
    magnitude = magnitude * 10 + digit;
  }
  return negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
}

}  // namespace

// The nodes named "#comment", "#text" and "#cdata-section" are exactly the nodes of these
// three types; asking for the type spares the DOM a name.
Result<bool> IsContentNode(const xml::DomNode& node) {
  switch (node.Type()) {
    case xml::DomNodeType::kComment:
    case xml::DomNodeType::kText:
    case xml::DomNodeType::kCData:
      return false;
    default:
      return true;
  }
}

Result<int> ContentChildCount(const xml::DomNode& node) {
  BEAN_ASSIGN_OR_RETURN(const bool has_children, node.HasChildNodes());
  if (!has_children) return 0;
  BEAN_ASSIGN_OR_RETURN(const std::vector<xml::DomNodePtr> children, node.ChildNodes());
  int count = 0;
  for (const auto& child : children) {
    BEAN_ASSIGN_OR_RETURN(const bool content, IsContentNode(*child));
    if (content) ++count;
  }
  return count;
}

Result<std::unique_ptr<TCommonXmlBean>> TXMLBeanParser::ParseXml(std::u16string_view text) {
  TXMLBeanParser parser;
  return parser.Parse(text);
}

Result<std::unique_ptr<TCommonXmlBean>> TXMLBeanParser::Parse(std::u16string_view text) try {
  TABULON_RETURN_IF_ERROR(Load(TrimControls(text)));
  const xml::DomNode& root = *Root();
  BEAN_ASSIGN_OR_RETURN(const xml::DomNodePtr head, SelectNode(root, "head"));
  BEAN_ASSIGN_OR_RETURN(const xml::DomNodePtr properties, SelectNode(root, "properties"));

  auto bean = std::make_unique<TCommonXmlBean>(true);
  if (head != nullptr) {
    TService& service = *bean->Service;
    BEAN_ASSIGN_OR_RETURN(service.Handler, GetNodeText(head.get(), "handler"));
    BEAN_ASSIGN_OR_RETURN(service.Action, GetNodeText(head.get(), "action"));
    BEAN_ASSIGN_OR_RETURN(service.HandleTime, GetNodeText(head.get(), "handleTime"));
    BEAN_ASSIGN_OR_RETURN(service.RepCode, GetNodeText(head.get(), "repcode"));
    BEAN_ASSIGN_OR_RETURN(service.ReturnMessage, GetNodeText(head.get(), "returnMessage"));
    BEAN_ASSIGN_OR_RETURN(service.LastGetTime, GetNodeText(head.get(), "lastGetTime"));

    BEAN_ASSIGN_OR_RETURN(const xml::DomNodePtr user_node, SelectNode(*head, "user"));
    if (user_node != nullptr) {
      TUser& user = *bean->User;
      BEAN_ASSIGN_OR_RETURN(user.UserId, GetNodeText(user_node.get(), "userId"));
      BEAN_ASSIGN_OR_RETURN(user.LoginName, GetNodeText(user_node.get(), "loginName"));
      BEAN_ASSIGN_OR_RETURN(user.LoginType, GetNodeText(user_node.get(), "loginType"));
      BEAN_ASSIGN_OR_RETURN(user.Password, GetNodeText(user_node.get(), "password"));
      BEAN_ASSIGN_OR_RETURN(user.UserType, GetNodeText(user_node.get(), "userType"));
      BEAN_ASSIGN_OR_RETURN(user.EncryptedPassword, GetNodeText(user_node.get(), "encryptedPassword"));
      TABULON_RETURN_IF_ERROR(ReadNodeAttributes(*user_node, user));
    }

    BEAN_ASSIGN_OR_RETURN(const std::string create_time, GetNodeText(head.get(), "createTime"));
    if (!create_time.empty()) bean->CreateTime = DecimalInt64OrZero(create_time);
  }

  if (properties != nullptr) TABULON_RETURN_IF_ERROR(ReadProperties(bean->Response->Properties, *properties));

  BEAN_ASSIGN_OR_RETURN(const std::vector<xml::DomNodePtr> lists, SelectNodes(root, "arrayList"));
  for (const auto& list : lists) {
    TItem* item = bean->Items->AddItem(std::make_unique<TItem>(std::string(), std::string()));
    TABULON_RETURN_IF_ERROR(ReadItem(*list, *item));
  }
  return bean;
} catch (const std::exception& e) {
  // Out of memory, or a text conversion that could not start.
  return Status::Internal(std::string("reading the XML bean failed: ") + e.what());
}

Status TXMLBeanParser::ReadItem(const xml::DomNode& node, TItem& item) const { return ReadItemAt(node, item, 0); }

Result<std::unique_ptr<TItem>> TXMLBeanParser::ReadItem(const xml::DomNode& node) const {
  auto item = std::make_unique<TItem>(std::string(), std::string());
  TABULON_RETURN_IF_ERROR(ReadItemAt(node, *item, 0));
  return item;
}

Status TXMLBeanParser::ReadItemAt(const xml::DomNode& node, TItem& item, int depth) const {
  if (depth > kMaxItemDepth) return Status::Corruption("XML bean items are nested too deeply");
  BEAN_ASSIGN_OR_RETURN(const std::u16string node_name, node.Name());
  item.NodeName = DomTextToAnsi(node_name);
  BEAN_ASSIGN_OR_RETURN(item.Name, GetAttribute(node, "name"));
  BEAN_ASSIGN_OR_RETURN(const std::vector<xml::DomNodePtr> children, node.ChildNodes());
  TABULON_RETURN_IF_ERROR(ReadNodeAttributes(node, children, item));

  for (const auto& child : children) {
    BEAN_ASSIGN_OR_RETURN(const bool content, IsContentNode(*child));
    if (!content) continue;
    BEAN_ASSIGN_OR_RETURN(const int grandchildren, ContentChildCount(*child));
    if (grandchildren == 0) {
      BEAN_ASSIGN_OR_RETURN(std::unique_ptr<TItemProperty> property, ReadProperty(*child));
      std::string key = property->Name;
      item.Items.Add(std::move(key), std::move(property));
    } else {
      auto sub = std::make_unique<TItem>(std::string(), std::string());
      TABULON_RETURN_IF_ERROR(ReadItemAt(*child, *sub, depth + 1));
      std::string key = sub->Name.empty() ? sub->NodeName : sub->Name;
      item.Items.Add(std::move(key), std::move(sub));
    }
  }
  return Status::Ok();
}

Result<std::unique_ptr<TItemProperty>> TXMLBeanParser::ReadProperty(const xml::DomNode& node) const {
  BEAN_ASSIGN_OR_RETURN(const std::u16string node_name, node.Name());
  BEAN_ASSIGN_OR_RETURN(const std::u16string text, node.Text());
  if (node_name == u"cell") {
    BEAN_ASSIGN_OR_RETURN(std::string name, GetAttribute(node, "name"));
    if (!name.empty()) {
      auto property = std::make_unique<TItemProperty>(std::move(name), DomTextToAnsi(text));
      BEAN_ASSIGN_OR_RETURN(property->Value, GetAttribute(node, "value"));
      BEAN_ASSIGN_OR_RETURN(property->DataType, GetAttribute(node, "dataType"));
      return property;
    }
  }
  return std::make_unique<TItemProperty>(DomTextToAnsi(node_name), DomTextToAnsi(text));
}

Status TXMLBeanParser::ReadNodeAttributes(const xml::DomNode& node, TCommonNodeObject& target) const {
  BEAN_ASSIGN_OR_RETURN(const std::vector<xml::DomNodePtr> children, node.ChildNodes());
  return ReadNodeAttributes(node, children, target);
}

Status TXMLBeanParser::ReadNodeAttributes(const xml::DomNode& node, const std::vector<xml::DomNodePtr>& children,
                                          TCommonNodeObject& target) const {
  BEAN_ASSIGN_OR_RETURN(const std::optional<xml::DomAttributes> attributes, node.Attributes());
  if (!attributes.has_value()) return Status::InvalidArgument("XML node has no attributes");
  for (int i = 0; i < attributes->Length(); ++i) {
    const xml::DomAttribute& attribute = attributes->Item(i);
    target.AddAttribute(DomTextToAnsi(attribute.name), DomTextToAnsi(attribute.value));
  }

  for (const auto& child : children) {
    BEAN_ASSIGN_OR_RETURN(const bool has_children, child->HasChildNodes());
    if (has_children) continue;
    BEAN_ASSIGN_OR_RETURN(const std::u16string name, child->Name());
    if (name.find(u'#') != std::u16string::npos) continue;
    BEAN_ASSIGN_OR_RETURN(const std::u16string text, child->Text());
    target.AddLeafNode(DomTextToAnsi(name), DomTextToAnsi(text));
  }
  return Status::Ok();
}

Status TXMLBeanParser::ReadProperties(std::map<std::string, std::string, std::less<>>& map,
                                      const xml::DomNode& node) const {
  BEAN_ASSIGN_OR_RETURN(xml::DomNodePtr child, node.FirstChild());
  if (child == nullptr) return Status::Ok();
  map.clear();
  while (child != nullptr) {
    BEAN_ASSIGN_OR_RETURN(const std::u16string name, child->Name());
    if (name != u"items") {
      BEAN_ASSIGN_OR_RETURN(std::string key, GetAttribute(*child, "name"));
      BEAN_ASSIGN_OR_RETURN(std::string value, GetAttribute(*child, "value"));
      map.insert_or_assign(std::move(key), std::move(value));
    }
    BEAN_ASSIGN_OR_RETURN(xml::DomNodePtr next, child->NextSibling());
    child = std::move(next);
  }
  return Status::Ok();
}

}  // namespace tabulon
