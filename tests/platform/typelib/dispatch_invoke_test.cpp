// Invoke by description: matching arguments to parameters, converting them,
// handing back [out] values and reporting failures as DispInvoke does.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/com/error_info.h"
#include "platform/com/typeinfo.h"
#include "platform/typelib/typelib_test_support.h"

namespace parlotto {
namespace {

using typelib_test::TestObject;

enum : MEMBERID {
  kAdd = 1,
  kValue = 2,
  kDivide = 3,
  kDescribe = 4,
  kListener = 5,
  kNotify = 6,
  kFail = 7,
  kReset = 8,
  kEnabled = 9,
  kScale = 10,
  kSwap = 11,
  kHost = 12,
  kPower = 20,
};

VARIANT I4(std::int32_t value) { return VARIANT::I4(value); }
VARIANT Str(const char* value) { return VARIANT::Bstr(value); }

class InvokeTest : public ::testing::Test {
 protected:
  InvokeTest() : lib_(typelib_test::LoadTestLib()) {
    info_ = typelib_test::TypeOf(lib_.Get(), typelib_test::kICalculator);
  }

  // Arguments left to right as a caller writes them; the call passes them
  // right to left after the named ones, as DISPPARAMS has them.
  HRESULT Call(MEMBERID id, WORD flags, std::vector<VARIANT> args,
               const std::vector<std::pair<DISPID, VARIANT>>& named = {},
               ITypeInfo* info = nullptr) {
    rgvarg_.clear();
    names_.clear();
    for (const auto& [dispid, value] : named) {
      names_.push_back(dispid);
      rgvarg_.push_back(value);
    }
    rgvarg_.insert(rgvarg_.end(), args.rbegin(), args.rend());
    DISPPARAMS params;
    params.rgvarg = rgvarg_.data();
    params.rgdispidNamedArgs = names_.data();
    params.cArgs = static_cast<UINT>(rgvarg_.size());
    params.cNamedArgs = static_cast<UINT>(names_.size());
    arg_err_ = 999;
    result_ = I4(-12345);
    return (info ? info : info_.Get())
        ->Invoke(&target_, id, flags, &params, &result_, &excep_, &arg_err_);
  }

  // What the target received, e.g. "I4:1 I4:10 EMPTY".
  std::string Received() const {
    std::string all;
    for (const VARIANT& v : target_.received) all += (all.empty() ? "" : " ") + DescribeVariant(v);
    return all;
  }
  // The caller's argument `index` (left to right) after the call.
  const VARIANT& Arg(std::size_t index) const { return rgvarg_[rgvarg_.size() - 1 - index]; }

  ComPtr<ITypeLib> lib_;
  ComPtr<ITypeInfo> info_;
  typelib_test::RecordingTarget target_;
  std::vector<VARIANT> rgvarg_;
  std::vector<DISPID> names_;
  VARIANT result_;
  EXCEPINFO excep_;
  UINT arg_err_ = 0;
};

TEST_F(InvokeTest, PassesArgumentsInDeclaredOrderAndHandsBackOutValues) {
  target_.respond = [](std::vector<VARIANT>& args) {
    args[2] = I4(args[0].lVal % args[1].lVal);
    args[3] = I4(args[0].lVal / args[1].lVal);
    return S_OK;
  };
  ASSERT_EQ(Call(kDivide, DISPATCH_METHOD, {I4(17), I4(5), VARIANT()}), S_OK);
  EXPECT_EQ(Received(), "I4:17 I4:5 EMPTY EMPTY");  // nothing of the caller's goes [out]
  EXPECT_EQ(DescribeVariant(Arg(2)), "I4:2");
  EXPECT_EQ(DescribeVariant(result_), "I4:3");
}

TEST_F(InvokeTest, ConvertsInOutArgumentsAndWritesThemBackOnlyOnSuccess) {
  target_.respond = [](std::vector<VARIANT>& args) {
    std::swap(args[0], args[1]);
    return S_OK;
  };
  ASSERT_EQ(Call(kSwap, DISPATCH_METHOD, {Str("7"), I4(2)}), S_OK);
  EXPECT_EQ(Received(), "I4:7 I4:2");
  EXPECT_EQ(DescribeVariant(Arg(0)) + " " + DescribeVariant(Arg(1)), "I4:2 I4:7");
  EXPECT_EQ(result_.vt, VT_EMPTY);  // no result: the caller's slot is cleared, not left stale

  target_.respond = [](std::vector<VARIANT>& args) {
    args[0] = I4(100);
    return E_FAIL;
  };
  EXPECT_EQ(Call(kSwap, DISPATCH_METHOD, {I4(1), I4(2)}), E_FAIL);
  EXPECT_EQ(Arg(0).lVal, 1);
  EXPECT_EQ(result_.lVal, -12345);
}

TEST_F(InvokeTest, OmittedOptionalArgumentsGetTheirDefaultOrMissing) {
  ASSERT_EQ(Call(kAdd, DISPATCH_METHOD, {I4(1)}), S_OK);
  EXPECT_EQ(Received(), "I4:1 I4:10 EMPTY");
  // Passing "missing" is the same as leaving the argument out.
  ASSERT_EQ(Call(kAdd, DISPATCH_METHOD, {I4(1), VARIANT::Missing()}), S_OK);
  EXPECT_EQ(Received(), "I4:1 I4:10 EMPTY");
  ASSERT_EQ(Call(kScale, DISPATCH_METHOD, {I4(3)}), S_OK);
  EXPECT_EQ(Received(), "I4:3 I2:2 BSTR:\"x\" EMPTY");  // defaults of the declared type
  ASSERT_EQ(Call(kDescribe, DISPATCH_METHOD, {Str("a")}), S_OK);
  EXPECT_TRUE(target_.received[1].IsMissing());
}

TEST_F(InvokeTest, CountsArguments) {
  EXPECT_EQ(Call(kAdd, DISPATCH_METHOD, {}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(kAdd, DISPATCH_METHOD, {I4(1), I4(2), I4(3)}), DISP_E_BADPARAMCOUNT);
  // The [out] remainder is a parameter the caller must pass a slot for.
  EXPECT_EQ(Call(kDivide, DISPATCH_METHOD, {I4(1), I4(2)}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(kAdd, DISPATCH_METHOD, {VARIANT::Missing(), I4(2)}), DISP_E_PARAMNOTOPTIONAL);
  EXPECT_EQ(arg_err_, 1u);
  EXPECT_EQ(target_.calls, 0);
}

TEST_F(InvokeTest, ConvertsArgumentsAndNamesTheOneThatFails) {
  ASSERT_EQ(Call(kAdd, DISPATCH_METHOD, {Str("5"), VARIANT::Bool(true)}), S_OK);
  EXPECT_EQ(Received(), "I4:5 I4:-1 EMPTY");
  ASSERT_EQ(Call(kEnabled, DISPATCH_PROPERTYPUT, {}, {{DISPID_PROPERTYPUT, Str("True")}}), S_OK);
  EXPECT_EQ(Received(), "BOOL:true");

  EXPECT_EQ(Call(kAdd, DISPATCH_METHOD, {Str("abc"), I4(1)}), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(arg_err_, 1u);
  EXPECT_EQ(Call(kAdd, DISPATCH_METHOD, {I4(1), Str("abc")}), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(arg_err_, 0u);
  EXPECT_EQ(Call(kScale, DISPATCH_METHOD, {I4(1), I4(40000)}), DISP_E_OVERFLOW);
  EXPECT_EQ(arg_err_, 0u);
  // An SCODE takes an error value only, not a number.
  EXPECT_EQ(Call(kFail, DISPATCH_METHOD, {I4(5)}), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(target_.calls, 2);
}

TEST_F(InvokeTest, MatchesNamedArguments) {
  ASSERT_EQ(Call(kAdd, DISPATCH_METHOD, {I4(1)}, {{1, I4(7)}}), S_OK);
  EXPECT_EQ(Received(), "I4:1 I4:7 EMPTY");
  ASSERT_EQ(Call(kAdd, DISPATCH_METHOD, {}, {{1, I4(7)}, {0, I4(3)}}), S_OK);
  EXPECT_EQ(Received(), "I4:3 I4:7 EMPTY");

  // No such parameter, the [retval] one, and one given twice.
  EXPECT_EQ(Call(kAdd, DISPATCH_METHOD, {I4(1)}, {{5, I4(7)}}), DISP_E_PARAMNOTFOUND);
  EXPECT_EQ(arg_err_, 0u);
  EXPECT_EQ(Call(kAdd, DISPATCH_METHOD, {I4(1)}, {{2, I4(7)}}), DISP_E_PARAMNOTFOUND);
  EXPECT_EQ(Call(kAdd, DISPATCH_METHOD, {I4(1)}, {{0, I4(7)}}), DISP_E_PARAMNOTFOUND);
  EXPECT_EQ(Call(kAdd, DISPATCH_METHOD, {}, {{1, I4(7)}}), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Call(kReset, DISPATCH_METHOD, {}, {{0, I4(7)}}), DISP_E_NONAMEDARGS);
  EXPECT_EQ(Call(kAdd, DISPATCH_METHOD, {I4(1)}, {{DISPID_PROPERTYPUT, I4(7)}}),
            DISP_E_PARAMNOTFOUND);
}

TEST_F(InvokeTest, PutsPropertiesThroughTheNamedValue) {
  ASSERT_EQ(Call(kValue, DISPATCH_PROPERTYPUT, {}, {{DISPID_PROPERTYPUT, I4(42)}}), S_OK);
  EXPECT_EQ(target_.invkind, INVOKE_PROPERTYPUT);
  EXPECT_EQ(Received(), "I4:42");
  ASSERT_EQ(Call(DISPID_VALUE, DISPATCH_PROPERTYPUT, {I4(3)}, {{DISPID_PROPERTYPUT, Str("three")}}),
            S_OK);
  EXPECT_EQ(Received(), "I2:3 BSTR:\"three\"");
}

TEST_F(InvokeTest, FindsMembersByIdAndKind) {
  target_.respond = [](std::vector<VARIANT>& args) {
    args.back() = I4(5);
    return S_OK;
  };
  // VB asks for "method or property get" when it reads obj.Member.
  ASSERT_EQ(Call(kValue, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}), S_OK);
  EXPECT_EQ(target_.invkind, INVOKE_PROPERTYGET);
  EXPECT_EQ(result_.lVal, 5);
  ASSERT_EQ(Call(kAdd, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {I4(1)}), S_OK);
  EXPECT_EQ(target_.invkind, INVOKE_FUNC);

  EXPECT_EQ(Call(kValue, DISPATCH_METHOD, {}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(kAdd, DISPATCH_PROPERTYGET, {I4(1)}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(99, DISPATCH_METHOD, {}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(kAdd, 0, {I4(1)}), DISP_E_MEMBERNOTFOUND);

  ComPtr<ITypeInfo> scientific = typelib_test::TypeOf(lib_.Get(), typelib_test::kIScientific);
  EXPECT_EQ(Call(kAdd, DISPATCH_METHOD, {I4(1)}, {}, scientific.Get()), S_OK);
  EXPECT_EQ(Call(kPower, DISPATCH_METHOD, {I4(2), I4(3)}, {}, scientific.Get()), S_OK);
  EXPECT_EQ(target_.name, "Power");
}

TEST_F(InvokeTest, PassesInterfacesAsThePointerForTheDeclaredInterface) {
  TestObject listener(true);
  TestObject stranger(false);
  ASSERT_EQ(Call(kNotify, DISPATCH_METHOD, {VARIANT::Dispatch(&listener), I4(1)}), S_OK);
  ASSERT_EQ(target_.received[0].vt, VT_UNKNOWN);
  EXPECT_EQ(target_.received[0].punkVal, static_cast<IUnknown*>(&listener));
  EXPECT_EQ(Call(kNotify, DISPATCH_METHOD, {VARIANT::Unknown(&stranger), I4(1)}),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(arg_err_, 1u);
  EXPECT_EQ(Call(kNotify, DISPATCH_METHOD, {I4(1), I4(1)}), DISP_E_TYPEMISMATCH);
  ASSERT_EQ(Call(kNotify, DISPATCH_METHOD, {VARIANT::Dispatch(nullptr), I4(1)}), S_OK);
  EXPECT_EQ(Received(), "UNKNOWN:null I4:1");

  // "Set calc.Listener = x" is a put by reference; a plain put finds nothing.
  EXPECT_EQ(Call(kListener, DISPATCH_PROPERTYPUT, {},
                 {{DISPID_PROPERTYPUT, VARIANT::Unknown(&listener)}}),
            DISP_E_MEMBERNOTFOUND);
  ASSERT_EQ(Call(kListener, DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF, {},
                 {{DISPID_PROPERTYPUT, VARIANT::Unknown(&listener)}}),
            S_OK);
  EXPECT_EQ(target_.invkind, INVOKE_PROPERTYPUTREF);

  // An object result goes back as IDispatch, however the target gave it.
  target_.respond = [&listener](std::vector<VARIANT>& args) {
    args[0] = VARIANT::Unknown(&listener);
    return S_OK;
  };
  ASSERT_EQ(Call(kHost, DISPATCH_PROPERTYGET, {}), S_OK);
  ASSERT_EQ(result_.vt, VT_DISPATCH);
  EXPECT_EQ(result_.pdispVal, static_cast<IDispatch*>(&listener));
  result_.Clear();
  target_.received.clear();
  rgvarg_.clear();
  EXPECT_EQ(listener.refs(), 0u);  // every reference taken was given back
}

TEST_F(InvokeTest, GivesDispinterfaceResultsAnExtraEntryOfTheDeclaredType) {
  ComPtr<ITypeInfo> events = typelib_test::TypeOf(lib_.Get(), typelib_test::kCalcEvents);
  target_.respond = [](std::vector<VARIANT>& args) {
    if (!args.empty()) args.back() = VARIANT::I2(4);
    return S_OK;
  };
  ASSERT_EQ(Call(2, DISPATCH_METHOD, {}, {}, events.Get()), S_OK);
  EXPECT_EQ(target_.received.size(), 1u);
  EXPECT_EQ(DescribeVariant(result_), "I4:4");  // as the declared long
  ASSERT_EQ(Call(1, DISPATCH_METHOD, {I4(9)}, {}, events.Get()), S_OK);
  EXPECT_EQ(target_.received.size(), 1u);

  // A target that breaks its contract is reported, not passed on.
  typelib_test::Diagnostics diagnostics;
  target_.respond = [](std::vector<VARIANT>& args) {
    args.back() = Str("not a number");
    return S_OK;
  };
  EXPECT_EQ(Call(2, DISPATCH_METHOD, {}, {}, events.Get()), DISP_E_TYPEMISMATCH);
  EXPECT_TRUE(diagnostics.Mention("Count")) << diagnostics.All();
}

TEST_F(InvokeTest, TurnsAFailureWithErrorInfoIntoAnException) {
  target_.respond = [](std::vector<VARIANT>&) {
    ErrorInfoFields fields;
    fields.source = "CalcLib.Calculator";
    fields.description = "Division by zero";
    fields.help_file = "calc.hlp";
    fields.help_context = 17;
    SetErrorInfoFields(fields);
    return E_INVALIDARG;
  };
  ASSERT_EQ(Call(kFail, DISPATCH_METHOD, {VARIANT::Error(E_FAIL)}), DISP_E_EXCEPTION);
  EXPECT_EQ(excep_.bstrSource, "CalcLib.Calculator");
  EXPECT_EQ(excep_.bstrDescription, "Division by zero");
  EXPECT_EQ(excep_.bstrHelpFile, "calc.hlp");
  EXPECT_EQ(excep_.dwHelpContext, 17u);
  EXPECT_EQ(excep_.scode, E_INVALIDARG);

  // Without an EXCEPINFO the caller gets the failure and the error info.
  DISPPARAMS params;
  VARIANT code = VARIANT::Error(E_FAIL);
  params.rgvarg = &code;
  params.cArgs = 1;
  EXPECT_EQ(info_->Invoke(&target_, kFail, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
            E_INVALIDARG);
  ComPtr<IErrorInfo> left;
  EXPECT_EQ(GetErrorInfo(0, left.Receive()), S_OK);
}

TEST_F(InvokeTest, DoesNotReportStaleErrorInfoAsTheCallsException) {
  ErrorInfoFields stale;
  stale.description = "from an earlier call";
  SetErrorInfoFields(stale);
  target_.respond = [](std::vector<VARIANT>&) { return E_ACCESSDENIED; };
  EXPECT_EQ(Call(kReset, DISPATCH_METHOD, {}), E_ACCESSDENIED);
  EXPECT_TRUE(excep_.bstrDescription.isEmpty());
  target_.respond = [](std::vector<VARIANT>&) { return S_FALSE; };
  EXPECT_EQ(Call(kReset, DISPATCH_METHOD, {}), S_FALSE);
}

TEST_F(InvokeTest, RefusesMalformedCalls) {
  DISPPARAMS params;
  EXPECT_EQ(info_->Invoke(nullptr, kReset, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
            E_INVALIDARG);
  EXPECT_EQ(info_->Invoke(&target_, kReset, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
            E_INVALIDARG);
  params.cArgs = 1;  // and no rgvarg
  EXPECT_EQ(info_->Invoke(&target_, kAdd, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
            E_INVALIDARG);
  EXPECT_EQ(target_.calls, 0);
}

}  // namespace
}  // namespace parlotto
