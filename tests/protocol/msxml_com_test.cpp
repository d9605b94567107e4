// The bean reader on MSXML under every COM state its caller may leave the thread in.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <thread>

#include "protocol/xml_bean_parser.h"

namespace tabulon {
namespace {

// Reads a small bean on a new thread whose COM state `setup` establishes (and `teardown`
// undoes), and reports what a CoInitializeEx after the read returned: S_OK when the reader
// left COM as it found it uninitialised, S_FALSE when the caller's own initialisation is
// still in place.
struct ThreadResult {
  bool read = false;
  std::string repcode;
  HRESULT after = E_FAIL;
};

ThreadResult ReadOnThread(DWORD init_flags, bool caller_initialises) {
  ThreadResult result;
  std::thread thread([&] {
    if (caller_initialises) CoInitializeEx(nullptr, init_flags);
    {
      Result<std::unique_ptr<TCommonXmlBean>> bean =
          TXMLBeanParser::ParseXml(u"<r><head><repcode>1</repcode></head></r>");
      result.read = bean.ok();
      if (bean.ok()) result.repcode = (*bean)->Service->RepCode;
      // The bean holds nothing of COM: it outlives the parser and the apartment.
    }
    result.after = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(result.after)) CoUninitialize();
    if (caller_initialises) CoUninitialize();
  });
  thread.join();
  return result;
}

TEST(MsxmlCom, ReadsWhenTheCallerHasNotInitialisedCom) {
  ThreadResult r = ReadOnThread(0, false);
  EXPECT_TRUE(r.read);
  EXPECT_EQ(r.repcode, "1");
  EXPECT_EQ(r.after, S_OK);  // the reader's own initialisation was undone
}

TEST(MsxmlCom, ReadsInTheCallersSingleThreadedApartment) {
  ThreadResult r = ReadOnThread(COINIT_APARTMENTTHREADED, true);
  EXPECT_TRUE(r.read);
  EXPECT_EQ(r.repcode, "1");
  EXPECT_EQ(r.after, S_FALSE);  // still the caller's apartment
}

TEST(MsxmlCom, ReadsInTheCallersMultithreadedApartment) {
  ThreadResult r = ReadOnThread(COINIT_MULTITHREADED, true);
  EXPECT_TRUE(r.read);
  EXPECT_EQ(r.repcode, "1");
  EXPECT_EQ(r.after, RPC_E_CHANGED_MODE);  // the reader did not change the apartment
}

TEST(MsxmlCom, NodesKeepComAliveAfterTheirParser) {
  // A node handed out by a parser stays usable after the parser is gone.
  std::thread thread([] {
    xml::DomNodePtr kept;
    {
      TXMLParser parser;
      ASSERT_TRUE(parser.Load(u"<r><a>text</a></r>").ok());
      Result<xml::DomNodePtr> a = parser.SelectNode(*parser.Root(), "a");
      ASSERT_TRUE(a.ok() && *a != nullptr);
      kept = std::move(a).value();
    }
    Result<std::u16string> text = kept->Text();
    ASSERT_TRUE(text.ok());
    EXPECT_EQ(*text, u"text");
    kept.reset();
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    CoUninitialize();
  });
  thread.join();
}

}  // namespace
}  // namespace tabulon
