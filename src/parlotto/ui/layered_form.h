// Makes its form translucent (a constant opacity) or one colour of it
// transparent (a colour key), and can fade the form in or out on a worker
// thread. One per form.
#pragma once

#include <QColor>
#include <QObject>
#include <QRect>
#include <cstdint>
#include <functional>
#include <stdexcept>

class QWidget;

namespace parlotto {

enum TLayerType { ltNone = 0, ltAlphaBlend = 1, ltColorKey = 2 };

class ELayeredFormError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TLayeredForm : public QObject {
 public:
  // `owner` must be a form (a top-level widget) without another
  // TLayeredForm; else ELayeredFormError.
  explicit TLayeredForm(QObject* owner);

  std::uint8_t Alpha() const { return alpha_; }
  void SetAlpha(std::uint8_t alpha);
  QColor ColorKey() const { return color_key_; }
  void SetColorKey(const QColor& color);
  TLayerType LayerType() const { return layer_type_; }
  void SetLayerType(TLayerType type);

  // Applies the layering to the form's window.
  void Update();
  // After the form is built: remembers its client area and repaints it.
  void Loaded();

  // Start a fade on a worker thread and return at once; the form reaches
  // opacity 255 (in) or 0 (out) after about ceil(255 / step) * delay ms.
  void FadeIn(std::int32_t delay_ms, std::uint8_t step);
  void FadeOut(std::int32_t delay_ms, std::uint8_t step);

  std::function<void(TLayeredForm*)> OnFadeInDone;
  std::function<void(TLayeredForm*)> OnFadeOutDone;
  // Each opacity level as it is applied to the window.
  std::function<void(std::uint8_t)> OnAlphaApplied;

 private:
  friend class TFadeThread;
  // Each fade carries its own direction, delay and step, so that two fades
  // started one after the other do not change each other's course.
  void StartFade(bool fade_in, std::int32_t delay_ms, std::uint8_t step);
  void ThreadDone(bool fade_in);

  QWidget* form_ = nullptr;
  QRect client_rect_;
  std::uint8_t alpha_ = 255;
  QColor color_key_ = Qt::black;
  TLayerType layer_type_ = ltNone;
};

}  // namespace parlotto
