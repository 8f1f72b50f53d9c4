// The test library, a target that records what Invoke hands it, and a COM
// object to pass as an interface argument.
#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "platform/com/typeinfo.h"
#include "platform/places/diagnostics.h"

namespace parlotto::typelib_test {

inline constexpr GUID kLibid = MakeGuid("{6B3C1A10-2F4E-4D8A-9C11-7E2B5A9D0001}");
inline constexpr IID kICalcListener = MakeGuid("{6B3C1A10-2F4E-4D8A-9C11-7E2B5A9D0002}");
inline constexpr IID kICalculator = MakeGuid("{6B3C1A10-2F4E-4D8A-9C11-7E2B5A9D0003}");
inline constexpr IID kIScientific = MakeGuid("{6B3C1A10-2F4E-4D8A-9C11-7E2B5A9D0004}");
inline constexpr IID kCalcEvents = MakeGuid("{6B3C1A10-2F4E-4D8A-9C11-7E2B5A9D0005}");
inline constexpr CLSID kCalculator = MakeGuid("{6B3C1A10-2F4E-4D8A-9C11-7E2B5A9D0006}");

inline QString TestDescriptionPath() {
  return QStringLiteral(PARLOTTO_SOURCE_DIR "/tests/platform/typelib/test.typelib.json");
}

inline QByteArray TestDescription() {
  QFile file(TestDescriptionPath());
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline ComPtr<ITypeLib> LoadTestLib() {
  ComPtr<ITypeLib> lib;
  EXPECT_EQ(LoadTypeLibFromText(TestDescription(), lib.Receive()), S_OK);
  return lib;
}

inline ComPtr<ITypeInfo> TypeOf(ITypeLib* lib, REFIID guid) {
  ComPtr<ITypeInfo> info;
  EXPECT_EQ(lib->GetTypeInfoOfGuid(guid, info.Receive()), S_OK);
  return info;
}

// Collects the diagnostics of one test instead of printing them.
class Diagnostics {
 public:
  Diagnostics() {
    SetDiagnosticSink([this](const std::string& line) { all_ += line + "\n"; });
  }
  ~Diagnostics() { SetDiagnosticSink(nullptr); }
  bool Mention(const std::string& text) const { return all_.find(text) != std::string::npos; }
  const std::string& All() const { return all_; }

 private:
  std::string all_;
};

// Records each call; `respond` plays the implementation.
struct RecordingTarget : IInvokeTarget {
  HRESULT InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) override {
    ++calls;
    name = func.name;
    invkind = func.invkind;
    received = args;
    return respond ? respond(args) : S_OK;
  }

  int calls = 0;
  QString name;
  INVOKEKIND invkind = INVOKE_FUNC;
  std::vector<VARIANT> received;
  std::function<HRESULT(std::vector<VARIANT>&)> respond;
};

// An IDispatch object that may also answer ICalcListener. It lives on the
// test's stack and counts references, so that tests see leaks.
class TestObject final : public IDispatch {
 public:
  explicit TestObject(bool is_listener) : is_listener_(is_listener) {}
  HRESULT QueryInterface(REFIID riid, void** object) override {
    bool known =
        riid == IID_IUnknown || riid == IID_IDispatch || (is_listener_ && riid == kICalcListener);
    *object = known ? static_cast<IDispatch*>(this) : nullptr;
    if (known) AddRef();
    return known ? S_OK : E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override { return --refs_; }
  HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, const LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
  ULONG refs() const { return refs_; }

 private:
  bool is_listener_;
  std::atomic<ULONG> refs_{0};
};

}  // namespace parlotto::typelib_test
