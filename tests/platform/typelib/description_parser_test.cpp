// Damaged and inconsistent descriptions: each is refused with the HRESULT
// for its kind of problem and a diagnostic that names it.
#include <gtest/gtest.h>

#include <QString>
#include <string>
#include <vector>

#include "platform/com/typeinfo.h"
#include "platform/typelib/typelib_test_support.h"

namespace parlotto {
namespace {

QByteArray Library(const QString& types, const QString& extra = QString()) {
  return QStringLiteral(R"({"name": "L", "libid": "{11111111-2222-3333-4444-555555555555}",
                            "version": "1.0", %1 "types": [%2]})")
      .arg(extra, types)
      .toUtf8();
}

QString Interface(const QString& name, const QString& base, const QString& members,
                  int guid_tail = 1, const QString& flags = QStringLiteral(R"(["dual"])")) {
  return QStringLiteral(R"({"kind": "interface", "name": "%1", "base": "%2", "flags": %3,
                            "iid": "{AAAAAAAA-0000-0000-0000-%4}", "members": [%5]})")
      .arg(name, base, flags, QString::number(guid_tail).rightJustified(12, QLatin1Char('0')),
           members);
}

QByteArray Members(const QString& members) {
  return Library(Interface(QStringLiteral("IFoo"), QStringLiteral("IDispatch"), members));
}

QByteArray Param(const QString& param) {
  return Members(QStringLiteral(R"({"name": "M", "id": 1, "params": [%1]})").arg(param));
}

struct Case {
  const char* label;
  QByteArray text;
  HRESULT hr;
  const char* mention;
};

std::vector<Case> DamagedDescriptions() {
  return {
      {"not JSON", "{\"name\": ", TYPE_E_INVDATAREAD, "not valid JSON"},
      {"an array", "[1, 2]", TYPE_E_INVDATAREAD, "not a JSON object"},
      {"newer format", Library("", "\"format\": 2,"), TYPE_E_UNSUPFORMAT, "format 2"},
      {"no name",
       R"({"libid": "{11111111-2222-3333-4444-555555555555}", "version": "1.0", "types": []})",
       TYPE_E_INVDATAREAD, "\"name\" is missing"},
      {"bad libid", Library("").replace("-5555", "-XXXX"), TYPE_E_INVDATAREAD, "is not a GUID"},
      {"bad version", Library("").replace("\"1.0\"", "\"1\""), TYPE_E_INVDATAREAD, "major.minor"},
      {"misspelt key", Library("", "\"typse\": [],"), TYPE_E_UNSUPFORMAT, "unknown key \"typse\""},
      {"unknown type kind", Library(R"({"kind": "struct", "name": "S"})"), TYPE_E_UNSUPFORMAT,
       "unknown kind \"struct\""},
      {"unknown flag", Library(Interface("IFoo", "IDispatch", "", 1, R"(["dual", "fast"])")),
       TYPE_E_UNSUPFORMAT, "unknown flag \"fast\""},
      {"bad interface GUID",
       Library(Interface("IFoo", "IDispatch", "").replace("-0000-0000-0000-", "-0000-0000-")),
       TYPE_E_INVDATAREAD, "interface 'IFoo': \"iid\""},
      {"unknown type", Param(R"({"name": "x", "type": "longg"})"), TYPE_E_UNSUPFORMAT,
       "parameter 'x': unknown type \"longg\""},
      {"out without pointer", Param(R"({"name": "x", "type": "long", "flags": ["out"]})"),
       TYPE_E_INVDATAREAD, "must be a pointer"},
      {"parameter without name", Param(R"({"type": "long"})"), TYPE_E_INVDATAREAD,
       "parameter 1: \"name\" is missing"},
      {"default of wrong type", Param(R"({"name": "x", "type": "long", "default": "abc"})"),
       TYPE_E_INVDATAREAD, "does not fit"},
      {"default too large", Param(R"({"name": "x", "type": "short", "default": 70000})"),
       TYPE_E_INVDATAREAD, "does not fit"},
      {"member without name", Members(R"({"id": 1})"), TYPE_E_INVDATAREAD,
       "a member: \"name\" is missing"},
      {"member without id", Members(R"({"name": "M"})"), TYPE_E_INVDATAREAD, "\"id\" is missing"},
      {"nil id", Members(R"({"name": "M", "id": -1})"), TYPE_E_INVDATAREAD, "no member"},
      {"unknown member kind", Members(R"({"name": "M", "id": 1, "kind": "event"})"),
       TYPE_E_UNSUPFORMAT, "unknown kind \"event\""},
      {"method and property share an id",
       Members(R"({"name": "M", "id": 1}, {"name": "M", "id": 1, "kind": "propget",
                   "params": [{"name": "v", "type": "long*", "flags": ["out", "retval"]}]})"),
       TYPE_E_INVDATAREAD, "conflicting kinds"},
      {"one id, two names", Members(R"({"name": "M", "id": 1}, {"name": "N", "id": 1})"),
       TYPE_E_INVDATAREAD, "id 1 is used by 'M' and 'N'"},
      {"one name, two ids", Members(R"({"name": "M", "id": 1}, {"name": "m", "id": 2})"),
       TYPE_E_INVDATAREAD, "has ids 1 and 2"},
      {"id taken by the base",
       Library(Interface("IBase", "IDispatch", R"({"name": "M", "id": 1})") + "," +
               Interface("IDerived", "IBase", R"({"name": "N", "id": 1})", 2)),
       TYPE_E_INVDATAREAD, "interface 'IDerived': id 1"},
      {"retval not last",
       Members(
           R"({"name": "M", "id": 1, "params": [{"name": "r", "type": "long*", "flags": ["out", "retval"]},
                                                   {"name": "x", "type": "long"}]})"),
       TYPE_E_INVDATAREAD, "must be the last"},
      {"required after optional",
       Members(R"({"name": "M", "id": 1, "params": [{"name": "a", "type": "long", "default": 1},
                                                   {"name": "b", "type": "long"}]})"),
       TYPE_E_INVDATAREAD, "required parameter 'b' follows an optional one"},
      {"propget without value", Members(R"({"name": "P", "id": 1, "kind": "propget"})"),
       TYPE_E_INVDATAREAD, "propget needs"},
      {"dual member returning void", Members(R"({"name": "M", "id": 1, "returns": "void"})"),
       TYPE_E_UNSUPFORMAT, "return HRESULT"},
      {"dual on IUnknown", Library(Interface("IFoo", "IUnknown", "")), TYPE_E_INVDATAREAD,
       "must derive from IDispatch"},
      {"undeclared base", Library(Interface("IFoo", "IMissing", "")), TYPE_E_INVDATAREAD,
       "interface 'IMissing' is not declared"},
      {"cycle", Library(Interface("IA", "IB", "") + "," + Interface("IB", "IA", "", 2)),
       TYPE_E_INVDATAREAD, "derives from itself"},
      {"same name twice",
       Library(Interface("IFoo", "IDispatch", "") + "," + Interface("IFOO", "IDispatch", "", 2)),
       TYPE_E_INVDATAREAD, "name is taken"},
      {"coclass of an unknown interface",
       Library(
           R"({"kind": "coclass", "name": "C", "clsid": "{CCCCCCCC-0000-0000-0000-000000000001}",
                   "interfaces": [{"name": "INothing"}]})"),
       TYPE_E_INVDATAREAD, "coclass 'C', interface 'INothing'"},
      {"two default interfaces",
       Library(
           Interface("IA", "IDispatch", "") + "," + Interface("IB", "IDispatch", "", 2) + "," +
           R"({"kind": "coclass", "name": "C", "clsid": "{CCCCCCCC-0000-0000-0000-000000000001}",
                   "interfaces": [{"name": "IA", "flags": ["default"]}, {"name": "IB", "flags": ["default"]}]})"),
       TYPE_E_INVDATAREAD, "a second default interface"},
  };
}

TEST(DescriptionTest, RefusesDamagedDescriptionsAndSaysWhy) {
  for (const Case& c : DamagedDescriptions()) {
    SCOPED_TRACE(c.label);
    typelib_test::Diagnostics diagnostics;
    ComPtr<ITypeLib> lib;
    EXPECT_EQ(LoadTypeLibFromText(c.text, lib.Receive()), c.hr) << diagnostics.All();
    EXPECT_FALSE(lib);
    EXPECT_TRUE(diagnostics.Mention(c.mention)) << diagnostics.All();
  }
}

TEST(DescriptionTest, AcceptsIdsAsDecimalOrHexTextAndReservedNegativeIds) {
  ComPtr<ITypeLib> lib;
  ASSERT_EQ(LoadTypeLibFromText(Members(R"({"name": "M", "id": "0x60020000"},
                                           {"name": "_NewEnum", "id": -4, "flags": ["restricted"]},
                                           {"name": "N", "id": "010"})"),
                                lib.Receive()),
            S_OK);
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(lib->GetTypeInfo(0, info.Receive()), S_OK);
  FUNCDESC func;
  ASSERT_EQ(info->GetFuncDesc(0, &func), S_OK);
  EXPECT_EQ(func.memid, 0x60020000);
  ASSERT_EQ(info->GetFuncDesc(1, &func), S_OK);
  EXPECT_EQ(func.memid, -4);
  EXPECT_EQ(func.flags, FUNCFLAG_FRESTRICTED);
  ASSERT_EQ(info->GetFuncDesc(2, &func), S_OK);
  EXPECT_EQ(func.memid, 10);
}

TEST(DescriptionTest, RefusesDescriptionsThatWouldTakeTooMuch) {
  typelib_test::Diagnostics diagnostics;
  ComPtr<ITypeLib> lib;
  QByteArray huge =
      Library("", "\"help\": \"" + QString(qsizetype{17} << 20, QLatin1Char('x')) + "\",");
  EXPECT_EQ(LoadTypeLibFromText(huge, lib.Receive()), TYPE_E_INVDATAREAD);
  EXPECT_TRUE(diagnostics.Mention("more than")) << diagnostics.All();

  // Each interface inherits all before it: small text, quadratic copies.
  // Also a chain far longer than the stack would take recursively.
  QString types;
  const int kChain = 3000;
  for (int i = 0; i < kChain; ++i) {
    if (i > 0) types += QLatin1Char(',');
    QString base = i == 0 ? QStringLiteral("IDispatch") : QStringLiteral("I%1").arg(i - 1);
    types += Interface(QStringLiteral("I%1").arg(i), base,
                       QStringLiteral(R"({"name": "M%1", "id": %1})").arg(i + 1), i + 1);
  }
  EXPECT_EQ(LoadTypeLibFromText(Library(types), lib.Receive()), TYPE_E_INVDATAREAD);
  EXPECT_TRUE(diagnostics.Mention("too many inherited members")) << diagnostics.All();

  QByteArray deep = QByteArray(100000, '[') + QByteArray(100000, ']');
  EXPECT_EQ(LoadTypeLibFromText(deep, lib.Receive()), TYPE_E_INVDATAREAD);
}

}  // namespace
}  // namespace parlotto
