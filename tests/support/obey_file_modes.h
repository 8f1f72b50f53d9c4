// Makes the calling thread obey file modes while it lives, even as root:
// the capabilities that let root read and write any file are taken out of
// the thread's effective set and put back at the end. Tests of unreadable
// and unwritable files then mean the same for root as for a user.
#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace parlotto::testing {

class ObeyFileModes {
 public:
  ObeyFileModes() {
    header_.version = _LINUX_CAPABILITY_VERSION_3;
    header_.pid = 0;
    if (syscall(SYS_capget, &header_, saved_) != 0) return;
    __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
    for (int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
      reduced[capability / 32].effective &= ~(1u << (capability % 32));
    active_ = syscall(SYS_capset, &header_, reduced) == 0;
  }
  ~ObeyFileModes() {
    if (active_) syscall(SYS_capset, &header_, saved_);
  }
  ObeyFileModes(const ObeyFileModes&) = delete;
  ObeyFileModes& operator=(const ObeyFileModes&) = delete;

  // Whether file modes now bind this thread: always for a user, for root
  // once the capabilities are gone.
  bool active() const { return active_ || geteuid() != 0; }

 private:
  __user_cap_header_struct header_{};
  __user_cap_data_struct saved_[2]{};
  bool active_ = false;
};

}  // namespace parlotto::testing
