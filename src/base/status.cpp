#include "base/status.h"

namespace tabulon {

const char* StatusCodeName(Status::Code code) {
  switch (code) {
    case Status::Code::kOk: return "OK";
    case Status::Code::kNotFound: return "Not found";
    case Status::Code::kInvalidArgument: return "Invalid argument";
    case Status::Code::kCorruption: return "Corruption";
    case Status::Code::kNotSupported: return "Not supported";
    case Status::Code::kIOError: return "I/O error";
    case Status::Code::kBusy: return "Busy";
    case Status::Code::kPermissionDenied: return "Permission denied";
    case Status::Code::kConstraint: return "Constraint violated";
    case Status::Code::kInternal: return "Internal error";
  }
  return "Unknown";
}

std::string Status::ToString() const {
  if (ok()) return "OK";
  std::string s = StatusCodeName(code_);
  if (!message_.empty()) {
    s += ": ";
    s += message_;
  }
  return s;
}

}  // namespace tabulon
