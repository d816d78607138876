// A value or the message that says why there is none. Errors in this program
// are values the caller must look at, never exceptions thrown across layers.
#ifndef KAL_CORE_RESULT_H_
#define KAL_CORE_RESULT_H_

#include <optional>
#include <string>
#include <utility>

namespace kal {

struct Error {
  std::string message;
};

template <class T>
class Result {
 public:
  Result(T value) : value_(std::move(value)) {}              // NOLINT: implicit on purpose
  Result(Error error) : error_(std::move(error.message)) {}  // NOLINT

  bool ok() const { return value_.has_value(); }
  explicit operator bool() const { return ok(); }
  const T& value() const& { return *value_; }
  T& value() & { return *value_; }
  T&& value() && { return std::move(*value_); }
  const T& operator*() const& { return *value_; }
  const T* operator->() const { return &*value_; }
  const std::string& error() const { return error_; }

 private:
  std::optional<T> value_;
  std::string error_;
};

}  // namespace kal

#endif  // KAL_CORE_RESULT_H_
