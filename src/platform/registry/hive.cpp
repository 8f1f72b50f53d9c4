#include "platform/registry/hive.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <system_error>

#include "platform/places/diagnostics.h"
#include "platform/registry/reg_text.h"

namespace parlotto {
namespace {

std::shared_ptr<const RegKey> EmptyTree() {
  static const std::shared_ptr<const RegKey> empty = std::make_shared<const RegKey>("");
  return empty;
}

// A hive reached through a symlink is written where the link points, so that
// the link survives the rename.
bool WriteTarget(const std::string& path, std::string* target, std::string* error) {
  std::error_code ec;
  if (!std::filesystem::is_symlink(path, ec)) {
    *target = path;
    return true;
  }
  std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
  if (ec) {
    *error = "cannot resolve " + path + ": " + ec.message();
    return false;
  }
  *target = resolved.string();
  return true;
}

bool MakeParentDirectory(const std::string& path, std::string* error) {
  std::filesystem::path dir = std::filesystem::path(path).parent_path();
  if (dir.empty()) return true;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    *error = "cannot create directory " + dir.string() + ": " + ec.message();
    return false;
  }
  return true;
}

}  // namespace

std::shared_ptr<Hive> Hive::ForPath(const std::string& path, const std::string& root_name) {
  static std::mutex cache_mutex;
  static std::map<std::pair<std::string, std::string>, std::shared_ptr<Hive>> cache;
  std::lock_guard<std::mutex> lock(cache_mutex);
  std::shared_ptr<Hive>& hive = cache[{path, root_name}];
  if (!hive) hive = std::make_shared<Hive>(path, root_name);
  return hive;
}

Hive::Hive(std::string path, std::string root_name)
    : path_(std::move(path)), root_name_(std::move(root_name)), tree_(EmptyTree()) {}

void Hive::ReportReadError(const std::string& error) {
  if (error == reported_error_) return;
  reported_error_ = error;
  ReportDiagnostic("registry: " + error + "; reading it as empty");
}

void Hive::ReportWriteError(const std::string& error) {
  // A file that cannot be read is said once, by whoever met it first.
  if (error == reported_write_error_ || error == reported_error_) return;
  reported_write_error_ = error;
  ReportDiagnostic("registry: " + error + "; the file is left as it was");
}

void Hive::ReportDamageOnce(const std::string& bytes, const ParsedHive& parsed) {
  if (parsed.first_bad_line == 0) return;
  if (!reported_damage_.insert(std::hash<std::string>()(bytes)).second) return;
  ReportDiagnostic("registry: " + path_ + " is damaged, " + DescribeDamage(parsed) +
                   "; using the rest");
}

void Hive::Remember(std::shared_ptr<const RegKey> tree, const FileStamp* stamp) {
  tree_ = std::move(tree);
  have_stamp_ = stamp != nullptr;
  if (stamp) stamp_ = *stamp;
}

std::shared_ptr<const RegKey> Hive::Snapshot() {
  std::lock_guard<std::mutex> lock(mutex_);
  struct stat st;
  if (stat(path_.c_str(), &st) == 0) {
    if (have_stamp_ && FileStamp::Of(st) == stamp_) return tree_;
  } else if (errno == ENOENT) {
    reported_error_.clear();
    Remember(EmptyTree(), nullptr);
    return tree_;
  }
  std::string bytes;
  FileStamp stamp;
  std::string error;
  switch (ReadHiveFile(path_, &bytes, &stamp, &error)) {
    case ReadStatus::kOk: {
      reported_error_.clear();
      ParsedHive parsed = ParseRegText(bytes, root_name_);
      ReportDamageOnce(bytes, parsed);
      Remember(std::move(parsed.root), &stamp);
      break;
    }
    case ReadStatus::kMissing:
      reported_error_.clear();
      Remember(EmptyTree(), nullptr);
      break;
    case ReadStatus::kError:
      ReportReadError(error);
      Remember(EmptyTree(), nullptr);
      break;
  }
  return tree_;
}

bool Hive::Modify(const Change& change, std::string* error) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (ModifyLocked(change, error)) {
    reported_write_error_.clear();
    return true;
  }
  ReportWriteError(*error);
  return false;
}

bool Hive::ModifyLocked(const Change& change, std::string* error) {
  std::string target;
  if (!WriteTarget(path_, &target, error) || !MakeParentDirectory(target, error)) {
    return false;
  }
  FileLock file_lock;
  if (!file_lock.Acquire(path_ + ".lock", error)) return false;

  // Under the lock: start from the newest file, never from the cache, so
  // that another process's write just before ours is kept.
  std::string bytes;
  FileStamp old_stamp;
  ReadStatus status = ReadHiveFile(target, &bytes, &old_stamp, error);
  if (status == ReadStatus::kError) return false;
  bool existed = status == ReadStatus::kOk;
  ParsedHive parsed;
  if (existed) {
    parsed = ParseRegText(bytes, root_name_);
  } else {
    parsed.root = std::make_unique<RegKey>("");
  }
  ReportDamageOnce(bytes, parsed);
  if (!change(parsed.root.get())) {
    Remember(std::move(parsed.root), existed ? &old_stamp : nullptr);
    return true;
  }
  if (parsed.first_bad_line > 0 && !(have_backed_up_ && backed_up_ == old_stamp)) {
    // The rewrite drops what could not be read: keep the original first.
    std::string backup;
    if (!SaveBackup(target, bytes, &backup, error)) return false;
    have_backed_up_ = true;
    backed_up_ = old_stamp;
    ReportDiagnostic("registry: rewrote " + target +
                     " without the lines it could not read; the original is saved as " + backup);
  }
  FileStamp new_stamp;
  if (!ReplaceFile(target, FormatHive(*parsed.root, root_name_), existed ? &old_stamp : nullptr,
                   &new_stamp, error)) {
    return false;
  }
  Remember(std::move(parsed.root), &new_stamp);
  return true;
}

}  // namespace parlotto
