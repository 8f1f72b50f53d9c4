// The session bus taken away while the program reads through the character:
// a bus daemon of the test's own, killed once the speech has begun. The
// program and the character server lose every peer at once and must both
// end by themselves.
#include <gtest/gtest.h>
#include <signal.h>

#include <QProcess>
#include <memory>
#include <string>
#include <vector>

#include "faults/fault_support.h"
#include "support/bus_daemon.h"
#include "support/speech_trace.h"

namespace parlotto {
namespace {

using testing::LogLines;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WaitUntil;

class BusFaultTest : public ::testing::Test {
 protected:
  // Starts the program on the test's bus reading three pieces and kills
  // the bus once the speech has begun.
  void KillTheBusWhileReading(bool character) {
    ASSERT_FALSE(bus_.address().isEmpty());
    testing::WriteHiveWithKeptValues(dir_, character);
    QProcessEnvironment env = testing::ProgramEnvironment(dir_, trace_);
    env.remove("PARLOTTO_COM_SERVER_TIMEOUT_MS");
    env.insert("DBUS_SESSION_BUS_ADDRESS", bus_.address());
    std::string first = "Erster Teil";
    // Through the character the first piece lasts long enough to lose
    // it; spoken by the program itself, the whole text is read to its end.
    while (first.size() < (character ? 580u : 60u)) first += " und noch ein Wort mehr";
    program_ = std::make_unique<testing::MarkedProgram>(mark_, env, dir_);
    ASSERT_TRUE(program_->Start(
        {QStringLiteral("-d"), QString::fromStdString(first + ".\nZweiter Teil.\nDritter Teil.")}));
    ASSERT_TRUE(WaitUntil([&] { return !testing::TraceEvents(trace_).empty(); }, 30000))
        << "no speech began";
    ASSERT_EQ(mark_.OursLiving().size(), character ? 2u : 1u) << Describe(mark_.Living());
    bus_.Kill();
    EXPECT_TRUE(program_->EndsWithin(30000)) << "the program hung or failed without its bus";
  }

  testing::BusDaemon bus_;
  ScratchDir dir_;
  const std::string trace_ = dir_.File("trace.txt");
  testing::ProcessMark mark_;
  std::unique_ptr<testing::MarkedProgram> program_;
};

TEST_F(BusFaultTest, TheSessionBusKilledWhileTheCharacterSpeaksEndsTheProgramAndTheServer) {
  KillTheBusWhileReading(true);
  // The loss, once, with its cause; then the program's own key for a
  // character it cannot create again, and nothing more for later pieces.
  EXPECT_EQ(LogLines(dir_), (std::vector<std::string>{"Agent server lost: the session bus is gone",
                                                      "Error:CreateInstance of Agent"}));
  EXPECT_EQ(testing::LostValues(dir_), "");
  EXPECT_TRUE(mark_.NoneLeftWithin(20000)) << Describe(mark_.Living());
  EXPECT_EQ(ReadFile(dir_.File("dialogs.txt")), "");
}

TEST_F(BusFaultTest, TheSessionBusKilledWhileTheProgramSpeaksItselfCostsNothing) {
  KillTheBusWhileReading(false);
  EXPECT_EQ(LogLines(dir_), std::vector<std::string>{});
  EXPECT_EQ(testing::LostValues(dir_), "");
  EXPECT_TRUE(mark_.NoneLeftWithin(20000)) << Describe(mark_.Living());
  EXPECT_EQ(ReadFile(dir_.File("dialogs.txt")), "");
  // Read to its end: the last piece was spoken and played out.
  const std::vector<std::string> spoken = testing::SpokenTexts(trace_);
  ASSERT_FALSE(spoken.empty());
  EXPECT_NE(spoken.back().find("Dritter Teil."), std::string::npos) << ReadFile(trace_);
  EXPECT_EQ(testing::TraceEventsWithText(trace_).back(), "audio-stop");
}

// A server whose creator died before it asked for an object waits 20 s for
// a first client; without its bus it ends at once.
TEST_F(BusFaultTest, AServerWaitingForItsFirstClientEndsWithItsBus) {
  ASSERT_FALSE(bus_.address().isEmpty());
  QProcessEnvironment env = testing::ProgramEnvironment(dir_, trace_);
  env.insert("PARLOTTO_TIME_SCALE", "1");
  env.insert("DBUS_SESSION_BUS_ADDRESS", bus_.address());
  program_ = std::make_unique<testing::MarkedProgram>(mark_, env, dir_);
  ASSERT_TRUE(program_->Start({QStringLiteral("/Automation")}));
  ASSERT_FALSE(program_->EndsWithin(1000));
  bus_.Kill();
  EXPECT_TRUE(program_->EndsWithin(5000));
  EXPECT_EQ(LogLines(dir_), std::vector<std::string>{"The session bus is gone"});
}

}  // namespace
}  // namespace parlotto
