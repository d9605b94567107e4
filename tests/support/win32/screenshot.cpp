#include "support/win32/screenshot.h"

#include <wincodec.h>

#include "support/test_env.h"
#include "support/win32/windows.h"

namespace tabulon::testing::win32 {
namespace {

template <typename T>
struct ComPtr {
  T* p = nullptr;
  ~ComPtr() { if (p) p->Release(); }
  T** operator&() { return &p; }
  T* operator->() { return p; }
};

bool Fail(std::string* error, const char* what, HRESULT hr) {
  if (error) {
    char buf[96];
    wsprintfA(buf, "%s failed (0x%08lX)", what, static_cast<unsigned long>(hr));
    *error = buf;
  }
  return false;
}

bool WritePng(HBITMAP bmp, const std::filesystem::path& path, std::string* error) {
  HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  bool ok = [&] {
    ComPtr<IWICImagingFactory> factory;
    HRESULT hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWICImagingFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return Fail(error, "CoCreateInstance(WICImagingFactory)", hr);
    ComPtr<IWICBitmap> bitmap;
    hr = factory->CreateBitmapFromHBITMAP(bmp, nullptr, WICBitmapIgnoreAlpha, &bitmap);
    if (FAILED(hr)) return Fail(error, "CreateBitmapFromHBITMAP", hr);
    ComPtr<IWICStream> stream;
    hr = factory->CreateStream(&stream);
    if (FAILED(hr)) return Fail(error, "CreateStream", hr);
    hr = stream->InitializeFromFilename(path.wstring().c_str(), GENERIC_WRITE);
    if (FAILED(hr)) return Fail(error, "InitializeFromFilename", hr);
    ComPtr<IWICBitmapEncoder> encoder;
    hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
    if (FAILED(hr)) return Fail(error, "CreateEncoder(PNG)", hr);
    hr = encoder->Initialize(stream.p, WICBitmapEncoderNoCache);
    if (FAILED(hr)) return Fail(error, "IWICBitmapEncoder::Initialize", hr);
    ComPtr<IWICBitmapFrameEncode> frame;
    hr = encoder->CreateNewFrame(&frame, nullptr);
    if (FAILED(hr)) return Fail(error, "CreateNewFrame", hr);
    hr = frame->Initialize(nullptr);
    if (FAILED(hr)) return Fail(error, "IWICBitmapFrameEncode::Initialize", hr);
    hr = frame->WriteSource(bitmap.p, nullptr);
    if (FAILED(hr)) return Fail(error, "WriteSource", hr);
    hr = frame->Commit();
    if (FAILED(hr)) return Fail(error, "frame Commit", hr);
    hr = encoder->Commit();
    if (FAILED(hr)) return Fail(error, "encoder Commit", hr);
    return true;
  }();
  if (SUCCEEDED(init)) CoUninitialize();
  return ok;
}

std::filesystem::path SaveRect(const RECT& want, const std::string& name, std::string* error) {
  RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  RECT r;
  if (!IntersectRect(&r, &want, &screen)) {
    if (error) *error = "the window lies outside the screen";
    return {};
  }
  int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen_dc = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen_dc);
  HBITMAP bmp = CreateCompatibleBitmap(screen_dc, w, h);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen_dc, r.left, r.top, SRCCOPY);
  SelectObject(mem, old);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen_dc);
  std::filesystem::path path = ScreenshotDir() / (name + ".png");
  bool ok = WritePng(bmp, path, error);
  DeleteObject(bmp);
  return ok ? path : std::filesystem::path();
}

}  // namespace

std::filesystem::path SaveWindowPng(HWND hwnd, const std::string& name, std::string* error) {
  if (!IsWindow(hwnd)) {
    if (error) *error = "not a window";
    return {};
  }
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PumpMessages(200);
  RECT r;
  GetWindowRect(hwnd, &r);
  return SaveRect(r, name, error);
}

std::filesystem::path SaveScreenPng(const std::string& name, std::string* error) {
  RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  return SaveRect(r, name, error);
}

}  // namespace tabulon::testing::win32
