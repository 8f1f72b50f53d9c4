// What a loaded library says about its types and members, names to ids, the
// lifetime of the objects, and the IDispatch helper.
#include <gtest/gtest.h>

#include "platform/typelib/type_info_dispatch.h"
#include "platform/typelib/typelib_test_support.h"

namespace parlotto {
namespace {

using typelib_test::TypeOf;

GUID BaseOf(ITypeInfo* info, UINT index = 0) {
  ComPtr<ITypeInfo> base;
  TYPEATTR attr;
  if (FAILED(info->GetRefTypeOfImplType(index, base.Receive())) ||
      FAILED(base->GetTypeAttr(&attr))) {
    return GUID_NULL;
  }
  return attr.guid;
}

TEST(TypeLibTest, FindsTypesAndRefusesWhatItLacks) {
  ComPtr<ITypeLib> lib = typelib_test::LoadTestLib();
  BSTR name;
  EXPECT_EQ(lib->GetDocumentation(5, &name, nullptr), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_EQ(lib->GetDocumentation(-2, &name, nullptr), TYPE_E_ELEMENTNOTFOUND);
  ComPtr<ITypeInfo> info;
  EXPECT_EQ(lib->GetTypeInfo(5, info.Receive()), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_EQ(lib->GetTypeInfoOfGuid(IID_IDispatch, info.Receive()), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_EQ(lib.As(IID_ITypeInfo, &info), E_NOINTERFACE);
  ComPtr<ITypeLib> as_lib;
  EXPECT_EQ(TypeOf(lib.Get(), typelib_test::kICalculator).As(IID_ITypeLib, &as_lib), E_NOINTERFACE);
}

TEST(TypeLibTest, TypeInfosKeepTheirLibraryAlive) {
  ComPtr<ITypeInfo> info = TypeOf(typelib_test::LoadTestLib().Get(), typelib_test::kIScientific);
  ComPtr<ITypeLib> lib;
  UINT index = 0;
  ASSERT_EQ(info->GetContainingTypeLib(lib.Receive(), &index), S_OK);
  EXPECT_EQ(index, 2u);
  lib.Reset();
  ComPtr<ITypeInfo> base;
  ASSERT_EQ(info->GetRefTypeOfImplType(0, base.Receive()), S_OK);
  info.Reset();
  BSTR name;
  ASSERT_EQ(base->GetDocumentation(MEMBERID_NIL, &name, nullptr), S_OK);
  EXPECT_EQ(name, "ICalculator");
}

TEST(TypeInfoTest, LinksBasesAndImplementedInterfaces) {
  ComPtr<ITypeLib> lib = typelib_test::LoadTestLib();
  ComPtr<ITypeInfo> calc = TypeOf(lib.Get(), typelib_test::kICalculator);
  EXPECT_EQ(BaseOf(TypeOf(lib.Get(), typelib_test::kIScientific).Get()),
            typelib_test::kICalculator);
  // ICalculator -> IDispatch -> IUnknown, the last two built in.
  ComPtr<ITypeInfo> dispatch;
  ASSERT_EQ(calc->GetRefTypeOfImplType(0, dispatch.Receive()), S_OK);
  EXPECT_EQ(BaseOf(calc.Get()), IID_IDispatch);
  EXPECT_EQ(BaseOf(dispatch.Get()), IID_IUnknown);

  ComPtr<ITypeInfo> coclass = TypeOf(lib.Get(), typelib_test::kCalculator);
  TYPEATTR attr;
  ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr.typekind, TKIND_COCLASS);
  EXPECT_EQ(attr.cImplTypes, 3);
  std::uint16_t flags = 0;
  ASSERT_EQ(coclass->GetImplTypeFlags(2, &flags), S_OK);
  EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE);
  EXPECT_EQ(BaseOf(coclass.Get(), 2), typelib_test::kCalcEvents);
  EXPECT_EQ(coclass->GetImplTypeFlags(3, &flags), TYPE_E_ELEMENTNOTFOUND);
}

TEST(TypeInfoTest, DescribesMembersWithVtableSlotsAndInheritedOnesFirst) {
  ComPtr<ITypeLib> lib = typelib_test::LoadTestLib();
  ComPtr<ITypeInfo> calc = TypeOf(lib.Get(), typelib_test::kICalculator);
  FUNCDESC func;
  ASSERT_EQ(calc->GetFuncDesc(0, &func), S_OK);
  EXPECT_EQ(func.vtable_index, 7);  // after IUnknown's 3 and IDispatch's 4
  EXPECT_EQ(func.params[1].flags, PARAMFLAG_FIN | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT);
  EXPECT_EQ(DescribeVariant(func.params[1].default_value), "I4:10");
  EXPECT_EQ(func.params[2].vt, VT_I4);  // "long*" out: the value's type
  ASSERT_EQ(calc->GetFuncDesc(6, &func), S_OK);
  EXPECT_EQ(func.params[0].vt, VT_UNKNOWN);
  EXPECT_EQ(func.params[0].iid, typelib_test::kICalcListener);
  EXPECT_EQ(calc->GetFuncDesc(17, &func), TYPE_E_ELEMENTNOTFOUND);

  std::vector<FUNCDESC> all;
  ASSERT_EQ(TypeOf(lib.Get(), typelib_test::kIScientific)->GetAllFuncs(&all), S_OK);
  ASSERT_EQ(all.size(), 18u);
  EXPECT_EQ(all.front().name, "Add");
  EXPECT_EQ(all.back().name, "Power");
  EXPECT_EQ(all.back().vtable_index, 7 + 17);
  ASSERT_EQ(TypeOf(lib.Get(), typelib_test::kICalcListener)->GetFuncDesc(0, &func), S_OK);
  EXPECT_EQ(func.vtable_index, 3);

  BSTR name;
  BSTR help;
  ASSERT_EQ(calc->GetDocumentation(1, &name, &help), S_OK);
  EXPECT_EQ(help, "Adds two numbers");
  EXPECT_EQ(calc->GetDocumentation(99, &name, &help), TYPE_E_ELEMENTNOTFOUND);
}

TEST(TypeInfoTest, MapsNamesToIds) {
  ComPtr<ITypeInfo> scientific =
      TypeOf(typelib_test::LoadTestLib().Get(), typelib_test::kIScientific);
  LPOLESTR names[3] = {"ADD", "B", "a"};
  MEMBERID ids[3] = {};
  ASSERT_EQ(scientific->GetIDsOfNames(names, 3, ids), S_OK);  // inherited, any case
  EXPECT_EQ(std::vector<MEMBERID>(ids, ids + 3), (std::vector<MEMBERID>{1, 1, 0}));

  LPOLESTR with_unknown[3] = {"add", "nope", "sum"};  // a [retval] cannot be named
  EXPECT_EQ(scientific->GetIDsOfNames(with_unknown, 3, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(std::vector<MEMBERID>(ids, ids + 3),
            (std::vector<MEMBERID>{1, MEMBERID_NIL, MEMBERID_NIL}));
  LPOLESTR unknown_member[2] = {"Subtract", "a"};
  EXPECT_EQ(scientific->GetIDsOfNames(unknown_member, 2, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], MEMBERID_NIL);
  EXPECT_EQ(ids[1], MEMBERID_NIL);

  // A property's put names its value parameter, its get does not.
  LPOLESTR property[2] = {"item", "ITEM"};
  ASSERT_EQ(scientific->GetIDsOfNames(property, 2, ids), S_OK);
  EXPECT_EQ(ids[0], DISPID_VALUE);
  EXPECT_EQ(ids[1], 1);
}

class CalcObject final : public DispatchImpl<IDispatch>, public IInvokeTarget {
 public:
  explicit CalcObject(ITypeInfo* info) : DispatchImpl<IDispatch>(info, this) {}
  HRESULT QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
  ULONG AddRef() override { return 2; }
  ULONG Release() override { return 1; }
  HRESULT InvokeMember(const FUNCDESC&, std::vector<VARIANT>& args) override {
    args[2] = VARIANT::I4(args[0].lVal + args[1].lVal);
    return S_OK;
  }
};

TEST(TypeInfoDispatchTest, ImplementsIDispatchFromTheTypeInfo) {
  ComPtr<ITypeInfo> info = TypeOf(typelib_test::LoadTestLib().Get(), typelib_test::kICalculator);
  CalcObject calc(info.Get());
  ComPtr<ITypeInfo> given;
  ASSERT_EQ(calc.GetTypeInfo(0, LOCALE_USER_DEFAULT, given.Receive()), S_OK);
  EXPECT_EQ(given.Get(), info.Get());
  EXPECT_EQ(calc.GetTypeInfo(1, LOCALE_USER_DEFAULT, given.Receive()), DISP_E_BADINDEX);

  LPOLESTR name = "add";
  DISPID id = 0;
  EXPECT_EQ(calc.GetIDsOfNames(IID_IDispatch, &name, 1, 0, &id), DISP_E_UNKNOWNINTERFACE);
  ASSERT_EQ(calc.GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
  VARIANT args[2] = {VARIANT::I4(4), VARIANT::I4(3)};
  DISPPARAMS params;
  params.rgvarg = args;
  params.cArgs = 2;
  VARIANT result;
  EXPECT_EQ(calc.Invoke(id, IID_IDispatch, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr),
            DISP_E_UNKNOWNINTERFACE);
  ASSERT_EQ(calc.Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(DescribeVariant(result), "I4:7");

  // Without type information (its library failed to load) it has none to give.
  CalcObject bare(nullptr);
  UINT count = 1;
  ASSERT_EQ(bare.GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(bare.Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr),
            E_UNEXPECTED);
}

}  // namespace
}  // namespace parlotto
