#pragma once
// Result<T>: a value or an Error, in the shape of C++23's std::expected.
// Errors are values in Tessivo; no exception crosses a module boundary.
// Header-only: the bottom layer, usable by every other.

#include <cassert>
#include <string>
#include <utility>
#include <variant>

namespace tessivo {

enum class ErrorCode {
  kNotFound,       // the file or folder does not exist
  kExists,         // the target of a rename or create already exists
  kNotSupported,   // the file system has no channel for the request
  kPermission,     // refused by the system
  kInvalidArgument,
  kNameTooLong,
  kNoSpace,
  kCorrupt,        // a file we read is damaged or not in its format
  kBusy,           // locked by another process
  kCancelled,
  kIo,             // any other failure of the system
};

struct Error {
  ErrorCode code = ErrorCode::kIo;
  std::u16string detail;  // what failed, for the user or the log; may be empty
};

template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : v_(std::move(value)) {}  // NOLINT: implicit on purpose
  Result(Error error) : v_(std::move(error)) {}  // NOLINT

  bool has_value() const { return v_.index() == 0; }
  explicit operator bool() const { return has_value(); }
  T& value() & { assert(has_value()); return std::get<0>(v_); }
  const T& value() const& { assert(has_value()); return std::get<0>(v_); }
  T&& value() && { assert(has_value()); return std::get<0>(std::move(v_)); }
  const Error& error() const { assert(!has_value()); return std::get<1>(v_); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }

 private:
  std::variant<T, Error> v_;
};

template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Error error) : error_(std::move(error)), ok_(false) {}  // NOLINT

  bool has_value() const { return ok_; }
  explicit operator bool() const { return ok_; }
  const Error& error() const { assert(!ok_); return error_; }

 private:
  Error error_;
  bool ok_ = true;
};

using Status = Result<void>;

inline Error MakeError(ErrorCode code, std::u16string detail = {}) {
  return Error{code, std::move(detail)};
}

}  // namespace tessivo
