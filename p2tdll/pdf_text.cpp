#include "p2tdll/pdf_text.h"

#include <poppler-document.h>
#include <poppler-global.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "contracts/pdf_converter/parse_pdf.h"
#include "p2tdll/p2t_layout/columns.h"
#include "p2tdll/p2t_layout/paragraphs.h"
#include "p2tdll/p2t_layout/running_lines.h"
#include "p2tdll/page_reader.h"
#include "platform/safe_open/safe_open.h"

namespace parlotto::p2t {
namespace {

using namespace parlotto::pdf_converter;

// Poppler's complaints about a damaged file would only clutter the
// program's output; the result says what went wrong.
void Quiet(const std::string&, void*) {}

class TextFile {
 public:
  explicit TextFile(const std::string& name) : file_(std::fopen(name.c_str(), "wb")) {}
  ~TextFile() {
    if (file_ != nullptr) std::fclose(file_);
  }
  TextFile(const TextFile&) = delete;
  TextFile& operator=(const TextFile&) = delete;

  bool IsOpen() const { return file_ != nullptr; }

  void Write(const std::vector<std::string>& paragraphs) {
    for (const std::string& paragraph : paragraphs) {
      if (!first_) Put("\n");
      Put(paragraph);
      Put("\n");
      first_ = false;
    }
  }

  // False when anything could not be written.
  bool Close() {
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return closed && !failed_;
  }

 private:
  void Put(const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) failed_ = true;
  }

  std::FILE* file_;
  bool first_ = true;
  bool failed_ = false;
};

// Lines to paragraphs, page after page, as the running-line filter lets
// the pages through.
class TextPipeline {
 public:
  explicit TextPipeline(TextFile& out) : out_(out) {}

  void Add(PageLines page) { Write(filter_.Add(std::move(page))); }

  void Finish() {
    Write(filter_.Finish());
    out_.Write(joiner_.Finish());
  }

 private:
  void Write(const std::vector<PageLines>& pages) {
    for (const PageLines& page : pages) {
      for (const Block& block : ReadingBlocks(page.lines)) out_.Write(joiner_.Add(block));
    }
  }

  TextFile& out_;
  RunningLineFilter filter_;
  ParagraphJoiner joiner_;
};

unsigned ReadingThreads() {
  // Poppler does most of the work; a few threads are enough.
  return std::min(std::max(std::thread::hardware_concurrency(), 1u), 4u);
}

int CheckInput(const std::string& pdf) {
  // Only a regular file: the reader would wait for ever on a FIFO without a writer.
  const int fd = OpenRegularFile(pdf);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? kNotFound : kCannotOpen;
  close(fd);
  return kConverted;
}

}  // namespace

int ConvertPdfToText(const std::string& pdf, const std::string& out) {
  if (pdf.empty()) return kNotFound;
  if (const int checked = CheckInput(pdf); checked != kConverted) return checked;
  poppler::set_debug_error_function(Quiet, nullptr);
  std::unique_ptr<poppler::document> document(poppler::document::load_from_file(pdf));
  if (!document) return kConversionFailed;
  if (document->is_locked()) return kCannotOpen;

  TextFile file(out);
  if (!file.IsOpen()) return kConversionFailed;
  TextPipeline pipeline(file);
  {
    PageReader reader(std::move(document), pdf, ReadingThreads());
    PageLines page;
    while (reader.Next(page)) pipeline.Add(std::move(page));
    if (reader.Failed()) return kConversionFailed;
  }
  pipeline.Finish();
  return file.Close() ? kConverted : kConversionFailed;
}

}  // namespace parlotto::p2t
