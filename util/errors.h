#pragma once
// The program's error types. Each carries its message and can name its own type,
// because a file that fails to load is reported as "type name: message".
#include <stdexcept>
#include <string>

namespace trawlix {

// The general error type, for the program's own failures
// ("Stack overflow in function Text.ParseX.", "TStringBuilder failed unit test.").
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const noexcept { return message_; }
  virtual const char* TypeName() const noexcept { return "Exception"; }

 private:
  std::string message_;
};

#define TRAWLIX_ERROR_TYPE(Name, Base)                               \
  class Name : public Base {                                         \
   public:                                                           \
    using Base::Base;                                                \
    const char* TypeName() const noexcept override { return #Name; } \
  }

// File and stream errors.
TRAWLIX_ERROR_TYPE(EStreamError, Exception);
TRAWLIX_ERROR_TYPE(EFOpenError, EStreamError);    // "Cannot open file "%s". %s"
TRAWLIX_ERROR_TYPE(EFCreateError, EStreamError);  // "Cannot create file "%s". %s"
TRAWLIX_ERROR_TYPE(EReadError, EStreamError);     // strerror's text
TRAWLIX_ERROR_TYPE(EWriteError, EStreamError);    // "Stream write error"
// Memory ran out while a file was loaded or its lines kept.
TRAWLIX_ERROR_TYPE(EOutOfMemory, Exception);  // "Out of memory"
// A control was given a value it refuses (the gauge's range checks).
TRAWLIX_ERROR_TYPE(EInvalidOperation, Exception);
// The directory browser could not enter a folder ("File not found", "I/O error %d").
TRAWLIX_ERROR_TYPE(EInOutError, Exception);
// The clipboard could not be opened ("Cannot open clipboard").
TRAWLIX_ERROR_TYPE(EClipboardException, Exception);

#undef TRAWLIX_ERROR_TYPE

// The system's text for an error number as the error lines show it:
// strerror's text without trailing blanks, control characters and full stops.
std::string SystemErrorText(int errorNumber);

}  // namespace trawlix
