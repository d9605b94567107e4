#include "control/control.h"

#include <new>
#include <string>

#include "base/encoding.h"
#include "control/launch.h"
#include "control/launch_win32.h"
#include "control/server.h"
#include "control/typelib.h"

namespace tabulon::control {
namespace {

// DISPIDs of IBrindleXEvents.
enum EventId : DISPID {
  kOnActivate = 201,
  kOnClick = 202,
  kOnCreate = 203,
  kOnDblClick = 204,
  kOnDestroy = 205,
  kOnDeactivate = 206,
  kOnKeyPress = 207,
  kOnPaint = 208,
};

// Set while the object is being destroyed, so that calls made from the destructor (events
// raised on the page) cannot release it a second time.
constexpr LONG kDestroying = 1 << 28;

constexpr DWORD kSafetyOptions = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;

VARIANT_BOOL ToVariantBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

// A getter: checks the out pointer and maps errors raised while reading.
template <typename T, typename Read>
HRESULT GetValue(T* out, Read&& read) {
  if (!out) return E_POINTER;
  return AutomationCall([&] {
    *out = read();
    return S_OK;
  });
}

template <typename Write>
HRESULT SetValue(Write&& write) {
  return AutomationCall([&] {
    write();
    return S_OK;
  });
}

// An OLE call that failed inside a method: its own code, with the system's text for it.
HRESULT ReportOleError(HRESULT code) {
  wchar_t* text = nullptr;
  FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 static_cast<DWORD>(code), 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  std::u16string message;
  if (text) {
    message.assign(reinterpret_cast<const char16_t*>(text));
    LocalFree(text);
    while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r')) message.pop_back();
  }
  return ReportError(code, message);
}

// HIMETRIC from pixels at 96 pixels per inch.
LONG PixelsToHimetric(int pixels) { return MulDiv(pixels, 2540, 96); }

}  // namespace

// The connection point of IBrindleXEvents. It accepts one sink at a time; its lifetime is
// the control's.
class BrindleXControl::EventConnectionPoint final : public IConnectionPoint {
 public:
  explicit EventConnectionPoint(BrindleXControl* owner) : owner_(owner) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IConnectionPoint)) {
      *object = static_cast<IConnectionPoint*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return owner_->AddRef(); }
  ULONG STDMETHODCALLTYPE Release() override { return owner_->Release(); }

  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
    if (!iid) return E_POINTER;
    *iid = DIID_IBrindleXEvents;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override {
    if (!container) return E_POINTER;
    *container = static_cast<IConnectionPointContainer*>(owner_);
    (*container)->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    if (owner_->event_sink_) return CONNECT_E_ADVISELIMIT;
    // A sink that does not speak IBrindleXEvents cannot receive the events.
    ComPtr<IDispatch> events;
    if (FAILED(sink->QueryInterface(DIID_IBrindleXEvents, reinterpret_cast<void**>(events.GetAddressOf())))) {
      return CONNECT_E_CANNOTCONNECT;
    }
    cookie_ = ++last_cookie_;
    *cookie = cookie_;
    owner_->EventSinkChanged(events.Get());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    if (!owner_->event_sink_ || cookie == 0 || cookie != cookie_) return CONNECT_E_NOCONNECTION;
    cookie_ = 0;
    owner_->EventSinkChanged(nullptr);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override {
    if (connections) *connections = nullptr;
    return E_NOTIMPL;
  }

 private:
  BrindleXControl* owner_;
  DWORD cookie_ = 0;
  DWORD last_cookie_ = 0;
};

namespace {

// The control's one connection point, for EnumConnectionPoints.
class ConnectionPointEnumerator final : public IEnumConnectionPoints {
 public:
  explicit ConnectionPointEnumerator(IConnectionPoint* point, ULONG position = 0)
      : point_(point), position_(position) {
    ObjectCreated();
  }
  ~ConnectionPointEnumerator() { ObjectDestroyed(); }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumConnectionPoints)) {
      *object = static_cast<IEnumConnectionPoints*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }
  HRESULT STDMETHODCALLTYPE Next(ULONG count, IConnectionPoint** points, ULONG* fetched) override {
    if (!points || (count > 1 && !fetched)) return E_POINTER;
    ULONG n = 0;
    if (count > 0 && position_ == 0) {
      points[0] = point_.Get();
      points[0]->AddRef();
      position_ = 1;
      n = 1;
    }
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    if (count == 0) return S_OK;
    bool had = position_ == 0;
    position_ = 1;
    return had && count == 1 ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    position_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** copy) override {
    if (!copy) return E_POINTER;
    *copy = new (std::nothrow) ConnectionPointEnumerator(point_.Get(), position_);
    return *copy ? S_OK : E_OUTOFMEMORY;
  }

 private:
  LONG refs_ = 1;
  ComPtr<IConnectionPoint> point_;
  ULONG position_;
};

}  // namespace

HRESULT BrindleXControl::Create(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  auto* control = new (std::nothrow) BrindleXControl;
  if (!control) return E_OUTOFMEMORY;
  HRESULT hr = control->Initialize();
  if (SUCCEEDED(hr)) hr = control->QueryInterface(riid, object);
  control->Release();
  return hr;
}

BrindleXControl::BrindleXControl() {
  ObjectCreated();
  extent_ = {PixelsToHimetric(924), PixelsToHimetric(480)};
}

HRESULT BrindleXControl::Initialize() {
  events_ = new (std::nothrow) EventConnectionPoint(this);
  if (!events_) return E_OUTOFMEMORY;
  HRESULT hr = S_OK;
  form_ = BrindleForm::Create(&hr);
  if (!form_) return hr;
  extent_ = {PixelsToHimetric(form_->design_size().cx), PixelsToHimetric(form_->design_size().cy)};
  // The initialisation hook: from now on the form's events reach the page.
  form_->SetHandlers(this);
  return S_OK;
}

BrindleXControl::~BrindleXControl() {
  InPlaceDeactivate();
  // The form raises OnDestroy while the page's sink is still connected.
  if (form_) form_->Close();
  form_ = nullptr;
  event_sink_.Reset();
  delete events_;
  ObjectDestroyed();
}

// IUnknown

HRESULT BrindleXControl::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  void* found = nullptr;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IBrindleX)) {
    found = static_cast<IBrindleX*>(this);
  } else if (IsEqualIID(riid, IID_IProvideClassInfo) || IsEqualIID(riid, IID_IProvideClassInfo2)) {
    found = static_cast<IProvideClassInfo2*>(this);
  } else if (IsEqualIID(riid, IID_ISupportErrorInfo)) {
    found = static_cast<ISupportErrorInfo*>(this);
  } else if (IsEqualIID(riid, IID_IObjectSafety)) {
    found = static_cast<IObjectSafety*>(this);
  } else if (IsEqualIID(riid, IID_IConnectionPointContainer)) {
    found = static_cast<IConnectionPointContainer*>(this);
  } else if (IsEqualIID(riid, IID_IOleObject)) {
    found = static_cast<IOleObject*>(this);
  } else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceObject)) {
    found = static_cast<IOleInPlaceObject*>(this);
  } else if (IsEqualIID(riid, IID_IOleInPlaceActiveObject)) {
    found = static_cast<IOleInPlaceActiveObject*>(this);
  } else if (IsEqualIID(riid, IID_IViewObject) || IsEqualIID(riid, IID_IViewObject2)) {
    found = static_cast<IViewObject2*>(this);
  } else if (IsEqualIID(riid, IID_IPersist) || IsEqualIID(riid, IID_IPersistStreamInit)) {
    found = static_cast<IPersistStreamInit*>(this);
  } else if (IsEqualIID(riid, IID_IPersistPropertyBag)) {
    found = static_cast<IPersistPropertyBag*>(this);
  } else if (IsEqualIID(riid, IID_IOleControl)) {
    found = static_cast<IOleControl*>(this);
  }
  *object = found;
  if (!found) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

ULONG BrindleXControl::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG BrindleXControl::Release() {
  LONG n = InterlockedDecrement(&refs_);
  if (n == 0) {
    refs_ = kDestroying;
    delete this;
  }
  return static_cast<ULONG>(n);
}

// IDispatch, through the type library: the dispatch view describes the members, calls go
// through the vtable view.

HRESULT BrindleXControl::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

HRESULT BrindleXControl::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return GetOwnTypeInfo(IID_IBrindleX, info);
}

HRESULT BrindleXControl::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  ComPtr<ITypeInfo> info;
  HRESULT hr = GetOwnTypeInfo(IID_IBrindleX, &info);
  if (FAILED(hr)) return hr;
  return DispGetIDsOfNames(info.Get(), names, count, ids);
}

HRESULT BrindleXControl::Invoke(DISPID member, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                EXCEPINFO* exception, UINT* arg_error) {
  if (!type_info_) {
    ComPtr<ITypeInfo> dispatch;
    HRESULT hr = GetOwnTypeInfo(IID_IBrindleX, &dispatch);
    HREFTYPE vtable = 0;
    if (SUCCEEDED(hr)) hr = dispatch->GetRefTypeOfImplType(-1, &vtable);
    if (SUCCEEDED(hr)) hr = dispatch->GetRefTypeInfo(vtable, &type_info_);
    if (FAILED(hr)) return hr;
  }
  return InvokeThroughTypeInfo(type_info_.Get(), static_cast<IBrindleX*>(this), member, riid, flags, params, result,
                               exception, arg_error);
}

// IBrindleX: every property forwards to the form member of the same name.

HRESULT BrindleXControl::get_Visible(VARIANT_BOOL* value) {
  return GetValue(value, [&] { return ToVariantBool(form_->visible()); });
}
HRESULT BrindleXControl::put_Visible(VARIANT_BOOL value) {
  return SetValue([&] { form_->SetVisible(value != 0); });
}
HRESULT BrindleXControl::get_AutoScroll(VARIANT_BOOL* value) {
  return GetValue(value, [&] { return ToVariantBool(form_->auto_scroll()); });
}
HRESULT BrindleXControl::put_AutoScroll(VARIANT_BOOL value) {
  return SetValue([&] { form_->SetAutoScroll(value != 0); });
}
HRESULT BrindleXControl::get_AutoSize(VARIANT_BOOL* value) {
  return GetValue(value, [&] { return ToVariantBool(form_->auto_size()); });
}
HRESULT BrindleXControl::put_AutoSize(VARIANT_BOOL value) {
  return SetValue([&] { form_->SetAutoSize(value != 0); });
}
HRESULT BrindleXControl::get_AxBorderStyle(enum TxActiveFormBorderStyle* value) {
  return GetValue(value, [&] { return static_cast<enum TxActiveFormBorderStyle>(form_->ax_border_style()); });
}
HRESULT BrindleXControl::put_AxBorderStyle(enum TxActiveFormBorderStyle value) {
  return SetValue([&] { form_->SetAxBorderStyle(static_cast<int32_t>(value)); });
}
HRESULT BrindleXControl::get_Caption(BSTR* value) {
  if (!value) return E_POINTER;
  *value = nullptr;
  return AutomationCall([&] {
    *value = ToBstr(AnsiToUtf16(form_->caption()));
    if (!*value) throw std::bad_alloc();
    return S_OK;
  });
}
HRESULT BrindleXControl::put_Caption(BSTR value) {
  return SetValue([&] { form_->SetCaption(Utf16ToAnsi(FromBstr(value))); });
}
HRESULT BrindleXControl::get_Color(OLE_COLOR* value) {
  return GetValue(value, [&] { return form_->color(); });
}
HRESULT BrindleXControl::put_Color(OLE_COLOR value) {
  return SetValue([&] { form_->SetColor(value); });
}
HRESULT BrindleXControl::get_Font(Font** value) {
  if (!value) return E_POINTER;
  *value = nullptr;
  return AutomationCall([&] {
    if (IFontDisp* font = form_->font()) {
      font->AddRef();
      *value = static_cast<Font*>(font);
    }
    return S_OK;
  });
}
HRESULT BrindleXControl::put_Font(Font* value) {
  return AutomationCall([&] {
    HRESULT hr = form_->AssignFont(value);
    return FAILED(hr) ? ReportOleError(hr) : S_OK;
  });
}
HRESULT BrindleXControl::putref_Font(Font** value) {
  if (!value) return E_POINTER;
  return put_Font(*value);
}
HRESULT BrindleXControl::get_KeyPreview(VARIANT_BOOL* value) {
  return GetValue(value, [&] { return ToVariantBool(form_->key_preview()); });
}
HRESULT BrindleXControl::put_KeyPreview(VARIANT_BOOL value) {
  return SetValue([&] { form_->set_key_preview(value != 0); });
}
HRESULT BrindleXControl::get_PixelsPerInch(LONG* value) {
  return GetValue(value, [&] { return static_cast<LONG>(form_->pixels_per_inch()); });
}
HRESULT BrindleXControl::put_PixelsPerInch(LONG value) {
  return SetValue([&] { form_->SetPixelsPerInch(value); });
}
HRESULT BrindleXControl::get_PrintScale(enum TxPrintScale* value) {
  return GetValue(value, [&] { return static_cast<enum TxPrintScale>(form_->print_scale()); });
}
HRESULT BrindleXControl::put_PrintScale(enum TxPrintScale value) {
  // The form keeps the print scale in one byte.
  return SetValue([&] { form_->set_print_scale(static_cast<uint8_t>(value & 0xFF)); });
}
HRESULT BrindleXControl::get_Scaled(VARIANT_BOOL* value) {
  return GetValue(value, [&] { return ToVariantBool(form_->scaled()); });
}
HRESULT BrindleXControl::put_Scaled(VARIANT_BOOL value) {
  return SetValue([&] { form_->SetScaled(value != 0); });
}
HRESULT BrindleXControl::get_Active(VARIANT_BOOL* value) {
  return GetValue(value, [&] { return ToVariantBool(form_->active()); });
}
HRESULT BrindleXControl::get_DropTarget(VARIANT_BOOL* value) {
  return GetValue(value, [&] { return ToVariantBool(form_->drop_target()); });
}
HRESULT BrindleXControl::put_DropTarget(VARIANT_BOOL value) {
  return SetValue([&] { form_->set_drop_target(value != 0); });
}
HRESULT BrindleXControl::get_HelpFile(BSTR* value) {
  if (!value) return E_POINTER;
  *value = nullptr;
  return AutomationCall([&] {
    *value = ToBstr(AnsiToUtf16(form_->help_file()));
    if (!*value) throw std::bad_alloc();
    return S_OK;
  });
}
HRESULT BrindleXControl::put_HelpFile(BSTR value) {
  return SetValue([&] { form_->set_help_file(Utf16ToAnsi(FromBstr(value))); });
}
HRESULT BrindleXControl::get_ScreenSnap(VARIANT_BOOL* value) {
  return GetValue(value, [&] { return ToVariantBool(form_->screen_snap()); });
}
HRESULT BrindleXControl::put_ScreenSnap(VARIANT_BOOL value) {
  return SetValue([&] { form_->set_screen_snap(value != 0); });
}
HRESULT BrindleXControl::get_SnapBuffer(LONG* value) {
  return GetValue(value, [&] { return static_cast<LONG>(form_->snap_buffer()); });
}
HRESULT BrindleXControl::put_SnapBuffer(LONG value) {
  return SetValue([&] { form_->set_snap_buffer(value); });
}
HRESULT BrindleXControl::get_DoubleBuffered(VARIANT_BOOL* value) {
  return GetValue(value, [&] { return ToVariantBool(form_->double_buffered()); });
}
HRESULT BrindleXControl::put_DoubleBuffered(VARIANT_BOOL value) {
  return SetValue([&] { form_->set_double_buffered(value != 0); });
}
HRESULT BrindleXControl::get_AlignDisabled(VARIANT_BOOL* value) {
  return GetValue(value, [&] { return ToVariantBool(form_->align_disabled()); });
}
HRESULT BrindleXControl::get_VisibleDockClientCount(LONG* value) {
  return GetValue(value, [&] { return static_cast<LONG>(form_->visible_dock_client_count()); });
}
HRESULT BrindleXControl::get_Enabled(VARIANT_BOOL* value) {
  return GetValue(value, [&] { return ToVariantBool(form_->enabled()); });
}
HRESULT BrindleXControl::put_Enabled(VARIANT_BOOL value) {
  return SetValue([&] { form_->SetEnabled(value != 0); });
}

HRESULT BrindleXControl::CallMorvaneExe(BSTR exetype, BSTR params) {
  return AutomationCall([&] {
    WindowsLaunchEnvironment environment;
    Status status = control::CallMorvaneExe(FromBstr(exetype), FromBstr(params), environment);
    return status.ok() ? S_OK : ReportError(E_UNEXPECTED, Utf8ToUtf16(status.message()));
  });
}

// IProvideClassInfo2

HRESULT BrindleXControl::GetClassInfo(ITypeInfo** info) { return GetOwnTypeInfo(CLSID_BrindleX, info); }

HRESULT BrindleXControl::GetGUID(DWORD kind, GUID* guid) {
  if (!guid) return E_POINTER;
  if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
    *guid = GUID_NULL;
    return E_INVALIDARG;
  }
  *guid = DIID_IBrindleXEvents;
  return S_OK;
}

// ISupportErrorInfo: every interface of the control may leave error information.

HRESULT BrindleXControl::InterfaceSupportsErrorInfo(REFIID riid) {
  ComPtr<IUnknown> unknown;
  return SUCCEEDED(QueryInterface(riid, reinterpret_cast<void**>(unknown.GetAddressOf()))) ? S_OK : S_FALSE;
}

// IObjectSafety: safe for untrusted callers and data on every interface the control has;
// one set of enabled options for all of them.

HRESULT BrindleXControl::GetInterfaceSafetyOptions(REFIID riid, DWORD* supported, DWORD* enabled) {
  if (!supported || !enabled) return E_POINTER;
  ComPtr<IUnknown> unknown;
  HRESULT hr = QueryInterface(riid, reinterpret_cast<void**>(unknown.GetAddressOf()));
  if (FAILED(hr)) {
    *supported = 0;
    *enabled = 0;
    return hr;
  }
  *supported = kSafetyOptions;
  *enabled = safety_options_ & kSafetyOptions;
  return S_OK;
}

HRESULT BrindleXControl::SetInterfaceSafetyOptions(REFIID riid, DWORD mask, DWORD enabled) {
  ComPtr<IUnknown> unknown;
  HRESULT hr = QueryInterface(riid, reinterpret_cast<void**>(unknown.GetAddressOf()));
  if (FAILED(hr)) return hr;
  safety_options_ = mask & enabled;
  return S_OK;
}

// IConnectionPointContainer

HRESULT BrindleXControl::EnumConnectionPoints(IEnumConnectionPoints** points) {
  if (!points) return E_POINTER;
  *points = new (std::nothrow) ConnectionPointEnumerator(events_);
  return *points ? S_OK : E_OUTOFMEMORY;
}

HRESULT BrindleXControl::FindConnectionPoint(REFIID riid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (!IsEqualIID(riid, DIID_IBrindleXEvents)) return CONNECT_E_NOCONNECTION;
  *point = events_;
  events_->AddRef();
  return S_OK;
}

void BrindleXControl::EventSinkChanged(IDispatch* sink) {
  event_sink_ = sink;
  // The first report decides: a page that connects first receives OnCreate now, once.
  if (++sink_reports_ == 1 && sink) form_->DoCreate();
}

void BrindleXControl::FireEvent(DISPID id) {
  if (!event_sink_) return;
  // The page may disconnect or release the control from its handler.
  ComPtr<IDispatch> sink = event_sink_;
  AddRef();
  DISPPARAMS none{};
  sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr);
  Release();
}

void BrindleXControl::FormActivate() { FireEvent(kOnActivate); }
void BrindleXControl::FormClick() { FireEvent(kOnClick); }
void BrindleXControl::FormCreate() { FireEvent(kOnCreate); }
void BrindleXControl::FormDblClick() { FireEvent(kOnDblClick); }
void BrindleXControl::FormDeactivate() { FireEvent(kOnDeactivate); }
void BrindleXControl::FormDestroy() { FireEvent(kOnDestroy); }
void BrindleXControl::FormPaint() { FireEvent(kOnPaint); }

void BrindleXControl::FormKeyPress(char& key) {
  if (!event_sink_) return;
  ComPtr<IDispatch> sink = event_sink_;
  AddRef();
  // The key byte travels as a short without sign extension; the page may change it, and
  // its low byte becomes the form's key.
  SHORT value = static_cast<SHORT>(static_cast<unsigned char>(key));
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_I2 | VT_BYREF;
  arg.piVal = &value;
  DISPPARAMS params{&arg, nullptr, 1, 0};
  sink->Invoke(kOnKeyPress, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
  key = static_cast<char>(static_cast<unsigned short>(value) & 0xFF);
  Release();
}

// IOleObject

HRESULT BrindleXControl::SetClientSite(IOleClientSite* site) {
  client_site_ = site;
  return S_OK;
}

HRESULT BrindleXControl::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  *site = client_site_.Get();
  if (*site) (*site)->AddRef();
  return S_OK;
}

HRESULT BrindleXControl::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

HRESULT BrindleXControl::Close(DWORD) {
  InPlaceDeactivate();
  if (ole_advise_) ole_advise_->SendOnClose();
  return S_OK;
}

HRESULT BrindleXControl::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

HRESULT BrindleXControl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT BrindleXControl::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

HRESULT BrindleXControl::GetClipboardData(DWORD, IDataObject** data) {
  if (data) *data = nullptr;
  return E_NOTIMPL;
}

HRESULT BrindleXControl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND, LPCRECT) {
  if (site && !client_site_) client_site_ = site;
  switch (verb) {
    case OLEIVERB_SHOW:
    case OLEIVERB_UIACTIVATE:
      return InPlaceActivate(true);
    case OLEIVERB_INPLACEACTIVATE:
      return InPlaceActivate(false);
    case OLEIVERB_HIDE:
      form_->SetVisible(false);
      return S_OK;
    case OLEIVERB_PRIMARY:     // verb 0, "Properties"
    case OLEIVERB_PROPERTIES:  // the control has no property pages to show
      return S_OK;
    default:
      return OLEOBJ_S_INVALIDVERB;
  }
}

HRESULT BrindleXControl::EnumVerbs(IEnumOLEVERB** verbs) { return OleRegEnumVerbs(CLSID_BrindleX, verbs); }

HRESULT BrindleXControl::Update() { return S_OK; }

HRESULT BrindleXControl::IsUpToDate() { return S_OK; }

HRESULT BrindleXControl::GetUserClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = CLSID_BrindleX;
  return S_OK;
}

HRESULT BrindleXControl::GetUserType(DWORD form, LPOLESTR* name) { return OleRegGetUserType(CLSID_BrindleX, form, name); }

HRESULT BrindleXControl::SetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  extent_ = *size;
  return S_OK;
}

HRESULT BrindleXControl::GetExtent(DWORD aspect, SIZEL* size) {
  if (!size) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *size = extent_;
  return S_OK;
}

HRESULT BrindleXControl::Advise(IAdviseSink* sink, DWORD* connection) {
  if (!ole_advise_) {
    HRESULT hr = CreateOleAdviseHolder(&ole_advise_);
    if (FAILED(hr)) return hr;
  }
  return ole_advise_->Advise(sink, connection);
}

HRESULT BrindleXControl::Unadvise(DWORD connection) {
  return ole_advise_ ? ole_advise_->Unadvise(connection) : OLE_E_NOCONNECTION;
}

HRESULT BrindleXControl::EnumAdvise(IEnumSTATDATA** advise) {
  if (!advise) return E_POINTER;
  *advise = nullptr;
  return ole_advise_ ? ole_advise_->EnumAdvise(advise) : S_OK;
}

HRESULT BrindleXControl::GetMiscStatus(DWORD aspect, DWORD* status) {
  if (!status) return E_POINTER;
  // As registered: 140689 for the content aspect, 0 for the others.
  *status = aspect == DVASPECT_CONTENT ? 140689 : 0;
  return S_OK;
}

HRESULT BrindleXControl::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// IOleWindow

HRESULT BrindleXControl::GetWindow(HWND* hwnd) {
  if (!hwnd) return E_POINTER;
  *hwnd = in_place_site_ ? form_->hwnd() : nullptr;
  return *hwnd ? S_OK : E_FAIL;
}

HRESULT BrindleXControl::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

// In-place activation: the form becomes a child of the container's window.

HRESULT BrindleXControl::InPlaceActivate(bool ui_activate) {
  if (!client_site_) return E_UNEXPECTED;
  if (!in_place_site_) {
    ComPtr<IOleInPlaceSite> site;
    HRESULT hr = client_site_.As(&site);
    if (FAILED(hr)) return hr;
    if (site->CanInPlaceActivate() != S_OK) return E_FAIL;
    site->OnInPlaceActivate();
    in_place_site_ = site;
  }
  HWND parent = nullptr;
  HRESULT hr = in_place_site_->GetWindow(&parent);
  if (FAILED(hr)) return hr;
  RECT bounds{};
  RECT clip{};
  OLEINPLACEFRAMEINFO frame_info{};
  frame_info.cb = sizeof(frame_info);
  in_place_frame_.Reset();
  in_place_document_.Reset();
  hr = in_place_site_->GetWindowContext(&in_place_frame_, &in_place_document_, &bounds, &clip, &frame_info);
  if (FAILED(hr)) return hr;
  form_->Attach(parent, bounds);
  if (ui_activate && !ui_active_) {
    ui_active_ = true;
    in_place_site_->OnUIActivate();
    SetFocus(form_->hwnd());
    auto* active = static_cast<IOleInPlaceActiveObject*>(this);
    if (in_place_frame_) {
      in_place_frame_->SetActiveObject(active, L"BrindleX");
      in_place_frame_->SetBorderSpace(nullptr);
    }
    if (in_place_document_) {
      in_place_document_->SetActiveObject(active, L"BrindleX");
      in_place_document_->SetBorderSpace(nullptr);
    }
  }
  return S_OK;
}

HRESULT BrindleXControl::InPlaceDeactivate() {
  if (!in_place_site_) return S_OK;
  UIDeactivate();
  form_->Detach();
  ComPtr<IOleInPlaceSite> site = std::move(in_place_site_);
  in_place_frame_.Reset();
  in_place_document_.Reset();
  site->OnInPlaceDeactivate();
  return S_OK;
}

HRESULT BrindleXControl::UIDeactivate() {
  if (!ui_active_) return S_OK;
  ui_active_ = false;
  if (in_place_frame_) in_place_frame_->SetActiveObject(nullptr, nullptr);
  if (in_place_document_) in_place_document_->SetActiveObject(nullptr, nullptr);
  if (in_place_site_) in_place_site_->OnUIDeactivate(FALSE);
  return S_OK;
}

HRESULT BrindleXControl::SetObjectRects(LPCRECT bounds, LPCRECT) {
  if (!bounds) return E_POINTER;
  form_->SetBounds(*bounds);
  return S_OK;
}

HRESULT BrindleXControl::ReactivateAndUndo() { return E_NOTIMPL; }

// IOleInPlaceActiveObject

HRESULT BrindleXControl::TranslateAccelerator(LPMSG) { return S_FALSE; }
HRESULT BrindleXControl::OnFrameWindowActivate(BOOL) { return S_OK; }
HRESULT BrindleXControl::OnDocWindowActivate(BOOL) { return S_OK; }
HRESULT BrindleXControl::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
HRESULT BrindleXControl::EnableModeless(BOOL) { return S_OK; }

// IViewObject2

HRESULT BrindleXControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC draw_dc, LPCRECTL bounds,
                              LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!draw_dc || !bounds) return E_INVALIDARG;
  RECT rect{bounds->left, bounds->top, bounds->right, bounds->bottom};
  form_->Draw(draw_dc, rect);
  return S_OK;
}

HRESULT BrindleXControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors) {
  if (colors) *colors = nullptr;
  return E_NOTIMPL;
}

HRESULT BrindleXControl::Freeze(DWORD, LONG, void*, DWORD*) { return E_NOTIMPL; }
HRESULT BrindleXControl::Unfreeze(DWORD) { return E_NOTIMPL; }

HRESULT BrindleXControl::SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* sink) {
  view_advise_ = sink;
  view_advise_aspects_ = aspects;
  view_advise_flags_ = advf;
  return S_OK;
}

HRESULT BrindleXControl::GetAdvise(DWORD* aspects, DWORD* advf, IAdviseSink** sink) {
  if (aspects) *aspects = view_advise_aspects_;
  if (advf) *advf = view_advise_flags_;
  if (sink) {
    *sink = view_advise_.Get();
    if (*sink) (*sink)->AddRef();
  }
  return S_OK;
}

HRESULT BrindleXControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) { return GetExtent(aspect, size); }

// IPersist, IPersistStreamInit, IPersistPropertyBag

HRESULT BrindleXControl::GetClassID(CLSID* clsid) { return GetUserClassID(clsid); }
HRESULT BrindleXControl::IsDirty() { return S_FALSE; }
HRESULT BrindleXControl::Load(LPSTREAM stream) { return stream ? S_OK : E_POINTER; }
HRESULT BrindleXControl::Save(LPSTREAM stream, BOOL) { return stream ? S_OK : E_POINTER; }

HRESULT BrindleXControl::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  size->QuadPart = 0;
  return S_OK;
}

HRESULT BrindleXControl::InitNew() { return S_OK; }
HRESULT BrindleXControl::Load(IPropertyBag* bag, IErrorLog*) { return bag ? S_OK : E_POINTER; }
HRESULT BrindleXControl::Save(IPropertyBag* bag, BOOL, BOOL) { return bag ? S_OK : E_POINTER; }

// IOleControl

HRESULT BrindleXControl::GetControlInfo(CONTROLINFO* info) {
  if (!info) return E_POINTER;
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  return S_OK;
}

HRESULT BrindleXControl::OnMnemonic(MSG*) { return E_NOTIMPL; }
HRESULT BrindleXControl::OnAmbientPropertyChange(DISPID) { return S_OK; }
HRESULT BrindleXControl::FreezeEvents(BOOL) { return S_OK; }

}  // namespace tabulon::control
