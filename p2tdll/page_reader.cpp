#include "p2tdll/page_reader.h"

#include <poppler-document.h>
#include <poppler-page.h>

#include <array>
#include <string_view>

#include "p2tdll/p2t_layout/line_builder.h"

namespace parlotto::p2t {
namespace {

// Pages that may be read ahead of the one the reader waits for.
constexpr int kAhead = 8;

std::string Utf8(const poppler::ustring& text) {
  const poppler::byte_array bytes = text.to_utf8();
  return std::string(bytes.begin(), bytes.end());
}

// Fonts draw "ff", "fi", "st" and the like as one glyph; a speech engine
// knows the letters, not the ligature.
std::string WithoutLigatures(std::string text) {
  static constexpr std::array<std::string_view, 7> kLetters = {"ff",  "fi", "fl", "ffi",
                                                               "ffl", "st", "st"};
  // U+FB00 to U+FB06 in UTF-8: EF AC 80 to EF AC 86.
  for (size_t at = text.find("\xEF\xAC"); at != std::string::npos; at = text.find("\xEF\xAC", at)) {
    const unsigned char last = at + 2 < text.size() ? static_cast<unsigned char>(text[at + 2]) : 0;
    if (last < 0x80 || last > 0x86) {
      at += 2;
      continue;
    }
    const std::string_view letters = kLetters[last - 0x80];
    text.replace(at, 3, letters);
    at += letters.size();
  }
  return text;
}

std::vector<Word> WordsOf(const poppler::page& page) {
  std::vector<Word> words;
  for (const poppler::text_box& box : page.text_list(poppler::page::text_list_include_font)) {
    const poppler::rectf r = box.bbox();
    words.push_back(Word{WithoutLigatures(Utf8(box.text())),
                         Box{r.left(), r.top(), r.right(), r.bottom()}, box.get_font_size(),
                         box.has_space_after()});
  }
  return words;
}

}  // namespace

PageLines ReadPage(const poppler::document& document, int index) {
  // One page in memory at a time per thread.
  const std::unique_ptr<poppler::page> page(document.create_page(index));
  if (!page) return {};
  return PageLines{BuildLines(WordsOf(*page)), page->page_rect(poppler::media_box).height()};
}

PageReader::PageReader(std::unique_ptr<poppler::document> opened, const std::string& pdf,
                       unsigned threads)
    : pages_(opened->pages()) {
  documents_.push_back(std::move(opened));
  const unsigned wanted = std::min<unsigned>(std::max(threads, 1u), static_cast<unsigned>(pages_));
  while (documents_.size() < wanted) {
    std::unique_ptr<poppler::document> again(poppler::document::load_from_file(pdf));
    if (!again || again->is_locked()) break;
    documents_.push_back(std::move(again));
  }
  for (unsigned i = 0; i < documents_.size(); ++i) {
    threads_.emplace_back([this, i] { Work(*documents_[i], i); });
  }
}

PageReader::~PageReader() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void PageReader::Work(poppler::document& document, unsigned first) {
  const int step = static_cast<int>(documents_.size());
  for (int index = static_cast<int>(first); index < pages_; index += step) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [&] { return stopping_ || index < next_ + kAhead; });
      if (stopping_) return;
    }
    PageLines page;
    bool read = true;
    try {
      page = ReadPage(document, index);
    } catch (...) {
      read = false;
    }
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (!read) failed_ = true;
      ready_[index] = std::move(page);
    }
    changed_.notify_all();
  }
}

bool PageReader::Next(PageLines& page) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (next_ >= pages_ || failed_) return false;
  changed_.wait(lock, [&] { return failed_ || ready_.count(next_) > 0; });
  if (failed_) return false;
  auto found = ready_.find(next_);
  page = std::move(found->second);
  ready_.erase(found);
  ++next_;
  lock.unlock();
  changed_.notify_all();
  return true;
}

bool PageReader::Failed() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return failed_;
}

}  // namespace parlotto::p2t
