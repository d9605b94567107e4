// Fuzzes the bean reader (libxml2 DOM) and the lookups on what it reads. The input is UTF-8
// text, converted to UTF-16 as the reader takes it; an input starting with the byte 0xFF
// is taken as raw UTF-16LE instead, to reach unpaired surrogates and the like.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/encoding.h"
#include "protocol/xml_bean_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text;
  if (size > 0 && data[0] == 0xFF) {
    for (size_t i = 1; i + 1 < size; i += 2) text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
  } else {
    text = tabulon::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(data), size));
  }
  auto bean = tabulon::TXMLBeanParser::ParseXml(text);
  if (!bean.ok()) return 0;
  const tabulon::TCommonXmlBean& b = **bean;
  size_t total = b.Service->RepCode.size() + b.User->UserId.size() + b.Response->GetValue("xml").size();
  for (int i = 0; const tabulon::TItem* list = b.Items->GetItem(i); ++i) {
    const tabulon::TItem* found = b.Items->FindItem(list->Name);
    if (found == nullptr) __builtin_trap();  // a list is always found by its own name
    for (int r = 0; const tabulon::TItem* row = list->GetItem(r); ++r) {
      total += row->GetValue("moduleType", false).size() + row->GetValue("MODULETYPE", true).size();
      total += row->Items.size() + row->Attributes.size() + row->LeafNodes.size();
    }
  }
  return total == static_cast<size_t>(-1);
}
