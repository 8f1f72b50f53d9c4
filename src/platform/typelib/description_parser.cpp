#include "platform/typelib/description_parser.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <limits>
#include <unordered_map>

#include "platform/typelib/member_parser.h"
#include "platform/typelib/parse_context.h"
#include "platform/typelib/stdole.h"

namespace parlotto::typelib {
namespace {

constexpr int kFormatVersion = 1;

// Inherited members are copied into each derived interface; this bounds what
// a small description with a long chain of interfaces can make us allocate.
constexpr std::size_t kMaxInheritedWeight = 1 << 20;

constexpr FlagName kLibraryFlags[] = {
    {"restricted", LIBFLAG_FRESTRICTED},
    {"control", LIBFLAG_FCONTROL},
    {"hidden", LIBFLAG_FHIDDEN},
};
constexpr FlagName kInterfaceFlags[] = {
    {"dual", TYPEFLAG_FDUAL},
    {"oleautomation", TYPEFLAG_FOLEAUTOMATION},
    {"hidden", TYPEFLAG_FHIDDEN},
    {"nonextensible", TYPEFLAG_FNONEXTENSIBLE},
};
constexpr FlagName kDispinterfaceFlags[] = {
    {"hidden", TYPEFLAG_FHIDDEN},
    {"nonextensible", TYPEFLAG_FNONEXTENSIBLE},
};
constexpr FlagName kCoclassFlags[] = {
    {"cancreate", TYPEFLAG_FCANCREATE},
    {"appobject", TYPEFLAG_FAPPOBJECT},
    {"hidden", TYPEFLAG_FHIDDEN},
};
constexpr FlagName kImplTypeFlags[] = {
    {"default", IMPLTYPEFLAG_FDEFAULT},
    {"source", IMPLTYPEFLAG_FSOURCE},
};

const char* KindName(TYPEKIND kind) {
  switch (kind) {
    case TKIND_DISPATCH:
      return "dispinterface";
    case TKIND_COCLASS:
      return "coclass";
    default:
      return "interface";
  }
}

bool IsInterfaceKind(TYPEKIND kind) { return kind == TKIND_INTERFACE || kind == TKIND_DISPATCH; }

std::size_t Weight(const std::vector<FUNCDESC>& funcs) {
  std::size_t weight = 0;
  for (const FUNCDESC& func : funcs) weight += 1 + func.params.size();
  return weight;
}

class DescriptionParser {
 public:
  explicit DescriptionParser(LibraryModel* model) : model_(model) {}

  HRESULT Parse(const QByteArray& text, QString* problem) {
    ParseAll(text);
    if (context_.failed()) *problem = context_.message();
    return context_.result();
  }

 private:
  // What the first pass keeps of each type for the later ones.
  struct Pending {
    QJsonObject object;
    QString where;
    QString base_name;
    TypeRef base;
    VARTYPE pointer_vt = VT_UNKNOWN;
  };

  bool ParseAll(const QByteArray& text) {
    if (static_cast<std::size_t>(text.size()) > kMaxDescriptionBytes) {
      return context_.Reject(
          TYPE_E_INVDATAREAD, where_,
          QStringLiteral("the description has %1 bytes, more than the %2 allowed")
              .arg(text.size())
              .arg(kMaxDescriptionBytes));
    }
    QJsonParseError error;
    QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError) {
      return context_.Reject(TYPE_E_INVDATAREAD, where_,
                             QStringLiteral("not valid JSON: %1 at offset %2")
                                 .arg(error.errorString())
                                 .arg(error.offset));
    }
    if (!document.isObject()) {
      return context_.Reject(TYPE_E_INVDATAREAD, where_, "the description is not a JSON object");
    }
    QJsonObject root = document.object();
    return ReadLibrary(root) && ReadTypeHeaders(root) && ResolveBases() && ReadMembers() &&
           ReadCoclasses() && LayOut() && CheckMemberIds();
  }

  bool ReadLibrary(const QJsonObject& root) {
    if (!CheckKeys(root, {"format", "name", "libid", "version", "lcid", "flags", "help", "types"},
                   where_, &context_)) {
      return false;
    }
    std::int64_t format = kFormatVersion;
    if (!ReadInteger(root, "format", false, 0, std::numeric_limits<std::int32_t>::max(), where_,
                     &context_, &format)) {
      return false;
    }
    if (format != kFormatVersion) {
      return context_.Reject(TYPE_E_UNSUPFORMAT, where_,
                             QStringLiteral("format %1 is not known (this reader knows format %2)")
                                 .arg(format)
                                 .arg(kFormatVersion));
    }
    if (!ReadName(root, "name", where_, &context_, &model_->name)) return false;
    where_ = QStringLiteral("library '%1'").arg(model_->name);
    std::int64_t lcid = 0;
    if (!ReadGuid(root, "libid", where_, &context_, &model_->libid) ||
        !ReadVersion(root, true, where_, &context_, &model_->major, &model_->minor) ||
        !ReadInteger(root, "lcid", false, 0, std::numeric_limits<LCID>::max(), where_, &context_,
                     &lcid) ||
        !ReadFlags(root, kLibraryFlags, where_, &context_, &model_->flags) ||
        !ReadString(root, "help", false, where_, &context_, &model_->help)) {
      return false;
    }
    model_->lcid = static_cast<LCID>(lcid);
    if (model_->libid == GUID_NULL)
      return context_.Reject(TYPE_E_INVDATAREAD, where_, "the libid is null");
    return true;
  }

  bool ReadTypeHeaders(const QJsonObject& root) {
    QJsonArray types;
    if (!ReadArray(root, "types", true, where_, &context_, &types)) return false;
    for (int i = 0; i < types.size(); ++i) {
      if (!ReadTypeHeader(types[i], i)) return false;
    }
    return true;
  }

  bool ReadTypeHeader(const QJsonValue& value, int index) {
    Pending pending;
    QString where = where_ + QStringLiteral(", type %1").arg(index + 1);
    if (!ReadObject(value, where, &context_, &pending.object)) return false;
    const QJsonObject& object = pending.object;
    TypeModel type;
    QString kind;
    if (!ReadString(object, "kind", true, where, &context_, &kind)) return false;
    std::span<const FlagName> flags;
    const char* guid_key = "iid";
    if (kind == QLatin1String("interface")) {
      type.kind = TKIND_INTERFACE;
      flags = kInterfaceFlags;
    } else if (kind == QLatin1String("dispinterface")) {
      type.kind = TKIND_DISPATCH;
      flags = kDispinterfaceFlags;
    } else if (kind == QLatin1String("coclass")) {
      type.kind = TKIND_COCLASS;
      flags = kCoclassFlags;
      guid_key = "clsid";
    } else {
      return context_.Reject(
          TYPE_E_UNSUPFORMAT, where,
          QStringLiteral("unknown kind \"%1\" (interface, dispinterface, coclass)").arg(kind));
    }
    if (type.kind == TKIND_COCLASS) {
      if (!CheckKeys(object, {"kind", "name", "clsid", "version", "flags", "help", "interfaces"},
                     where, &context_)) {
        return false;
      }
    } else if (!CheckKeys(object,
                          {"kind", "name", "iid", "version", "flags", "help", "base", "members"},
                          where, &context_)) {
      return false;
    }
    if (!ReadName(object, "name", where, &context_, &type.name)) return false;
    pending.where =
        where_ + QStringLiteral(", %1 '%2'").arg(QLatin1String(KindName(type.kind)), type.name);
    where = pending.where;
    if (!ReadGuid(object, guid_key, where, &context_, &type.guid) ||
        !ReadVersion(object, false, where, &context_, &type.major, &type.minor) ||
        !ReadFlags(object, flags, where, &context_, &type.flags) ||
        !ReadString(object, "help", false, where, &context_, &type.help)) {
      return false;
    }
    if (type.name == QLatin1String("IUnknown") || type.name == QLatin1String("IDispatch") ||
        type.guid == IID_IUnknown || type.guid == IID_IDispatch) {
      return context_.Reject(TYPE_E_INVDATAREAD, where, "IUnknown and IDispatch are built in");
    }
    if (type.guid == GUID_NULL)
      return context_.Reject(TYPE_E_INVDATAREAD, where, "the GUID is null");
    // Looked up by hash: a large description must not take quadratic time.
    auto same_name = names_.constFind(type.name.toLower());
    if (same_name != names_.constEnd()) {
      const TypeModel& other = model_->types[*same_name];
      return context_.Reject(TYPE_E_INVDATAREAD, where,
                             QStringLiteral("the name is taken by %1 '%2'")
                                 .arg(QLatin1String(KindName(other.kind)), other.name));
    }
    auto same_guid = guids_.find(type.guid);
    if (same_guid != guids_.end()) {
      const TypeModel& other = model_->types[same_guid->second];
      return context_.Reject(TYPE_E_INVDATAREAD, where,
                             QStringLiteral("the GUID is taken by %1 '%2'")
                                 .arg(QLatin1String(KindName(other.kind)), other.name));
    }
    names_.insert(type.name.toLower(), static_cast<int>(model_->types.size()));
    guids_.emplace(type.guid, static_cast<int>(model_->types.size()));
    if (type.kind == TKIND_INTERFACE &&
        !ReadString(object, "base", true, where, &context_, &pending.base_name)) {
      return false;
    }
    if (type.kind == TKIND_DISPATCH) {
      if (!ReadString(object, "base", false, where, &context_, &pending.base_name,
                      QStringLiteral("IDispatch"))) {
        return false;
      }
      if (pending.base_name != QLatin1String("IDispatch")) {
        return context_.Reject(TYPE_E_INVDATAREAD, where, "a dispinterface derives from IDispatch");
      }
    }
    model_->types.push_back(std::move(type));
    pending_.push_back(std::move(pending));
    return true;
  }

  bool ResolveBases() {
    for (std::size_t i = 0; i < pending_.size(); ++i) {
      TypeModel& type = model_->types[i];
      Pending& pending = pending_[i];
      if (!IsInterfaceKind(type.kind)) continue;
      if (!FindInterface(pending.base_name, pending.where, &pending.base)) return false;
      if (!pending.base.builtin && model_->types[pending.base.index].kind != TKIND_INTERFACE) {
        return context_.Reject(
            TYPE_E_INVDATAREAD, pending.where,
            QStringLiteral("base '%1' is not an interface").arg(pending.base_name));
      }
      type.impl_types.push_back({pending.base, 0});
    }
    if (!OrderByInheritance()) return false;
    // Bases come first in order_, so each knows whether it is a dispatch
    // interface when its derived ones ask.
    for (int i : order_) {
      Pending& pending = pending_[i];
      TypeModel& type = model_->types[i];
      if (!IsInterfaceKind(type.kind)) continue;
      bool dispatch = pending.base.builtin ? pending.base.index == kStdOleIDispatch
                                           : pending_[pending.base.index].pointer_vt == VT_DISPATCH;
      pending.pointer_vt = dispatch ? VT_DISPATCH : VT_UNKNOWN;
      // As the library compiler marks them: reachable through IDispatch.
      if (dispatch) type.flags |= TYPEFLAG_FDISPATCHABLE;
      if ((type.flags & TYPEFLAG_FDUAL) && !dispatch) {
        return context_.Reject(TYPE_E_INVDATAREAD, pending.where,
                               "a dual interface must derive from IDispatch");
      }
      interfaces_.push_back({type.name, pending.pointer_vt, type.guid});
    }
    return true;
  }

  bool FindInterface(const QString& name, const QString& where, TypeRef* out) {
    if (name == QLatin1String("IUnknown")) {
      *out = {true, kStdOleIUnknown};
      return true;
    }
    if (name == QLatin1String("IDispatch")) {
      *out = {true, kStdOleIDispatch};
      return true;
    }
    auto found = names_.constFind(name.toLower());
    if (found != names_.constEnd()) {
      const TypeModel& type = model_->types[*found];
      if (type.name == name && IsInterfaceKind(type.kind)) {
        *out = {false, *found};
        return true;
      }
    }
    return context_.Reject(TYPE_E_INVDATAREAD, where,
                           QStringLiteral("interface '%1' is not declared").arg(name));
  }

  // Puts every type after its base; fails on a cycle. Iterative, so that a
  // long chain cannot exhaust the stack.
  bool OrderByInheritance() {
    enum State { kNew, kOnPath, kDone };
    std::vector<State> state(pending_.size(), kNew);
    auto described_base = [&](int i) {
      const Pending& pending = pending_[i];
      bool has = IsInterfaceKind(model_->types[i].kind) && !pending.base.builtin;
      return has ? pending.base.index : -1;
    };
    for (std::size_t start = 0; start < pending_.size(); ++start) {
      std::vector<int> path;
      int i = static_cast<int>(start);
      while (i >= 0 && state[i] == kNew) {
        state[i] = kOnPath;
        path.push_back(i);
        i = described_base(i);
      }
      if (i >= 0 && state[i] == kOnPath) {
        return context_.Reject(TYPE_E_INVDATAREAD, pending_[i].where,
                               "the interface derives from itself");
      }
      for (size_t at = path.size(); at-- > 0;) {
        order_.push_back(path[at]);
        state[path[at]] = kDone;
      }
    }
    return true;
  }

  bool ReadMembers() {
    for (std::size_t i = 0; i < pending_.size(); ++i) {
      TypeModel& type = model_->types[i];
      if (!IsInterfaceKind(type.kind)) continue;
      const Pending& pending = pending_[i];
      MemberScope scope;
      scope.where = pending.where;
      scope.dispinterface = type.kind == TKIND_DISPATCH;
      scope.automation = (type.flags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION)) != 0;
      scope.interfaces = &interfaces_;
      QJsonArray members;
      if (!ReadArray(pending.object, "members", false, pending.where, &context_, &members)) {
        return false;
      }
      if (members.size() > std::numeric_limits<std::uint16_t>::max()) {
        return context_.Reject(TYPE_E_INVDATAREAD, pending.where, "more than 65535 members");
      }
      for (const QJsonValue member : members) {
        FUNCDESC func;
        if (!ParseMember(member, scope, &context_, &func)) return false;
        type.funcs.push_back(std::move(func));
      }
    }
    return true;
  }

  bool ReadCoclasses() {
    for (std::size_t i = 0; i < pending_.size(); ++i) {
      TypeModel& type = model_->types[i];
      if (type.kind != TKIND_COCLASS) continue;
      const Pending& pending = pending_[i];
      QJsonArray list;
      if (!ReadArray(pending.object, "interfaces", true, pending.where, &context_, &list)) {
        return false;
      }
      if (list.size() > std::numeric_limits<std::uint16_t>::max()) {
        return context_.Reject(TYPE_E_INVDATAREAD, pending.where, "more than 65535 interfaces");
      }
      for (const QJsonValue entry : list) {
        QJsonObject object;
        QString where = pending.where + QStringLiteral(", an interface");
        if (!ReadObject(entry, where, &context_, &object) ||
            !CheckKeys(object, {"name", "flags"}, where, &context_)) {
          return false;
        }
        QString name;
        if (!ReadString(object, "name", true, where, &context_, &name)) return false;
        where = pending.where + QStringLiteral(", interface '%1'").arg(name);
        ImplTypeModel impl;
        if (!FindInterface(name, where, &impl.ref) ||
            !ReadFlags(object, kImplTypeFlags, where, &context_, &impl.flags)) {
          return false;
        }
        for (const ImplTypeModel& other : type.impl_types) {
          if (other.ref.builtin == impl.ref.builtin && other.ref.index == impl.ref.index) {
            return context_.Reject(TYPE_E_INVDATAREAD, where, "the interface is listed twice");
          }
          std::uint16_t both = other.flags & impl.flags;
          if ((both & IMPLTYPEFLAG_FDEFAULT) &&
              (other.flags & IMPLTYPEFLAG_FSOURCE) == (impl.flags & IMPLTYPEFLAG_FSOURCE)) {
            return context_.Reject(TYPE_E_INVDATAREAD, where,
                                   (impl.flags & IMPLTYPEFLAG_FSOURCE)
                                       ? QStringLiteral("a second default source interface")
                                       : QStringLiteral("a second default interface"));
          }
        }
        type.impl_types.push_back(impl);
      }
    }
    return true;
  }

  // Vtable slots and the inherited members, bases first.
  bool LayOut() {
    std::vector<int> slot_counts(pending_.size(), 0);
    std::size_t weight = 0;
    for (int i : order_) {
      TypeModel& type = model_->types[i];
      if (!IsInterfaceKind(type.kind)) continue;
      const TypeRef& base = pending_[i].base;
      int first_slot = base.builtin ? BuiltinSlotCount(base.index) : slot_counts[base.index];
      for (std::size_t k = 0; k < type.funcs.size(); ++k) {
        type.funcs[k].vtable_index =
            type.kind == TKIND_DISPATCH ? -1 : first_slot + static_cast<int>(k);
      }
      slot_counts[i] = first_slot + static_cast<int>(type.funcs.size());
      if (!base.builtin) type.all_funcs = model_->types[base.index].all_funcs;
      weight += Weight(type.all_funcs) + Weight(type.funcs);
      if (weight > kMaxInheritedWeight) {
        return context_.Reject(TYPE_E_INVDATAREAD, pending_[i].where,
                               "the interfaces have too many inherited members in all");
      }
      type.all_funcs.insert(type.all_funcs.end(), type.funcs.begin(), type.funcs.end());
    }
    return true;
  }

  // One id names one method or one property (whose get, put and putref
  // share it), and one name has one id, across the inherited members too:
  // GetIDsOfNames and Invoke would otherwise pick one at random.
  bool CheckMemberIds() {
    for (std::size_t i = 0; i < model_->types.size(); ++i) {
      const TypeModel& type = model_->types[i];
      QHash<MEMBERID, std::vector<const FUNCDESC*>> by_id;
      QHash<QString, MEMBERID> by_name;
      for (const FUNCDESC& func : type.all_funcs) {
        const QString& where = pending_[i].where;
        QString key = func.name.toLower();
        auto named = by_name.constFind(key);
        if (named != by_name.constEnd() && *named != func.memid) {
          return context_.Reject(TYPE_E_INVDATAREAD, where,
                                 QStringLiteral("member '%1' has ids %2 and %3")
                                     .arg(func.name)
                                     .arg(*named)
                                     .arg(func.memid));
        }
        by_name.insert(key, func.memid);
        std::vector<const FUNCDESC*>& same_id = by_id[func.memid];
        for (const FUNCDESC* other : same_id) {
          if (other->name.compare(func.name, Qt::CaseInsensitive) != 0) {
            return context_.Reject(TYPE_E_INVDATAREAD, where,
                                   QStringLiteral("id %1 is used by '%2' and '%3'")
                                       .arg(func.memid)
                                       .arg(other->name, func.name));
          }
          if (other->invkind == func.invkind || other->invkind == INVOKE_FUNC ||
              func.invkind == INVOKE_FUNC) {
            return context_.Reject(
                TYPE_E_INVDATAREAD, where,
                QStringLiteral("id %1 ('%2') is declared twice with conflicting kinds")
                    .arg(func.memid)
                    .arg(func.name));
          }
        }
        same_id.push_back(&func);
      }
    }
    return true;
  }

  LibraryModel* model_;
  ParseContext context_;
  QString where_ = QStringLiteral("library");
  std::vector<Pending> pending_;
  std::vector<int> order_;
  std::vector<InterfaceType> interfaces_;
  QHash<QString, int> names_;  // lower case
  std::unordered_map<GUID, int> guids_;
};

}  // namespace

HRESULT ParseDescription(const QByteArray& text, LibraryModel* model, QString* problem) {
  *model = LibraryModel();
  return DescriptionParser(model).Parse(text, problem);
}

}  // namespace parlotto::typelib
