// The check of automation calls: what a failure's message says in each case.
#include "platform/com_runtime/com_check.h"

#include <gtest/gtest.h>

#include "platform/com/error_info.h"

namespace parlotto {
namespace {

std::string MessageOf(HRESULT hr) {
  try {
    OLECHECK(hr);
  } catch (const ComCallError& error) {
    EXPECT_EQ(error.code(), hr);
    return error.what();
  }
  return "no error";
}

TEST(ComCheck, AFailureNamesTheCallTheReasonAndThePlace) {
  // The callee's own reason comes first, and is used once.
  ErrorInfoFields fields;
  fields.description = QStringLiteral("Das Dokument ist beschädigt.\n");
  SetErrorInfoFields(fields);
  const std::string with_reason = MessageOf(static_cast<HRESULT>(0x800A16A0u));
  EXPECT_EQ(with_reason.rfind("'hr': Das Dokument ist beschädigt. @ com_check_test.cpp/", 0), 0u)
      << with_reason;

  // Else the system's text for the code.
  const std::string known = MessageOf(E_NOINTERFACE);
  EXPECT_EQ(known.rfind("'hr': No such interface supported @ com_check_test.cpp/", 0), 0u) << known;

  // Else the code itself, in hexadecimal and in decimal.
  const std::string unknown = MessageOf(static_cast<HRESULT>(0x800A16A0u));
  EXPECT_EQ(unknown.rfind("(hr) Error: 800A16A0 (-2146822496) @ com_check_test.cpp/", 0), 0u)
      << unknown;
}

TEST(ComCheck, SuccessPassesAndAnEmptyReferenceFailsWithItsCondition) {
  EXPECT_EQ(MessageOf(S_FALSE), "no error");
  void* document = nullptr;
  try {
    OLE_REQUIRE(document);
    ADD_FAILURE() << "an empty reference passed";
  } catch (const ComCallError& error) {
    EXPECT_EQ(std::string(error.what()).rfind("document failed - com_check_test.cpp/", 0), 0u)
        << error.what();
  }
}

}  // namespace
}  // namespace parlotto
