// The object model inside one process: GUIDs, HRESULT texts, VARIANT
// conversion, the error info slot, reference counting with aggregation, the
// class factory contract and in-process servers.
#include <gtest/gtest.h>

#include "com/com_fixture.h"
#include "platform/com/activation.h"
#include "platform/com/com_object.h"
#include "platform/com/error_info.h"

namespace parlotto {
namespace {

TEST(Guid, ParsesAndFormatsTheRegistryForm) {
  GUID guid;
  ASSERT_TRUE(GuidFromString("{d45fd2fc-5c6e-11d1-9ec1-00c04fd7081f}", &guid));
  EXPECT_EQ(StringFromGUID(guid), "{D45FD2FC-5C6E-11D1-9EC1-00C04FD7081F}");
  EXPECT_EQ(guid, CLSID_AgentServer);
  EXPECT_EQ(guid.Data1, 0xD45FD2FCu);
  EXPECT_EQ(guid.Data4[7], 0x1F);
  GUID bare;
  ASSERT_TRUE(GuidFromString("D45FD2FC-5C6E-11D1-9EC1-00C04FD7081F", &bare));
  EXPECT_EQ(bare, guid);
  for (const char* bad :
       {"", "{D45FD2FC-5C6E-11D1-9EC1-00C04FD7081F", "D45FD2FC5C6E11D19EC100C04FD7081F",
        "{D45FD2FC-5C6E-11D1-9EC1-00C04FD7081G}", "{D45FD2FC_5C6E-11D1-9EC1-00C04FD7081F}"}) {
    EXPECT_FALSE(GuidFromString(bad, &guid)) << bad;
  }
  EXPECT_NE(std::hash<GUID>()(IID_IAgentEx), std::hash<GUID>()(IID_IAgentCommands));
  EXPECT_LT(GUID_NULL, IID_IAgentEx);
}

TEST(HResult, NamesAndTextsAreTheSystemsOwn) {
  EXPECT_STREQ(HResultName(E_NOINTERFACE), "E_NOINTERFACE");
  EXPECT_EQ(static_cast<std::uint32_t>(REGDB_E_CLASSNOTREG), 0x80040154u);
  EXPECT_EQ(HResultMessage(REGDB_E_CLASSNOTREG), "Class not registered");
  EXPECT_EQ(HResultMessage(DISP_E_UNKNOWNNAME), "Unknown name.");
  EXPECT_EQ(HResultMessage(MakeHResult(0x8004D00Au)), "");
  EXPECT_EQ(DescribeHResult(CO_E_SERVER_EXEC_FAILURE), "CO_E_SERVER_EXEC_FAILURE (0x80080005)");
  EXPECT_EQ(DescribeHResult(MakeHResult(0x8004D00Au)), "0x8004D00A");
  EXPECT_TRUE(FAILED(E_FAIL));
  EXPECT_TRUE(SUCCEEDED(S_FALSE));
  EXPECT_EQ(HRESULT_FROM_WIN32(126), MakeHResult(0x8007007Eu));
}

TEST(Variant, ConvertsAsAutomationDoes) {
  VARIANT out;
  EXPECT_EQ(VariantChangeType(&out, VARIANT::Bstr(QStringLiteral(" 42 ")), VT_I4), S_OK);
  EXPECT_EQ(out.lVal, 42);
  EXPECT_EQ(VariantChangeType(&out, VARIANT::Bstr(QStringLiteral("True")), VT_BOOL), S_OK);
  EXPECT_EQ(out.boolVal, VARIANT_TRUE);
  EXPECT_EQ(VariantChangeType(&out, VARIANT::I4(7), VT_BSTR), S_OK);
  EXPECT_EQ(out.bstrVal, QStringLiteral("7"));
  EXPECT_EQ(VariantChangeType(&out, VARIANT::Bool(false), VT_BSTR), S_OK);
  EXPECT_EQ(out.bstrVal, QStringLiteral("False"));
  EXPECT_EQ(VariantChangeType(&out, VARIANT::I4(70000), VT_I2), DISP_E_OVERFLOW);
  EXPECT_EQ(VariantChangeType(&out, VARIANT::Bstr(QStringLiteral("zwölf")), VT_I4),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(VariantChangeType(&out, VARIANT::Missing(), VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_TRUE(VARIANT::Missing().IsMissing());
  EXPECT_EQ(DescribeVariant(VARIANT::Bstr(QStringLiteral("Hallo"))), "BSTR:\"Hallo\"");
}

TEST(ErrorInfo, TheSlotHoldsOneInfoAndGetEmptiesIt) {
  ComPtr<IErrorInfo> info;
  SetErrorInfo(0, nullptr);
  EXPECT_EQ(GetErrorInfo(0, info.Receive()), S_FALSE);
  EXPECT_FALSE(info);

  ErrorInfoFields fields;
  fields.description = QStringLiteral("Datei fehlt");
  fields.source = QStringLiteral("Test");
  fields.help_context = 7;
  SetErrorInfoFields(fields);
  fields.description = QStringLiteral("neuer");
  SetErrorInfoFields(fields);
  ASSERT_EQ(GetErrorInfo(0, info.Receive()), S_OK);
  ErrorInfoFields read = ReadErrorInfo(info.Get());
  EXPECT_EQ(read.description, QStringLiteral("neuer"));
  EXPECT_EQ(read.help_context, 7u);
  EXPECT_EQ(GetErrorInfo(0, info.Receive()), S_FALSE);
  EXPECT_EQ(SetErrorInfo(1, nullptr), E_INVALIDARG);
}

// An outer object that aggregates a test object, as the COM rules have it.
class Outer final : public IUnknown {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown) {
      *out = this;
      AddRef();
      return S_OK;
    }
    return inner->QueryInterface(iid, out);
  }
  ULONG AddRef() override { return ++refs; }
  ULONG Release() override { return --refs; }
  ULONG refs = 1;
  IUnknown* inner = nullptr;
};

class InprocTest : public testing::ComFixture {
 protected:
  static constexpr CLSID kCounter = MakeGuid("{0C0FFEE0-1234-4321-8765-0123456789AB}");

  void RegisterInproc(const std::string& library) {
    Registry registry(RootKey::kClassesRoot);
    ASSERT_TRUE(
        registry.OpenKey("\\CLSID\\" + StringFromGUID(kCounter) + "\\InprocServer32", true));
    registry.WriteString("", library);
  }
};

TEST_F(InprocTest, TheClassFactoryKeepsItsContract) {
  RegisterInproc(PARLOTTO_BUILD_DIR "/tests/test_inproc_server.so");
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(CoGetClassObject(kCounter, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             factory.ReceiveVoid()),
            S_OK);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IAgentCommands, nullptr), E_POINTER);
  Outer outer;
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(factory->CreateInstance(&outer, IID_IAgentCommands, &out), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IAgentEx, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);

  ComPtr<IAgentCommands> commands;
  ASSERT_EQ(CoCreateInstance(kCounter, nullptr, CLSCTX_INPROC_SERVER, IID_IAgentCommands,
                             commands.ReceiveVoid()),
            S_OK);
  LONG id = 0;
  commands->Add(QString(), QString(), 1, 1, &id);
  commands->Add(QString(), QString(), 1, 1, &id);
  EXPECT_EQ(id, 2);
  // Each creation is a new object.
  ComPtr<IAgentCommands> other;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IAgentCommands, other.ReceiveVoid()), S_OK);
  other->Add(QString(), QString(), 1, 1, &id);
  EXPECT_EQ(id, 1);
}

TEST_F(InprocTest, AnAggregatedObjectDelegatesToItsOuterObject) {
  RegisterInproc(PARLOTTO_BUILD_DIR "/tests/test_inproc_server.so");
  Outer outer;
  IUnknown* inner = nullptr;
  ASSERT_EQ(CoCreateInstance(kCounter, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&inner)),
            S_OK);
  outer.inner = inner;
  EXPECT_EQ(outer.refs, 1u);  // creating the inner object does not count on the outer one

  IAgentCommands* commands = nullptr;
  ASSERT_EQ(outer.QueryInterface(IID_IAgentCommands, reinterpret_cast<void**>(&commands)), S_OK);
  EXPECT_EQ(outer.refs, 2u);  // the inner object's interface counts on the outer one
  IUnknown* identity = nullptr;
  ASSERT_EQ(commands->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
  EXPECT_EQ(identity, &outer);
  identity->Release();
  commands->Release();
  EXPECT_EQ(outer.refs, 1u);
  EXPECT_EQ(inner->Release(), 0u);
}

TEST_F(InprocTest, AMissingLibraryOrEntryFailsAsTheSystemDoes) {
  ComPtr<IUnknown> object;
  RegisterInproc("/nonexistent/libparlotto-test.so");
  EXPECT_EQ(
      CoCreateInstance(kCounter, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.ReceiveVoid()),
      HRESULT_FROM_WIN32(126));
  RegisterInproc("libm.so.6");
  EXPECT_EQ(
      CoCreateInstance(kCounter, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.ReceiveVoid()),
      CO_E_ERRORINDLL);
}

}  // namespace
}  // namespace parlotto
