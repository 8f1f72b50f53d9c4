#include "p2tdll/p2t_layout/running_lines.h"

#include <QRegularExpression>
#include <QString>
#include <algorithm>
#include <cmath>

namespace parlotto::p2t {
namespace {

// Pages looked at on each side of a page.
constexpr size_t kReach = 4;
// The bands at the top and the bottom of a page where running lines stand.
constexpr double kBand = 0.12;
// How far two running lines may stand apart and still be "at the same place".
constexpr double kSamePlace = 3.0;

std::string Key(const std::string& text) {
  std::string key;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      if (key.empty() || key.back() != '#') key += '#';
    } else if (c != ' ') {
      key += c;
    }
  }
  return key;
}

bool InBand(const Line& line, double height) {
  const double middle = (line.box.y0 + line.box.y1) / 2;
  return middle < kBand * height || middle > (1 - kBand) * height;
}

std::vector<RunningLineFilter::Candidate> CandidatesOf(const PageLines& page) {
  std::vector<RunningLineFilter::Candidate> candidates;
  for (const Line& line : page.lines) {
    if (!InBand(line, page.height)) continue;
    candidates.push_back(
        {Key(line.text), (line.box.y0 + line.box.y1) / 2, IsPageNumber(line.text)});
  }
  return candidates;
}

}  // namespace

bool IsPageNumber(const std::string& text) {
  static const QRegularExpression kPattern(
      QStringLiteral("^[-\u2013\u2014\\s]*(?:(?:seite|page|s\\.|p\\.)\\s*)?\\d{1,5}"
                     "(?:\\s*(?:/|von|of)\\s*\\d{1,5})?[-\u2013\u2014\\s]*$"),
      QRegularExpression::CaseInsensitiveOption);
  return kPattern.match(QString::fromUtf8(text)).hasMatch();
}

bool RunningLineFilter::Repeated(const Candidate& candidate) const {
  size_t pages = 0;
  auto count_in = [&](const std::deque<std::vector<Candidate>>& window) {
    for (const auto& page : window) {
      const bool there = std::any_of(page.begin(), page.end(), [&](const Candidate& other) {
        return other.key == candidate.key && std::fabs(other.y - candidate.y) <= kSamePlace;
      });
      if (there) ++pages;
    }
  };
  count_in(before_);
  count_in(pending_candidates_);
  const size_t needed = std::max<size_t>(2, static_cast<size_t>(std::ceil(0.4 * PagesInWindow())));
  return pages >= needed;
}

PageLines RunningLineFilter::HandOut() {
  PageLines page = std::move(pending_.front());
  pending_.pop_front();
  std::vector<Line> kept;
  for (Line& line : page.lines) {
    bool running = false;
    if (InBand(line, page.height)) {
      const Candidate self{Key(line.text), (line.box.y0 + line.box.y1) / 2,
                           IsPageNumber(line.text)};
      running = self.page_number || Repeated(self);
    }
    if (!running) kept.push_back(std::move(line));
  }
  page.lines = std::move(kept);
  before_.push_back(std::move(pending_candidates_.front()));
  pending_candidates_.pop_front();
  if (before_.size() > kReach) before_.pop_front();
  return page;
}

std::vector<PageLines> RunningLineFilter::Add(PageLines page) {
  pending_candidates_.push_back(CandidatesOf(page));
  pending_.push_back(std::move(page));
  std::vector<PageLines> ready;
  if (pending_.size() > kReach) ready.push_back(HandOut());
  return ready;
}

std::vector<PageLines> RunningLineFilter::Finish() {
  std::vector<PageLines> ready;
  while (!pending_.empty()) ready.push_back(HandOut());
  return ready;
}

}  // namespace parlotto::p2t
