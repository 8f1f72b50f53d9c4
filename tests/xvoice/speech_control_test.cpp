// The speech control's object side: interfaces, late-bound members,
// property values, engine modes and its connection point.
#include <QRegularExpression>
#include <set>

#include "contracts/speech_control/speech_control_ids.h"
#include "platform/com/typeinfo.h"
#include "xvoice_fixture.h"

namespace parlotto::testing {
namespace {

using ControlTest = XVoiceTest;

TEST_F(ControlTest, AnswersItsInterfacesWithOneIdentity) {
  ASSERT_TRUE(control_);
  ComPtr<IUnknown> identity;
  ASSERT_EQ(control_->QueryInterface(IID_IUnknown, identity.ReceiveVoid()), S_OK);
  for (const IID& iid : {IID_IDispatch, DIID_DirectSS, IID_IConnectionPointContainer}) {
    ComPtr<IUnknown> other;
    ASSERT_EQ(control_->QueryInterface(iid, other.ReceiveVoid()), S_OK) << StringFromGUID(iid);
    ComPtr<IUnknown> back;
    ASSERT_EQ(other->QueryInterface(IID_IUnknown, back.ReceiveVoid()), S_OK);
    EXPECT_EQ(back.Get(), identity.Get());
  }
  ComPtr<IUnknown> none;
  EXPECT_EQ(control_->QueryInterface(DIID_DirectSSEvents, none.ReceiveVoid()), E_NOINTERFACE);

  // The type information describes the default dispatch interface.
  UINT count = 0;
  ASSERT_EQ(control_->GetTypeInfoCount(&count), S_OK);
  ASSERT_EQ(count, 1u);
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(control_->GetTypeInfo(0, 0, info.Receive()), S_OK);
  TYPEATTR attr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr.guid, DIID_DirectSS);
  EXPECT_EQ(attr.typekind, TKIND_DISPATCH);
}

TEST_F(ControlTest, NamesMapToTheirDispatchIds) {
  const std::pair<const char*, DISPID> members[] = {
      {"Initialized", 2},   {"Pitch", 7},        {"Speed", 10},      {"VolumeRight", 13},
      {"CountEngines", 18}, {"CurrentMode", 69}, {"VolumeLeft", 72}, {"Speak", 1000},
      {"AudioReset", 1001}, {"ModeName", 1002},  {"ModeID", 1003},   {"ModeLanguage", 1004}};
  for (const auto& [name, id] : members) {
    EXPECT_EQ(IdOf(control_.Get(), QString::fromLatin1(name).toLower()), id) << name;
  }
  QString unknown = QStringLiteral("Volume");
  DISPID id = 0;
  EXPECT_EQ(control_->GetIDsOfNames(IID_NULL, &unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);
}

TEST_F(ControlTest, PropertiesKeepWhatTheyAreGivenWithinWhatEspeakCanDo) {
  struct Case {
    const char* name;
    LONG given;
    LONG kept;
  };
  const Case cases[] = {
      {"Speed", 200, 200},
      {"Speed", 10, 80},
      {"Speed", 100000, 450},
      {"Pitch", 120, 120},
      {"Pitch", -3, 64},
      {"Pitch", 5000, 170},
      {"VolumeLeft", 30000, 30000},
      {"VolumeLeft", -1, 0},
      {"VolumeLeft", 70000, 65535},
      {"VolumeRight", 0, 0},
      {"VolumeRight", 65535, 65535},
      {"VolumeRight", 1 << 30, 65535},
  };
  for (const Case& c : cases) {
    PutLong(c.name, c.given);
    EXPECT_EQ(GetLong(c.name), c.kept) << c.name << " " << c.given;
  }
  // Every clamp says what it did.
  EXPECT_TRUE(Logged("Speed 10 is out of range; 80 is used"));
  EXPECT_TRUE(Logged("VolumeLeft -1 is out of range; 0 is used"));
  EXPECT_FALSE(Logged("Speed 200"));

  // Initialized is a 16-bit property, 1 once espeak-ng is ready.
  ASSERT_EQ(Put(control_.Get(), QStringLiteral("Initialized"), VARIANT::I2(1)), S_OK);
  VARIANT initialized;
  ASSERT_EQ(Get(control_.Get(), QStringLiteral("Initialized"), &initialized), S_OK);
  EXPECT_EQ(initialized.vt, VT_I2);
  EXPECT_EQ(initialized.iVal, 1);
}

TEST_F(ControlTest, LateBoundCallsAreCheckedAndConverted) {
  // Text that is a number is taken, as automation converts it.
  ASSERT_EQ(Put(control_.Get(), QStringLiteral("Speed"), VARIANT::Bstr(QStringLiteral("250"))),
            S_OK);
  EXPECT_EQ(GetLong(QStringLiteral("Speed")), 250);
  EXPECT_EQ(Put(control_.Get(), QStringLiteral("Speed"), VARIANT::Bstr(QStringLiteral("fast"))),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(Put(control_.Get(), QStringLiteral("Initialized"), VARIANT::I4(70000)),
            DISP_E_OVERFLOW);
  EXPECT_EQ(GetLong(QStringLiteral("Speed")), 250);
  // The engine count is read-only.
  EXPECT_EQ(Put(control_.Get(), QStringLiteral("CountEngines"), VARIANT::I4(3)),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(control_.Get(), QStringLiteral("Speak"), {}), DISP_E_BADPARAMCOUNT);
  // Member ids of other controls are not ours.
  DISPPARAMS none;
  VARIANT result;
  EXPECT_EQ(
      control_->Invoke(3, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
      DISP_E_MEMBERNOTFOUND);
}

TEST_F(ControlTest, EngineModesAreEspeakVoicesWithStableIds) {
  LONG count = GetLong(QStringLiteral("CountEngines"));
  ASSERT_GT(count, 0);
  std::set<QString> ids;
  QRegularExpression version5(QStringLiteral(
      "^\\{[0-9A-F]{8}-[0-9A-F]{4}-5[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}\\}$"));
  for (LONG mode = 1; mode <= count; ++mode) {
    VARIANT id;
    ASSERT_EQ(Call(control_.Get(), QStringLiteral("ModeID"), {VARIANT::I4(mode)}, &id), S_OK);
    EXPECT_TRUE(version5.match(id.bstrVal).hasMatch()) << id.bstrVal.toStdString();
    ids.insert(id.bstrVal);
  }
  EXPECT_EQ(ids.size(), static_cast<std::size_t>(count));

  // The default is German, with the id its identifier "gmw/de" gives.
  LONG german = GetLong(QStringLiteral("CurrentMode"));
  VARIANT name;
  ASSERT_EQ(Call(control_.Get(), QStringLiteral("ModeName"), {VARIANT::I4(german)}, &name), S_OK);
  EXPECT_EQ(name.bstrVal, QStringLiteral("German"));
  VARIANT id;
  ASSERT_EQ(Call(control_.Get(), QStringLiteral("ModeID"), {VARIANT::I4(german)}, &id), S_OK);
  EXPECT_EQ(id.bstrVal, QStringLiteral("{D6B70618-29F4-5C3B-811E-7E1B72E131E3}"));
  VARIANT language;
  ASSERT_EQ(Call(control_.Get(), QStringLiteral("ModeLanguage"), {VARIANT::I4(german)}, &language),
            S_OK);
  EXPECT_EQ(language.bstrVal, QStringLiteral("de"));
  EXPECT_EQ(
      Call(control_.Get(), QStringLiteral("ModeLanguage"), {VARIANT::I4(count + 1)}, &language),
      E_INVALIDARG);

  // Another control numbers the modes alike.
  ComPtr<IDispatch> second = CreateControl();
  VARIANT again;
  ASSERT_EQ(Call(second.Get(), QStringLiteral("ModeID"), {VARIANT::I4(german)}, &again), S_OK);
  EXPECT_EQ(again.bstrVal, id.bstrVal);
}

TEST_F(ControlTest, CurrentModeSelectsAModeOrFallsBackToGerman) {
  LONG german = GetLong(QStringLiteral("CurrentMode"));
  LONG other = german == 1 ? 2 : 1;
  PutLong(QStringLiteral("CurrentMode"), other);
  EXPECT_EQ(GetLong(QStringLiteral("CurrentMode")), other);
  PutLong(QStringLiteral("CurrentMode"), 0);
  EXPECT_EQ(GetLong(QStringLiteral("CurrentMode")), german);
  PutLong(QStringLiteral("CurrentMode"), other);
  PutLong(QStringLiteral("CurrentMode"), 99999);
  EXPECT_EQ(GetLong(QStringLiteral("CurrentMode")), german);
  EXPECT_TRUE(Logged("CurrentMode 99999 is not an engine mode"));

  // Asking for a mode that does not exist is an error with a description.
  VARIANT result;
  EXCEPINFO excep;
  EXPECT_EQ(Call(control_.Get(), QStringLiteral("ModeName"), {VARIANT::I4(0)}, &result, &excep),
            DISP_E_EXCEPTION);
  EXPECT_EQ(excep.scode, E_INVALIDARG);
  EXPECT_TRUE(excep.bstrDescription.contains(QStringLiteral("does not exist")));
}

TEST_F(ControlTest, ConnectionPointKeepsItsSinksByCookie) {
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(control_->QueryInterface(IID_IConnectionPointContainer, container.ReceiveVoid()), S_OK);
  ComPtr<IConnectionPoint> point;
  EXPECT_EQ(container->FindConnectionPoint(DIID_DirectSS, point.Receive()), CONNECT_E_NOCONNECTION);
  ASSERT_EQ(container->FindConnectionPoint(DIID_DirectSSEvents, point.Receive()), S_OK);
  IID iid;
  ASSERT_EQ(point->GetConnectionInterface(&iid), S_OK);
  EXPECT_EQ(iid, DIID_DirectSSEvents);
  ComPtr<IConnectionPointContainer> back;
  ASSERT_EQ(point->GetConnectionPointContainer(back.Receive()), S_OK);
  EXPECT_EQ(back.Get(), container.Get());

  DWORD cookie = 0;
  EXPECT_EQ(point->Advise(nullptr, &cookie), E_POINTER);
  // A sink must be able to take the events.
  struct NotASink : IUnknown {
    HRESULT QueryInterface(REFIID, void** out) override {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
  } not_a_sink;
  EXPECT_EQ(point->Advise(&not_a_sink, &cookie), CONNECT_E_CANNOTCONNECT);

  DWORD first = 0;
  DWORD second = 0;
  ComPtr<EventSink> a = Advise(control_.Get(), &first);
  ComPtr<EventSink> b = Advise(control_.Get(), &second);
  EXPECT_NE(first, second);
  EXPECT_EQ(point->Unadvise(first), S_OK);
  EXPECT_EQ(point->Unadvise(first), CONNECT_E_NOCONNECTION);
  EXPECT_EQ(point->Unadvise(0xBAD), CONNECT_E_NOCONNECTION);
  IEnumConnections* connections = nullptr;
  EXPECT_EQ(point->EnumConnections(&connections), E_NOTIMPL);

  // Only the sinks still advised hear the end of a text.
  Speak(QStringLiteral("Ja."));
  ASSERT_TRUE(SpinUntil([&] { return b->events.size() == 1; }));
  EXPECT_TRUE(a->events.empty());
  EXPECT_EQ(sink_->events.size(), 1u);

  // The point holds the control: released by everyone else, it still works.
  container.Reset();
  back.Reset();
  sink_.Reset();
  control_.Reset();
  EXPECT_EQ(point->GetConnectionInterface(&iid), S_OK);
}

}  // namespace
}  // namespace parlotto::testing
