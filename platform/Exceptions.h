// Exceptions that carry a message text: the one way failures travel through the program.
// Context is added by wrapping a message in a new exception, never by chaining.
#pragma once

#include <exception>
#include <string>

namespace rtl {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// The runtime's own failure classes, each raised with a text from the string table.
class EStreamError : public Exception { using Exception::Exception; };
class EReadError : public EStreamError { using EStreamError::EStreamError; };
class EWriteError : public EStreamError { using EStreamError::EStreamError; };
class EFCreateError : public EStreamError { using EStreamError::EStreamError; };
class EFOpenError : public EStreamError { using EStreamError::EStreamError; };
class EListError : public Exception { using Exception::Exception; };
class EOutOfMemory : public Exception { using Exception::Exception; };

}  // namespace rtl
