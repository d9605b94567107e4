// The XML DOM of protocol/xml_dom.h on MSXML2 DOMDocument, the COM class
// {F6D90F11-9C73-11D3-B32E-00C04F990BB4} obtained as IXMLDOMDocument2.
//
// COM: the document and every node handed out share one hold on COM for the calling
// thread. When the thread has not initialised COM, creating the document initialises it
// as a single-threaded apartment and the last object released uninitialises it again;
// when the thread already has COM (the loader's main thread), this only adds to its count.
// Use the document and its nodes on the thread that created them.
#pragma once

#include <memory>

#include "base/status.h"
#include "protocol/xml_dom.h"

namespace tabulon::win32 {

Result<std::unique_ptr<xml::DomDocument>> CreateMsxmlDocument();

}  // namespace tabulon::win32
