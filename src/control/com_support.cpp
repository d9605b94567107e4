#include "control/com_support.h"

#include <oleauto.h>

namespace tabulon::control {

std::u16string FromBstr(BSTR text) {
  if (!text) return {};
  return std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
}

BSTR ToBstr(std::u16string_view text) {
  return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()), static_cast<UINT>(text.size()));
}

HRESULT ReportError(HRESULT code, std::u16string_view description) {
  ComPtr<ICreateErrorInfo> create;
  if (SUCCEEDED(CreateErrorInfo(&create))) {
    std::wstring text(description.begin(), description.end());
    create->SetGUID(IID_IBrindleX);
    create->SetSource(const_cast<LPOLESTR>(kProgId));
    create->SetDescription(text.data());
    create->SetHelpFile(const_cast<LPOLESTR>(L""));
    create->SetHelpContext(0);
    ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create.As(&info))) SetErrorInfo(0, info.Get());
  }
  return code;
}

}  // namespace tabulon::control
