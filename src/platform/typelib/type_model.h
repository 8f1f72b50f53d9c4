// What a loaded library holds: plain data, built once by the parser and
// never changed afterwards, so the objects over it need no locking.
#pragma once

#include <QString>
#include <cstddef>
#include <vector>

#include "platform/com/typeinfo.h"

namespace parlotto::typelib {

// Descriptions larger than this are refused before they are parsed.
inline constexpr std::size_t kMaxDescriptionBytes = std::size_t{16} << 20;

// A type that another type refers to: one of the same library, or one of the
// built-in library that holds IUnknown and IDispatch.
struct TypeRef {
  bool builtin = false;
  int index = -1;
};

struct ImplTypeModel {
  TypeRef ref;
  std::uint16_t flags = 0;
};

struct TypeModel {
  QString name;
  QString help;
  GUID guid;
  TYPEKIND kind = TKIND_INTERFACE;
  std::uint16_t flags = 0;
  std::uint16_t major = 0;
  std::uint16_t minor = 0;
  std::vector<FUNCDESC> funcs;      // own members, in declared order
  std::vector<FUNCDESC> all_funcs;  // inherited members first
  std::vector<ImplTypeModel> impl_types;
};

struct LibraryModel {
  QString name;
  QString help;
  GUID libid;
  LCID lcid = 0;
  std::uint16_t major = 0;
  std::uint16_t minor = 0;
  std::uint16_t flags = 0;
  std::vector<TypeModel> types;
};

}  // namespace parlotto::typelib
