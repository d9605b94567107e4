// The control object in process: its form's state behind the properties, the form's events
// on a page's sink (OnCreate once, OnKeyPress by reference), its release while events are
// being delivered, the application title of the message box, and the registry read of the
// launch method.
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "control/control.h"
#include "control/launch_win32.h"
#include "control/server.h"

namespace tabulon::control {
namespace {

// A page's event sink: records each event (and the key of OnKeyPress) and can act on it.
class Sink final : public IDispatch {
 public:
  struct Event {
    DISPID id;
    int key;  // OnKeyPress: the key as received; else -1
  };
  std::vector<Event> events;
  std::function<void(DISPID, SHORT*)> on_event;  // runs after recording
  bool answers_events_interface = true;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        (answers_events_interface && IsEqualIID(riid, DIID_IBrindleXEvents))) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs_; }  // lives on the test's stack
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    EXPECT_EQ(flags, DISPATCH_METHOD);
    SHORT* key = nullptr;
    if (id == 207) {
      EXPECT_EQ(params->cArgs, 1u);
      EXPECT_EQ(params->rgvarg[0].vt, VT_I2 | VT_BYREF);
      key = params->rgvarg[0].piVal;
    } else {
      EXPECT_EQ(params->cArgs, 0u);
    }
    events.push_back({id, key ? *key : -1});
    if (on_event) on_event(id, key);
    return S_OK;
  }
  std::vector<DISPID> ids() const {
    std::vector<DISPID> out;
    for (const auto& e : events) out.push_back(e.id);
    return out;
  }

 private:
  ULONG refs_ = 1;
};

class ControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    ASSERT_EQ(BrindleXControl::Create(IID_IBrindleX, reinterpret_cast<void**>(control_.GetAddressOf())), S_OK);
    ASSERT_EQ(control_.As(&container_), S_OK);
    ASSERT_EQ(container_->FindConnectionPoint(DIID_IBrindleXEvents, &point_), S_OK);
  }
  void TearDown() override {
    point_.Reset();
    container_.Reset();
    control_.Reset();
    OleUninitialize();
  }
  BrindleForm* form() { return static_cast<BrindleXControl*>(control_.Get())->form(); }
  HWND form_window() { return form()->hwnd(); }

  ComPtr<IBrindleX> control_;
  ComPtr<IConnectionPointContainer> container_;
  ComPtr<IConnectionPoint> point_;
};

constexpr DISPID kOnActivate = 201, kOnClick = 202, kOnCreate = 203, kOnDblClick = 204, kOnDestroy = 205,
                 kOnDeactivate = 206, kOnPaint = 208;

TEST_F(ControlTest, OnCreateComesOnceWhenTheFirstSinkConnects) {
  Sink refused;
  refused.answers_events_interface = false;
  DWORD cookie = 0;
  EXPECT_EQ(point_->Advise(&refused, &cookie), CONNECT_E_CANNOTCONNECT);
  EXPECT_EQ(point_->Unadvise(1), CONNECT_E_NOCONNECTION);
  EXPECT_TRUE(refused.events.empty());

  Sink sink;
  ASSERT_EQ(point_->Advise(&sink, &cookie), S_OK);
  EXPECT_EQ(sink.ids(), std::vector<DISPID>{kOnCreate});
  Sink second;
  DWORD second_cookie = 0;
  EXPECT_EQ(point_->Advise(&second, &second_cookie), CONNECT_E_ADVISELIMIT) << "one sink at a time";
  EXPECT_EQ(point_->Unadvise(cookie + 1), CONNECT_E_NOCONNECTION);
  ASSERT_EQ(point_->Unadvise(cookie), S_OK);

  // Reconnecting, with the same sink or another, raises no second OnCreate.
  ASSERT_EQ(point_->Advise(&sink, &cookie), S_OK);
  ASSERT_EQ(point_->Unadvise(cookie), S_OK);
  ASSERT_EQ(point_->Advise(&second, &second_cookie), S_OK);
  EXPECT_EQ(sink.ids(), std::vector<DISPID>{kOnCreate});
  EXPECT_TRUE(second.events.empty());
  ASSERT_EQ(point_->Unadvise(second_cookie), S_OK);
}

TEST_F(ControlTest, TheFormsEventsReachTheConnectedSinkOnly) {
  const struct {
    const char* what;
    std::vector<UINT> messages;
    DISPID event;
  } cases[] = {
      {"focus", {WM_SETFOCUS}, kOnActivate},
      {"click", {WM_LBUTTONDOWN, WM_LBUTTONUP}, kOnClick},
      {"double click", {WM_LBUTTONDBLCLK}, kOnDblClick},
      {"focus lost", {WM_KILLFOCUS}, kOnDeactivate},
      {"paint", {WM_PAINT}, kOnPaint},
  };
  // Without a sink the events go nowhere.
  for (const auto& c : cases) {
    for (UINT m : c.messages) SendMessageA(form_window(), m, 0, MAKELPARAM(5, 5));
  }
  Sink sink;
  DWORD cookie = 0;
  ASSERT_EQ(point_->Advise(&sink, &cookie), S_OK);
  for (const auto& c : cases) {
    sink.events.clear();
    for (UINT m : c.messages) SendMessageA(form_window(), m, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(sink.ids(), std::vector<DISPID>{c.event}) << c.what;
  }
  VARIANT_BOOL active = VARIANT_FALSE;
  SendMessageA(form_window(), WM_SETFOCUS, 0, 0);
  ASSERT_EQ(control_->get_Active(&active), S_OK);
  EXPECT_EQ(active, VARIANT_TRUE);
  SendMessageA(form_window(), WM_KILLFOCUS, 0, 0);
  ASSERT_EQ(control_->get_Active(&active), S_OK);
  EXPECT_EQ(active, VARIANT_FALSE);
  ASSERT_EQ(point_->Unadvise(cookie), S_OK);
  sink.events.clear();
  SendMessageA(form_window(), WM_PAINT, 0, 0);
  EXPECT_TRUE(sink.events.empty());
}

TEST_F(ControlTest, OnKeyPressLetsThePageChangeOrClearTheKey) {
  const struct {
    BYTE key;
    int replacement;  // -1: the page leaves the key alone
    int received;
    char form_key;
  } cases[] = {
      {'a', -1, 'a', 'a'},
      {'a', 'b', 'a', 'b'},
      {'a', 0, 'a', 0},                                  // cleared
      {0xB0, -1, 0xB0, static_cast<char>(0xB0)},         // a lead byte arrives without sign extension
      {'x', 0x141, 'x', 'A'},                            // the low byte of what comes back
      {'x', -2, 'x', static_cast<char>(0xFE)},           // a negative short: its low byte
  };
  Sink sink;
  DWORD cookie = 0;
  ASSERT_EQ(point_->Advise(&sink, &cookie), S_OK);
  for (const auto& c : cases) {
    sink.events.clear();
    sink.on_event = [&](DISPID, SHORT* key) {
      if (key && c.replacement != -1) *key = static_cast<SHORT>(c.replacement);
    };
    SendMessageA(form_window(), WM_CHAR, c.key, 0);
    ASSERT_EQ(sink.events.size(), 1u);
    EXPECT_EQ(sink.events[0].key, c.received) << int{c.key};
    EXPECT_EQ(form()->last_key(), c.form_key) << int{c.key} << " -> " << c.replacement;
  }
  ASSERT_EQ(point_->Unadvise(cookie), S_OK);
}

TEST_F(ControlTest, ReleasedWhileConnectedItRaisesOnDestroy) {
  Sink sink;
  DWORD cookie = 0;
  ASSERT_EQ(point_->Advise(&sink, &cookie), S_OK);
  point_.Reset();
  container_.Reset();
  control_.Reset();
  EXPECT_EQ(sink.ids(), (std::vector<DISPID>{kOnCreate, kOnDestroy}));
}

TEST_F(ControlTest, APageMayReleaseTheControlFromItsEventHandler) {
  Sink sink;
  DWORD cookie = 0;
  ASSERT_EQ(point_->Advise(&sink, &cookie), S_OK);
  HWND window = form_window();
  point_.Reset();
  container_.Reset();
  // The page's last reference goes away while the form handles the click.
  sink.on_event = [&](DISPID id, SHORT*) {
    if (id == kOnClick) control_.Reset();
  };
  SendMessageA(window, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
  SendMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(sink.ids(), (std::vector<DISPID>{kOnCreate, kOnClick, kOnDestroy}));
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(CanUnloadNow(), S_OK);
}

TEST_F(ControlTest, AFreshControlShowsTheFormsDesignAndDefaults) {
  VARIANT_BOOL b = 0;
  LONG n = 0;
  OLE_COLOR color = 0;
  enum TxActiveFormBorderStyle border = afbRaised;
  enum TxPrintScale scale = poNone;
  BSTR text = nullptr;
  const struct {
    const char* name;
    std::function<HRESULT(VARIANT_BOOL*)> get;
    VARIANT_BOOL expected;
  } booleans[] = {
      {"Visible", [&](VARIANT_BOOL* v) { return control_->get_Visible(v); }, VARIANT_FALSE},
      {"AutoScroll", [&](VARIANT_BOOL* v) { return control_->get_AutoScroll(v); }, VARIANT_TRUE},
      {"AutoSize", [&](VARIANT_BOOL* v) { return control_->get_AutoSize(v); }, VARIANT_FALSE},
      {"KeyPreview", [&](VARIANT_BOOL* v) { return control_->get_KeyPreview(v); }, VARIANT_FALSE},
      {"Scaled", [&](VARIANT_BOOL* v) { return control_->get_Scaled(v); }, VARIANT_TRUE},
      {"Active", [&](VARIANT_BOOL* v) { return control_->get_Active(v); }, VARIANT_FALSE},
      {"DropTarget", [&](VARIANT_BOOL* v) { return control_->get_DropTarget(v); }, VARIANT_FALSE},
      {"ScreenSnap", [&](VARIANT_BOOL* v) { return control_->get_ScreenSnap(v); }, VARIANT_FALSE},
      {"DoubleBuffered", [&](VARIANT_BOOL* v) { return control_->get_DoubleBuffered(v); }, VARIANT_FALSE},
      {"AlignDisabled", [&](VARIANT_BOOL* v) { return control_->get_AlignDisabled(v); }, VARIANT_FALSE},
      {"Enabled", [&](VARIANT_BOOL* v) { return control_->get_Enabled(v); }, VARIANT_TRUE},
  };
  for (const auto& c : booleans) {
    ASSERT_EQ(c.get(&b), S_OK) << c.name;
    EXPECT_EQ(b, c.expected) << c.name;
  }
  ASSERT_EQ(control_->get_Caption(&text), S_OK);
  EXPECT_STREQ(text, L"BrindleX");
  SysFreeString(text);
  ASSERT_EQ(control_->get_HelpFile(&text), S_OK);
  EXPECT_STREQ(text, L"");
  SysFreeString(text);
  ASSERT_EQ(control_->get_Color(&color), S_OK);
  EXPECT_EQ(color, 0xFF00000Fu) << "the form library's clBtnFace, passed on unconverted";
  ASSERT_EQ(control_->get_AxBorderStyle(&border), S_OK);
  EXPECT_EQ(border, afbNone);
  ASSERT_EQ(control_->get_PrintScale(&scale), S_OK);
  EXPECT_EQ(scale, poProportional);
  ASSERT_EQ(control_->get_PixelsPerInch(&n), S_OK);
  EXPECT_EQ(n, 96);
  ASSERT_EQ(control_->get_SnapBuffer(&n), S_OK);
  EXPECT_EQ(n, 10);
  ASSERT_EQ(control_->get_VisibleDockClientCount(&n), S_OK);
  EXPECT_EQ(n, 0);
  Font* font = nullptr;
  ASSERT_EQ(control_->get_Font(&font), S_OK);
  ASSERT_NE(font, nullptr);
  ComPtr<IFont> ole_font;
  ASSERT_EQ(font->QueryInterface(IID_IFont, reinterpret_cast<void**>(ole_font.GetAddressOf())), S_OK);
  font->Release();
  BSTR name = nullptr;
  ole_font->get_Name(&name);
  EXPECT_STREQ(name, L"MS Sans Serif");
  SysFreeString(name);
  BOOL bold = TRUE;
  ole_font->get_Bold(&bold);
  EXPECT_FALSE(bold);
  EXPECT_EQ(control_->get_Caption(nullptr), E_POINTER);
  EXPECT_EQ(control_->get_Visible(nullptr), E_POINTER);
}

TEST_F(ControlTest, SettersStoreWhatTheFormTakes) {
  LONG n = 0;
  enum TxPrintScale scale = poNone;
  // The form keeps the print scale in one byte.
  ASSERT_EQ(control_->put_PrintScale(static_cast<enum TxPrintScale>(0x102)), S_OK);
  ASSERT_EQ(control_->get_PrintScale(&scale), S_OK);
  EXPECT_EQ(scale, poPrintToFit);
  // PixelsPerInch takes 0 or a plausible resolution.
  const struct {
    LONG put;
    LONG read;
  } resolutions[] = {{120, 120}, {20, 120}, {36, 36}, {0, 0}, {-5, 0}};
  for (const auto& r : resolutions) {
    ASSERT_EQ(control_->put_PixelsPerInch(r.put), S_OK);
    ASSERT_EQ(control_->get_PixelsPerInch(&n), S_OK);
    EXPECT_EQ(n, r.read) << r.put;
  }
  // Setting Visible shows the form within its hidden parking window, never on the screen.
  ASSERT_EQ(control_->put_Visible(VARIANT_TRUE), S_OK);
  VARIANT_BOOL visible = VARIANT_FALSE;
  ASSERT_EQ(control_->get_Visible(&visible), S_OK);
  EXPECT_EQ(visible, VARIANT_TRUE);
  EXPECT_FALSE(IsWindowVisible(form_window()));
  // Enabled goes to the window.
  ASSERT_EQ(control_->put_Enabled(VARIANT_FALSE), S_OK);
  EXPECT_FALSE(IsWindowEnabled(form_window()));
}

TEST_F(ControlTest, DescribesItselfToContainers) {
  ComPtr<IProvideClassInfo2> class_info;
  ASSERT_EQ(control_.As(&class_info), S_OK);
  ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(class_info->GetClassInfo(&coclass), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
  EXPECT_TRUE(IsEqualGUID(attr->guid, CLSID_BrindleX));
  coclass->ReleaseTypeAttr(attr);
  GUID source = GUID_NULL;
  ASSERT_EQ(class_info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
  EXPECT_TRUE(IsEqualGUID(source, DIID_IBrindleXEvents));

  ComPtr<IConnectionPoint> none;
  EXPECT_EQ(container_->FindConnectionPoint(IID_IPropertyNotifySink, &none), CONNECT_E_NOCONNECTION);
  ComPtr<IEnumConnectionPoints> points;
  ASSERT_EQ(container_->EnumConnectionPoints(&points), S_OK);
  IConnectionPoint* found[2] = {};
  ULONG fetched = 0;
  EXPECT_EQ(points->Next(2, found, &fetched), S_FALSE);
  ASSERT_EQ(fetched, 1u);
  EXPECT_EQ(found[0], point_.Get());
  found[0]->Release();

  ComPtr<IOleObject> ole;
  ASSERT_EQ(control_.As(&ole), S_OK);
  DWORD status = 0;
  ASSERT_EQ(ole->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK);
  EXPECT_EQ(status, 140689u);
  SIZEL extent{};
  ASSERT_EQ(ole->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
  EXPECT_EQ(extent.cx, MulDiv(924, 2540, 96));  // the form's design size, in HIMETRIC
  EXPECT_EQ(extent.cy, MulDiv(480, 2540, 96));
}

TEST(ApplicationTitle, IsTheHostsFileNameCutAtTheFirstDotWithTheRestInLowerCase) {
  const struct {
    std::u16string path;
    std::u16string title;
  } cases[] = {
      {u"C:\\Program Files\\HOSTAPP.EXE", u"Hostapp"},
      {u"C:\\Windows\\system32\\cscript.exe", u"cscript"},
      {u"D:\\My.Host.App.exe", u"My"},
      {u"C:\\dir.d\\PROG", u"Prog"},
      {u"iexplore.exe", u"iexplore"},
      {u"C:\\\u62A5\u8868\\\u00C4BC.EXE", u"\u00C4bc"},
  };
  for (const auto& c : cases) EXPECT_EQ(ApplicationTitleOf(c.path), c.title);
}

// Only read access is asked for: a key that the user may read but not change still yields
// the directory.
TEST(WindowsLaunchEnvironment, ReadsAKeyThatGrantsReadAccessOnly) {
  const wchar_t kKey[] = L"SOFTWARE\\reduve\\vevo-read-only";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  const wchar_t kDir[] = L"C:\\Tax";
  RegSetValueExW(key, L"path", 0, REG_SZ, reinterpret_cast<const BYTE*>(kDir), sizeof(kDir));
  // From now on everyone may read the key, nobody may change it.
  PSECURITY_DESCRIPTOR read_only = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;KR;;;WD)", SDDL_REVISION_1, &read_only,
                                                                    nullptr));
  EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, read_only), ERROR_SUCCESS);
  LocalFree(read_only);
  RegCloseKey(key);

  HKEY full = nullptr;
  LONG full_access = RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &full);
  if (full_access == ERROR_SUCCESS) RegCloseKey(full);
  WindowsLaunchEnvironment env;
  std::string dir = env.ReadRegistryString(RegistryRoot::kCurrentUser, "SOFTWARE\\reduve\\vevo-read-only", "path");

  // Clean up: the owner may still rewrite the key's permissions.
  HKEY owner = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, kKey, 0, WRITE_DAC | KEY_WOW64_64KEY, &owner) == ERROR_SUCCESS) {
    PSECURITY_DESCRIPTOR open = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:(A;;KA;;;WD)", SDDL_REVISION_1, &open, nullptr);
    RegSetKeySecurity(owner, DACL_SECURITY_INFORMATION, open);
    LocalFree(open);
    RegCloseKey(owner);
  }
  EXPECT_EQ(RegDeleteKeyExW(HKEY_CURRENT_USER, kKey, KEY_WOW64_64KEY, 0), ERROR_SUCCESS);

  EXPECT_EQ(full_access, ERROR_ACCESS_DENIED) << "full access is refused, as for a normal user on the machine key";
  EXPECT_EQ(dir, "C:\\Tax");
}

TEST(WindowsLaunchEnvironment, ReadsStringValuesUpToTheFirstNulAndNothingElse) {
  const wchar_t kKey[] = L"SOFTWARE\\reduve\\vevo-values";
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  const char kTwoStrings[] = "C:\\A\0C:\\B";  // embedded NUL, no final NUL stored
  RegSetValueExA(key, "sz", 0, REG_SZ, reinterpret_cast<const BYTE*>(kTwoStrings), sizeof(kTwoStrings) - 1);
  const char kExpand[] = "%TEMP%\\Tax";
  RegSetValueExA(key, "expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(kExpand), sizeof(kExpand));
  DWORD number = 42;
  RegSetValueExA(key, "dword", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
  RegSetValueExA(key, "empty", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
  const std::string gbk = "C:\\\xB1\xA8\xB1\xED";  // C:\报表
  RegSetValueExA(key, "gbk", 0, REG_SZ, reinterpret_cast<const BYTE*>(gbk.c_str()), static_cast<DWORD>(gbk.size() + 1));
  RegCloseKey(key);

  WindowsLaunchEnvironment env;
  const struct {
    const char* name;
    std::string dir;
  } cases[] = {
      {"sz", "C:\\A"}, {"expand", "%TEMP%\\Tax"}, {"dword", ""}, {"empty", ""}, {"missing", ""}, {"gbk", gbk},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(env.ReadRegistryString(RegistryRoot::kCurrentUser, "SOFTWARE\\reduve\\vevo-values", c.name), c.dir)
        << c.name;
  }
  EXPECT_EQ(env.ReadRegistryString(RegistryRoot::kCurrentUser, "SOFTWARE\\reduve\\no-such-key", "path"), "");
  RegDeleteKeyExW(HKEY_CURRENT_USER, kKey, KEY_WOW64_64KEY, 0);
}

}  // namespace
}  // namespace tabulon::control
