#include "platform/places/places.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#ifndef PARLOTTO_INSTALLED_SYSTEM_DIR
#define PARLOTTO_INSTALLED_SYSTEM_DIR "/usr/lib/parlotto/system"
#endif
#ifndef PARLOTTO_INSTALL_DIR
#define PARLOTTO_INSTALL_DIR "lib/parlotto"
#endif

namespace parlotto {
namespace {

std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

// Without $HOME (a service, `env -i`) the user database still knows the
// home; "/" is the last resort, as for any other program.
std::string HomeDir() {
  std::string home = Env("HOME");
  if (!home.empty()) return home;
  std::vector<char> buffer(16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
      found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
    return found->pw_dir;
  }
  return "/";
}

}  // namespace

std::string ProgramDir() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return WithSlash(std::filesystem::current_path(ec).string());
  return WithSlash(exe.parent_path().string());
}

std::string SystemDir() {
  std::string dir = Env("PARLOTTO_SYSTEM_DIR");
  if (!dir.empty()) return WithSlash(dir);
  std::string beside = ProgramDir() + "system";
  std::error_code ec;
  if (std::filesystem::is_directory(beside, ec)) return WithSlash(beside);
  return WithSlash(PARLOTTO_INSTALLED_SYSTEM_DIR);
}

std::string TempDir() {
  std::string dir = Env("TEMP");
  if (dir.empty()) dir = Env("TMPDIR");
  if (dir.empty()) dir = "/tmp";
  return WithSlash(dir);
}

std::string PrivateRuntimeDir() {
  const std::string dir = Env("XDG_RUNTIME_DIR");
  struct stat st {};
  // Anything else is not the user's own: a name set to a shared directory
  // must not bring the locks back where others can reach them.
  if (dir.empty() || dir.front() != '/' || stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
      st.st_uid != geteuid() || (st.st_mode & 077) != 0) {
    return {};
  }
  return WithSlash(dir);
}

std::string ConfigHome() {
  std::string dir = Env("XDG_CONFIG_HOME");
  if (dir.empty()) dir = HomeDir() + "/.config";
  return WithSlash(dir);
}

std::string CacheHome() {
  std::string dir = Env("XDG_CACHE_HOME");
  if (dir.empty()) dir = HomeDir() + "/.cache";
  return WithSlash(dir);
}

std::string WorkFileDir() { return WorkFileDirFor(ProgramDir()); }

std::string WorkFileDirFor(const std::string& program_dir) {
  // An installed program directory is the package's even where root may
  // write it: a file left there would outlive the package.
  const std::string installed = "/" PARLOTTO_INSTALL_DIR "/";
  const bool is_installed =
      program_dir.size() >= installed.size() &&
      program_dir.compare(program_dir.size() - installed.size(), installed.size(), installed) == 0;
  if (!is_installed && access(program_dir.c_str(), W_OK) == 0) return program_dir;
  std::string dir = CacheHome() + "parlotto/";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return dir;
}

}  // namespace parlotto
