#include "officesvr/document_text/antiword_reader.h"

#include "officesvr/document_text/converter_process.h"
#include "officesvr/document_text/plain_text_reader.h"
#include "text_formats/text_decoder.h"

namespace parlotto::office {
namespace {

// The first line of antiword's complaint, without the file's name.
std::string FirstLine(const std::string& errors, const std::string& file_name) {
  std::string line = errors.substr(0, errors.find('\n'));
  if (line.starts_with(file_name)) line.erase(0, file_name.size());
  const std::size_t start = line.find_first_not_of(' ');
  return start == std::string::npos ? "antiword failed" : "antiword: " + line.substr(start);
}

}  // namespace

DocumentText ReadWordBinary(const std::string& file_name, const DocumentLimits& limits,
                            const std::string& program) {
  // -w 0: no wrapping, a paragraph is one line. The mapping file names
  // the character set of the output.
  const ConverterRun run = RunConverter(program, {"-m", "UTF-8.txt", "-w", "0", "--", file_name},
                                        limits.converter_time, limits.max_text);
  switch (run.outcome) {
    case ConverterRun::Outcome::kNotStarted:
      return {DocumentFailure::kUnsupportedFormat, {}, "antiword is not installed"};
    case ConverterRun::Outcome::kTimedOut:
      return {DocumentFailure::kDamaged, {}, "antiword ran out of time"};
    case ConverterRun::Outcome::kTooMuchOutput:
      return {DocumentFailure::kTooLarge, {}, "the text exceeds the limit"};
    case ConverterRun::Outcome::kCrashed:
      return {DocumentFailure::kDamaged, {}, "antiword crashed"};
    case ConverterRun::Outcome::kFinished:
      break;
  }
  if (run.errors.find("ncrypted") != std::string::npos) {
    return {DocumentFailure::kPasswordProtected, {}, "the document is encrypted"};
  }
  if (run.exit_code != 0 || run.errors.find("not a Word Document") != std::string::npos) {
    return {DocumentFailure::kDamaged, {}, FirstLine(run.errors, file_name)};
  }
  // antiword writes what the mapping holds; anything else it could not map
  // is left to the decoder rather than passed on as broken UTF-8.
  std::string text = run.output;
  if (!IsValidUtf8(text)) text = DecodePlainText(std::move(text)).text;
  // antiword begins its text with an empty line of its own.
  if (text.starts_with('\n')) text.erase(0, 1);
  return {DocumentFailure::kNone, ToWordLineEnds(text), {}};
}

}  // namespace parlotto::office
