// The exception classes of the runtime.
//
// Every failure the program reports is an Exception carrying a UTF-8
// Message. EAbort is the silent one: the message loop swallows it without a
// box. The formatting constructor is the classic CreateFmt:
//   throw EConvertError("'%s' is not a valid integer value", text);
#pragma once

#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/base/var_rec.h"

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  // CreateFmt: the message is Format(pattern, args...).
  // clang-format off
  template <class... Args>
    requires(sizeof...(Args) > 0)
  Exception(std::string_view pattern, const Args&... args)
      : FMessage(FormatV(pattern, std::initializer_list<TVarRec>{TVarRec(args)...})) {}
  // clang-format on

  const std::string& Message() const { return FMessage; }
  void SetMessage(std::string message) { FMessage = std::move(message); }
  const char* what() const noexcept override { return FMessage.c_str(); }

 private:
  std::string FMessage;
};

#define MEBRATH_EXCEPTION(Name, Base) \
  class Name : public Base {          \
   public:                            \
    using Base::Base;                 \
  }

MEBRATH_EXCEPTION(EAbort, Exception);
MEBRATH_EXCEPTION(EConvertError, Exception);
MEBRATH_EXCEPTION(EIntError, Exception);
MEBRATH_EXCEPTION(ERangeError, EIntError);
MEBRATH_EXCEPTION(EIntOverflow, EIntError);
MEBRATH_EXCEPTION(EDivByZero, EIntError);
MEBRATH_EXCEPTION(EMathError, Exception);
MEBRATH_EXCEPTION(EZeroDivide, EMathError);
MEBRATH_EXCEPTION(EInvalidOp, EMathError);
MEBRATH_EXCEPTION(EOverflow, EMathError);
MEBRATH_EXCEPTION(EVariantError, Exception);
MEBRATH_EXCEPTION(EStreamError, Exception);
MEBRATH_EXCEPTION(EFileStreamError, EStreamError);
MEBRATH_EXCEPTION(EFOpenError, EFileStreamError);
MEBRATH_EXCEPTION(EFCreateError, EFileStreamError);
MEBRATH_EXCEPTION(EFilerError, EStreamError);
MEBRATH_EXCEPTION(EReadError, EFilerError);
MEBRATH_EXCEPTION(EWriteError, EFilerError);
MEBRATH_EXCEPTION(EClassNotFound, EFilerError);
MEBRATH_EXCEPTION(EListError, Exception);
MEBRATH_EXCEPTION(EStringListError, EListError);
MEBRATH_EXCEPTION(EDatabaseError, Exception);
MEBRATH_EXCEPTION(EInvalidOperation, Exception);
MEBRATH_EXCEPTION(EOutOfResources, Exception);
MEBRATH_EXCEPTION(EOutOfMemory, Exception);

#undef MEBRATH_EXCEPTION

// An I/O failure with the operating system's error number (errno).
class EInOutError : public Exception {
 public:
  EInOutError(std::string message, int errorCode)
      : Exception(std::move(message)), ErrorCode(errorCode) {}
  int ErrorCode;
};

// Raises EAbort: ends the current operation without a message.
[[noreturn]] void Abort();
