// One hive file shared by several processes. Readers get the parsed file as
// it is now, re-read only when its stamp changed; writers apply their change
// under an exclusive lock to the newest file and replace it atomically.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "platform/registry/hive_io.h"
#include "platform/registry/reg_text.h"
#include "platform/registry/reg_tree.h"

namespace parlotto {

class Hive {
 public:
  // Changes `root` and tells whether it changed anything (nothing is written
  // otherwise).
  using Change = std::function<bool(RegKey* root)>;

  // The process-wide instance for the file `path`, whose sections lie under
  // `root_name`.
  static std::shared_ptr<Hive> ForPath(const std::string& path, const std::string& root_name);

  Hive(std::string path, std::string root_name);
  Hive(const Hive&) = delete;
  Hive& operator=(const Hive&) = delete;

  // The current content. A missing file is empty; an unreadable one is too,
  // and that is reported once. Of a damaged file the readable part counts,
  // and the damage is reported once for each content of the file.
  std::shared_ptr<const RegKey> Snapshot();

  // Applies `change` to the newest content and writes the result. False with
  // `error` when the file could not be read, backed up or written; the file is
  // then left as it was, and the failure is reported once until a write
  // succeeds again.
  bool Modify(const Change& change, std::string* error);

 private:
  bool ModifyLocked(const Change& change, std::string* error);
  void ReportReadError(const std::string& error);
  void ReportWriteError(const std::string& error);
  void ReportDamageOnce(const std::string& bytes, const ParsedHive& parsed);
  void Remember(std::shared_ptr<const RegKey> tree, const FileStamp* stamp);

  const std::string path_;
  const std::string root_name_;
  std::mutex mutex_;
  std::shared_ptr<const RegKey> tree_;
  bool have_stamp_ = false;
  FileStamp stamp_;
  std::string reported_error_;
  // The last write failure reported; a full disk must not fill the log with
  // one line per value that could not be stored.
  std::string reported_write_error_;
  // Hashes of the damaged contents already reported.
  std::set<std::size_t> reported_damage_;
  // The damaged file last backed up, so that a retry after a failed write
  // does not back it up and report it again.
  bool have_backed_up_ = false;
  FileStamp backed_up_;
};

}  // namespace parlotto
