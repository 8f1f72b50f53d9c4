// The recording hook of the message boxes.
#include "platform/gui/dialogs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/gui/shell.h"
#include "platform/places/places.h"
#include "support/scoped_env.h"
#include "support/scratch_dir.h"

namespace parlotto {
namespace {

using parlotto::testing::ReadFile;
using parlotto::testing::ScopedEnv;
using parlotto::testing::ScratchDir;

TEST(DialogRecord, EachKindRecordsItsCaptionAndEscapedText) {
  ScratchDir dir;
  std::string record = "record:" + dir.File("dialogs.txt");
  ScopedEnv env("PARLOTTO_DIALOGS", record.c_str());
  SetApplicationTitle("Parlotto");
  ShowErrorDialog("Leider wurde die Textdatei nicht gefunden.");
  ShowMessage("Zeile eins\nZeile\tzwei \\ Ende");
  ShowExceptionDialog("kaputt");
  EXPECT_EQ(ReadFile(dir.File("dialogs.txt")),
            "Fehler\tLeider wurde die Textdatei nicht gefunden.\n"
            "Parlotto\tZeile eins\\nZeile\\tzwei \\\\ Ende\n"
            "Parlotto\tkaputt\n");
}

}  // namespace
}  // namespace parlotto
