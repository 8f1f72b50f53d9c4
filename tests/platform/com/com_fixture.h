// A private user hive in which the character server class is registered as
// the test server, and the bus set up for this process.
#pragma once

#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <functional>
#include <string>

#include "contracts/agent/agent_interfaces.h"
#include "platform/com/apartment.h"
#include "platform/registry/registry.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

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
    RegisterAgentInterfaces();
  }
  ~ComFixture() override { CoUninitialize(); }

  void RegisterLocalServer(const CLSID& clsid, const std::string& command) {
    Registry registry(RootKey::kClassesRoot);
    ASSERT_TRUE(registry.OpenKey("\\CLSID\\" + StringFromGUID(clsid) + "\\LocalServer32", true));
    registry.WriteString("", command);
  }

  void RegisterTestServer() {
    RegisterLocalServer(CLSID_AgentServer,
                        "\"" + std::string(PARLOTTO_BUILD_DIR) + "/tests/fake_agent_server\"");
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
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done() && elapsed.elapsed() < limit_ms) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
  }

  static bool ProcessGone(int pid) { return kill(pid, 0) != 0; }

  ScratchDir dir_;
  std::string hive_;
  std::string log_;
  std::string system_;
  ScopedEnv hive_env_;
  ScopedEnv log_env_;
  ScopedEnv system_env_;
};

}  // namespace parlotto::testing
