// A small animation of a sheet flying from one folder to another, as a
// desktop shows while it copies files. Repeats until stopped.
#pragma once

#include <QTimer>
#include <QWidget>

namespace parlotto {

class TFileCopyAnimation : public QWidget {
 public:
  static constexpr int kStopFrame = 20;

  explicit TFileCopyAnimation(QWidget* parent = nullptr);

  void SetActive(bool active);
  bool Active() const { return timer_.isActive(); }
  int Frame() const { return frame_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QTimer timer_;
  int frame_ = 0;
};

}  // namespace parlotto
