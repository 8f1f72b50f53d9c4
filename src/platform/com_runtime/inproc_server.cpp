#include "platform/com_runtime/inproc_server.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

#include "platform/places/diagnostics.h"

namespace parlotto {

HRESULT GetInprocClassObject(const std::string& library, REFCLSID clsid, REFIID iid, void** out) {
  static std::mutex mutex;
  static std::map<std::string, DllGetClassObjectFunction> loaded;
  DllGetClassObjectFunction get_class_object = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = loaded.find(library);
    if (it != loaded.end()) {
      get_class_object = it->second;
    } else {
      void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (handle == nullptr) {
        const char* error = dlerror();
        ReportDiagnostic("cannot load in-process server " + library + ": " +
                         (error ? error : "unknown error"));
        return HRESULT_FROM_WIN32(126);  // ERROR_MOD_NOT_FOUND
      }
      get_class_object =
          reinterpret_cast<DllGetClassObjectFunction>(dlsym(handle, "DllGetClassObject"));
      if (get_class_object == nullptr) {
        ReportDiagnostic("in-process server " + library + " has no DllGetClassObject");
        dlclose(handle);
        return CO_E_ERRORINDLL;
      }
      loaded.emplace(library, get_class_object);
    }
  }
  return get_class_object(clsid, iid, out);
}

}  // namespace parlotto
