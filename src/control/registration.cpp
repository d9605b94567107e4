#include "control/registration.h"

#include <oleauto.h>

#include <string>

#include "control/com_support.h"
#include "control/server.h"
#include "control/typelib.h"

namespace tabulon::control {
namespace {

// Verbs of the control, numbered from 0: name, menu flags, verb attributes.
constexpr const wchar_t* kVerbs[] = {L"Properties,0,2"};

// OLEMISC_ACTSLIKELABEL | OLEMISC_INVISIBLEATRUNTIME as the control asks for them, with
// RECOMPOSEONRESIZE, CANTLINKINSIDE, INSIDEOUT, ACTIVATEWHENVISIBLE and SETCLIENTSITEFIRST,
// which every control of this kind gets: 0x22591.
constexpr DWORD kMiscStatus = OLEMISC_ACTSLIKELABEL | OLEMISC_INVISIBLEATRUNTIME | OLEMISC_RECOMPOSEONRESIZE |
                              OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
                              OLEMISC_SETCLIENTSITEFIRST;
static_assert(kMiscStatus == 140689);

#ifdef _WIN64
constexpr SYSKIND kSysKind = SYS_WIN64;
#else
constexpr SYSKIND kSysKind = SYS_WIN32;
#endif

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);  // {XXXXXXXX-...}, upper case
  return text;
}

// Creates `key` below HKEY_CLASSES_ROOT when needed and sets its value `name` (nullptr: the
// default value) to the string `data`.
bool SetString(const std::wstring& key, const wchar_t* name, const std::wstring& data) {
  HKEY handle = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE | kRegistryView, nullptr, &handle, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  LONG rc = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                           static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return rc == ERROR_SUCCESS;
}

void DeleteKey(const std::wstring& key) { RegDeleteKeyExW(HKEY_CLASSES_ROOT, key.c_str(), kRegistryView, 0); }

bool KeyExists(const std::wstring& key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | kRegistryView, &handle) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(handle);
  return true;
}

// What the entries are made of, read from the type library.
struct ClassNames {
  std::wstring prog_id;      // BrindleProj.BrindleX
  std::wstring description;  // BrindleX Control
  std::wstring version;      // 1.0
};

HRESULT ReadClassNames(ITypeLib* library, ClassNames* names) {
  BSTR library_name = nullptr;
  HRESULT hr = library->GetDocumentation(-1, &library_name, nullptr, nullptr, nullptr);
  if (FAILED(hr)) return hr;
  std::wstring lib(library_name ? library_name : L"");
  SysFreeString(library_name);

  ComPtr<ITypeInfo> coclass;
  hr = library->GetTypeInfoOfGuid(CLSID_BrindleX, &coclass);
  if (FAILED(hr)) return hr;
  BSTR class_name = nullptr;
  BSTR help = nullptr;
  hr = coclass->GetDocumentation(MEMBERID_NIL, &class_name, &help, nullptr, nullptr);
  if (FAILED(hr)) return hr;
  names->prog_id = lib + L"." + (class_name ? class_name : L"");
  names->description = help ? help : L"";
  SysFreeString(class_name);
  SysFreeString(help);

  TLIBATTR* attr = nullptr;
  hr = library->GetLibAttr(&attr);
  if (FAILED(hr)) return hr;
  names->version = std::to_wstring(attr->wMajorVerNum) + L"." + std::to_wstring(attr->wMinorVerNum);
  library->ReleaseTLibAttr(attr);
  return S_OK;
}

}  // namespace

HRESULT RegisterServer() {
  const std::wstring path = ModulePath();
  if (path.empty()) return E_FAIL;
  ComPtr<ITypeLib> library;
  if (FAILED(LoadOwnTypeLib(&library))) return E_FAIL;
  if (FAILED(RegisterTypeLib(library.Get(), const_cast<LPOLESTR>(path.c_str()), nullptr))) return E_FAIL;
  ClassNames names;
  if (FAILED(ReadClassNames(library.Get(), &names))) return E_FAIL;

  // A path with a blank goes in its short form, which needs no quoting; the long path when
  // the volume has no short names.
  std::wstring server = path;
  if (path.find(L' ') != std::wstring::npos) {
    std::wstring short_path(path.size() + 1, L'\0');
    DWORD n = GetShortPathNameW(path.c_str(), short_path.data(), static_cast<DWORD>(short_path.size()));
    if (n > 0 && n < short_path.size()) server.assign(short_path.c_str(), n);
  }

  const std::wstring clsid = L"CLSID\\" + GuidText(CLSID_BrindleX);
  const struct {
    std::wstring key;
    const wchar_t* name;
    std::wstring data;
  } entries[] = {
      {clsid, nullptr, names.description},
      {clsid + L"\\InprocServer32", nullptr, server},
      {clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
      {names.prog_id, nullptr, names.description},
      {names.prog_id + L"\\Clsid", nullptr, GuidText(CLSID_BrindleX)},
      {clsid + L"\\ProgID", nullptr, names.prog_id},
      {clsid + L"\\Version", nullptr, names.version},
      {clsid + L"\\TypeLib", nullptr, GuidText(LIBID_BrindleProj)},
      {clsid + L"\\MiscStatus", nullptr, L"0"},
      {clsid + L"\\MiscStatus\\1", nullptr, std::to_wstring(kMiscStatus)},
      {clsid + L"\\ToolboxBitmap32", nullptr, path + L",1"},
      {clsid + L"\\Control", nullptr, L""},
      {clsid + L"\\Verb", nullptr, L""},
  };
  for (const auto& entry : entries) {
    if (!SetString(entry.key, entry.name, entry.data)) return E_FAIL;
  }
  for (size_t i = 0; i < std::size(kVerbs); ++i) {
    if (!SetString(clsid + L"\\Verb\\" + std::to_wstring(i), nullptr, kVerbs[i])) return E_FAIL;
  }
  return S_OK;
}

HRESULT UnregisterServer() {
  const std::wstring library_key = L"TypeLib\\" + GuidText(LIBID_BrindleProj) + L"\\1.0";
  if (FAILED(UnRegisterTypeLib(LIBID_BrindleProj, 1, 0, LOCALE_NEUTRAL, kSysKind)) && KeyExists(library_key)) {
    return E_FAIL;
  }
  ComPtr<ITypeLib> library;
  ClassNames names;
  if (FAILED(LoadOwnTypeLib(&library)) || FAILED(ReadClassNames(library.Get(), &names))) return E_FAIL;

  const std::wstring clsid = L"CLSID\\" + GuidText(CLSID_BrindleX);
  for (size_t i = 0; i < std::size(kVerbs); ++i) DeleteKey(clsid + L"\\Verb\\" + std::to_wstring(i));
  for (const wchar_t* sub : {L"\\Verb", L"\\Control", L"\\ToolboxBitmap32", L"\\MiscStatus\\1", L"\\MiscStatus",
                             L"\\TypeLib", L"\\Version"}) {
    DeleteKey(clsid + sub);
  }
  DeleteKey(clsid + L"\\ProgID");
  DeleteKey(names.prog_id + L"\\Clsid");
  DeleteKey(names.prog_id);
  DeleteKey(clsid + L"\\InprocServer32");
  DeleteKey(clsid);
  return S_OK;
}

}  // namespace tabulon::control
