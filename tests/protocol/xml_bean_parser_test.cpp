// The bean reader on the platform DOM: natively libxml2, under Wine MSXML. The one table
// below runs against both; any difference between them fails it.
#include "protocol/xml_bean_parser.h"

#include <gtest/gtest.h>

#include <string>

#include "base/base64.h"
#include "base/encoding.h"

namespace tabulon {
namespace {

// Texts of the bean are ANSI; the dumps show them as UTF-8.
std::string T(const std::string& ansi) { return AnsiToUtf8(ansi); }

std::string DumpPairs(const OwnedList<TNameValue>& list) {
  std::string out;
  for (const auto& entry : list) {
    if (!out.empty()) out += ";";
    out += T(entry.key) + (entry.key == entry.object->Name ? "" : "!key") + "=" + T(entry.object->Value);
  }
  return out;
}

// name:Name[attributes]<leaf nodes>(children); a child listed under another key than its
// own rule gives shows "!key:" and the key. The lists of the bean's root container are
// listed under the empty key (`root`).
std::string DumpItem(const TItem& item, bool root = false) {
  std::string out = T(item.NodeName) + ":" + T(item.Name);
  if (!item.Attributes.empty()) out += "[" + DumpPairs(item.Attributes) + "]";
  if (!item.LeafNodes.empty()) out += "<" + DumpPairs(item.LeafNodes) + ">";
  out += "(";
  bool first = true;
  for (const auto& entry : item.Items) {
    if (!first) out += ",";
    first = false;
    if (entry.object->ClassType() == BeanClass::kItem) {
      const auto& child = static_cast<const TItem&>(*entry.object);
      // A row is listed under its name, or its element name when it has none.
      const std::string expected_key = root ? std::string() : child.Name.empty() ? child.NodeName : child.Name;
      if (entry.key != expected_key) out += "!key:" + T(entry.key);
      out += DumpItem(child);
    } else {
      const auto& property = static_cast<const TItemProperty&>(*entry.object);
      if (entry.key != property.Name) out.append("!key:").append(T(entry.key));
      out.append(T(property.Name)).append("=").append(T(property.Text));
      if (!property.Value.empty() || !property.DataType.empty()) {
        out.append("|").append(T(property.Value)).append("|").append(T(property.DataType));
      }
    }
  }
  return out + ")";
}

// The bean in one line: service, user, createTime, properties, item lists.
std::string DumpBean(const TCommonXmlBean& bean) {
  const TService& s = *bean.Service;
  const TUser& u = *bean.User;
  std::string out = "S{" + T(s.Handler) + "|" + T(s.Action) + "|" + T(s.HandleTime) + "|" + T(s.RepCode) + "|" +
                    T(s.ReturnMessage) + "|" + T(s.LastGetTime) + "}";
  out += " U{" + T(u.UserId) + "|" + T(u.LoginName) + "|" + T(u.LoginType) + "|" + T(u.Password) + "|" +
         T(u.UserType) + "|" + T(u.EncryptedPassword) + "}";
  if (!u.Attributes.empty()) out += "[" + DumpPairs(u.Attributes) + "]";
  if (!u.LeafNodes.empty()) out += "<" + DumpPairs(u.LeafNodes) + ">";
  out += " T" + std::to_string(bean.CreateTime) + " P{";
  bool first = true;
  for (const auto& [key, value] : bean.Response->Properties) {
    if (!first) out += ";";
    first = false;
    out += T(key) + "=" + T(value);
  }
  out += "} " + DumpItem(*bean.Items, true);
  if (!bean.Request->Properties.empty() || !bean.Request->Items.empty()) out += " request filled!";
  return out;
}

std::string Read(std::u16string_view text) {
  Result<std::unique_ptr<TCommonXmlBean>> bean = TXMLBeanParser::ParseXml(text);
  if (!bean.ok()) return "none";
  if (bean.value() == nullptr) return "null bean";
  return DumpBean(**bean);
}

const char kEmptyHead[] = "S{|||||} U{|||||} T0 P{} ";

// The result document of the update pass: two module rows, one of cells, one of elements.
const std::u16string kResultDocument =
    u"<root>\n"
    u"  <arrayList name='list1'>\n"
    u"    <row>\n"
    u"      <cell name='moduleType' value='00'/>\n"
    u"      <cell name='moduleCode' value='main'/>\n"
    u"      <cell name='moduleName' value='main program'/>\n"
    u"      <cell name='id' value='1'/>\n"
    u"      <cell name='versionNumber' value='1.0.3'/>\n"
    u"      <cell name='filePath' value='/files/Tabulon.exe'/>\n"
    u"      <cell name='fileName' value='Tabulon.exe'/>\n"
    u"    </row>\n"
    u"    <row>\n"
    u"      <moduleType>20</moduleType>\n"
    u"      <moduleCode>M001</moduleCode>\n"
    u"      <moduleName>templates</moduleName>\n"
    u"      <id>2</id>\n"
    u"      <versionNumber>2.1</versionNumber>\n"
    u"      <filePath>/files/report1.xml</filePath>\n"
    u"      <fileName>report1.xml</fileName>\n"
    u"    </row>\n"
    u"  </arrayList>\n"
    u"</root>\n";

const char kResultDump[] =
    "S{|||||} U{|||||} T0 P{} :(arrayList:list1[name=list1]("
    "row:<cell=;cell=;cell=;cell=;cell=;cell=;cell=>(moduleType=|00|,moduleCode=|main|,moduleName=|main program|,id=|1|,versionNumber=|1.0.3|,"
    "filePath=|/files/Tabulon.exe|,fileName=|Tabulon.exe|),"
    "row:(moduleType=20,moduleCode=M001,moduleName=templates,id=2,versionNumber=2.1,"
    "filePath=/files/report1.xml,fileName=report1.xml)))";

struct ReadCase {
  const char* what;
  std::u16string text;
  std::string expected;  // the bean's dump, or "none"
};

const ReadCase kReadCases[] = {
    {"the result document", kResultDocument, kResultDump},
    {"no head", u"<root/>", std::string(kEmptyHead) + ":()"},
    {"head fields",
     u"<r><head><handler>h</handler><action>a</action><handleTime>t</handleTime><repcode> 1 </repcode>"
     u"<returnMessage>\u6210\u529F</returnMessage><lastGetTime>l</lastGetTime><createTime>1700000000123</createTime>"
     u"</head></r>",
     "S{h|a|t|1|\u6210\u529F|l} U{|||||} T1700000000123 P{} :()"},
    {"first head and first fields only",
     u"<r><head><repcode>1</repcode><repcode>2</repcode></head><head><repcode>3</repcode></head></r>",
     "S{|||1||} U{|||||} T0 P{} :()"},
    {"user block",
     u"<r><head><user id='7' kind=\"x\"><userId>u1</userId><loginName>n</loginName><password>p</password>"
     u"<loginType>lt</loginType><userType>ut</userType><encryptedPassword>e</encryptedPassword><flag/></user>"
     u"</head></r>",
     "S{|||||} U{u1|n|lt|p|ut|e}[id=7;kind=x]<flag=> T0 P{} :()"},
    {"createTime not a number", u"<r><head><createTime>abc</createTime></head></r>", std::string(kEmptyHead) + ":()"},
    {"createTime negative", u"<r><head><createTime>-42</createTime></head></r>", "S{|||||} U{|||||} T-42 P{} :()"},
    {"createTime largest", u"<r><head><createTime>9223372036854775807</createTime></head></r>",
     "S{|||||} U{|||||} T9223372036854775807 P{} :()"},
    {"createTime too large", u"<r><head><createTime>9223372036854775808</createTime></head></r>",
     std::string(kEmptyHead) + ":()"},
    {"createTime with a decimal point", u"<r><head><createTime>1.5</createTime></head></r>",
     std::string(kEmptyHead) + ":()"},
    {"properties",
     u"<r><properties>\n  <entry name='xml' value='abc'/>\n  <e name='k' value='1'/>\n  <e name='k' value='2'/>\n"
     u"  <items name='xml' value='hidden'/>\n  <e value='no name'/>\n  <e name='no value'/>\n</properties></r>",
     "S{|||||} U{|||||} T0 P{=no name;k=2;no value=;xml=abc} :()"},
    {"properties holding items only", u"<r><properties><items name='xml' value='v'/></properties></r>",
     std::string(kEmptyHead) + ":()"},
    {"properties holding a comment", u"<r><properties><e name='a' value='1'/><!-- c --></properties></r>", "none"},
    {"properties holding text", u"<r><properties>text<e name='a' value='1'/></properties></r>", "none"},
    {"properties holding cdata", u"<r><properties><![CDATA[x]]></properties></r>", "none"},
    {"empty properties", u"<r><properties/><properties><e name='a' value='1'/></properties></r>",
     std::string(kEmptyHead) + ":()"},
    {"cells",
     u"<r><arrayList name='l'><row><cell>plain</cell><cell name='moduleType' value=''>20</cell>"
     u"<cell name='' value='v'>empty name</cell><cell name='n' value='v' dataType='string'>t</cell></row></arrayList></r>",
     std::string(kEmptyHead) +
         ":(arrayList:l[name=l](row:(cell=plain,moduleType=20,cell=empty name,n=t|v|string)))"},
    {"comment and two rows",
     u"<r><arrayList name='l'><!-- rows --><row><a>1</a></row><row><a>2</a></row></arrayList></r>",
     std::string(kEmptyHead) + ":(arrayList:l[name=l](row:(a=1),row:(a=2)))"},
    {"element with an attribute but no children is a property",
     u"<r><arrayList name='l'><x name='n' v='1'/><y>text<!-- c --><![CDATA[ cd ]]></y></arrayList></r>",
     std::string(kEmptyHead) + ":(arrayList:l[name=l]<x=>(x=,y=text cd ))"},
    {"nested rows and names",
     u"<r><arrayList name='outer' extra='e'><group name='g1'><row><a>1</a></row></group><group><b>2</b></group>"
     u"</arrayList><arrayList><z/></arrayList></r>",
     std::string(kEmptyHead) +
         ":(arrayList:outer[name=outer;extra=e](group:g1[name=g1](row:(a=1)),group:(b=2)),arrayList:<z=>(z=))"},
    {"two lists of one name",
     u"<r><arrayList name='list1'><a>first</a></arrayList><arrayList name='list1'><a>second</a></arrayList></r>",
     std::string(kEmptyHead) + ":(arrayList:list1[name=list1](a=first),arrayList:list1[name=list1](a=second))"},
    {"leading white space and line breaks", u" \r\n\t <r><head><repcode>1</repcode></head></r> \r\n",
     "S{|||1||} U{|||||} T0 P{} :()"},
    {"xml declaration", u"\n<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<r><head><repcode>1</repcode></head></r>",
     "S{|||1||} U{|||||} T0 P{} :()"},
    {"root name not looked at", u"<anything><head><repcode>0</repcode></head></anything>",
     "S{|||0||} U{|||||} T0 P{} :()"},
    {"names are case-sensitive", u"<r><Head><repcode>1</repcode></Head><ArrayList name='l'/></r>",
     std::string(kEmptyHead) + ":()"},
    {"chinese in gbk",
     u"<r><arrayList name='\u5217\u8868'><row><cell name='moduleName' value='\u4F01\u4E1A\uFF08\u62A5\u8868\uFF09'/>"
     u"<\u540D\u79F0>\u4E91\u5C9A</\u540D\u79F0></row></arrayList></r>",
     std::string(kEmptyHead) +
         ":(arrayList:\u5217\u8868[name=\u5217\u8868](row:<cell=>(moduleName=|\u4F01\u4E1A\uFF08\u62A5\u8868\uFF09|,"
         "\u540D\u79F0=\u4E91\u5C9A)))"},
    {"characters outside gbk", u"<r><head><returnMessage>a\u0E01b\u3400c</returnMessage></head></r>",
     "S{||||a?b?c|} U{|||||} T0 P{} :()"},
    {"not well-formed", u"<r><head></r>", "none"},
    {"empty text", u"", "none"},
    {"blank text", u" \r\n ", "none"},
    {"text only", u"repcode", "none"},
    {"nul character", std::u16string(u"<r/>\0<x/>", 9), "none"},
    {"document type", u"<!DOCTYPE r [<!ENTITY e \"1\">]><r><head><repcode>&e;</repcode></head></r>", "none"},
};

TEST(XmlBeanParser, TableOfDocuments) {
  for (const auto& c : kReadCases) {
    EXPECT_EQ(Read(c.text), c.expected) << c.what;
  }
}

TEST(XmlBeanParser, UpdatePassReadsTheResultDocument) {
  Result<std::unique_ptr<TCommonXmlBean>> bean = TXMLBeanParser::ParseXml(kResultDocument);
  ASSERT_TRUE(bean.ok()) << bean.status().ToString();
  const TItem* list = (*bean)->Items->FindItem("list1");
  ASSERT_NE(list, nullptr);
  EXPECT_EQ((*bean)->Items->FindItem("List1"), nullptr);
  const char* expected[2][7] = {
      {"00", "main", "main program", "1", "1.0.3", "/files/Tabulon.exe", "Tabulon.exe"},
      {"20", "M001", "templates", "2", "2.1", "/files/report1.xml", "report1.xml"},
  };
  const char* cells[7] = {"moduleType", "moduleCode", "moduleName", "id", "versionNumber", "filePath", "fileName"};
  for (int r = 0; r < 2; ++r) {
    const TItem* row = list->GetItem(r);
    ASSERT_NE(row, nullptr) << r;
    for (int c = 0; c < 7; ++c) EXPECT_EQ(row->GetValue(cells[c], false), expected[r][c]) << r << " " << cells[c];
    EXPECT_EQ(row->GetValue("moduletype", false), "");
    EXPECT_EQ(row->GetValue("moduletype", true), expected[r][0]);
  }
  EXPECT_EQ(list->GetItem(2), nullptr);
}

TEST(XmlBeanParser, OuterReplyCarriesTheResultDocument) {
  // The outer document of a service reply: the result document in UTF-8 and Base64 in the
  // "xml" entry of its properties.
  const std::string encoded = Base64Encode(Utf16ToUtf8(kResultDocument));
  const std::u16string outer = u"<root>\n  <head>\n    <repcode>1</repcode>\n    <returnMessage/>\n  </head>\n"
                               u"  <properties>\n    <entry name='xml' value='" +
                               AnsiToUtf16(encoded) + u"'/>\n  </properties>\n</root>";
  Result<std::unique_ptr<TCommonXmlBean>> bean = TXMLBeanParser::ParseXml(outer);
  ASSERT_TRUE(bean.ok()) << bean.status().ToString();
  EXPECT_EQ((*bean)->Service->RepCode, "1");
  EXPECT_EQ((*bean)->Service->ReturnMessage, "");
  const std::string xml = (*bean)->Response->GetValue("xml");
  EXPECT_EQ(xml, encoded);
  Result<std::unique_ptr<TCommonXmlBean>> result = TXMLBeanParser::ParseXml(Utf8ToUtf16(Base64Decode(xml)));
  ASSERT_TRUE(result.ok()) << result.status().ToString();
  EXPECT_EQ(DumpBean(**result), kResultDump);
}

TEST(XmlBeanParser, TextsEnterTheBeanInTheAnsiCodePage) {
  ASSERT_EQ(AnsiCodePage(), 936u);
  Result<std::unique_ptr<TCommonXmlBean>> bean = TXMLBeanParser::ParseXml(
      u"<r><head><returnMessage>\u9519\u8BEF\u0E01</returnMessage></head>"
      u"<arrayList name='\u5217'><row><cell name='\u540D' value='\uFF08\u653F\u5E9C\uFF09'/></row></arrayList></r>");
  ASSERT_TRUE(bean.ok()) << bean.status().ToString();
  EXPECT_EQ((*bean)->Service->ReturnMessage, "\xB4\xED\xCE\xF3?");  // 错误, then a character GBK lacks
  const TItem* list = (*bean)->Items->FindItem("\xC1\xD0");          // 列
  ASSERT_NE(list, nullptr);
  ASSERT_NE(list->GetItem(0), nullptr);
  EXPECT_EQ(list->GetItem(0)->GetValue("\xC3\xFB", false), "\xA3\xA8\xD5\xFE\xB8\xAE\xA3\xA9");  // 名: （政府）
}

TEST(XmlBeanParser, NestingLimit) {
  // Items nested as deep as the DOM allows are read; one level more is refused.
  auto nested = [](int depth) {
    std::u16string text = u"<r><arrayList name='l'>";
    for (int i = 0; i < depth; ++i) text += u"<e>";
    text += u"x";
    for (int i = 0; i < depth; ++i) text += u"</e>";
    return text + u"</arrayList></r>";
  };
  Result<std::unique_ptr<TCommonXmlBean>> deepest = TXMLBeanParser::ParseXml(nested(255));
  ASSERT_TRUE(deepest.ok()) << deepest.status().ToString();
  const TItem* item = (*deepest)->Items->FindItem("l");
  int depth = 0;
  while (item != nullptr && item->GetItem(0) != nullptr) {
    item = item->GetItem(0);
    ++depth;
  }
  EXPECT_EQ(depth, 254);  // the innermost <e> holds text only: a property
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->GetValue("e", false), "x");
  EXPECT_FALSE(TXMLBeanParser::ParseXml(nested(256)).ok());
  EXPECT_FALSE(TXMLBeanParser::ParseXml(nested(50000)).ok());
}

TEST(XmlBeanParser, ParserLookups) {
  TXMLBeanParser parser;
  EXPECT_EQ(parser.Root(), nullptr);
  ASSERT_TRUE(parser.Load(u"<r a='1'>text<c/><c x='2'/><!-- n --><d><c/></d></r>").ok());
  const xml::DomNode* root = parser.Root();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(*parser.GetAttribute(*root, "a"), "1");
  EXPECT_EQ(*parser.GetAttribute(*root, "b"), "");
  Result<std::vector<xml::DomNodePtr>> cs = parser.SelectNodes(*root, "c");
  ASSERT_TRUE(cs.ok());
  ASSERT_EQ(cs->size(), 2u);  // children only, not the <c/> inside <d>
  EXPECT_EQ(*parser.GetAttribute(*(*cs)[1], "x"), "2");
  EXPECT_TRUE(parser.SelectNodes(*root, "none")->empty());
  EXPECT_EQ(*parser.SelectNode(*root, "none"), nullptr);
  EXPECT_EQ(*parser.GetNodeText(nullptr, "c"), "");
  EXPECT_EQ(*parser.GetNodeText(root, "missing"), "");
  // A text node has no attributes: reading one is an error, not an empty text.
  Result<xml::DomNodePtr> text = root->FirstChild();
  ASSERT_TRUE(text.ok() && *text != nullptr);
  EXPECT_FALSE(parser.GetAttribute(**text, "a").ok());
  EXPECT_EQ(*IsContentNode(**text), false);
  EXPECT_EQ(*ContentChildCount(*root), 3);
  // A failed load leaves no root behind.
  EXPECT_FALSE(parser.Load(u"<r>").ok());
  EXPECT_EQ(parser.Root(), nullptr);
}

TEST(XmlBeanParser, ParserWithoutDocumentFailsCleanly) {
  TXMLBeanParser parser(Result<std::unique_ptr<xml::DomDocument>>(Status::Internal("no DOM here")));
  Result<std::unique_ptr<TCommonXmlBean>> bean = parser.Parse(u"<r/>");
  ASSERT_FALSE(bean.ok());
  EXPECT_EQ(bean.status().message(), "no DOM here");
}

TEST(XmlBeanParser, OneParserReadsSeveralDocuments) {
  TXMLBeanParser parser;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(parser.Parse(u"<r>").ok(), false);
    Result<std::unique_ptr<TCommonXmlBean>> bean = parser.Parse(u"<r><head><repcode>" +
                                                                AnsiToUtf16(std::to_string(i)) +
                                                                u"</repcode></head></r>");
    ASSERT_TRUE(bean.ok());
    EXPECT_EQ((*bean)->Service->RepCode, std::to_string(i));
  }
}

}  // namespace
}  // namespace tabulon
