// VARIANT conversion as automation does it.
#include <gtest/gtest.h>

#include "platform/com/com_object.h"
#include "platform/com/error_info.h"

namespace parlotto {
namespace {

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

}  // namespace
}  // namespace parlotto
