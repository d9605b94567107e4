// Adds context to an error on its way up ("table \"X\": row 5:3: ..."), keeping its code.
#pragma once

#include <string>
#include <string_view>

#include "base/status.h"

namespace tabulon::jet {

inline Status Annotate(const Status& status, std::string_view context) {
  if (status.ok()) return status;
  std::string msg = std::string(context) + ": " + status.message();
  switch (status.code()) {
    case Status::Code::kOk: return status;
    case Status::Code::kNotFound: return Status::NotFound(std::move(msg));
    case Status::Code::kInvalidArgument: return Status::InvalidArgument(std::move(msg));
    case Status::Code::kCorruption: return Status::Corruption(std::move(msg));
    case Status::Code::kNotSupported: return Status::NotSupported(std::move(msg));
    case Status::Code::kIOError: return Status::IOError(std::move(msg));
    case Status::Code::kBusy: return Status::Busy(std::move(msg));
    case Status::Code::kPermissionDenied: return Status::PermissionDenied(std::move(msg));
    case Status::Code::kConstraint: return Status::Constraint(std::move(msg));
    case Status::Code::kInternal: return Status::Internal(std::move(msg));
  }
  return Status::Internal(std::move(msg));
}

}  // namespace tabulon::jet
