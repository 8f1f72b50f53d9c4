// Calls that a hostile client on the session bus can send to an object of
// ours. The input is read as a plan for one method call: which interface and
// member, and a tree of bus values for its arguments (any types, nested
// variants, structs shaped like object references, arrays). A client
// connection of its own sends the call through the bus daemon, answers every
// call made back to it with an error, and waits for the reply; the object
// runtime must answer every call in bounded time, and every argument that
// reaches the object must have the type its member declares.
//
// Needs a session bus: scripts/fuzz.sh runs it under dbus-run-session.
#include <dbus/dbus.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "fuzz_input.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/automation_object.h"
#include "platform/com_runtime/bus_names.h"
#include "platform/com_runtime/interface_table.h"
#include "platform/com_runtime/object_exporter.h"
#include "platform/com_runtime/server_class_factory.h"
#include "platform/typelib/type_lib.h"

namespace {

using namespace parlotto;

// Every parameter type the runtime carries, in and out.
constexpr char kDescription[] = R"({
  "format": 1, "name": "FuzzLib", "libid": "{0F5A1E00-6C1B-4F0E-9A55-3D2C1B000001}",
  "version": "1.0",
  "types": [{
    "kind": "interface", "name": "IFuzzTarget",
    "iid": "{0F5A1E00-6C1B-4F0E-9A55-3D2C1B000002}",
    "flags": ["dual", "oleautomation"], "base": "IDispatch",
    "members": [
      {"name": "Scalars", "id": 1, "params": [
        {"name": "a", "type": "short"}, {"name": "b", "type": "long"},
        {"name": "c", "type": "unsigned long"}, {"name": "d", "type": "VARIANT_BOOL"},
        {"name": "e", "type": "BSTR"}, {"name": "f", "type": "SCODE"},
        {"name": "g", "type": "int"}]},
      {"name": "Variants", "id": 2, "params": [
        {"name": "a", "type": "VARIANT"}, {"name": "b", "type": "VARIANT", "flags": ["optional"]},
        {"name": "r", "type": "VARIANT*", "flags": ["out", "retval"]}]},
      {"name": "Objects", "id": 3, "params": [
        {"name": "a", "type": "IUnknown*"}, {"name": "b", "type": "IDispatch*"},
        {"name": "c", "type": "IFuzzTarget*"}]},
      {"name": "Text", "id": 4, "kind": "propget",
       "params": [{"name": "v", "type": "BSTR*", "flags": ["out", "retval"]}]},
      {"name": "Text", "id": 4, "kind": "propput", "params": [{"name": "v", "type": "BSTR"}]},
      {"name": "Outs", "id": 5, "params": [
        {"name": "a", "type": "long*", "flags": ["out"]},
        {"name": "b", "type": "BSTR*", "flags": ["out"]},
        {"name": "n", "type": "long", "default": 3},
        {"name": "r", "type": "VARIANT_BOOL*", "flags": ["out", "retval"]}]}
    ]}]
})";

const IID kFuzzTargetIid = MakeGuid("{0F5A1E00-6C1B-4F0E-9A55-3D2C1B000002}");
const CLSID kFuzzClass = MakeGuid("{0F5A1E00-6C1B-4F0E-9A55-3D2C1B000003}");

// The type an argument must have when it reaches the object.
bool HasDeclaredType(const PARAMDESC& param, const VARIANT& value) {
  switch (param.vt) {
    case VT_VARIANT:
      return true;
    case VT_UNKNOWN:
    case VT_DISPATCH:
    case VT_USERDEFINED:
      return value.vt == VT_UNKNOWN;
    case VT_ERROR:
    case VT_HRESULT:
      return value.vt == VT_ERROR || value.vt == VT_I4;
    default:
      return value.vt == param.vt;
  }
}

// Checks what arrived and fills what goes back.
HRESULT Serve(const FUNCDESC& func, std::vector<VARIANT>& args) {
  if (args.size() != func.params.size()) std::abort();
  for (size_t i = 0; i < args.size(); ++i) {
    const PARAMDESC& param = func.params[i];
    if (param.flags & PARAMFLAG_FOUT) {
      args[i] = param.vt == VT_BSTR   ? VARIANT::Bstr(QStringLiteral("Antwort"))
                : param.vt == VT_BOOL ? VARIANT::Bool(true)
                                      : VARIANT::I4(static_cast<std::int32_t>(i));
      continue;
    }
    if (args[i].IsMissing()) continue;
    if (!HasDeclaredType(param, args[i])) {
      std::fprintf(stderr, "%s: parameter %zu has type %s\n", qPrintable(func.name), i,
                   DescribeVariant(args[i]).c_str());
      std::abort();
    }
  }
  return S_OK;
}

class FuzzTarget final : public AutomationObject {
 public:
  FuzzTarget(IUnknown* outer, ITypeInfo* info) : AutomationObject(kFuzzTargetIid, info) {
    (void)outer;
  }

 protected:
  HRESULT InvokeMember(const FUNCDESC& func, std::vector<VARIANT>& args) override {
    return Serve(func, args);
  }
};

HRESULT Stub(void*, const FUNCDESC& func, std::vector<VARIANT>& args) { return Serve(func, args); }

class FuzzFactory final : public ServerClassFactory {
 public:
  explicit FuzzFactory(ITypeInfo* info) : info_(info) {}
  HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    return ComObject::Create<FuzzTarget>(outer, iid, out, info_);
  }

 private:
  ITypeInfo* info_;
};

// The harness: this process's objects, and the hostile client's connection.
struct Harness {
  ComPtr<ITypeLib> library;
  ComPtr<ITypeInfo> info;
  ComPtr<IDispatch> object;
  ComPtr<IClassFactory> factory;
  DBusConnection* client = nullptr;
  std::string client_name;
  std::string server_name;
  QString object_path;
  std::string factory_path;
};

Harness* harness = nullptr;

void Die(const char* what) {
  std::fprintf(stderr, "bus_call_fuzz: %s\n", what);
  std::exit(2);
}

void SetUp(int* argc, char*** argv) {
  static QCoreApplication app(*argc, *argv);
  if (FAILED(CoInitialize(nullptr))) Die("no session bus (run under dbus-run-session)");
  harness = new Harness;
  if (FAILED(typelib::LoadTypeLibText(QByteArray(kDescription), QStringLiteral("fuzz"),
                                      harness->library.Receive())))
    Die("the description does not load");
  if (FAILED(harness->library->GetTypeInfoOfGuid(kFuzzTargetIid, harness->info.Receive())))
    Die("no IFuzzTarget");
  RegisterInterfaces(harness->library.Get(), {{kFuzzTargetIid, &Stub, nullptr}});
  ComObject::Create<FuzzTarget>(nullptr, IID_IDispatch, harness->object.ReceiveVoid(),
                                harness->info.Get());
  harness->factory = ComPtr<IClassFactory>(new FuzzFactory(harness->info.Get()));
  PublishClassObject(kFuzzClass, harness->factory.Get());
  harness->factory_path = ClassObjectPath(kFuzzClass).toStdString();

  DBusError error;
  dbus_error_init(&error);
  harness->client = dbus_bus_get_private(DBUS_BUS_SESSION, &error);
  if (harness->client == nullptr) Die("the client cannot reach the session bus");
  dbus_connection_set_exit_on_disconnect(harness->client, false);
  harness->client_name = dbus_bus_get_unique_name(harness->client);
  harness->server_name = OwnBusName().toStdString();
}

// Bus values built from the input. The tree comes first so that a variant
// knows its contents' signature before it is written.
struct Value {
  int type = DBUS_TYPE_INT32;
  std::uint64_t number = 0;
  double real = 0;
  std::string text;
  int element = DBUS_TYPE_INVALID;  // arrays of one basic type
  std::vector<Value> children;      // variant: one; struct: fields; array: items
};

constexpr int kMaxDepth = 12;

std::string ObjectPath(FuzzInput& in) {
  switch (in.Byte() % 4) {
    case 0:
      return harness->object_path.toStdString();
    case 1:
      return harness->factory_path;
    case 2:
      return "/";
    default: {
      std::string path;
      for (int parts = 1 + in.Byte() % 4; parts > 0; --parts) {
        path += '/';
        path += in.Identifier();
      }
      return path;
    }
  }
}

// A bus name: ours, the client's, the daemon's, or made up.
std::string BusName(FuzzInput& in) {
  switch (in.Byte() % 5) {
    case 0:
      return harness->server_name;
    case 1:
      return harness->client_name;
    case 2:
      return "org.freedesktop.DBus";
    case 3:
      return "";
    default:
      return in.Text();
  }
}

Value BasicValue(FuzzInput& in, int type) {
  Value v;
  v.type = type;
  v.number = in.Number();
  std::uint64_t bits = v.number;
  static_assert(sizeof bits == sizeof v.real);
  std::memcpy(&v.real, &bits, sizeof bits);
  if (type == DBUS_TYPE_STRING) v.text = in.Text();
  if (type == DBUS_TYPE_OBJECT_PATH) v.text = ObjectPath(in);
  return v;
}

constexpr int kBasicTypes[] = {DBUS_TYPE_INT16,  DBUS_TYPE_INT32,      DBUS_TYPE_UINT32,
                               DBUS_TYPE_UINT16, DBUS_TYPE_INT64,      DBUS_TYPE_UINT64,
                               DBUS_TYPE_BYTE,   DBUS_TYPE_BOOLEAN,    DBUS_TYPE_DOUBLE,
                               DBUS_TYPE_STRING, DBUS_TYPE_OBJECT_PATH};

Value MakeValue(FuzzInput& in, int depth) {
  const int kind = in.Byte() % (depth < kMaxDepth ? 16 : 11);
  if (kind < 11) return BasicValue(in, kBasicTypes[kind]);
  Value v;
  switch (kind) {
    case 11:
    case 12:
      v.type = DBUS_TYPE_VARIANT;
      v.children.push_back(MakeValue(in, depth + 1));
      break;
    case 13: {  // shaped like an object reference, with made-up parts
      v.type = DBUS_TYPE_STRUCT;
      Value owner = BasicValue(in, DBUS_TYPE_STRING);
      owner.text = BusName(in);
      v.children = {owner, BasicValue(in, DBUS_TYPE_OBJECT_PATH), BasicValue(in, DBUS_TYPE_STRING)};
      break;
    }
    case 14:
      v.type = DBUS_TYPE_STRUCT;
      for (int n = 1 + in.Byte() % 3; n > 0; --n) v.children.push_back(MakeValue(in, depth + 1));
      break;
    default:
      v.type = DBUS_TYPE_ARRAY;
      v.element = in.Byte() % 2 == 0 ? DBUS_TYPE_VARIANT : kBasicTypes[in.Byte() % 11];
      for (int n = in.Byte() % 5; n > 0; --n) {
        if (v.element == DBUS_TYPE_VARIANT) {
          Value item;
          item.type = DBUS_TYPE_VARIANT;
          item.children.push_back(MakeValue(in, depth + 1));
          v.children.push_back(std::move(item));
        } else {
          v.children.push_back(BasicValue(in, v.element));
        }
      }
      break;
  }
  return v;
}

std::string Signature(const Value& v) {
  switch (v.type) {
    case DBUS_TYPE_STRUCT: {
      std::string s = "(";
      for (const Value& child : v.children) s += Signature(child);
      return s + ")";
    }
    case DBUS_TYPE_ARRAY:
      return std::string("a") + static_cast<char>(v.element);
    default:
      return std::string(1, static_cast<char>(v.type));
  }
}

void Append(DBusMessageIter* it, const Value& v) {
  DBusMessageIter sub;
  switch (v.type) {
    case DBUS_TYPE_VARIANT: {
      const std::string inner = Signature(v.children[0]);
      dbus_message_iter_open_container(it, DBUS_TYPE_VARIANT, inner.c_str(), &sub);
      Append(&sub, v.children[0]);
      dbus_message_iter_close_container(it, &sub);
      return;
    }
    case DBUS_TYPE_STRUCT:
      dbus_message_iter_open_container(it, DBUS_TYPE_STRUCT, nullptr, &sub);
      for (const Value& child : v.children) Append(&sub, child);
      dbus_message_iter_close_container(it, &sub);
      return;
    case DBUS_TYPE_ARRAY: {
      const std::string element(1, static_cast<char>(v.element));
      dbus_message_iter_open_container(it, DBUS_TYPE_ARRAY, element.c_str(), &sub);
      for (const Value& child : v.children) Append(&sub, child);
      dbus_message_iter_close_container(it, &sub);
      return;
    }
    case DBUS_TYPE_STRING:
    case DBUS_TYPE_OBJECT_PATH: {
      const char* text = v.text.c_str();
      dbus_message_iter_append_basic(it, v.type, &text);
      return;
    }
    case DBUS_TYPE_BOOLEAN: {
      dbus_bool_t flag = v.number & 1;
      dbus_message_iter_append_basic(it, v.type, &flag);
      return;
    }
    case DBUS_TYPE_DOUBLE:
      dbus_message_iter_append_basic(it, v.type, &v.real);
      return;
    default: {
      // Little-endian machines: the low bytes hold the narrower types.
      std::uint64_t number = v.number;
      dbus_message_iter_append_basic(it, v.type, &number);
      return;
    }
  }
}

struct Call {
  std::string path;
  std::string interface;
  std::string member;
  std::vector<Value> args;
};

constexpr const char* kMembers[] = {
    "QueryInterface", "Lend",     "Claim",       "Release", "CreateInstance", "LockServer",
    "GetIDsOfNames",  "Invoke",   "GetTypeInfo", "Scalars", "Variants",       "Objects",
    "get_Text",       "put_Text", "Outs",        "Ping",    "Introspect"};

Call MakeCall(FuzzInput& in) {
  Call call;
  call.path = ObjectPath(in);
  switch (in.Byte() % 6) {
    case 0:
      call.interface = kUnknownInterface;
      break;
    case 1:
      call.interface = kClassFactoryInterface;
      break;
    case 2:
    case 3:
      call.interface = kDispatchInterface;
      break;
    case 4:
      call.interface = "FuzzLib.IFuzzTarget";
      break;
    default:
      call.interface = "org.freedesktop.DBus.Introspectable";
      break;
  }
  call.member = kMembers[in.Byte() % std::size(kMembers)];
  for (int n = in.Byte() % 8; n > 0 && !in.empty(); --n) call.args.push_back(MakeValue(in, 0));
  return call;
}

// Sends `call` from the client and waits for its answer, refusing every
// call that comes back to the client meanwhile. False when no answer came.
bool SendAndWait(const Call& call, std::atomic<bool>* done) {
  DBusConnection* client = harness->client;
  DBusMessage* message = dbus_message_new_method_call(
      harness->server_name.c_str(), call.path.c_str(), call.interface.c_str(), call.member.c_str());
  DBusMessageIter it;
  dbus_message_iter_init_append(message, &it);
  for (const Value& arg : call.args) Append(&it, arg);
  dbus_uint32_t serial = 0;
  dbus_connection_send(client, message, &serial);
  dbus_message_unref(message);

  bool answered = false;
  QElapsedTimer elapsed;
  elapsed.start();
  while (!answered && elapsed.elapsed() < 20000) {
    dbus_connection_read_write(client, 20);
    while (DBusMessage* incoming = dbus_connection_pop_message(client)) {
      if (dbus_message_get_reply_serial(incoming) == serial) answered = true;
      if (dbus_message_get_type(incoming) == DBUS_MESSAGE_TYPE_METHOD_CALL) {
        DBusMessage* refusal =
            dbus_message_new_error(incoming, DBUS_ERROR_UNKNOWN_METHOD, "refused by the fuzzer");
        dbus_connection_send(client, refusal, nullptr);
        dbus_message_unref(refusal);
      }
      dbus_message_unref(incoming);
    }
  }
  done->store(true);
  return answered;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUp(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A hostile client may have released everything it held: count one
  // reference for it again, as a fresh client would get.
  if (FAILED(ExportObject(harness->object.Get(), QString::fromStdString(harness->client_name),
                          &harness->object_path)))
    Die("the object cannot be served");
  FuzzInput in(data, size);
  const Call call = MakeCall(in);

  std::atomic<bool> done{false};
  bool answered = false;
  std::thread client([&] { answered = SendAndWait(call, &done); });
  while (!done.load()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  client.join();
  if (!answered) {
    std::fprintf(stderr, "no answer to %s.%s on %s\n", call.interface.c_str(), call.member.c_str(),
                 call.path.c_str());
    std::abort();
  }
  return 0;
}
