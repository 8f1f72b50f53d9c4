// Type libraries: what a library's interfaces, members and classes are,
// loaded from a declarative description. The description drives
// GetIDsOfNames and Invoke, the marshalling of calls between processes and
// the introspection that the session bus shows.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

#include "platform/com/idispatch.h"
#include "platform/com/unknown.h"
#include "platform/com/variant.h"

namespace parlotto {

inline constexpr IID IID_ITypeInfo = MakeGuid("{00020401-0000-0000-C000-000000000046}");
inline constexpr IID IID_ITypeLib = MakeGuid("{00020402-0000-0000-C000-000000000046}");

enum TYPEKIND : std::uint16_t {
  TKIND_ENUM = 0,
  TKIND_RECORD = 1,
  TKIND_MODULE = 2,
  TKIND_INTERFACE = 3,
  TKIND_DISPATCH = 4,
  TKIND_COCLASS = 5,
  TKIND_ALIAS = 6,
  TKIND_UNION = 7,
};

enum INVOKEKIND : std::uint16_t {
  INVOKE_FUNC = 1,
  INVOKE_PROPERTYGET = 2,
  INVOKE_PROPERTYPUT = 4,
  INVOKE_PROPERTYPUTREF = 8,
};

enum : std::uint16_t {
  PARAMFLAG_NONE = 0,
  PARAMFLAG_FIN = 0x1,
  PARAMFLAG_FOUT = 0x2,
  PARAMFLAG_FLCID = 0x4,
  PARAMFLAG_FRETVAL = 0x8,
  PARAMFLAG_FOPT = 0x10,
  PARAMFLAG_FHASDEFAULT = 0x20,
};

enum : std::uint16_t {
  TYPEFLAG_FAPPOBJECT = 0x1,
  TYPEFLAG_FCANCREATE = 0x2,
  TYPEFLAG_FHIDDEN = 0x10,
  TYPEFLAG_FDUAL = 0x40,
  TYPEFLAG_FNONEXTENSIBLE = 0x80,
  TYPEFLAG_FOLEAUTOMATION = 0x100,
  TYPEFLAG_FDISPATCHABLE = 0x1000,
};

enum : std::uint16_t {
  FUNCFLAG_FRESTRICTED = 0x1,
  FUNCFLAG_FHIDDEN = 0x40,
};

enum : std::uint16_t {
  IMPLTYPEFLAG_FDEFAULT = 0x1,
  IMPLTYPEFLAG_FSOURCE = 0x2,
};

enum : std::uint16_t {
  LIBFLAG_FRESTRICTED = 0x1,
  LIBFLAG_FCONTROL = 0x2,
  LIBFLAG_FHIDDEN = 0x4,
};

// One parameter. Interface pointers are VT_UNKNOWN or VT_DISPATCH with the
// interface's IID in `iid` (GUID_NULL for a plain IUnknown/IDispatch).
struct PARAMDESC {
  QString name;
  VARTYPE vt = VT_EMPTY;
  IID iid;
  std::uint16_t flags = PARAMFLAG_FIN;
  VARIANT default_value;  // with PARAMFLAG_FHASDEFAULT
};

// One member. For properties, a get and a put are two members with the same
// id and name. `params` include [out] and [out, retval] parameters in
// declared order.
struct FUNCDESC {
  MEMBERID memid = MEMBERID_NIL;
  QString name;
  INVOKEKIND invkind = INVOKE_FUNC;
  std::vector<PARAMDESC> params;
  // What the member returns besides its parameters: VT_HRESULT for the
  // usual members, or the type of a dispinterface method's result.
  VARTYPE return_vt = VT_HRESULT;
  std::uint16_t flags = 0;
  QString help_string;
  int vtable_index = -1;  // order of declaration, for custom interfaces
};

struct TYPEATTR {
  GUID guid;
  LCID lcid = 0;
  TYPEKIND typekind = TKIND_INTERFACE;
  std::uint16_t wTypeFlags = 0;
  std::uint16_t wMajorVerNum = 0;
  std::uint16_t wMinorVerNum = 0;
  std::uint16_t cFuncs = 0;      // own members, without inherited ones
  std::uint16_t cImplTypes = 0;  // base interface, or a coclass's interfaces
};

struct TLIBATTR {
  GUID guid;
  LCID lcid = 0;
  std::uint16_t wMajorVerNum = 0;
  std::uint16_t wMinorVerNum = 0;
  std::uint16_t wLibFlags = 0;
};

class ITypeLib;

// What a description-driven Invoke calls once it has found the member and
// checked and converted the arguments. `args` has one entry per declared
// parameter in declared order (an omitted optional one is VARIANT::Missing());
// [out] entries are filled by the callee, and a [retval] one becomes the
// result. A dispinterface member that returns a value (return_vt other than
// VT_HRESULT or VT_VOID) gets one more entry at the end of `args` for that
// value. Implemented by the interface stubs.
class IInvokeTarget {
 public:
  virtual HRESULT InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) = 0;

 protected:
  ~IInvokeTarget() = default;
};

class ITypeInfo : public IUnknown {
 public:
  virtual HRESULT GetTypeAttr(TYPEATTR* attr) = 0;
  // Own members only; index < cFuncs.
  virtual HRESULT GetFuncDesc(UINT index, FUNCDESC* desc) = 0;
  // The base interface (index 0) or a coclass's interfaces.
  virtual HRESULT GetRefTypeOfImplType(UINT index, ITypeInfo** info) = 0;
  virtual HRESULT GetImplTypeFlags(UINT index, std::uint16_t* flags) = 0;
  // Name and help string of the type (memid MEMBERID_NIL) or of a member.
  virtual HRESULT GetDocumentation(MEMBERID memid, BSTR* name, BSTR* doc_string) = 0;
  // Member and parameter names to ids, inherited members included; names
  // compare without regard to case. DISP_E_UNKNOWNNAME when any is unknown.
  virtual HRESULT GetIDsOfNames(const LPOLESTR* names, UINT count, MEMBERID* ids) = 0;
  // Finds the member by id and kind (DISP_E_MEMBERNOTFOUND), checks the
  // argument count (DISP_E_BADPARAMCOUNT, DISP_E_PARAMNOTOPTIONAL) and named
  // arguments (DISP_E_NONAMEDARGS, DISP_E_PARAMNOTFOUND), converts each
  // argument to its declared type (DISP_E_TYPEMISMATCH with *arg_err), calls
  // `target` and hands back [out] values and the result.
  virtual HRESULT Invoke(IInvokeTarget* target, MEMBERID memid, WORD flags, DISPPARAMS* params,
                         VARIANT* result, EXCEPINFO* excep_info, UINT* arg_err) = 0;
  // All members, inherited ones first, for marshalling and introspection.
  virtual HRESULT GetAllFuncs(std::vector<FUNCDESC>* funcs) = 0;
  virtual HRESULT GetContainingTypeLib(ITypeLib** lib, UINT* index) = 0;

 protected:
  ~ITypeInfo() = default;
};

class ITypeLib : public IUnknown {
 public:
  virtual UINT GetTypeInfoCount() = 0;
  virtual HRESULT GetTypeInfo(UINT index, ITypeInfo** info) = 0;
  // TYPE_E_ELEMENTNOTFOUND when the library has no such type.
  virtual HRESULT GetTypeInfoOfGuid(REFIID guid, ITypeInfo** info) = 0;
  virtual HRESULT GetLibAttr(TLIBATTR* attr) = 0;
  // Name and help string of the library (index -1) or of a type.
  virtual HRESULT GetDocumentation(int index, BSTR* name, BSTR* doc_string) = 0;

 protected:
  ~ITypeLib() = default;
};

// Loads a library from a description file, or from the description embedded
// in a program or shared object (the section ".typelib" of an ELF file).
HRESULT LoadTypeLib(const QString& file, ITypeLib** lib);

// Loads a description given as text (the same format as the files).
HRESULT LoadTypeLibFromText(const QByteArray& text, ITypeLib** lib);

// Records the library under HKEY_CLASSES_ROOT\TypeLib\{LIBID}\<major>.<minor>
// and each of its interfaces under HKEY_CLASSES_ROOT\Interface\{IID}.
HRESULT RegisterTypeLib(ITypeLib* lib, const QString& full_path, const QString& help_dir);

// Loads the library registered with this LIBID and version.
HRESULT LoadRegTypeLib(REFIID libid, WORD major, WORD minor, LCID lcid, ITypeLib** lib);

}  // namespace parlotto
