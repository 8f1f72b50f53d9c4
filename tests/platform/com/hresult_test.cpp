// HRESULT names and the system texts for them.
#include <gtest/gtest.h>

#include "platform/com/com_object.h"
#include "platform/com/error_info.h"

namespace parlotto {
namespace {

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

}  // namespace
}  // namespace parlotto
