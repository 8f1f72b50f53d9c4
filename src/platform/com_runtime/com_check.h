// The check of automation calls whose result matters: a failure becomes an
// exception whose message names the call, the reason and the place, so that
// a source can catch every failure of a chain of calls in one place.
//
//   OLECHECK(GetProperty(app, "Documents", &documents));
//   OLE_REQUIRE(document);   // an empty reference is a failure too
#pragma once

#include <stdexcept>
#include <string>

#include "platform/com/hresult.h"

namespace parlotto {

class ComCallError : public std::runtime_error {
 public:
  ComCallError(const std::string& message, HRESULT code)
      : std::runtime_error(message), code_(code) {}
  HRESULT code() const { return code_; }

 private:
  HRESULT code_;
};

// "'<call>': <reason> @ <file>/<line>", the reason being the error info's
// description the callee left, else the system's text for the code; or
// "(<call>) Error: <hex> (<decimal>) @ <file>/<line>" when there is neither.
std::string ComCallMessage(HRESULT hr, const char* call, const char* file, int line);

[[noreturn]] void ThrowComCallError(HRESULT hr, const char* call, const char* file, int line);
// "<condition> failed - <file>/<line>".
[[noreturn]] void ThrowEmptyReference(const char* condition, const char* file, int line);

}  // namespace parlotto

#define OLECHECK(call)                                                        \
  do {                                                                        \
    const ::parlotto::HRESULT parlotto_hr_ = (call);                          \
    if (::parlotto::FAILED(parlotto_hr_))                                     \
      ::parlotto::ThrowComCallError(parlotto_hr_, #call, __FILE__, __LINE__); \
  } while (false)

#define OLE_REQUIRE(reference)                                                         \
  do {                                                                                 \
    if (!(reference)) ::parlotto::ThrowEmptyReference(#reference, __FILE__, __LINE__); \
  } while (false)
