// The error info slot of a thread.
#include "platform/com/error_info.h"

#include <gtest/gtest.h>

#include "platform/com/com_object.h"

namespace parlotto {
namespace {

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

}  // namespace
}  // namespace parlotto
