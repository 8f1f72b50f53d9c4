// Translucency and fades of a form.
#include "parlotto/ui/layered_form.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QWidget>
#include <memory>
#include <vector>

namespace parlotto {
namespace {

TEST(LayeredForm, BelongsToExactlyOneForm) {
  QWidget form;
  QWidget child(&form);
  try {
    TLayeredForm on_child(&child);
    FAIL() << "a control inside a form was accepted";
  } catch (const ELayeredFormError& e) {
    EXPECT_STREQ(e.what(), "Control parent must be a form!");
  }
  EXPECT_THROW(TLayeredForm(nullptr), ELayeredFormError);

  auto* first = new TLayeredForm(&form);
  EXPECT_EQ(first->Alpha(), 255);
  try {
    TLayeredForm second(&form);
    FAIL() << "a second instance was accepted";
  } catch (const ELayeredFormError& e) {
    EXPECT_STREQ(e.what(), "Only one instance of TLayeredForm allowed on form");
  }
  int instances = 0;
  for (QObject* child : form.children()) instances += dynamic_cast<TLayeredForm*>(child) != nullptr;
  EXPECT_EQ(instances, 1);
}

TEST(LayeredForm, OpacityFollowsTheLayerTypeAndAlpha) {
  QWidget form;
  auto* layered = new TLayeredForm(&form);
  std::vector<int> applied;
  layered->OnAlphaApplied = [&](std::uint8_t level) { applied.push_back(level); };

  layered->SetAlpha(200);
  EXPECT_DOUBLE_EQ(form.windowOpacity(), 1.0);  // no layering yet
  layered->SetLayerType(ltAlphaBlend);
  EXPECT_NEAR(form.windowOpacity(), 200 / 255.0, 0.01);
  layered->SetLayerType(ltAlphaBlend);  // unchanged: nothing applied again
  EXPECT_EQ(applied, std::vector<int>{200});
  layered->SetAlpha(100);
  EXPECT_NEAR(form.windowOpacity(), 100 / 255.0, 0.01);
  layered->SetLayerType(ltNone);
  EXPECT_DOUBLE_EQ(form.windowOpacity(), 1.0);
}

TEST(LayeredForm, ColorKeyMasksThatColourOut) {
  QWidget form;
  form.resize(40, 20);
  form.setAutoFillBackground(true);
  QPalette palette = form.palette();
  palette.setColor(QPalette::Window, Qt::black);
  form.setPalette(palette);
  auto* layered = new TLayeredForm(&form);
  layered->SetColorKey(Qt::black);
  layered->SetLayerType(ltColorKey);
  QImage drawn = form.grab().toImage();
  ASSERT_EQ(drawn.pixelColor(5, 5), QColor(Qt::black));
  // Every pixel is the key colour: nothing of the form is left.
  EXPECT_FALSE(form.mask().contains(QPoint(5, 5)));
  layered->SetColorKey(Qt::white);
  EXPECT_TRUE(form.mask().contains(QPoint(5, 5)));
  layered->SetLayerType(ltNone);
  EXPECT_TRUE(form.mask().isEmpty());
}

std::vector<int> Fade(bool fade_in) {
  QWidget form;
  auto* layered = new TLayeredForm(&form);
  std::vector<int> applied;
  bool done = false;
  layered->OnAlphaApplied = [&](std::uint8_t level) { applied.push_back(level); };
  layered->OnFadeInDone = [&](TLayeredForm*) { done = fade_in; };
  layered->OnFadeOutDone = [&](TLayeredForm*) { done = !fade_in; };
  if (fade_in) {
    layered->FadeIn(1, 10);
  } else {
    layered->FadeOut(1, 10);
  }
  QElapsedTimer elapsed;
  elapsed.start();
  while (!done && elapsed.elapsed() < 5000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_TRUE(done);
  return applied;
}

TEST(LayeredForm, FadesStepThroughTheirLevelsAndEndAtTheEdge) {
  std::vector<int> in{0};  // switching to alpha blending applies the 0 set before
  for (int level = 0; level <= 250; level += 10) in.push_back(level);
  in.push_back(255);
  EXPECT_EQ(Fade(true), in);

  std::vector<int> out{0};
  for (int level = 255; level >= 5; level -= 10) out.push_back(level);
  out.push_back(0);
  EXPECT_EQ(Fade(false), out);
}

}  // namespace
}  // namespace parlotto
