// The XML bean: the in-memory form of the service's XML documents. A bean carries a
// service head (return code and message of the call, a few timing fields), an optional user
// block, a flat property map, and named item lists whose rows hold named values.
//
// The reader (xml_bean_parser.h) builds beans; everything else only reads them. All text
// held in a bean is in the ANSI code page (936); the reader converts on the way in.
//
// Ownership: a bean owns its five parts; every node object owns its two lists and the pairs
// in them; every item owns its children, recursively (see OwnedList). Beans hold nothing of
// the XML document they were read from and are neither copyable nor movable.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "protocol/owned_list.h"

namespace tabulon {

// The exact class of a bean object. The lookups of TItem consider only children of one
// exact class (a TRequest is a TItem but is not "exactly TItem"); the tag answers that
// without RTTI. Every class passes its own tag to its base, so a class added below TItem
// must add a tag of its own.
enum class BeanClass : std::uint8_t {
  kNameValue,
  kCommonNodeObject,
  kUser,
  kService,
  kItem,
  kItemProperty,
  kRequest,
  kResponse,
  kCommonXmlBean,
};

// The root of the bean classes.
class TBeanObject {
 public:
  virtual ~TBeanObject() = default;
  TBeanObject(const TBeanObject&) = delete;
  TBeanObject& operator=(const TBeanObject&) = delete;

  BeanClass ClassType() const { return class_type_; }

 protected:
  explicit TBeanObject(BeanClass class_type) : class_type_(class_type) {}

 private:
  const BeanClass class_type_;
};

// One name/value pair: an attribute or a leaf element of a node.
class TNameValue final : public TBeanObject {
 public:
  TNameValue(std::string name, std::string value)
      : TBeanObject(BeanClass::kNameValue), Name(std::move(name)), Value(std::move(value)) {}

  std::string Name;
  std::string Value;
};

// Base of the head objects and of items: the element's recorded leaf nodes and its XML
// attributes in document order, each listed under its name.
class TCommonNodeObject : public TBeanObject {
 public:
  TCommonNodeObject() : TCommonNodeObject(BeanClass::kCommonNodeObject) {}
  ~TCommonNodeObject() override;

  void AddAttribute(std::string name, std::string value);
  void AddLeafNode(std::string name, std::string value);

  OwnedList<TNameValue> LeafNodes;
  OwnedList<TNameValue> Attributes;

 protected:
  explicit TCommonNodeObject(BeanClass class_type) : TBeanObject(class_type) {}
};

// The user block of the head. The texts are stored as delivered; nothing interprets them.
class TUser final : public TCommonNodeObject {
 public:
  TUser() : TCommonNodeObject(BeanClass::kUser) {}

  std::string UserId;
  std::string LoginName;
  std::string Password;
  std::string LoginType;
  std::string UserType;
  std::string EncryptedPassword;
};

// The service head: how the service handled the call. RepCode "1" is success, "0" refusal.
class TService final : public TCommonNodeObject {
 public:
  TService() : TCommonNodeObject(BeanClass::kService) {}

  std::string Handler;
  std::string HandleTime;
  std::string Action;
  std::string RepCode;
  std::string ReturnMessage;
  std::string LastGetTime;
};

// One value of an item: a "cell" element (Name, DataType and Value from its attributes) or
// a plain leaf element (Name is the element name). Text is the element's text.
class TItemProperty final : public TBeanObject {
 public:
  TItemProperty(std::string name, std::string text)
      : TBeanObject(BeanClass::kItemProperty), Name(std::move(name)), Text(std::move(text)) {}

  // Value when it is not empty, otherwise Text.
  const std::string& GetValue() const { return Value.empty() ? Text : Value; }

  std::string Name;
  std::string DataType;
  std::string Value;
  std::string Text;
};

// A named node with ordered children: an item list of the document, or one row of it.
// Items holds the children in document order, nested items (rows) and properties mixed.
// A child item is listed under its Name (its NodeName when Name is empty), a property
// under its Name; AddItem lists under the child's NodeName.
class TItem : public TCommonNodeObject {
 public:
  TItem(std::string node_name, std::string name)
      : TItem(BeanClass::kItem, std::move(node_name), std::move(name)) {}
  ~TItem() override;

  // Appends the child under its current NodeName, takes ownership and returns it.
  TItem* AddItem(std::unique_ptr<TItem> child);

  // The first child that is exactly a TItem (not a subclass) whose Name equals `name`
  // (case-sensitive); null when none does.
  TItem* FindItem(std::string_view name);
  const TItem* FindItem(std::string_view name) const;

  // The child numbered `index` when only children that are exactly TItem are numbered,
  // from 0 (properties take no number); null when there is no such child. So for a list
  // holding a property and two rows, GetItem(1) is the second row while Items has three
  // entries.
  TItem* GetItem(int index);
  const TItem* GetItem(int index) const;

  // The GetValue of the first child that is exactly a TItemProperty named `name`; with
  // `ignore_case`, names are compared after turning ASCII a-z to upper case in both (no
  // other character changes). Empty when none matches.
  std::string GetValue(std::string_view name, bool ignore_case) const;

  std::string NodeName;
  std::string Name;
  OwnedList<TBeanObject> Items;

 protected:
  TItem(BeanClass class_type, std::string node_name, std::string name)
      : TCommonNodeObject(class_type), NodeName(std::move(node_name)), Name(std::move(name)) {}
};

// A property part of the bean: a map from name to value with unique keys compared byte by
// byte; putting a key again replaces its value.
class TRequest : public TItem {
 public:
  TRequest() : TRequest(BeanClass::kRequest) {}

  // The value stored under exactly `name`; empty when absent.
  std::string GetValue(std::string_view name) const;
  using TItem::GetValue;

  std::map<std::string, std::string, std::less<>> Properties;

 protected:
  explicit TRequest(BeanClass class_type) : TItem(class_type, std::string(), std::string()) {}
};

// The bean's response part; its Properties hold the pairs of the "properties" element.
class TResponse final : public TRequest {
 public:
  TResponse() : TRequest(BeanClass::kResponse) {}
};

class TCommonXmlBean final : public TBeanObject {
 public:
  // With `with_head`, creates Service and User; always creates Items (the root container,
  // an item with empty names whose children are the document's item lists), Request and
  // Response.
  explicit TCommonXmlBean(bool with_head);
  ~TCommonXmlBean() override;

  std::unique_ptr<TService> Service;  // null when created without head
  std::unique_ptr<TUser> User;        // null when created without head
  std::unique_ptr<TItem> Items;
  std::unique_ptr<TRequest> Request;  // nothing fills it
  std::unique_ptr<TResponse> Response;
  std::int64_t CreateTime = 0;  // head/createTime; 0 when absent or not a number
};

}  // namespace tabulon
