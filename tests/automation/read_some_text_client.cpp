// A client of ReadSomeText in a process of its own, as another program on
// the desktop would be. Runs its commands in order and prints one line each:
// the command, the call's HRESULT, and what the call gave back.
//
//   create | create:<IID>   CoCreateInstance for IDispatch or another interface
//   text:<s> text2:<s> office:<s> stop get get2   the members, late-bound
//   ids         the ids of StopReading, Text, Text2, ReadOfficeText
//   get5        ReadOfficeText read as a property
//   where       the server's bus name and the object's path
//   wait:<ms>   waits, holding the object
//   mixed:<n>:<seed>   n calls picked from Text, Text2, StopReading and the getters;
//               prints how many got no proper answer
//   release
#include <QCoreApplication>
#include <QThread>
#include <cstdio>
#include <random>
#include <string>

#include "automation/vocato_ids.h"
#include "platform/com/error_info.h"
#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/apartment.h"
#include "platform/com_runtime/late_bound.h"
#include "platform/com_runtime/remote_object.h"

namespace parlotto {
namespace {

ComPtr<IDispatch> g_object;

void Print(const std::string& command, HRESULT hr, const std::string& extra = "") {
  std::printf("%s 0x%08X%s%s\n", command.c_str(), static_cast<unsigned>(hr),
              extra.empty() ? "" : " ", extra.c_str());
  std::fflush(stdout);
}

// The error info a failed call left, as "source|description".
std::string ErrorText() {
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, info.Receive()) != S_OK) return "";
  ErrorInfoFields fields = ReadErrorInfo(info.Get());
  return (fields.source + QLatin1Char('|') + fields.description).toStdString();
}

HRESULT Put(const char* name, const std::string& text) {
  return PutProperty(g_object.Get(), name, VARIANT::Bstr(QString::fromStdString(text)));
}

void Run(const std::string& command) {
  const std::string::size_type colon = command.find(':');
  const std::string verb = command.substr(0, colon);
  const std::string operand = colon == std::string::npos ? "" : command.substr(colon + 1);
  HRESULT hr = E_INVALIDARG;
  std::string extra;
  if (verb == "create" && operand.empty()) {
    hr = CoCreateInstance(CLSID_ReadSomeText, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                          g_object.ReceiveVoid());
  } else if (verb == "create") {
    GUID iid;
    ComPtr<IUnknown> other;
    hr = GuidFromString(operand, &iid)
             ? CoCreateInstance(CLSID_ReadSomeText, nullptr, CLSCTX_LOCAL_SERVER, iid,
                                other.ReceiveVoid())
             : E_INVALIDARG;
  } else if (verb == "text" || verb == "text2" || verb == "office") {
    hr = Put(verb == "text" ? "Text" : verb == "text2" ? "Text2" : "ReadOfficeText", operand);
    if (FAILED(hr)) extra = ErrorText();
  } else if (verb == "stop") {
    hr = CallMethod(g_object.Get(), "StopReading", {});
  } else if (verb == "get" || verb == "get2" || verb == "get5") {
    VARIANT value;
    hr = GetProperty(g_object.Get(),
                     verb == "get"    ? "Text"
                     : verb == "get2" ? "Text2"
                                      : "ReadOfficeText",
                     &value);
    if (SUCCEEDED(hr)) extra = "[" + value.bstrVal.toStdString() + "]";
  } else if (verb == "ids") {
    hr = S_OK;
    for (const char* name : {"StopReading", "Text", "Text2", "ReadOfficeText"}) {
      QString names[] = {QString::fromLatin1(name)};
      DISPID id = DISPID_UNKNOWN;
      const HRESULT one = g_object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
      if (FAILED(one)) hr = one;
      extra += (extra.empty() ? "" : " ") + std::to_string(id);
    }
  } else if (verb == "where") {
    RemoteObject* remote = nullptr;
    hr = g_object->QueryInterface(IID_IRemoteObject, reinterpret_cast<void**>(&remote));
    if (SUCCEEDED(hr)) {
      extra = (remote->owner() + QLatin1Char(' ') + remote->path()).toStdString();
      remote->Release();
    }
  } else if (verb == "wait") {
    QThread::msleep(std::stoul(operand));
    hr = S_OK;
  } else if (verb == "mixed") {
    const std::string::size_type second = operand.find(':');
    const int count = std::stoi(operand.substr(0, second));
    std::mt19937 random(std::stoul(operand.substr(second + 1)));
    int failures = 0;
    for (int i = 0; i < count; ++i) {
      HRESULT call = S_OK;
      VARIANT value;
      const unsigned pick = random() % 5;
      switch (pick) {
        case 0:
          call = Put("Text", "t" + std::to_string(i));
          break;
        case 1:
          call = Put("Text2", i % 2 ? "" : "z");
          break;
        case 2:
          call = CallMethod(g_object.Get(), "StopReading", {});
          break;
        case 3:
          call = GetProperty(g_object.Get(), "Text", &value);
          break;
        default:
          call = GetProperty(g_object.Get(), "Text2", &value);
          break;
      }
      // A Text2 whose text was not read (a StopReading ended the reading
      // or closed the window) says so: an answer, not a failure.
      const bool told_not_read = pick == 1 && call == DISP_E_EXCEPTION;
      if (FAILED(call) && !told_not_read) ++failures;
    }
    hr = S_OK;
    extra = std::to_string(failures);
  } else if (verb == "release") {
    g_object.Reset();
    hr = S_OK;
  }
  Print(command, hr, extra);
}

}  // namespace
}  // namespace parlotto

int main(int argc, char** argv) {
  int qt_argc = 1;
  QCoreApplication app(qt_argc, argv);
  if (parlotto::FAILED(parlotto::CoInitialize(nullptr))) return 2;
  for (int i = 1; i < argc; ++i) parlotto::Run(argv[i]);
  parlotto::g_object.Reset();
  return 0;
}
