// How classes and objects are named on the session bus.
#pragma once

#include <QString>

#include "platform/com/guid.h"

namespace parlotto {

// The well-known name of a running class object:
// "org.parlotto.Com.C_D45FD2FC_5C6E_11D1_9EC1_00C04FD7081F".
QString ClassServiceName(REFCLSID clsid);

// Where objects and class objects live inside a process.
inline constexpr const char* kComRootPath = "/org/parlotto/Com";
QString ObjectPath(quint64 id);
QString ClassObjectPath(REFCLSID clsid);

// Interfaces that every exported object has.
inline constexpr const char* kUnknownInterface = "org.parlotto.Com.IUnknown";
inline constexpr const char* kDispatchInterface = "org.parlotto.Com.IDispatch";
inline constexpr const char* kClassFactoryInterface = "org.parlotto.Com.IClassFactory";
// Prefix of error names; the HRESULT's name follows.
inline constexpr const char* kErrorPrefix = "org.parlotto.Com.Error.";

}  // namespace parlotto
