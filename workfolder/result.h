#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "language/message.h"

namespace pressling {

// Why a run, or one step of it, did not complete.
enum class ErrorKind {
  FileOperation,  // a file or folder operation failed
  Stopped,        // the event pass asked the run to stop
  NotDatabase,    // the path is not accepted, or the file is no resource database
  Corrupt,        // the database breaks the layout the tool relies on
  TooLarge,       // 16 MiB or more: 24-bit offsets cannot describe it
};

struct Error {
  // A text that is the same in every language.
  Error(ErrorKind kind, std::string message) : kind(kind), message(message), text(std::move(message)) {}
  Error(ErrorKind kind, Message text) : kind(kind), message(text.English()), text(std::move(text)) {}

  ErrorKind kind;
  std::string message;  // names the file and the fault, in English (logs, tests)
  Message text;         // the same, for a front end to show in its language
};

// error as a fault of what it names: "name: fault".
Error Within(const std::string& name, const Error& error);

// A failed system call on path: "cannot write /x/y: No space left on device".
// what is one of "open", "read", "write", "create", "remove", "rename",
// "flush", "close", "inspect", "list", "follow", "make folder" and
// "remove folder"; errnum's text is translated for the common errors.
Error FileFailure(std::string_view what, const std::filesystem::path& path, int errnum);

// The same for renaming from to to.
Error RenameFailure(const std::filesystem::path& from, const std::filesystem::path& to, int errnum);

// The text of errnum in English as the C library writes it, translated where
// the catalogs know it.
Message ErrnoText(int errnum);

// A value or the Error that kept it from being made.
template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::move(value)) {}
  Result(Error error) : state_(std::move(error)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }
  T& value() { return std::get<0>(state_); }
  const T& value() const { return std::get<0>(state_); }
  T& operator*() { return value(); }
  const T& operator*() const { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }
  const Error& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, Error> state_;
};

template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(Error error) : error_(std::move(error)) {}

  bool ok() const { return !error_.has_value(); }
  explicit operator bool() const { return ok(); }
  const Error& error() const { return *error_; }

 private:
  std::optional<Error> error_;
};

}  // namespace pressling
