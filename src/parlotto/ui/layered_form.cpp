#include "parlotto/ui/layered_form.h"

#include <QBitmap>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include "parlotto/ui/fade_thread.h"

namespace parlotto {
namespace {

QWidget* FormOf(QObject* owner) {
  auto* widget = qobject_cast<QWidget*>(owner);
  return widget != nullptr && widget->isWindow() ? widget : nullptr;
}

}  // namespace

TLayeredForm::TLayeredForm(QObject* owner) {
  QWidget* form = FormOf(owner);
  if (form == nullptr) throw ELayeredFormError("Control parent must be a form!");
  for (QObject* child : form->children()) {
    if (dynamic_cast<TLayeredForm*>(child) != nullptr) {
      throw ELayeredFormError("Only one instance of TLayeredForm allowed on form");
    }
  }
  setParent(form);
  form_ = form;
  alpha_ = 255;
}

void TLayeredForm::SetAlpha(std::uint8_t alpha) {
  alpha_ = alpha;
  if (layer_type_ == ltAlphaBlend) Update();
}

void TLayeredForm::SetColorKey(const QColor& color) {
  color_key_ = color;
  if (layer_type_ == ltColorKey) Update();
}

void TLayeredForm::SetLayerType(TLayerType type) {
  if (type == layer_type_) return;
  layer_type_ = type;
  Update();
}

void TLayeredForm::Update() {
  switch (layer_type_) {
    case ltNone:
      form_->setWindowOpacity(1.0);
      form_->clearMask();
      break;
    case ltAlphaBlend:
      form_->clearMask();
      form_->setWindowOpacity(alpha_ / 255.0);
      if (OnAlphaApplied) OnAlphaApplied(alpha_);
      break;
    case ltColorKey: {
      // Pixels of the key colour let the desktop through: a window mask.
      form_->setWindowOpacity(1.0);
      QImage image = form_->grab().toImage();
      QBitmap mask =
          QBitmap::fromImage(image.createMaskFromColor(color_key_.rgb(), Qt::MaskInColor));
      form_->setMask(mask);
      break;
    }
  }
}

void TLayeredForm::Loaded() {
  client_rect_ = form_->rect();
  form_->repaint();
}

void TLayeredForm::FadeIn(std::int32_t delay_ms, std::uint8_t step) {
  StartFade(true, delay_ms, step);
}

void TLayeredForm::FadeOut(std::int32_t delay_ms, std::uint8_t step) {
  StartFade(false, delay_ms, step);
}

void TLayeredForm::StartFade(bool fade_in, std::int32_t delay_ms, std::uint8_t step) {
  auto* thread = new TFadeThread(this, fade_in, delay_ms, step);
  thread->start();
}

void TLayeredForm::ThreadDone(bool fade_in) {
  const auto& done = fade_in ? OnFadeInDone : OnFadeOutDone;
  if (done) done(this);
}

}  // namespace parlotto
