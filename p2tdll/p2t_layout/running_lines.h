// Running headers, footers and page numbers: lines that say nothing to a
// listener and would interrupt a sentence that runs on to the next page.
#pragma once

#include <deque>
#include <vector>

#include "p2tdll/p2t_layout/layout.h"

namespace parlotto::p2t {

struct PageLines {
  std::vector<Line> lines;
  double height = 0;
};

// Takes the pages one after another and hands them back without their
// running lines. A line near the top or bottom edge is a running line when
// a line of the same text (digits aside: "Seite 3" and "Seite 4" are the
// same) stands at the same height on enough of the pages around it, or when
// it is nothing but a page number. Only a few pages before and after are
// looked at, so memory stays bounded for any length of document; a page is
// handed back once the pages after it are known.
class RunningLineFilter {
 public:
  std::vector<PageLines> Add(PageLines page);
  std::vector<PageLines> Finish();

  struct Candidate {
    std::string key;  // the text with every digit made '#'
    double y = 0;     // the line's vertical middle
    bool page_number = false;
  };

 private:
  PageLines HandOut();
  bool Repeated(const Candidate& candidate) const;
  size_t PagesInWindow() const { return before_.size() + pending_candidates_.size(); }

  std::deque<PageLines> pending_;
  // Candidates of the pages still waiting, and of those handed out lately.
  std::deque<std::vector<Candidate>> pending_candidates_;
  std::deque<std::vector<Candidate>> before_;
};

// True for "12", "- 12 -", "Seite 12", "12 / 40", "Page 3 of 9" and the like.
bool IsPageNumber(const std::string& text);

}  // namespace parlotto::p2t
