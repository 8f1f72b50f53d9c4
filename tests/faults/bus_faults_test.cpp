// The session bus taken away while the program reads through the character:
// a bus daemon of the test's own, killed once the speech has begun. The
// program and the character server lose every peer at once and must both
// end by themselves.
#include <gtest/gtest.h>
#include <signal.h>

#include <QProcess>
#include <string>
#include <vector>

#include "faults/fault_support.h"
#include "support/speech_trace.h"

namespace parlotto {
namespace {

using testing::LogLines;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WaitUntil;

// A session bus daemon of the test's own; killed with the object.
class OwnBus {
 public:
  OwnBus() {
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {"--session", "--nofork", "--nopidfile", "--print-address=1"});
    if (daemon_.waitForStarted(10000) && daemon_.waitForReadyRead(10000)) {
      address_ = daemon_.readLine().trimmed();
    }
  }
  ~OwnBus() { Kill(); }
  OwnBus(const OwnBus&) = delete;
  OwnBus& operator=(const OwnBus&) = delete;

  const QString& address() const { return address_; }
  void Kill() {
    if (daemon_.state() == QProcess::NotRunning) return;
    daemon_.kill();
    daemon_.waitForFinished(5000);
  }

 private:
  QProcess daemon_;
  QString address_;
};

TEST(BusFault, TheSessionBusKilledWhileTheCharacterSpeaksEndsTheProgramAndTheServer) {
  OwnBus bus;
  ASSERT_FALSE(bus.address().isEmpty());
  ScratchDir dir;
  testing::WriteHiveWithKeptValues(dir, true);
  const std::string trace = dir.File("trace.txt");
  QProcessEnvironment env = testing::ProgramEnvironment(dir, trace);
  env.remove("PARLOTTO_COM_SERVER_TIMEOUT_MS");
  env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address());
  testing::ProcessMark mark;
  testing::MarkedProgram program(mark, env, dir);
  std::string first = "Erster Teil";
  while (first.size() < 580) first += " und noch ein Wort mehr";
  ASSERT_TRUE(program.Start(
      {QStringLiteral("-d"), QString::fromStdString(first + ".\nZweiter Teil.\nDritter Teil.")}));
  ASSERT_TRUE(WaitUntil([&] { return !testing::TraceEvents(trace).empty(); }, 30000))
      << "no speech began";
  ASSERT_EQ(mark.OursLiving().size(), 2u) << Describe(mark.Living());
  bus.Kill();

  EXPECT_TRUE(program.EndsWithin(30000)) << "the program hung or failed without its bus";
  // The loss, once, with its cause; then the program's own key for a
  // character it cannot create again, and nothing more for later pieces.
  EXPECT_EQ(LogLines(dir), (std::vector<std::string>{"Agent server lost: the session bus is gone",
                                                     "Error:CreateInstance of Agent"}));
  EXPECT_EQ(testing::LostValues(dir), "");
  EXPECT_TRUE(mark.NoneLeftWithin(20000)) << Describe(mark.Living());
  EXPECT_EQ(ReadFile(dir.File("dialogs.txt")), "");
}

}  // namespace
}  // namespace parlotto
