// Which types of a library are reachable through IDispatch: those derived
// from it, however indirectly, and dispinterfaces; nothing else.
#include <gtest/gtest.h>

#include "platform/com/typeinfo.h"

namespace parlotto {
namespace {

constexpr const char* kLibrary = R"({
  "name": "FlagLib", "libid": "{6B3C1A10-2F4E-4D8A-9C11-7E2B5A9D1000}", "version": "1.0",
  "types": [
    {"kind": "interface", "name": "IPlain", "iid": "{6B3C1A10-2F4E-4D8A-9C11-7E2B5A9D1001}",
     "base": "IUnknown", "members": []},
    {"kind": "interface", "name": "IDerived", "iid": "{6B3C1A10-2F4E-4D8A-9C11-7E2B5A9D1002}",
     "base": "IDual", "members": []},
    {"kind": "interface", "name": "IDual", "iid": "{6B3C1A10-2F4E-4D8A-9C11-7E2B5A9D1003}",
     "flags": ["dual", "oleautomation"], "base": "IDispatch", "members": []},
    {"kind": "dispinterface", "name": "DEvents", "iid": "{6B3C1A10-2F4E-4D8A-9C11-7E2B5A9D1004}",
     "members": []},
    {"kind": "coclass", "name": "Thing", "clsid": "{6B3C1A10-2F4E-4D8A-9C11-7E2B5A9D1005}",
     "interfaces": [{"name": "IDual", "flags": ["default"]}]}
  ]
})";

std::uint16_t FlagsOf(ITypeLib* library, UINT index) {
  ComPtr<ITypeInfo> info;
  EXPECT_EQ(library->GetTypeInfo(index, info.Receive()), S_OK);
  TYPEATTR attr;
  EXPECT_EQ(info->GetTypeAttr(&attr), S_OK);
  return attr.wTypeFlags;
}

TEST(DispatchableFlagTest, MarksWhatDerivesFromIDispatchAndDispinterfaces) {
  ComPtr<ITypeLib> library;
  ASSERT_EQ(LoadTypeLibFromText(kLibrary, library.Receive()), S_OK);
  EXPECT_EQ(FlagsOf(library.Get(), 0), 0);
  EXPECT_EQ(FlagsOf(library.Get(), 1), TYPEFLAG_FDISPATCHABLE);
  EXPECT_EQ(FlagsOf(library.Get(), 2),
            TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE);
  EXPECT_EQ(FlagsOf(library.Get(), 3), TYPEFLAG_FDISPATCHABLE);
  EXPECT_EQ(FlagsOf(library.Get(), 4), 0);
}

}  // namespace
}  // namespace parlotto
