// Result documents of the update pass for the benchmark and the timing program: `rows`
// module rows in the item "list1", alternately written with cells and with plain elements,
// module names in Chinese.
#pragma once

#include <string>

namespace tabulon::testing {

inline std::u16string ModuleRowsDocument(int rows) {
  std::u16string text = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<root>\n  <arrayList name='list1'>\n";
  for (int i = 0; i < rows; ++i) {
    std::u16string n;
    for (char c : std::to_string(i)) n.push_back(static_cast<char16_t>(c));
    if (i % 2 == 0) {
      text += u"    <row>\n"
              u"      <cell name='moduleType' value='20'/>\n"
              u"      <cell name='moduleCode' value='M" + n + u"'/>\n"
              u"      <cell name='moduleName' value='\u8D22\u52A1\u62A5\u8868\u6A21\u677F" + n + u"'/>\n"
              u"      <cell name='id' value='" + n + u"'/>\n"
              u"      <cell name='versionNumber' value='2.1." + n + u"'/>\n"
              u"      <cell name='filePath' value='/files/templates/report" + n + u".xml'/>\n"
              u"      <cell name='fileName' value='report" + n + u".xml'/>\n"
              u"    </row>\n";
    } else {
      text += u"    <row>\n"
              u"      <moduleType>20</moduleType>\n"
              u"      <moduleCode>M" + n + u"</moduleCode>\n"
              u"      <moduleName>\u8D22\u52A1\u62A5\u8868\u6A21\u677F" + n + u"</moduleName>\n"
              u"      <id>" + n + u"</id>\n"
              u"      <versionNumber>2.1." + n + u"</versionNumber>\n"
              u"      <filePath>/files/templates/report" + n + u".xml</filePath>\n"
              u"      <fileName>report" + n + u".xml</fileName>\n"
              u"    </row>\n";
    }
  }
  return text + u"  </arrayList>\n</root>\n";
}

}  // namespace tabulon::testing
