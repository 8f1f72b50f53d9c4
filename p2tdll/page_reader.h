// The lines of a document's pages, read on several threads at once and
// handed out in page order.
#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "p2tdll/p2t_layout/running_lines.h"

namespace poppler {
class document;
}

namespace parlotto::p2t {

// Each thread reads every n-th page from a document of its own (a poppler
// document is not shared between threads). Only a few pages may wait ahead
// of the reader, so memory stays bounded for any length of document.
class PageReader {
 public:
  // `opened` is the document, already opened and unlocked; `pdf` its file,
  // opened again for every further thread.
  PageReader(std::unique_ptr<poppler::document> opened, const std::string& pdf, unsigned threads);
  ~PageReader();
  PageReader(const PageReader&) = delete;
  PageReader& operator=(const PageReader&) = delete;

  // The next page; false after the last one, or when a page could not be
  // read (then Failed()).
  bool Next(PageLines& page);
  bool Failed() const;

 private:
  void Work(poppler::document& document, unsigned first);

  std::vector<std::unique_ptr<poppler::document>> documents_;
  std::vector<std::thread> threads_;
  int pages_ = 0;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::map<int, PageLines> ready_;
  int next_ = 0;
  bool stopping_ = false;
  bool failed_ = false;
};

// The lines of one page of `document`.
PageLines ReadPage(const poppler::document& document, int index);

}  // namespace parlotto::p2t
