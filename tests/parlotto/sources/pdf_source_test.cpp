// The PDF source against stand-in converters: the messages of the results,
// the wait dialog, the text file it reads and the "temp.txt" it leaves.
#include "parlotto/sources/pdf_source.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "parlotto/debug_log.h"
#include "parlotto/ui/dialogs/wait_dialog.h"
#include "parlotto/vocato_form.h"
#include "platform/gui/dialogs.h"
#include "platform/loop/clock.h"
#include "platform/loop/termination_signals.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"
#include "support/vocato_form_peer.h"

namespace parlotto {
namespace {

using testing::Peer;
using testing::ReadFile;
using testing::ScopedEnv;
using testing::ScratchDir;

constexpr const char* kFake = PARLOTTO_BUILD_DIR "/tests/fakes/libp2tdll.so";
constexpr const char* kNoExport = PARLOTTO_BUILD_DIR "/tests/fakes/no_export/libp2tdll.so";
constexpr int kLimitMs = 20000;

class PdfSourceTest : public ::testing::Test {
 protected:
  PdfSourceTest() { SetApplicationTitle("Parlotto"); }

  // Runs the source with `pdf` as the stand-in's instruction; returns the
  // texts it was given to read.
  std::vector<std::string> Run(const std::string& pdf, const char* library = kFake,
                               int limit_ms = kLimitMs) {
    std::vector<std::string> read;
    ConvertPdfAndRead(library, pdf, work_, limit_ms,
                      [&](const std::string& file) { read.push_back(ReadFile(file)); });
    return read;
  }

  std::vector<std::string> WorkFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(work_)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  ScratchDir dir_;
  std::string work_ = dir_.File("programm") + "/";
  std::string records_ = dir_.File("dialogs.txt");
  std::string record_hook_ = "record:" + records_;
  std::string hive_ = dir_.File("user.reg");
  ScopedEnv hive_env_{"PARLOTTO_USER_HIVE", hive_.c_str()};
  ScopedEnv dialogs_env_{"PARLOTTO_DIALOGS", record_hook_.c_str()};
  ScopedEnv temp_env_{"TEMP", dir_.path().c_str()};
  bool made_ = std::filesystem::create_directory(work_);
};

TEST_F(PdfSourceTest, ShowsTheMessageOfEachFailureAndReadsNothing) {
  struct Case {
    const char* pdf;
    const char* message;
    int limit_ms = kLimitMs;
  };
  const char* failed = "Beim konvertieren der PDF-Datei ist en Fehler aufgeteten!";
  const Case cases[] = {{"result:-1", "Can't open input pdf file !"},
                        {"result:-2", "Die Datei wurde nicht gefunden!"},
                        {"result:-3", failed},
                        {"result:1", nullptr},
                        {"result:-4", nullptr},
                        // A converter that crashes or hangs failed too.
                        {"crash", failed},
                        {"hang", failed, 300}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pdf);
    testing::WriteFile(records_, "");
    EXPECT_TRUE(Run(c.pdf, kFake, c.limit_ms).empty());
    EXPECT_EQ(ReadFile(records_), c.message ? std::string("Parlotto\t") + c.message + "\n" : "");
    // No text of a failed conversion is left behind.
    EXPECT_TRUE(WorkFiles().empty());
  }
  EXPECT_NE(ReadFile(DebugLogPath()).find("PDF converter killed by signal 6: crash"),
            std::string::npos);
}

TEST_F(PdfSourceTest, ALibraryWithoutParsePdfIsToldAndAMissingOneIsNot) {
  EXPECT_TRUE(Run("write:Text", kNoExport).empty());
  EXPECT_EQ(ReadFile(records_), "Parlotto\tCan't locate the method ParsePDF\n");
  testing::WriteFile(records_, "");
  EXPECT_TRUE(Run("write:Text", PARLOTTO_BUILD_DIR "/tests/fakes/nirgends/libp2tdll.so").empty());
  EXPECT_EQ(ReadFile(records_), "");
}

TEST_F(PdfSourceTest, ReadsItsOwnTextEvenWhenAnotherInstanceReplacesTempTxt) {
  std::vector<std::string> read;
  ConvertPdfAndRead(kFake, "write:Unser Text", work_, kLimitMs, [&](const std::string& file) {
    // Everyone who relies on "temp.txt" finds the text there ...
    EXPECT_EQ(ReadFile(work_ + "temp.txt"), "Unser Text");
    // ... and another instance converting at the same time replaces it.
    testing::WriteFile(work_ + "temp.txt", "Fremder Text");
    read.push_back(ReadFile(file));
  });
  EXPECT_EQ(read, std::vector<std::string>{"Unser Text"});
  EXPECT_EQ(WorkFiles(), std::vector<std::string>{"temp.txt"});
  EXPECT_EQ(ReadFile(records_), "");
}

TEST_F(PdfSourceTest, TheWaitDialogIsHiddenOnceTheConverterReturns) {
  frmWarten = new TfrmWarten;
  frmWarten->show();
  bool visible_while_reading = true;
  ConvertPdfAndRead(kFake, "write:Hallo", work_, kLimitMs,
                    [&](const std::string&) { visible_while_reading = frmWarten->isVisible(); });
  EXPECT_FALSE(visible_while_reading);
  frmWarten->show();
  Run("result:-3");
  EXPECT_FALSE(frmWarten->isVisible());
  delete frmWarten;
  frmWarten = nullptr;
}

TEST_F(PdfSourceTest, APdfWithoutTextIsReadAsEmptyAndLogged) {
  EXPECT_EQ(Run("write:"), std::vector<std::string>{""});
  EXPECT_NE(ReadFile(DebugLogPath()).find("PDF without text: write:"), std::string::npos);
}

TEST_F(PdfSourceTest, ItsOwnTextFileGoesAlsoWhenTheReadingFails) {
  EXPECT_THROW(ConvertPdfAndRead(kFake, "write:Text", work_, kLimitMs,
                                 [](const std::string&) { throw std::runtime_error("kaputt"); }),
               std::runtime_error);
  EXPECT_EQ(WorkFiles(), std::vector<std::string>{"temp.txt"});
}

TEST_F(PdfSourceTest, ATerminationSignalEndsAConversionThatHangs) {
  OnTerminationSignal([] {});
  std::thread signaller([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    kill(getpid(), SIGTERM);
  });
  const std::int64_t start = MonotonicMs();
  EXPECT_TRUE(Run("hang").empty());
  signaller.join();
  // Long before the limit of 20 s.
  EXPECT_LT(MonotonicMs() - start, kLimitMs / 2);
  EXPECT_NE(ReadFile(DebugLogPath()).find("PDF converter stopped by a termination signal: hang"),
            std::string::npos);
  EXPECT_TRUE(WorkFiles().empty());
  EXPECT_EQ(ReadFile(records_), "");
}

TEST_F(PdfSourceTest, TheSourceEndsTheWaitDialogAndArmsTheEndTimerWithoutALibrary) {
  // The test program's directory holds no converter.
  const std::string pdf = dir_.File("brief.pdf");
  testing::WriteFile(pdf, "%PDF-1.4");
  TVocatoForm form({"-pdf", pdf});
  ASSERT_NE(frmWarten, nullptr);
  Peer(form).EndTimer().SetEnabled(false);
  form.ReadPdfDocument();
  EXPECT_EQ(frmWarten, nullptr);
  EXPECT_TRUE(Peer(form).EndTimer().Enabled());
  EXPECT_EQ(ReadFile(records_), "");
}

}  // namespace
}  // namespace parlotto
