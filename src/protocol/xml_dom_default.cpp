// The platform's DOM: MSXML on Windows (the DOM the product uses), libxml2 elsewhere.
#include "protocol/xml_dom.h"

#ifdef _WIN32
#include "platform/win32/msxml_dom.h"
#else
#include "protocol/xml_dom_libxml2.h"
#endif

namespace tabulon::xml {

Result<std::unique_ptr<DomDocument>> CreateDomDocument() {
#ifdef _WIN32
  return win32::CreateMsxmlDocument();
#else
  return CreateLibxml2Document();
#endif
}

}  // namespace tabulon::xml
