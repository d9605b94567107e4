// Status and Result: how operations that can fail report it, in the manner of LevelDB.
// A Status is either ok or carries a code and a human-readable message (UTF-8 unless the
// producing layer says otherwise). Result<T> holds either a value or a non-ok Status.
#pragma once

#include <cassert>
#include <optional>
#include <string>
#include <utility>

namespace tabulon {

class Status {
 public:
  enum class Code {
    kOk = 0,
    kNotFound,
    kInvalidArgument,  // bad input from the caller (syntax errors, bad values)
    kCorruption,       // a stored file or a received message is damaged or malformed
    kNotSupported,     // valid input that this implementation does not handle
    kIOError,          // the operating system refused or failed a file or network operation
    kBusy,             // the resource is held by another process (locked file)
    kPermissionDenied, // wrong password, access refused
    kConstraint,       // a rule of the data was violated (unique key, NOT NULL, size)
    kInternal,         // a fault of this program
  };

  Status() = default;
  static Status Ok() { return Status(); }
  static Status NotFound(std::string msg) { return Status(Code::kNotFound, std::move(msg)); }
  static Status InvalidArgument(std::string msg) { return Status(Code::kInvalidArgument, std::move(msg)); }
  static Status Corruption(std::string msg) { return Status(Code::kCorruption, std::move(msg)); }
  static Status NotSupported(std::string msg) { return Status(Code::kNotSupported, std::move(msg)); }
  static Status IOError(std::string msg) { return Status(Code::kIOError, std::move(msg)); }
  static Status Busy(std::string msg) { return Status(Code::kBusy, std::move(msg)); }
  static Status PermissionDenied(std::string msg) { return Status(Code::kPermissionDenied, std::move(msg)); }
  static Status Constraint(std::string msg) { return Status(Code::kConstraint, std::move(msg)); }
  static Status Internal(std::string msg) { return Status(Code::kInternal, std::move(msg)); }

  bool ok() const { return code_ == Code::kOk; }
  Code code() const { return code_; }
  const std::string& message() const { return message_; }
  // "Corruption: page 12 is truncated"
  std::string ToString() const;

 private:
  Status(Code code, std::string msg) : code_(code), message_(std::move(msg)) {}
  Code code_ = Code::kOk;
  std::string message_;
};

const char* StatusCodeName(Status::Code code);

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: implicit by design
  Result(Status status) : status_(std::move(status)) { assert(!status_.ok()); }  // NOLINT

  bool ok() const { return value_.has_value(); }
  const Status& status() const { return status_; }
  T& value() & { assert(ok()); return *value_; }
  const T& value() const& { assert(ok()); return *value_; }
  T&& value() && { assert(ok()); return std::move(*value_); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

 private:
  std::optional<T> value_;
  Status status_;
};

}  // namespace tabulon

// Returns early from the enclosing function when the expression yields a non-ok Status.
#define TABULON_RETURN_IF_ERROR(expr)            \
  do {                                           \
    ::tabulon::Status _st = (expr);              \
    if (!_st.ok()) return _st;                   \
  } while (0)
