#include "protocol/common_xml_bean.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tabulon {
namespace {

std::unique_ptr<TItemProperty> Property(std::string name, std::string value, std::string text) {
  auto property = std::make_unique<TItemProperty>(std::move(name), std::move(text));
  property->Value = std::move(value);
  return property;
}

TItemProperty* AddProperty(TItem& item, std::string name, std::string value, std::string text) {
  std::string key = name;
  return item.Items.Add(std::move(key), Property(std::move(name), std::move(value), std::move(text)));
}

TEST(ItemProperty, GetValuePrefersValueOverText) {
  const struct {
    const char* value;
    const char* text;
    const char* expected;
  } cases[] = {
      {"", "00", "00"},
      {"01", "x", "01"},
      {"", "", ""},
      {"0", "", "0"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Property("moduleType", c.value, c.text)->GetValue(), c.expected) << c.value << "/" << c.text;
  }
}

// A list as the reader builds it: a property, row A, row B; plus children that are not
// exactly TItem or TItemProperty and must be ignored by the lookups.
class MixedItem : public ::testing::Test {
 protected:
  MixedItem() : list_("arrayList", "list1") {
    AddProperty(list_, "moduleType", "", "00");
    row_a_ = list_.Items.Add("A", std::make_unique<TItem>("row", "A"));
    AddProperty(list_, "moduleType", "99", "second");  // a second property of the same name
    auto request = std::make_unique<TRequest>();        // a subclass of TItem named like a row
    request->Name = "A";
    list_.Items.Add("A", std::move(request));
    list_.Items.Add("nv", std::make_unique<TNameValue>("moduleCode", "M1"));
    row_b_ = list_.Items.Add("row", std::make_unique<TItem>("row", ""));
    list_.Items.Add("none", std::unique_ptr<TItem>());  // an entry without an object
  }
  TItem list_;
  TItem* row_a_ = nullptr;
  TItem* row_b_ = nullptr;
};

TEST_F(MixedItem, GetItemNumbersExactItemsOnly) {
  EXPECT_EQ(list_.Items.size(), 7u);
  EXPECT_EQ(list_.GetItem(0), row_a_);
  EXPECT_EQ(list_.GetItem(1), row_b_);
  EXPECT_EQ(list_.GetItem(2), nullptr);
  EXPECT_EQ(list_.GetItem(-1), nullptr);
  const TItem& const_list = list_;
  EXPECT_EQ(const_list.GetItem(1), row_b_);
}

TEST_F(MixedItem, FindItemMatchesExactNameOfExactItems) {
  const struct {
    const char* name;
    const TItem* expected;
  } cases[] = {
      {"A", row_a_},     // the TRequest named "A" comes later and is not exactly TItem
      {"a", nullptr},    // case-sensitive
      {"row", nullptr},  // row B has no name; its element name does not count
      {"", row_b_},      // an empty argument matches an item whose name is empty
      {"moduleType", nullptr},
  };
  for (const auto& c : cases) EXPECT_EQ(list_.FindItem(c.name), c.expected) << c.name;
}

TEST_F(MixedItem, GetValueTakesTheFirstPropertyOfTheName) {
  const struct {
    const char* name;
    bool ignore_case;
    const char* expected;
  } cases[] = {
      {"moduleType", false, "00"},  // the first in order, though the second has a Value
      {"moduletype", false, ""},
      {"moduletype", true, "00"},
      {"MODULETYPE", true, "00"},
      {"moduleCode", false, ""},  // a TNameValue child is not a property
      {"A", false, ""},           // nor is an item
      {"", false, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(list_.GetValue(c.name, c.ignore_case), c.expected) << c.name << " " << c.ignore_case;
  }
}

TEST(Item, IgnoreCaseFoldsOnlyAsciiLetters) {
  TItem row("row", "");
  AddProperty(row, "\x81\x61x", "first", "");  // a GBK character whose second byte is 'a'
  AddProperty(row, "\xC3\xA9", "second", "");  // 茅, two bytes above ASCII
  EXPECT_EQ(row.GetValue("\x81\x61X", true), "first");
  EXPECT_EQ(row.GetValue("\x81\x41x", true), "");  // another character: second byte 'A'
  EXPECT_EQ(row.GetValue("\x81\x41x", false), "");
  EXPECT_EQ(row.GetValue("\xC3\xA9", true), "second");
  EXPECT_EQ(row.GetValue("\xC3\xC9", true), "");
}

TEST(Item, EmptyItemFindsNothing) {
  const TItem item("", "");
  EXPECT_EQ(item.FindItem(""), nullptr);
  EXPECT_EQ(item.GetItem(0), nullptr);
  EXPECT_EQ(item.GetValue("x", true), "");
}

TEST(Item, AddItemListsTheChildUnderItsNodeName) {
  TItem root("", "");
  TItem* child = root.AddItem(std::make_unique<TItem>("arrayList", "list1"));
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(root.AddItem(nullptr), nullptr);
  child->NodeName = "renamed";  // the key stays what it was when the child was added
  ASSERT_EQ(root.Items.size(), 1u);
  EXPECT_EQ(root.Items[0].key, "arrayList");
  EXPECT_EQ(root.Items[0].object, child);
  EXPECT_EQ(root.FindItem("list1"), child);
}

TEST(Item, RequestLookupIsExactAndKeepsTheLastPut) {
  TRequest request;
  request.Properties["xml"] = "first";
  request.Properties.insert_or_assign("xml", "second");
  request.Properties["Xml"] = "other";
  EXPECT_EQ(request.GetValue("xml"), "second");
  EXPECT_EQ(request.GetValue("Xml"), "other");
  EXPECT_EQ(request.GetValue("XML"), "");
  EXPECT_EQ(request.GetValue(""), "");
  // The item lookups stay available and see no children.
  EXPECT_EQ(request.GetValue("xml", true), "");
  EXPECT_EQ(request.GetItem(0), nullptr);
}

TEST(NodeObject, AttributesAndLeafNodesKeepOrderAndDuplicates) {
  TUser user;
  user.AddAttribute("b", "1");
  user.AddAttribute("a", "2");
  user.AddAttribute("b", "3");
  user.AddLeafNode("empty", "");
  ASSERT_EQ(user.Attributes.size(), 3u);
  const char* expected[][2] = {{"b", "1"}, {"a", "2"}, {"b", "3"}};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(user.Attributes[i].key, expected[i][0]);
    EXPECT_EQ(user.Attributes[i].object->Name, expected[i][0]);
    EXPECT_EQ(user.Attributes[i].object->Value, expected[i][1]);
  }
  ASSERT_EQ(user.LeafNodes.size(), 1u);
  EXPECT_EQ(user.LeafNodes[0].object->Name, "empty");
}

TEST(Bean, PartsAndTheirExactClasses) {
  const TCommonXmlBean with_head(true);
  ASSERT_NE(with_head.Service, nullptr);
  ASSERT_NE(with_head.User, nullptr);
  EXPECT_EQ(with_head.Service->ClassType(), BeanClass::kService);
  EXPECT_EQ(with_head.User->ClassType(), BeanClass::kUser);
  ASSERT_NE(with_head.Items, nullptr);
  EXPECT_EQ(with_head.Items->ClassType(), BeanClass::kItem);
  EXPECT_EQ(with_head.Items->NodeName, "");
  EXPECT_EQ(with_head.Items->Name, "");
  EXPECT_TRUE(with_head.Items->Items.empty());
  EXPECT_EQ(with_head.Request->ClassType(), BeanClass::kRequest);
  EXPECT_EQ(with_head.Response->ClassType(), BeanClass::kResponse);
  EXPECT_TRUE(with_head.Response->Properties.empty());
  EXPECT_EQ(with_head.CreateTime, 0);
  EXPECT_EQ(with_head.Service->RepCode, "");

  // Without head there is neither Service nor User; the other parts exist and are freed
  // with the bean (the sanitizers report a leak or a double free).
  auto headless = std::make_unique<TCommonXmlBean>(false);
  EXPECT_EQ(headless->Service, nullptr);
  EXPECT_EQ(headless->User, nullptr);
  EXPECT_NE(headless->Items, nullptr);
  EXPECT_NE(headless->Request, nullptr);
  EXPECT_NE(headless->Response, nullptr);
  headless.reset();
}

// Counts how often objects of the type are destroyed.
struct Counted {
  explicit Counted(int* destroyed) : destroyed(destroyed) {}
  ~Counted() { ++*destroyed; }
  int* destroyed;
};

TEST(OwnedList, AnObjectListedTwiceIsFreedOnce) {
  int destroyed = 0;
  {
    OwnedList<Counted> list;
    Counted* a = list.Add("a", std::make_unique<Counted>(&destroyed));
    list.Add("b", std::make_unique<Counted>(&destroyed));
    EXPECT_TRUE(list.AddAgain("a again", a));
    EXPECT_TRUE(list.AddAgain("a", a));
    Counted stranger(&destroyed);
    EXPECT_FALSE(list.AddAgain("stranger", &stranger));  // not owned: not listed
    EXPECT_FALSE(list.AddAgain("null", nullptr));
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[2].object, a);
    EXPECT_EQ(list[3].key, "a");
    list.Clear();
    EXPECT_EQ(destroyed, 2);
    EXPECT_TRUE(list.empty());
    list.Add("c", std::make_unique<Counted>(&destroyed));
  }
  EXPECT_EQ(destroyed, 4);  // "c" with the list, then the stranger
}

TEST(OwnedList, ItemsHoldingTheSameRowTwiceAreFreedOnce) {
  // A tree with a row listed twice in its parent and a nested row: freeing the root walks
  // the children recursively; the sanitizers catch a double free or a leak.
  auto root = std::make_unique<TItem>("", "");
  TItem* list = root->AddItem(std::make_unique<TItem>("arrayList", "list1"));
  TItem* row = list->AddItem(std::make_unique<TItem>("row", ""));
  row->AddItem(std::make_unique<TItem>("nested", ""))->AddAttribute("k", "v");
  AddProperty(*row, "id", "1", "");
  ASSERT_TRUE(list->Items.AddAgain("row", row));
  EXPECT_EQ(list->GetItem(0), row);
  EXPECT_EQ(list->GetItem(1), row);
  EXPECT_EQ(list->GetItem(1)->GetValue("id", false), "1");
  root.reset();
}

}  // namespace
}  // namespace tabulon
