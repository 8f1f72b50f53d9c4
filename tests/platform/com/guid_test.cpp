// GUIDs: the registry form, parsing, ordering and hashing.
#include <gtest/gtest.h>

#include "platform/com/com_object.h"
#include "platform/com/error_info.h"

namespace parlotto {
namespace {

constexpr GUID kFirst = MakeGuid("{D45FD2FC-5C6E-11D1-9EC1-00C04FD7081F}");
constexpr GUID kSecond = MakeGuid("{6BA90C01-3910-11D1-ACB3-00C04FD97575}");

TEST(Guid, ParsesAndFormatsTheRegistryForm) {
  GUID guid;
  ASSERT_TRUE(GuidFromString("{d45fd2fc-5c6e-11d1-9ec1-00c04fd7081f}", &guid));
  EXPECT_EQ(StringFromGUID(guid), "{D45FD2FC-5C6E-11D1-9EC1-00C04FD7081F}");
  EXPECT_EQ(guid, kFirst);
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
  EXPECT_NE(std::hash<GUID>()(kFirst), std::hash<GUID>()(kSecond));
  EXPECT_LT(GUID_NULL, kSecond);
}

}  // namespace
}  // namespace parlotto
