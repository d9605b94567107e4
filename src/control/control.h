// The control object BrindleX: what a container and a page talk to. It serves IBrindleX
// through the type library, forwards every property to its form, raises the form's events
// on the page's event sink, answers the browser's safety queries, and offers the least set
// of OLE control interfaces with which a container creates, sites, activates in place, draws
// and releases it.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <objsafe.h>
#include <ocidl.h>
#include <olectl.h>

#include "control/com_support.h"
#include "control/form.h"

namespace tabulon::control {

class BrindleXControl final : public IBrindleX,
                              public IProvideClassInfo2,
                              public ISupportErrorInfo,
                              public IObjectSafety,
                              public IConnectionPointContainer,
                              public IOleObject,
                              public IOleInPlaceObject,
                              public IOleInPlaceActiveObject,
                              public IViewObject2,
                              public IPersistStreamInit,
                              public IPersistPropertyBag,
                              public IOleControl,
                              private FormHandlers {
 public:
  // Creates a control and returns its interface `riid`.
  static HRESULT Create(REFIID riid, void** object);

  // The control's form (for tests that look at the form's state).
  BrindleForm* form() const { return form_; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT* arg_error) override;

  // IBrindleX
  HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_AutoScroll(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_AutoScroll(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_AutoSize(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_AutoSize(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_AxBorderStyle(enum TxActiveFormBorderStyle* value) override;
  HRESULT STDMETHODCALLTYPE put_AxBorderStyle(enum TxActiveFormBorderStyle value) override;
  HRESULT STDMETHODCALLTYPE get_Caption(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_Caption(BSTR value) override;
  HRESULT STDMETHODCALLTYPE get_Color(OLE_COLOR* value) override;
  HRESULT STDMETHODCALLTYPE put_Color(OLE_COLOR value) override;
  HRESULT STDMETHODCALLTYPE get_Font(Font** value) override;
  HRESULT STDMETHODCALLTYPE put_Font(Font* value) override;
  HRESULT STDMETHODCALLTYPE putref_Font(Font** value) override;
  HRESULT STDMETHODCALLTYPE get_KeyPreview(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_KeyPreview(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_PixelsPerInch(LONG* value) override;
  HRESULT STDMETHODCALLTYPE put_PixelsPerInch(LONG value) override;
  HRESULT STDMETHODCALLTYPE get_PrintScale(enum TxPrintScale* value) override;
  HRESULT STDMETHODCALLTYPE put_PrintScale(enum TxPrintScale value) override;
  HRESULT STDMETHODCALLTYPE get_Scaled(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_Scaled(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_Active(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE get_DropTarget(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_DropTarget(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_HelpFile(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_HelpFile(BSTR value) override;
  HRESULT STDMETHODCALLTYPE get_ScreenSnap(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_ScreenSnap(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_SnapBuffer(LONG* value) override;
  HRESULT STDMETHODCALLTYPE put_SnapBuffer(LONG value) override;
  HRESULT STDMETHODCALLTYPE get_DoubleBuffered(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_DoubleBuffered(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_AlignDisabled(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE get_VisibleDockClientCount(LONG* value) override;
  HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE CallMorvaneExe(BSTR exetype, BSTR params) override;

  // IProvideClassInfo2
  HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override;

  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID riid) override;

  // IObjectSafety
  HRESULT STDMETHODCALLTYPE GetInterfaceSafetyOptions(REFIID riid, DWORD* supported, DWORD* enabled) override;
  HRESULT STDMETHODCALLTYPE SetInterfaceSafetyOptions(REFIID riid, DWORD mask, DWORD enabled) override;

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid, IConnectionPoint** point) override;

  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR app, LPCOLESTR object) override;
  HRESULT STDMETHODCALLTYPE Close(DWORD save_option) override;
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD which, IMoniker* moniker) override;
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD reserved, IDataObject** data) override;
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent,
                                   LPCRECT bounds) override;
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) override;
  HRESULT STDMETHODCALLTYPE Update() override;
  HRESULT STDMETHODCALLTYPE IsUpToDate() override;
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD form, LPOLESTR* name) override;
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* connection) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) override;
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advise) override;
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE* palette) override;

  // IOleWindow (of IOleInPlaceObject and IOleInPlaceActiveObject)
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* hwnd) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL enter) override;

  // IOleInPlaceObject
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE UIDeactivate() override;
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT bounds, LPCRECT clip) override;
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;

  // IOleInPlaceActiveObject
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg) override;
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL activate) override;
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL activate) override;
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) override;
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL enable) override;

  // IViewObject2
  HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG index, void* aspect_info, DVTARGETDEVICE* device,
                                 HDC target_dc, HDC draw_dc, LPCRECTL bounds, LPCRECTL window_bounds,
                                 BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR), ULONG_PTR cont_arg) override;
  HRESULT STDMETHODCALLTYPE GetColorSet(DWORD aspect, LONG index, void* aspect_info, DVTARGETDEVICE* device,
                                        HDC target_dc, LOGPALETTE** colors) override;
  HRESULT STDMETHODCALLTYPE Freeze(DWORD aspect, LONG index, void* aspect_info, DWORD* freeze) override;
  HRESULT STDMETHODCALLTYPE Unfreeze(DWORD freeze) override;
  HRESULT STDMETHODCALLTYPE SetAdvise(DWORD aspects, DWORD advf, IAdviseSink* sink) override;
  HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* advf, IAdviseSink** sink) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, LPSIZEL size) override;

  // IPersist (of IPersistStreamInit and IPersistPropertyBag)
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;

  // IPersistStreamInit and IPersistPropertyBag: the control keeps no property values.
  HRESULT STDMETHODCALLTYPE IsDirty() override;
  HRESULT STDMETHODCALLTYPE Load(LPSTREAM stream) override;
  HRESULT STDMETHODCALLTYPE Save(LPSTREAM stream, BOOL clear_dirty) override;
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;
  HRESULT STDMETHODCALLTYPE InitNew() override;
  HRESULT STDMETHODCALLTYPE Load(IPropertyBag* bag, IErrorLog* log) override;
  HRESULT STDMETHODCALLTYPE Save(IPropertyBag* bag, BOOL clear_dirty, BOOL save_all) override;

  // IOleControl
  HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) override;
  HRESULT STDMETHODCALLTYPE OnMnemonic(MSG* msg) override;
  HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID id) override;
  HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) override;

 private:
  class EventConnectionPoint;

  BrindleXControl();
  ~BrindleXControl();
  HRESULT Initialize();

  // The event-sink hook: called whenever the page connects (`sink`) or disconnects (null)
  // its event sink.
  void EventSinkChanged(IDispatch* sink);
  void FireEvent(DISPID id);

  // FormHandlers: the form's events, raised on the page's sink.
  void FormActivate() override;
  void FormClick() override;
  void FormCreate() override;
  void FormDblClick() override;
  void FormDeactivate() override;
  void FormDestroy() override;
  void FormKeyPress(char& key) override;
  void FormPaint() override;

  HRESULT InPlaceActivate(bool ui_activate);

  LONG refs_ = 1;
  BrindleForm* form_ = nullptr;
  ComPtr<ITypeInfo> type_info_;
  EventConnectionPoint* events_ = nullptr;
  ComPtr<IDispatch> event_sink_;
  int sink_reports_ = 0;
  DWORD safety_options_ = 0;

  ComPtr<IOleClientSite> client_site_;
  ComPtr<IOleAdviseHolder> ole_advise_;
  ComPtr<IAdviseSink> view_advise_;
  DWORD view_advise_aspects_ = 0;
  DWORD view_advise_flags_ = 0;
  ComPtr<IOleInPlaceSite> in_place_site_;
  ComPtr<IOleInPlaceFrame> in_place_frame_;
  ComPtr<IOleInPlaceUIWindow> in_place_document_;
  bool ui_active_ = false;
  SIZEL extent_{};  // HIMETRIC
};

}  // namespace tabulon::control
