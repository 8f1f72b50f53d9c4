// What a caller of the reading service asks for, read by the same sources
// as a command line, while the program goes on serving.
#include "parlotto/command_line.h"
#include "parlotto/vocato_form.h"

namespace parlotto {

bool TVocatoForm::ReadRequest(const Switch& entry, const std::string& operand) {
  if (!Serving()) return false;
  // An interrupted reading left the stop flag; this one starts afresh.
  stop_flag = false;
  SetOperand(entry.field, operand);
  const int whole_before = texts_read_whole_;
  const int broken_before = texts_not_read_whole_;
  if (entry.run_mode == rmPdfDocument) ShowWaitDialog();
  RunSource(entry.run_mode);
  // A source that failed before reading (a conversion, a page that did not
  // load) has said so in its dialog and read nothing.
  const bool whole =
      !stop_flag && texts_read_whole_ > whole_before && texts_not_read_whole_ == broken_before;
  if (Serving()) stop_flag = false;
  return whole;
}

void TVocatoForm::InterruptReading() {
  if (!Serving()) return;
  stop_flag = true;
  text_to_read.clear();
  DropQueuedTexts();
  SilenceSpeech();
}

}  // namespace parlotto
