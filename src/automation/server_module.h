// The program as a local server for its one automation class: the switches
// that make a process a registration run, a server started for a client or
// an ordinary start that serves too; the class's registry entries; the lock
// count that ends a server started for a client once nobody holds an object.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "platform/com/unknown.h"

namespace parlotto {

// True when an argument starts with '-' or '/' and the rest equals `word`
// regardless of case ("/RegServer", "-regserver" for "REGSERVER").
bool HasSwitch(const std::vector<std::string>& args, const std::string& word);

// The class's entries under HKEY_CLASSES_ROOT and the type library's
// registration, for the program at `program_path`. Nothing is written when
// its type library cannot be loaded; single writes that fail are ignored.
HRESULT RegisterServerEntries(const std::string& program_path);
// Removes the class's two key trees; the type library stays registered.
void RemoveServerEntries();
// The command that starts the server: the path, quoted when it has blanks.
std::string LocalServerCommand(const std::string& program_path);

class TServerModule {
 public:
  // `args` are the command-line arguments after the program name.
  explicit TServerModule(std::vector<std::string> args);
  // Withdraws the class object, if it was offered.
  ~TServerModule();
  TServerModule(const TServerModule&) = delete;
  TServerModule& operator=(const TServerModule&) = delete;

  // The process-wide module while it exists, else null.
  static TServerModule* Instance();

  // Handles the registration switches and offers the class object. False
  // when the process was a registration run and ends now with exit code 0.
  bool Initialize();

  bool HasSwitch(const std::string& word) const { return parlotto::HasSwitch(args_, word); }

  // Every live object and every LockServer(TRUE) holds one lock.
  void LockModule();
  // At zero, a process kept only for its clients ends its message loop.
  void UnlockModule();
  long LockCount() const { return lock_count_.load(); }

  // Asked before the application terminates: with objects still held by
  // clients, the user decides (No is preselected). After No the process
  // lives on only for them and ends with their last release.
  bool ConfirmTerminateWithActiveObjects();
  // Started for clients (/Automation, -Embedding), or kept for them.
  bool KeptOnlyForClients() const;

 private:
  std::vector<std::string> args_;
  std::atomic<long> lock_count_{0};
  bool run_flag_ = true;
  bool kept_for_clients_ = false;
  bool class_registered_ = false;
  DWORD cookie_ = 0;
};

}  // namespace parlotto
