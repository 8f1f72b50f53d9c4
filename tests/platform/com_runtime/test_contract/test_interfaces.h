// The interfaces that the object runtime's tests and their helper programs
// call across processes: a server object that hands out a second object,
// a counter that object offers beside it, and the events a client registers
// a sink for. All are dual interfaces described by the TestObjects type
// library.
#pragma once

#include "platform/com/idispatch.h"
#include "platform/com/typeinfo.h"

namespace parlotto {

inline constexpr CLSID CLSID_TestServer = MakeGuid("{F2258EA9-28C2-4BFE-BEC7-AE33412610D7}");
inline constexpr IID IID_ITestServer = MakeGuid("{7876FF94-58CA-4A99-9AD9-B59EC58AEF82}");
inline constexpr IID IID_ITestObject = MakeGuid("{CC3C187E-16C2-4EDB-923C-6C5AF9A9461F}");
inline constexpr IID IID_ITestCounter = MakeGuid("{7438F498-2A0D-472F-85F7-B78190292C80}");
inline constexpr IID IID_ITestEvents = MakeGuid("{C187225D-224F-4C55-B639-13E5D4E79B98}");

class ITestObject;

class ITestServer : public IDispatch {
 public:
  virtual HRESULT Load(const VARIANT& key, ITestObject** object) = 0;
  virtual HRESULT Register(IUnknown* sink, LONG* sink_id) = 0;
  virtual HRESULT Unregister(LONG sink_id) = 0;

 protected:
  ~ITestServer() = default;
};

class ITestObject : public IDispatch {
 public:
  virtual HRESULT SetPosition(LONG left, LONG top) = 0;
  virtual HRESULT GetPosition(LONG* left, LONG* top) = 0;
  // The serving process and how many of its objects are alive.
  virtual HRESULT GetServerState(LONG* process_id, LONG* live_objects) = 0;
  virtual HRESULT Speak(const BSTR& text, LONG* request_id) = 0;

 protected:
  ~ITestObject() = default;
};

class ITestCounter : public IDispatch {
 public:
  virtual HRESULT Next(LONG* value) = 0;

 protected:
  ~ITestCounter() = default;
};

class ITestEvents : public IDispatch {
 public:
  virtual HRESULT Idle(LONG object_id, LONG start) = 0;

 protected:
  ~ITestEvents() = default;
};

// Makes the interfaces above known to the runtime, so that calls on them can
// cross between processes. Call once on the main thread before use.
HRESULT RegisterTestInterfaces();

}  // namespace parlotto
