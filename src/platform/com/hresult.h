// HRESULTs with the values and names the window system gives them.
#pragma once

#include <cstdint>
#include <string>

namespace parlotto {

using HRESULT = std::int32_t;
using ULONG = std::uint32_t;
using DWORD = std::uint32_t;
using LCID = std::uint32_t;
// The object model's "long" and "short" are 32 and 16 bits wide everywhere.
using LONG = std::int32_t;
using SHORT = std::int16_t;

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }
constexpr HRESULT MakeHResult(std::uint32_t value) { return static_cast<HRESULT>(value); }
constexpr HRESULT HRESULT_FROM_WIN32(std::uint32_t code) {
  return code == 0 ? 0 : MakeHResult((code & 0xFFFF) | 0x80070000u);
}

// The list below is the one source of the constants, their names and texts.
#define PARLOTTO_HRESULTS(X)                                                                      \
  X(S_OK, 0x00000000, "The operation completed successfully.")                                    \
  X(S_FALSE, 0x00000001, "Incorrect function.")                                                   \
  X(E_NOTIMPL, 0x80004001, "Not implemented")                                                     \
  X(E_NOINTERFACE, 0x80004002, "No such interface supported")                                     \
  X(E_POINTER, 0x80004003, "Invalid pointer")                                                     \
  X(E_ABORT, 0x80004004, "Operation aborted")                                                     \
  X(E_FAIL, 0x80004005, "Unspecified error")                                                      \
  X(E_PENDING, 0x8000000A, "The data necessary to complete this operation is not yet available.") \
  X(E_UNEXPECTED, 0x8000FFFF, "Catastrophic failure")                                             \
  X(E_ACCESSDENIED, 0x80070005, "Access is denied.")                                              \
  X(E_HANDLE, 0x80070006, "The handle is invalid.")                                               \
  X(E_OUTOFMEMORY, 0x8007000E,                                                                    \
    "Not enough memory resources are available to complete this operation.")                      \
  X(E_INVALIDARG, 0x80070057, "The parameter is incorrect.")                                      \
  X(RPC_S_SERVER_UNAVAILABLE, 0x800706BA, "The RPC server is unavailable.")                       \
  X(RPC_S_CALL_FAILED, 0x800706BE, "The remote procedure call failed.")                           \
  X(RPC_E_CALL_REJECTED, 0x80010001, "Call was rejected by callee.")                              \
  X(RPC_E_SERVER_DIED, 0x80010007,                                                                \
    "The callee (server [not server application]) is not available and disappeared; all "         \
    "connections are invalid. The call may have executed.")                                       \
  X(RPC_E_SERVER_DIED_DNE, 0x80010012,                                                            \
    "The callee (server [not server application]) is not available and disappeared; all "         \
    "connections are invalid. The call did not execute.")                                         \
  X(RPC_E_SERVERFAULT, 0x80010105, "The server threw an exception.")                              \
  X(RPC_E_DISCONNECTED, 0x80010108, "The object invoked has disconnected from its clients.")      \
  X(RPC_E_WRONG_THREAD, 0x8001010E,                                                               \
    "The application called an interface that was marshalled for a different thread.")            \
  X(RPC_E_TIMEOUT, 0x8001011F, "This operation returned because the timeout period expired.")     \
  X(DISP_E_UNKNOWNINTERFACE, 0x80020001, "Unknown interface.")                                    \
  X(DISP_E_MEMBERNOTFOUND, 0x80020003, "Member not found.")                                       \
  X(DISP_E_PARAMNOTFOUND, 0x80020004, "Parameter not found.")                                     \
  X(DISP_E_TYPEMISMATCH, 0x80020005, "Type mismatch.")                                            \
  X(DISP_E_UNKNOWNNAME, 0x80020006, "Unknown name.")                                              \
  X(DISP_E_NONAMEDARGS, 0x80020007, "No named arguments.")                                        \
  X(DISP_E_BADVARTYPE, 0x80020008, "Bad variable type.")                                          \
  X(DISP_E_EXCEPTION, 0x80020009, "Exception occurred.")                                          \
  X(DISP_E_OVERFLOW, 0x8002000A, "Out of present range.")                                         \
  X(DISP_E_BADINDEX, 0x8002000B, "Invalid index.")                                                \
  X(DISP_E_UNKNOWNLCID, 0x8002000C, "Unknown language.")                                          \
  X(DISP_E_BADPARAMCOUNT, 0x8002000E, "Invalid number of parameters.")                            \
  X(DISP_E_PARAMNOTOPTIONAL, 0x8002000F, "Parameter not optional.")                               \
  X(TYPE_E_INVDATAREAD, 0x80028018, "Old format or invalid type library.")                        \
  X(TYPE_E_UNSUPFORMAT, 0x80028019, "Old format or invalid type library.")                        \
  X(TYPE_E_REGISTRYACCESS, 0x8002801C, "Error accessing the OLE registry.")                       \
  X(TYPE_E_LIBNOTREGISTERED, 0x8002801D, "Library not registered.")                               \
  X(TYPE_E_ELEMENTNOTFOUND, 0x8002802B, "Element not found.")                                     \
  X(TYPE_E_CANTLOADLIBRARY, 0x80029C4A, "Error loading type library/DLL.")                        \
  X(STG_E_FILENOTFOUND, 0x80030002, "%1 could not be found.")                                     \
  X(CLASS_E_NOAGGREGATION, 0x80040110,                                                            \
    "Class does not support aggregation (or class object is remote)")                             \
  X(CLASS_E_CLASSNOTAVAILABLE, 0x80040111, "ClassFactory cannot supply requested class")          \
  X(REGDB_E_READREGDB, 0x80040150, "Could not read key from registry")                            \
  X(REGDB_E_CLASSNOTREG, 0x80040154, "Class not registered")                                      \
  X(REGDB_E_IIDNOTREG, 0x80040155, "Interface not registered")                                    \
  X(CO_E_NOTINITIALIZED, 0x800401F0, "CoInitialize has not been called.")                         \
  X(CO_E_CLASSSTRING, 0x800401F3, "Invalid class string")                                         \
  X(CO_E_ERRORINDLL, 0x800401F9, "Error in the DLL")                                              \
  X(CO_E_OBJNOTCONNECTED, 0x800401FD, "Object is not connected to server")                        \
  X(CO_E_SERVER_EXEC_FAILURE, 0x80080005, "Server execution failed")                              \
  X(CO_E_SERVER_STOPPING, 0x80080008, "Object server is stopping when OLE service contacts it")

#define PARLOTTO_DECLARE_HRESULT(name, value, text) \
  inline constexpr HRESULT name = MakeHResult(value##u);
PARLOTTO_HRESULTS(PARLOTTO_DECLARE_HRESULT)
#undef PARLOTTO_DECLARE_HRESULT

// The symbolic name ("E_NOINTERFACE"), or null for a value without one.
const char* HResultName(HRESULT hr);

// The value of a symbolic name; false for an unknown name.
bool HResultFromName(const std::string& name, HRESULT* hr);

// The system's message text for `hr`, or "" when it has none.
std::string HResultMessage(HRESULT hr);

// Whether a call failed on its way rather than in the object: the server is
// gone, unreachable or did not answer. Callers of the window system see
// these as exceptions where a result of the object is only a value.
constexpr bool IsCallFailure(HRESULT hr) {
  return hr == RPC_S_SERVER_UNAVAILABLE || hr == RPC_S_CALL_FAILED || hr == RPC_E_SERVER_DIED ||
         hr == RPC_E_SERVER_DIED_DNE || hr == RPC_E_DISCONNECTED || hr == RPC_E_TIMEOUT ||
         hr == RPC_E_CALL_REJECTED || hr == CO_E_OBJNOTCONNECTED || hr == CO_E_SERVER_STOPPING;
}

// "E_NOINTERFACE (0x80004002)" or "0x8004D00A": for logs and errors.
std::string DescribeHResult(HRESULT hr);

}  // namespace parlotto
