// TXMLBeanParser: reads an XML bean document into a TCommonXmlBean.
//
// Format (names compared exactly; the root element's name is not looked at; everything
// not listed is ignored):
//   root/head          the first one: Service texts from its children "handler", "action",
//                      "handleTime", "repcode", "returnMessage", "lastGetTime"; CreateTime
//                      from "createTime"; User from its first child "user" (texts of
//                      "userId", "loginName", "loginType", "password", "userType",
//                      "encryptedPassword", and its attributes)
//   root/properties    the first one: each child but those named "items" puts the pair of
//                      its "name" and "value" attributes into Response.Properties
//   root/arrayList     each one becomes an item of the bean's Items, read recursively:
//                      a child element with content children (anything but text,
//                      comments and CDATA) is a nested item (a row); a "cell" element with
//                      a non-empty "name" attribute is a property with Name, Value and
//                      DataType from its attributes; any other element is a property named
//                      by the element; Text is the element's text in both cases.
//
// Parse never fails with an exception: any error (a text that is not well-formed, a
// comment or text among the "properties" children, a DOM failure) yields a status and no
// bean; a partly built bean is freed.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "protocol/common_xml_bean.h"
#include "protocol/xml_dom.h"
#include "protocol/xml_parser.h"

namespace tabulon {

class TXMLBeanParser : public TXMLParser {
 public:
  using TXMLParser::TXMLParser;

  // The bean read from `text`, after removing the characters at or below U+0020 from both
  // ends. The caller owns the bean.
  Result<std::unique_ptr<TCommonXmlBean>> Parse(std::u16string_view text);

  // Parse with a parser (and DOM document) of its own, released before returning.
  static Result<std::unique_ptr<TCommonXmlBean>> ParseXml(std::u16string_view text);

  // The steps of Parse.
  // Fills `item` from the element `node`: its names, attributes and children.
  Status ReadItem(const xml::DomNode& node, TItem& item) const;
  // A new item read from the element `node`.
  Result<std::unique_ptr<TItem>> ReadItem(const xml::DomNode& node) const;
  Result<std::unique_ptr<TItemProperty>> ReadProperty(const xml::DomNode& node) const;
  // Appends the attributes of `node` to target.Attributes, then records its leaf nodes:
  // every child node that has no child node of its own and whose name holds no "#" (so
  // empty child elements, and processing instructions) is added to target.LeafNodes with
  // its text.
  Status ReadNodeAttributes(const xml::DomNode& node, TCommonNodeObject& target) const;
  // Replaces `map` with the pairs of the children of `node`; leaves it unchanged when
  // `node` has no child. A child without attributes (text, comment, CDATA) is an error.
  Status ReadProperties(std::map<std::string, std::string, std::less<>>& map, const xml::DomNode& node) const;

  // Items nest at most this deep below an "arrayList" element (the DOMs refuse documents
  // deeper than 257 levels in any case).
  static constexpr int kMaxItemDepth = 256;

 private:
  Status ReadItemAt(const xml::DomNode& node, TItem& item, int depth) const;
  // ReadNodeAttributes with the child nodes of `node` already at hand.
  Status ReadNodeAttributes(const xml::DomNode& node, const std::vector<xml::DomNodePtr>& children,
                            TCommonNodeObject& target) const;
};

// False for the nodes named "#comment", "#text" and "#cdata-section", true otherwise.
Result<bool> IsContentNode(const xml::DomNode& node);
// The number of child nodes of `node` that are content nodes.
Result<int> ContentChildCount(const xml::DomNode& node);

}  // namespace tabulon
