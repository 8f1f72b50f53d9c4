// GUIDs: the registry form, parsing, ordering and hashing.
#include <gtest/gtest.h>

#include "platform/com/activation.h"
#include "platform/com/com_fixture.h"
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

}  // namespace
}  // namespace parlotto
