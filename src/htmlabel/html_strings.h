// The label's markup as a list of lines. Every change is reported to the
// owner, which forgets its downloaded pictures and repaints.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <utility>

namespace parlotto {

class HTMLStrings {
 public:
  explicit HTMLStrings(std::function<void()> on_change) : on_change_(std::move(on_change)) {}
  HTMLStrings(const HTMLStrings&) = delete;
  HTMLStrings& operator=(const HTMLStrings&) = delete;

  const QStringList& Lines() const { return lines_; }
  int Count() const { return static_cast<int>(lines_.size()); }
  // All lines run together without a separator: the markup drawn.
  QString Joined() const { return lines_.join(QString()); }

  void Add(const QString& line) {
    lines_.append(line);
    on_change_();
  }
  void Clear() {
    lines_.clear();
    on_change_();
  }
  void Assign(const QStringList& lines) {
    lines_ = lines;
    on_change_();
  }

 private:
  QStringList lines_;
  std::function<void()> on_change_;
};

}  // namespace parlotto
