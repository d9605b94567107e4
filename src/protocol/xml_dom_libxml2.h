// The XML DOM of protocol/xml_dom.h on libxml2 (the native build), made to behave as
// MSXML2 DOMDocument does in everything that header lists.
#pragma once

#include <memory>

#include "base/status.h"
#include "protocol/xml_dom.h"

namespace tabulon::xml {

Result<std::unique_ptr<DomDocument>> CreateLibxml2Document();

}  // namespace tabulon::xml
