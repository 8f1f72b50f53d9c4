// A private user hive in which tests register the servers they start, and
// the bus set up for this process.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <functional>
#include <string>
#include <vector>

#include "platform/com_runtime/activation.h"
#include "platform/com_runtime/apartment.h"
#include "platform/registry/registry.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/spin_loop.h"

namespace parlotto::testing {

class ComFixture : public ::testing::Test {
 protected:
  ComFixture()
      : hive_(dir_.File("user.reg")),
        log_(dir_.File("server.log")),
        system_(dir_.File("system")),
        hive_env_("PARLOTTO_USER_HIVE", hive_.c_str()),
        log_env_("PARLOTTO_TEST_SERVER_LOG", log_.c_str()),
        system_env_("PARLOTTO_SYSTEM_DIR", system_.c_str()) {
    CoInitialize(nullptr);
  }
  ~ComFixture() override { CoUninitialize(); }

  void RegisterLocalServer(const CLSID& clsid, const std::string& command) {
    Registry registry(RootKey::kClassesRoot);
    ASSERT_TRUE(registry.OpenKey("\\CLSID\\" + StringFromGUID(clsid) + "\\LocalServer32", true));
    registry.WriteString("", command);
  }

  // The pids that the test servers logged as started.
  std::vector<int> ServerStarts() const {
    std::vector<int> pids;
    std::string text = ReadFile(log_);
    size_t at = 0;
    while ((at = text.find("start ", at)) != std::string::npos) {
      pids.push_back(std::stoi(text.substr(at + 6)));
      at += 6;
    }
    return pids;
  }

  // Runs the event loop until `done` or `limit_ms`.
  static bool SpinUntil(const std::function<bool()>& done, int limit_ms = 10000) {
    return testing::SpinUntil(done, limit_ms);
  }

  static bool ProcessGone(int pid) { return kill(pid, 0) != 0; }

  // Starts the helper client with `mode` and `clsid` (see com_peer_client.cpp)
  // and returns the first line it says, empty if it says nothing in time.
  static QByteArray StartPeerClient(QProcess& client, const QString& mode, REFCLSID clsid) {
    client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    client.start(QStringLiteral(PARLOTTO_BUILD_DIR "/tests/com_peer_client"),
                 {mode, QString::fromStdString(StringFromGUID(clsid))});
    QByteArray said;
    SpinUntil(
        [&] {
          said += client.readAllStandardOutput();
          return said.contains('\n') || client.state() == QProcess::NotRunning;
        },
        20000);
    return said.trimmed();
  }

  ScratchDir dir_;
  std::string hive_;
  std::string log_;
  std::string system_;
  ScopedEnv hive_env_;
  ScopedEnv log_env_;
  ScopedEnv system_env_;
};

}  // namespace parlotto::testing
