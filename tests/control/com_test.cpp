// A C++ client of the built BrindleProj.ocx: its exports, type library, resources, safety
// answers, error information, property assignment through IDispatch, and a container that
// creates, sites, activates in place and releases the control.
#include <windows.h>
#include <ole2.h>
#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BrindleProj_TLB.h"
#include "support/test_env.h"
#include "support/win32/screenshot.h"
#include "support/win32/windows.h"
#include "win_support.h"

namespace tabulon::control::testing {
namespace {

using Microsoft::WRL::ComPtr;

// {00020430-0000-0000-C000-000000000046}: OLE Automation's stdole2.tlb.
const GUID kStdOleLibId = {0x00020430, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// An export of `module` as a function pointer of type F.
template <typename F>
F Export(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::wstring Str(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }

class Bstr {
 public:
  explicit Bstr(const wchar_t* s) : b_(SysAllocString(s)) {}
  Bstr() = default;
  ~Bstr() { SysFreeString(b_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR* out() { return &b_; }
  BSTR get() const { return b_; }
  std::wstring str() const { return Str(b_); }

 private:
  BSTR b_ = nullptr;
};

// The .ocx beside the test program, loaded as COM loads it, with its four exports.
class Ocx {
 public:
  Ocx() {
    path_ = (BinDir() / L"BrindleProj.ocx").wstring();
    module_ = LoadLibraryW(path_.c_str());
    if (!module_) return;
    get_class_object = Export<decltype(get_class_object)>(module_, "DllGetClassObject");
    can_unload_now = Export<decltype(can_unload_now)>(module_, "DllCanUnloadNow");
    register_server = Export<decltype(register_server)>(module_, "DllRegisterServer");
    unregister_server = Export<decltype(unregister_server)>(module_, "DllUnregisterServer");
  }
  ~Ocx() {
    if (module_) FreeLibrary(module_);
  }
  bool loaded() const {
    return module_ && get_class_object && can_unload_now && register_server && unregister_server;
  }
  HMODULE module() const { return module_; }
  const std::wstring& path() const { return path_; }

  // A new control through the class factory, as CoCreateInstance makes it.
  template <typename T>
  ComPtr<T> Create(REFIID riid) {
    ComPtr<IClassFactory> factory;
    ComPtr<T> object;
    if (SUCCEEDED(get_class_object(CLSID_BrindleX, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf())))) {
      factory->CreateInstance(nullptr, riid, reinterpret_cast<void**>(object.GetAddressOf()));
    }
    return object;
  }

  HRESULT(STDAPICALLTYPE* get_class_object)(REFCLSID, REFIID, void**) = nullptr;
  HRESULT(STDAPICALLTYPE* can_unload_now)() = nullptr;
  HRESULT(STDAPICALLTYPE* register_server)() = nullptr;
  HRESULT(STDAPICALLTYPE* unregister_server)() = nullptr;

 private:
  std::wstring path_;
  HMODULE module_ = nullptr;
};

class OcxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    ASSERT_TRUE(ocx_.loaded()) << "cannot load BrindleProj.ocx beside the test program";
  }
  void TearDown() override { OleUninitialize(); }
  Ocx ocx_;
};

// --- Exports -------------------------------------------------------------------------------

TEST_F(OcxTest, GetClassObjectServesOnlyTheClassOfBrindleX) {
  const GUID other = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(ocx_.get_class_object(other, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  object = reinterpret_cast<void*>(1);
  EXPECT_EQ(ocx_.get_class_object(IID_IBrindleX, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);

  object = reinterpret_cast<void*>(1);
  EXPECT_EQ(ocx_.get_class_object(CLSID_BrindleX, IID_IDispatch, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);

  ComPtr<IClassFactory> factory;
  ASSERT_EQ(ocx_.get_class_object(CLSID_BrindleX, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf())),
            S_OK);
  ComPtr<IUnknown> outer;
  ComPtr<IUnknown> control;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(control.GetAddressOf())), S_OK);
  ASSERT_EQ(factory->CreateInstance(control.Get(), IID_IUnknown, reinterpret_cast<void**>(outer.GetAddressOf())),
            CLASS_E_NOAGGREGATION);
}

TEST_F(OcxTest, CanUnloadNowOnlyWhenNoObjectOrLockRemains) {
  EXPECT_EQ(ocx_.can_unload_now(), S_OK);
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(ocx_.get_class_object(CLSID_BrindleX, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf())),
            S_OK);
  EXPECT_EQ(ocx_.can_unload_now(), S_FALSE) << "a held class factory";
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  ComPtr<IUnknown> control;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(control.GetAddressOf())), S_OK);
  factory.Reset();
  EXPECT_EQ(ocx_.can_unload_now(), S_FALSE) << "a control and a lock";
  control.Reset();
  EXPECT_EQ(ocx_.can_unload_now(), S_FALSE) << "a lock";
  ASSERT_EQ(ocx_.get_class_object(CLSID_BrindleX, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf())),
            S_OK);
  ASSERT_EQ(factory->LockServer(FALSE), S_OK);
  ASSERT_EQ(factory->LockServer(FALSE), S_OK);  // one unlock too many changes nothing
  factory.Reset();
  EXPECT_EQ(ocx_.can_unload_now(), S_OK);
}

// --- Type library --------------------------------------------------------------------------

class TypeLibraryTest : public OcxTest {
 protected:
  void SetUp() override {
    OcxTest::SetUp();
    ASSERT_EQ(LoadTypeLibEx(ocx_.path().c_str(), REGKIND_NONE, &library_), S_OK);
  }
  ComPtr<ITypeInfo> Info(REFGUID guid) {
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(library_->GetTypeInfoOfGuid(guid, &info), S_OK);
    return info;
  }
  ComPtr<ITypeLib> library_;
};

std::wstring Name(ITypeInfo* info, MEMBERID id = MEMBERID_NIL) {
  Bstr name;
  info->GetDocumentation(id, name.out(), nullptr, nullptr, nullptr);
  return name.str();
}

std::wstring HelpString(ITypeInfo* info, MEMBERID id = MEMBERID_NIL) {
  Bstr help;
  info->GetDocumentation(id, nullptr, help.out(), nullptr, nullptr);
  return help.str();
}

// A parameter type as IDL writes it: "VARIANT_BOOL*", "Font**", "TxPrintScale".
std::wstring TypeText(ITypeInfo* info, const TYPEDESC& type) {
  switch (type.vt) {
    case VT_PTR:
      return TypeText(info, *type.lptdesc) + L"*";
    case VT_BOOL:
      return L"VARIANT_BOOL";
    case VT_BSTR:
      return L"BSTR";
    case VT_I4:
      return L"long";
    case VT_I2:
      return L"short";
    case VT_HRESULT:
      return L"HRESULT";
    case VT_VOID:
      return L"void";
    case VT_USERDEFINED: {
      ComPtr<ITypeInfo> ref;
      if (FAILED(info->GetRefTypeInfo(type.hreftype, &ref))) return L"?";
      return Name(ref.Get());
    }
    default:
      return L"vt" + std::to_wstring(type.vt);
  }
}

// The GUID of the library that holds `info`.
GUID ContainingLibrary(ITypeInfo* info) {
  ComPtr<ITypeLib> lib;
  UINT index = 0;
  GUID id = GUID_NULL;
  if (SUCCEEDED(info->GetContainingTypeLib(&lib, &index))) {
    TLIBATTR* attr = nullptr;
    lib->GetLibAttr(&attr);
    id = attr->guid;
    lib->ReleaseTLibAttr(attr);
  }
  return id;
}

TEST_F(TypeLibraryTest, LibraryAttributes) {
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(library_->GetLibAttr(&attr), S_OK);
  EXPECT_TRUE(IsEqualGUID(attr->guid, LIBID_BrindleProj));
  EXPECT_EQ(attr->wMajorVerNum, 1);
  EXPECT_EQ(attr->wMinorVerNum, 0);
  EXPECT_EQ(attr->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
  EXPECT_TRUE(attr->wLibFlags & LIBFLAG_FCONTROL);
  EXPECT_FALSE(attr->wLibFlags & (LIBFLAG_FRESTRICTED | LIBFLAG_FHIDDEN));
  library_->ReleaseTLibAttr(attr);

  Bstr name;
  Bstr help;
  Bstr help_file;
  ASSERT_EQ(library_->GetDocumentation(-1, name.out(), help.out(), nullptr, help_file.out()), S_OK);
  EXPECT_EQ(name.str(), L"BrindleProj");
  EXPECT_EQ(help.str(), L"BrindleProj Library");
  EXPECT_EQ(help_file.get(), nullptr);

  // IBrindleX, IBrindleXEvents, BrindleX and the three enums.
  EXPECT_EQ(library_->GetTypeInfoCount(), 6u);
}

struct MemberCase {
  const wchar_t* name;
  DISPID id;
  INVOKEKIND kind;
  bool hidden;
  const wchar_t* type;  // the property's type; for the method its two parameters
};

// IBrindleX after IDispatch's seven methods, in vtable order.
const MemberCase kMembers[] = {
    {L"Visible", 201, INVOKE_PROPERTYGET, true, L"VARIANT_BOOL"},
    {L"Visible", 201, INVOKE_PROPERTYPUT, true, L"VARIANT_BOOL"},
    {L"AutoScroll", 202, INVOKE_PROPERTYGET, false, L"VARIANT_BOOL"},
    {L"AutoScroll", 202, INVOKE_PROPERTYPUT, false, L"VARIANT_BOOL"},
    {L"AutoSize", 203, INVOKE_PROPERTYGET, false, L"VARIANT_BOOL"},
    {L"AutoSize", 203, INVOKE_PROPERTYPUT, false, L"VARIANT_BOOL"},
    {L"AxBorderStyle", 204, INVOKE_PROPERTYGET, false, L"TxActiveFormBorderStyle"},
    {L"AxBorderStyle", 204, INVOKE_PROPERTYPUT, false, L"TxActiveFormBorderStyle"},
    {L"Caption", DISPID_CAPTION, INVOKE_PROPERTYGET, false, L"BSTR"},
    {L"Caption", DISPID_CAPTION, INVOKE_PROPERTYPUT, false, L"BSTR"},
    {L"Color", DISPID_BACKCOLOR, INVOKE_PROPERTYGET, false, L"OLE_COLOR"},
    {L"Color", DISPID_BACKCOLOR, INVOKE_PROPERTYPUT, false, L"OLE_COLOR"},
    {L"Font", DISPID_FONT, INVOKE_PROPERTYGET, false, L"Font*"},
    {L"Font", DISPID_FONT, INVOKE_PROPERTYPUT, false, L"Font*"},
    {L"Font", DISPID_FONT, INVOKE_PROPERTYPUTREF, false, L"Font**"},
    {L"KeyPreview", 205, INVOKE_PROPERTYGET, false, L"VARIANT_BOOL"},
    {L"KeyPreview", 205, INVOKE_PROPERTYPUT, false, L"VARIANT_BOOL"},
    {L"PixelsPerInch", 206, INVOKE_PROPERTYGET, false, L"long"},
    {L"PixelsPerInch", 206, INVOKE_PROPERTYPUT, false, L"long"},
    {L"PrintScale", 207, INVOKE_PROPERTYGET, false, L"TxPrintScale"},
    {L"PrintScale", 207, INVOKE_PROPERTYPUT, false, L"TxPrintScale"},
    {L"Scaled", 208, INVOKE_PROPERTYGET, false, L"VARIANT_BOOL"},
    {L"Scaled", 208, INVOKE_PROPERTYPUT, false, L"VARIANT_BOOL"},
    {L"Active", 209, INVOKE_PROPERTYGET, true, L"VARIANT_BOOL"},
    {L"DropTarget", 210, INVOKE_PROPERTYGET, true, L"VARIANT_BOOL"},
    {L"DropTarget", 210, INVOKE_PROPERTYPUT, true, L"VARIANT_BOOL"},
    {L"HelpFile", 211, INVOKE_PROPERTYGET, true, L"BSTR"},
    {L"HelpFile", 211, INVOKE_PROPERTYPUT, true, L"BSTR"},
    {L"ScreenSnap", 212, INVOKE_PROPERTYGET, true, L"VARIANT_BOOL"},
    {L"ScreenSnap", 212, INVOKE_PROPERTYPUT, true, L"VARIANT_BOOL"},
    {L"SnapBuffer", 213, INVOKE_PROPERTYGET, true, L"long"},
    {L"SnapBuffer", 213, INVOKE_PROPERTYPUT, true, L"long"},
    {L"DoubleBuffered", 214, INVOKE_PROPERTYGET, true, L"VARIANT_BOOL"},
    {L"DoubleBuffered", 214, INVOKE_PROPERTYPUT, true, L"VARIANT_BOOL"},
    {L"AlignDisabled", 215, INVOKE_PROPERTYGET, true, L"VARIANT_BOOL"},
    {L"VisibleDockClientCount", 216, INVOKE_PROPERTYGET, true, L"long"},
    {L"Enabled", DISPID_ENABLED, INVOKE_PROPERTYGET, true, L"VARIANT_BOOL"},
    {L"Enabled", DISPID_ENABLED, INVOKE_PROPERTYPUT, true, L"VARIANT_BOOL"},
    {L"CallMorvaneExe", 217, INVOKE_FUNC, false, L"BSTR BSTR"},
};

TEST_F(TypeLibraryTest, IBrindleXIsADualInterfaceWithItsMembersInVtableOrder) {
  ComPtr<ITypeInfo> dispatch = Info(IID_IBrindleX);
  ASSERT_TRUE(dispatch);
  EXPECT_EQ(Name(dispatch.Get()), L"IBrindleX");
  EXPECT_EQ(HelpString(dispatch.Get()), L"Dispatch interface for BrindleX Control");
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(dispatch->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
  EXPECT_EQ(attr->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE), TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE);
  dispatch->ReleaseTypeAttr(attr);

  // The vtable view.
  HREFTYPE ref = 0;
  ASSERT_EQ(dispatch->GetRefTypeOfImplType(-1, &ref), S_OK);
  ComPtr<ITypeInfo> vtable;
  ASSERT_EQ(dispatch->GetRefTypeInfo(ref, &vtable), S_OK);
  ASSERT_EQ(vtable->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
  EXPECT_EQ(attr->wTypeFlags, TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE);
  EXPECT_EQ(attr->wMajorVerNum, 1);
  EXPECT_EQ(attr->wMinorVerNum, 0);
  ASSERT_EQ(attr->cFuncs, static_cast<WORD>(std::size(kMembers)));
  EXPECT_EQ(attr->cbSizeVft, (7 + std::size(kMembers)) * sizeof(void*));
  ASSERT_EQ(attr->cImplTypes, 1);
  vtable->ReleaseTypeAttr(attr);

  // Based on stdole's IDispatch.
  ASSERT_EQ(vtable->GetRefTypeOfImplType(0, &ref), S_OK);
  ComPtr<ITypeInfo> base;
  ASSERT_EQ(vtable->GetRefTypeInfo(ref, &base), S_OK);
  EXPECT_EQ(Name(base.Get()), L"IDispatch");
  EXPECT_TRUE(IsEqualGUID(ContainingLibrary(base.Get()), kStdOleLibId));

  for (UINT i = 0; i < std::size(kMembers); ++i) {
    const MemberCase& m = kMembers[i];
    SCOPED_TRACE(::testing::Message() << "vtable entry " << i << " " << std::string(m.name, m.name + wcslen(m.name)));
    FUNCDESC* f = nullptr;
    ASSERT_EQ(vtable->GetFuncDesc(i, &f), S_OK);
    EXPECT_EQ(f->memid, m.id);
    EXPECT_EQ(f->invkind, m.kind);
    EXPECT_EQ(f->callconv, CC_STDCALL);
    EXPECT_EQ(f->oVft, static_cast<SHORT>((7 + i) * sizeof(void*)));
    EXPECT_EQ(f->elemdescFunc.tdesc.vt, VT_HRESULT);
    EXPECT_EQ((f->wFuncFlags & FUNCFLAG_FHIDDEN) != 0, m.hidden);
    EXPECT_EQ(Name(vtable.Get(), f->memid), m.name);
    ASSERT_EQ(f->cParams, m.kind == INVOKE_FUNC ? 2 : 1);
    if (m.kind == INVOKE_FUNC) {
      std::wstring types = TypeText(vtable.Get(), f->lprgelemdescParam[0].tdesc) + L" " +
                           TypeText(vtable.Get(), f->lprgelemdescParam[1].tdesc);
      EXPECT_EQ(types, m.type);
      for (int p = 0; p < 2; ++p) EXPECT_EQ(f->lprgelemdescParam[p].paramdesc.wParamFlags, PARAMFLAG_FIN);
      BSTR names[3] = {};
      UINT count = 0;
      ASSERT_EQ(vtable->GetNames(f->memid, names, 3, &count), S_OK);
      ASSERT_EQ(count, 3u);
      EXPECT_EQ(Str(names[1]), L"exetype");
      EXPECT_EQ(Str(names[2]), L"params");
      for (auto* n : names) SysFreeString(n);
    } else if (m.kind == INVOKE_PROPERTYGET) {
      EXPECT_EQ(TypeText(vtable.Get(), f->lprgelemdescParam[0].tdesc), std::wstring(m.type) + L"*");
      EXPECT_EQ(f->lprgelemdescParam[0].paramdesc.wParamFlags, PARAMFLAG_FOUT | PARAMFLAG_FRETVAL);
      BSTR names[2] = {};
      UINT count = 0;
      ASSERT_EQ(vtable->GetNames(f->memid, names, 2, &count), S_OK);
      ASSERT_EQ(count, 2u);
      EXPECT_EQ(Str(names[1]), L"Value");
      for (auto* n : names) SysFreeString(n);
    } else {
      EXPECT_EQ(TypeText(vtable.Get(), f->lprgelemdescParam[0].tdesc), m.type);
      EXPECT_EQ(f->lprgelemdescParam[0].paramdesc.wParamFlags, PARAMFLAG_FIN);
    }
    // Types from stdole stay stdole's.
    const TYPEDESC* t = &f->lprgelemdescParam[0].tdesc;
    while (t->vt == VT_PTR) t = t->lptdesc;
    if (t->vt == VT_USERDEFINED && (wcscmp(m.name, L"Font") == 0 || wcscmp(m.name, L"Color") == 0)) {
      ComPtr<ITypeInfo> type;
      ASSERT_EQ(vtable->GetRefTypeInfo(t->hreftype, &type), S_OK);
      EXPECT_TRUE(IsEqualGUID(ContainingLibrary(type.Get()), kStdOleLibId));
    }
    vtable->ReleaseFuncDesc(f);
  }
}

TEST_F(TypeLibraryTest, IBrindleXEventsHoldsTheEightFormEvents) {
  ComPtr<ITypeInfo> events = Info(DIID_IBrindleXEvents);
  ASSERT_TRUE(events);
  EXPECT_EQ(Name(events.Get()), L"IBrindleXEvents");
  EXPECT_EQ(HelpString(events.Get()), L"Events interface for BrindleX Control");
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(events->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->typekind, TKIND_DISPATCH);
  EXPECT_EQ(attr->wTypeFlags, TYPEFLAG_FDISPATCHABLE);
  const WORD funcs = attr->cFuncs;
  events->ReleaseTypeAttr(attr);

  const struct {
    const wchar_t* name;
    DISPID id;
  } expected[] = {{L"OnActivate", 201}, {L"OnClick", 202},      {L"OnCreate", 203},   {L"OnDblClick", 204},
                  {L"OnDestroy", 205},  {L"OnDeactivate", 206}, {L"OnKeyPress", 207}, {L"OnPaint", 208}};
  // A dispinterface lists IDispatch's methods first when the loader describes it so.
  ASSERT_GE(funcs, std::size(expected));
  std::vector<std::pair<std::wstring, DISPID>> found;
  for (UINT i = 0; i < funcs; ++i) {
    FUNCDESC* f = nullptr;
    ASSERT_EQ(events->GetFuncDesc(i, &f), S_OK);
    if (f->memid >= 201 && f->memid <= 208) {
      found.emplace_back(Name(events.Get(), f->memid), f->memid);
      EXPECT_EQ(f->invkind, INVOKE_FUNC);
      EXPECT_EQ(f->elemdescFunc.tdesc.vt, VT_VOID);
      if (f->memid == 207) {
        ASSERT_EQ(f->cParams, 1);
        EXPECT_EQ(TypeText(events.Get(), f->lprgelemdescParam[0].tdesc), L"short*");
        EXPECT_EQ(f->lprgelemdescParam[0].paramdesc.wParamFlags, PARAMFLAG_FIN | PARAMFLAG_FOUT);
      } else {
        EXPECT_EQ(f->cParams, 0);
      }
    }
    events->ReleaseFuncDesc(f);
  }
  ASSERT_EQ(found.size(), std::size(expected));
  for (size_t i = 0; i < found.size(); ++i) {
    EXPECT_EQ(found[i].first, expected[i].name);
    EXPECT_EQ(found[i].second, expected[i].id);
  }
}

TEST_F(TypeLibraryTest, BrindleXIsACreatableControl) {
  ComPtr<ITypeInfo> coclass = Info(CLSID_BrindleX);
  ASSERT_TRUE(coclass);
  EXPECT_EQ(Name(coclass.Get()), L"BrindleX");
  EXPECT_EQ(HelpString(coclass.Get()), L"BrindleX Control");
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->typekind, TKIND_COCLASS);
  EXPECT_EQ(attr->wTypeFlags, TYPEFLAG_FCANCREATE | TYPEFLAG_FCONTROL);
  EXPECT_EQ(attr->wMajorVerNum, 1);
  EXPECT_EQ(attr->wMinorVerNum, 0);
  ASSERT_EQ(attr->cImplTypes, 2);
  coclass->ReleaseTypeAttr(attr);
  const struct {
    const wchar_t* name;
    INT flags;
  } implemented[] = {{L"IBrindleX", IMPLTYPEFLAG_FDEFAULT},
                     {L"IBrindleXEvents", IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}};
  for (UINT i = 0; i < 2; ++i) {
    HREFTYPE ref = 0;
    ASSERT_EQ(coclass->GetRefTypeOfImplType(i, &ref), S_OK);
    ComPtr<ITypeInfo> type;
    ASSERT_EQ(coclass->GetRefTypeInfo(ref, &type), S_OK);
    EXPECT_EQ(Name(type.Get()), implemented[i].name);
    INT flags = 0;
    ASSERT_EQ(coclass->GetImplTypeFlags(i, &flags), S_OK);
    EXPECT_EQ(flags, implemented[i].flags);
  }
}

TEST_F(TypeLibraryTest, TheFormsEnums) {
  const struct {
    const wchar_t* name;
    std::vector<std::pair<std::wstring, LONG>> constants;
  } enums[] = {
      {L"TxActiveFormBorderStyle", {{L"afbNone", 0}, {L"afbSingle", 1}, {L"afbSunken", 2}, {L"afbRaised", 3}}},
      {L"TxPrintScale", {{L"poNone", 0}, {L"poProportional", 1}, {L"poPrintToFit", 2}}},
      {L"TxMouseButton", {{L"mbLeft", 0}, {L"mbRight", 1}, {L"mbMiddle", 2}}},
  };
  for (const auto& e : enums) {
    ComPtr<ITypeInfo> info;
    for (UINT i = 0; i < library_->GetTypeInfoCount() && !info; ++i) {
      ComPtr<ITypeInfo> candidate;
      library_->GetTypeInfo(i, &candidate);
      if (Name(candidate.Get()) == e.name) info = candidate;
    }
    ASSERT_TRUE(info) << "no enum " << std::string(e.name, e.name + wcslen(e.name));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_ENUM);
    EXPECT_EQ(attr->wTypeFlags, 0);
    EXPECT_EQ(attr->wMajorVerNum, 1);
    EXPECT_EQ(attr->wMinorVerNum, 0);
    ASSERT_EQ(attr->cVars, e.constants.size());
    info->ReleaseTypeAttr(attr);
    for (UINT v = 0; v < e.constants.size(); ++v) {
      VARDESC* var = nullptr;
      ASSERT_EQ(info->GetVarDesc(v, &var), S_OK);
      EXPECT_EQ(Name(info.Get(), var->memid), e.constants[v].first);
      ASSERT_EQ(var->varkind, VAR_CONST);
      EXPECT_EQ(V_I4(var->lpvarValue), e.constants[v].second);
      info->ReleaseVarDesc(var);
    }
  }
}

// --- Resources -----------------------------------------------------------------------------

std::wstring VersionString(const std::vector<BYTE>& info, const std::wstring& name) {
  wchar_t* value = nullptr;
  UINT size = 0;
  std::wstring path = L"\\StringFileInfo\\080403A8\\" + name;
  if (!VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &size)) return L"<absent>";
  return size ? std::wstring(value) : std::wstring();
}

TEST_F(OcxTest, VersionInformationMarksTheFileAsSelfRegistering) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeW(ocx_.path().c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> info(size);
  ASSERT_TRUE(GetFileVersionInfoW(ocx_.path().c_str(), 0, size, info.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &len));
  ASSERT_EQ(len, 4u);
  EXPECT_EQ(translation[0], 0x0804);
  EXPECT_EQ(translation[1], 936);

  EXPECT_EQ(VersionString(info, L"OleSelfRegister"), L"1");
  EXPECT_EQ(VersionString(info, L"FileVersion"), L"1.0.0.0");
  EXPECT_EQ(VersionString(info, L"ProductVersion"), L"1.0.0.0");
  for (const wchar_t* empty : {L"CompanyName", L"FileDescription", L"InternalName", L"LegalCopyright",
                               L"LegalTrademarks", L"OriginalFilename", L"ProductName", L"Comments"}) {
    EXPECT_EQ(VersionString(info, empty), L"") << std::string(empty, empty + wcslen(empty));
  }
}

TEST_F(OcxTest, CarriesItsTypeLibraryAndToolboxBitmap) {
  EXPECT_NE(FindResourceW(ocx_.module(), MAKEINTRESOURCEW(1), L"TYPELIB"), nullptr);
  HRSRC bitmap = FindResourceW(ocx_.module(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(2) /* RT_BITMAP */);
  ASSERT_NE(bitmap, nullptr);
  auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(ocx_.module(), bitmap)));
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->biWidth, 16);
  EXPECT_EQ(header->biHeight, 15);
  EXPECT_EQ(header->biBitCount, 4);  // 16 colours
}

// --- Safety, errors, property assignment ---------------------------------------------------

TEST_F(OcxTest, SafeForUntrustedCallersAndDataOnEveryInterfaceItHas) {
  ComPtr<IObjectSafety> safety = ocx_.Create<IObjectSafety>(IID_IObjectSafety);
  ASSERT_TRUE(safety);
  DWORD supported = 99;
  DWORD enabled = 99;
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  EXPECT_EQ(supported, 3u);
  EXPECT_EQ(enabled, 0u) << "nothing enabled before the browser sets it";

  // An interface the control lacks: 0 and 0 and the failure of the query.
  supported = enabled = 99;
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IPersistFile, &supported, &enabled), E_NOINTERFACE);
  EXPECT_EQ(supported, 0u);
  EXPECT_EQ(enabled, 0u);
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IPersistFile, 3, 3), E_NOINTERFACE);
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, nullptr, &enabled), E_POINTER);
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, nullptr), E_POINTER);

  // One set of options for all interfaces: mask AND enabled, reported masked with 3.
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, INTERFACESAFE_FOR_UNTRUSTED_CALLER, 3), S_OK);
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IPersistPropertyBag, &supported, &enabled), S_OK);
  EXPECT_EQ(supported, 3u);
  EXPECT_EQ(enabled, static_cast<DWORD>(INTERFACESAFE_FOR_UNTRUSTED_CALLER));
  EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IBrindleX, 0xFF, 0xFF), S_OK);
  EXPECT_EQ(safety->GetInterfaceSafetyOptions(IID_IBrindleX, &supported, &enabled), S_OK);
  EXPECT_EQ(enabled, 3u);
}

// A program installed where the machine-wide Run key says, for calls that get past the
// file test.
class InstalledZodurTest : public OcxTest {
 protected:
  void SetUp() override {
    OcxTest::SetUp();
    program_ = InstallStub(dir_.path(), L"Levyrun.exe");
    value_ = std::make_unique<ScopedRegistryString>(HKEY_LOCAL_MACHINE,
                                                    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                                                    L"ZodurPath", dir_.path().wstring());
    ASSERT_TRUE(value_->ok());
  }
  tabulon::testing::TempDir dir_;
  std::filesystem::path program_;
  std::unique_ptr<ScopedRegistryString> value_;
};

TEST_F(InstalledZodurTest, AFailingCallLeavesErrorInformationAndTheControlUsable) {
  ComPtr<IBrindleX> control = ocx_.Create<IBrindleX>(IID_IBrindleX);
  ASSERT_TRUE(control);
  Bstr exetype(L"zodur");
  Bstr params(L"YTtiO2M");
  SetErrorInfo(0, nullptr);
  EXPECT_EQ(control->CallMorvaneExe(exetype.get(), params.get()), E_UNEXPECTED);

  ComPtr<ISupportErrorInfo> support;
  ASSERT_EQ(control.As(&support), S_OK);
  EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IBrindleX), S_OK);
  ComPtr<IErrorInfo> error;
  ASSERT_EQ(GetErrorInfo(0, &error), S_OK);
  Bstr description;
  Bstr source;
  Bstr help_file;
  error->GetDescription(description.out());
  error->GetSource(source.out());
  error->GetHelpFile(help_file.out());
  EXPECT_EQ(description.str(), L"Uneven size in DecodeToStream.");
  EXPECT_EQ(source.str(), L"BrindleProj.BrindleX");
  EXPECT_EQ(help_file.str(), L"");
  EXPECT_TRUE(WaitForStubRecord(program_, 1000).empty()) << "nothing is started";

  // The same through IDispatch, as a script calls it.
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(control.As(&dispatch), S_OK);
  VARIANT args[2];
  args[0].vt = VT_BSTR;  // arguments go in reverse order
  args[0].bstrVal = params.get();
  args[1].vt = VT_BSTR;
  args[1].bstrVal = exetype.get();
  DISPPARAMS dp{args, nullptr, 2, 0};
  EXCEPINFO exception{};
  EXPECT_EQ(dispatch->Invoke(217, IID_NULL, 0, DISPATCH_METHOD, &dp, nullptr, &exception, nullptr), DISP_E_EXCEPTION);
  EXPECT_EQ(exception.scode, E_UNEXPECTED);
  EXPECT_EQ(Str(exception.bstrDescription), L"Uneven size in DecodeToStream.");
  EXPECT_EQ(Str(exception.bstrSource), L"BrindleProj.BrindleX");
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrHelpFile);

  // Still usable: a good call starts the program with the decoded arguments.
  Bstr good(L"YTtiO2M=");
  EXPECT_EQ(control->CallMorvaneExe(exetype.get(), good.get()), S_OK);
  std::string record = WaitForStubRecord(program_);
  EXPECT_NE(record.find("\na b c\n"), std::string::npos) << record;
}

// Invokes `id` on `dispatch` with one argument, as a script's assignment or read does.
HRESULT Put(IDispatch* dispatch, DISPID id, WORD flags, VARIANT value) {
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS dp{&value, &named, 1, 1};
  return dispatch->Invoke(id, IID_NULL, 0, flags, &dp, nullptr, nullptr, nullptr);
}

VARIANT Get(IDispatch* dispatch, DISPID id) {
  VARIANT result;
  VariantInit(&result);
  DISPPARAMS none{};
  dispatch->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr);
  return result;
}

TEST_F(OcxTest, AssignmentsReachTheSetterWhetherPutOrPutByReference) {
  ComPtr<IDispatch> control = ocx_.Create<IDispatch>(IID_IDispatch);
  ASSERT_TRUE(control);
  VARIANT caption = Get(control.Get(), DISPID_CAPTION);
  ASSERT_EQ(caption.vt, VT_BSTR);
  EXPECT_EQ(Str(caption.bstrVal), L"BrindleX") << "a fresh control shows the form's caption";
  VariantClear(&caption);

  for (WORD flags : {WORD{DISPATCH_PROPERTYPUT}, WORD{DISPATCH_PROPERTYPUTREF}}) {
    SCOPED_TRACE(flags == DISPATCH_PROPERTYPUT ? "put" : "put by reference");
    // Any non-zero number sets a Boolean; it reads back as VARIANT_TRUE (-1).
    for (DISPID id : {201, 202, 205, DISPID_ENABLED}) {
      VARIANT zero;
      zero.vt = VT_I4;
      zero.lVal = 0;
      ASSERT_EQ(Put(control.Get(), id, flags, zero), S_OK) << id;
      VARIANT value = Get(control.Get(), id);
      EXPECT_EQ(value.vt, VT_BOOL);
      EXPECT_EQ(value.boolVal, VARIANT_FALSE) << id;
      VARIANT one;
      one.vt = VT_I4;
      one.lVal = 1;
      ASSERT_EQ(Put(control.Get(), id, flags, one), S_OK) << id;
      value = Get(control.Get(), id);
      EXPECT_EQ(value.vt, VT_BOOL);
      EXPECT_EQ(value.boolVal, VARIANT_TRUE) << id;
    }
    Bstr text(flags == DISPATCH_PROPERTYPUT ? L"\u62A5\u8868" : L"BrindleX 2");  // 报表
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = text.get();
    ASSERT_EQ(Put(control.Get(), DISPID_CAPTION, flags, v), S_OK);
    caption = Get(control.Get(), DISPID_CAPTION);
    EXPECT_EQ(Str(caption.bstrVal), text.str());
    VariantClear(&caption);
  }

  // Fonts are copied into the form's own font object.
  VARIANT font = Get(control.Get(), DISPID_FONT);
  ASSERT_EQ(font.vt, VT_DISPATCH);
  ComPtr<IFont> own;
  ASSERT_EQ(font.pdispVal->QueryInterface(IID_IFont, reinterpret_cast<void**>(own.GetAddressOf())), S_OK);
  Bstr name;
  own->get_Name(name.out());
  EXPECT_EQ(name.str(), L"MS Sans Serif");
  CY size{};
  own->get_Size(&size);
  EXPECT_EQ(size.int64, 82500) << "8.25 points";
  for (WORD flags : {WORD{DISPATCH_PROPERTYPUT}, WORD{DISPATCH_PROPERTYPUTREF}}) {
    const wchar_t* face = flags == DISPATCH_PROPERTYPUT ? L"Tahoma" : L"SimSun";
    FONTDESC desc{sizeof(FONTDESC), const_cast<LPOLESTR>(face), {}, FW_BOLD, GB2312_CHARSET, FALSE, FALSE, FALSE};
    desc.cySize.int64 = 120000;
    ComPtr<IDispatch> other;
    ASSERT_EQ(OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(other.GetAddressOf())), S_OK);
    VARIANT v;
    v.vt = VT_DISPATCH;
    v.pdispVal = other.Get();
    ASSERT_EQ(Put(control.Get(), DISPID_FONT, flags, v), S_OK);
    Bstr now;
    own->get_Name(now.out());
    EXPECT_EQ(now.str(), face);
    BOOL bold = FALSE;
    own->get_Bold(&bold);
    EXPECT_TRUE(bold);
    VARIANT again = Get(control.Get(), DISPID_FONT);
    EXPECT_EQ(again.pdispVal, font.pdispVal) << "the form keeps its font object";
    VariantClear(&again);
  }
  VariantClear(&font);
}

// --- In a container --------------------------------------------------------------------------

TEST_F(OcxTest, AContainerCreatesSitesActivatesInPlaceAndReleasesTheControl) {
  ASSERT_EQ(ocx_.register_server(), S_OK);
  HMODULE atl = LoadLibraryW(L"atl.dll");
  ASSERT_NE(atl, nullptr);
  auto ax_init = Export<BOOL(WINAPI*)()>(atl, "AtlAxWinInit");
  auto ax_get_control = Export<HRESULT(WINAPI*)(HWND, IUnknown**)>(atl, "AtlAxGetControl");
  ASSERT_TRUE(ax_init && ax_get_control);
  ASSERT_TRUE(ax_init());

  HWND host = CreateWindowExW(0, L"AtlAxWin", L"BrindleProj.BrindleX", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100,
                              420, 260, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(host, nullptr);
  SetWindowTextW(host, L"BrindleX in a container");
  tabulon::testing::win32::PumpMessages(300);
  {
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(ax_get_control(host, &unknown), S_OK);
    ComPtr<IOleInPlaceObject> in_place;
    ASSERT_EQ(unknown.As(&in_place), S_OK);
    HWND form = nullptr;
    ASSERT_EQ(in_place->GetWindow(&form), S_OK) << "active in place";
    EXPECT_EQ(GetParent(form), host);
    EXPECT_TRUE(IsWindowVisible(form));
    ComPtr<IBrindleX> control;
    ASSERT_EQ(unknown.As(&control), S_OK);
    VARIANT_BOOL visible = VARIANT_FALSE;
    EXPECT_EQ(control->get_Visible(&visible), S_OK);
    EXPECT_EQ(visible, VARIANT_TRUE);
    EXPECT_EQ(control->put_Color(RGB(0x40, 0x80, 0xC0)), S_OK);
    tabulon::testing::win32::PumpMessages(300);
    std::string error;
    EXPECT_FALSE(tabulon::testing::win32::SaveWindowPng(host, "control_in_container", &error).empty()) << error;
    // The form paints itself in its colour.
    HDC dc = GetDC(form);
    EXPECT_EQ(GetPixel(dc, 10, 10), RGB(0x40, 0x80, 0xC0));
    ReleaseDC(form, dc);
  }
  DestroyWindow(host);
  tabulon::testing::win32::PumpMessages(200);
  CoFreeUnusedLibraries();
  EXPECT_EQ(ocx_.unregister_server(), S_OK);
}

}  // namespace
}  // namespace tabulon::control::testing
