#include "plan.h"

namespace parlotto::draw {

namespace {

class PlanBuilder {
 public:
  int Frame(const QString& label, const Pose& pose) {
    plan_.poses.push_back(pose);
    plan_.labels.push_back(label);
    return static_cast<int>(plan_.poses.size()) - 1;
  }
  void Animation(const QString& name, std::vector<PlannedStep> steps, int end_frame) {
    plan_.animations.push_back({name, std::move(steps), end_frame});
  }
  Plan& plan() { return plan_; }

 private:
  Plan plan_;
};

Pose Grown(double scale, double opacity) {
  Pose pose;
  pose.scale = scale;
  pose.opacity = opacity;
  return pose;
}

Pose Reading(double book, QPointF look) {
  Pose pose;
  pose.book = book;
  pose.look = look;
  return pose;
}

}  // namespace

Plan ParlottoPlan() {
  PlanBuilder b;
  const int gone = b.Frame("gone", Grown(0, 0));
  const int grow1 = b.Frame("grow 1", Grown(0.3, 0.3));
  const int grow2 = b.Frame("grow 2", Grown(0.58, 0.65));
  const int grow3 = b.Frame("grow 3", Grown(0.84, 0.92));
  const int pop = b.Frame("pop", Grown(1.05, 1));
  const int settle = b.Frame("settle", Grown(0.97, 1));
  const int rest = b.Frame("rest", Pose{});

  Pose pose;
  pose.breath = 0.5;
  const int breath1 = b.Frame("breathe in", pose);
  pose.breath = 1;
  const int breath2 = b.Frame("breathe full", pose);
  pose = Pose{};
  pose.eyelid = 0.55;
  const int half_shut = b.Frame("blink half", pose);
  pose.eyelid = 1;
  const int shut = b.Frame("blink shut", pose);
  pose = Pose{};
  pose.look = QPointF(-1, -0.2);
  const int aside = b.Frame("look aside", pose);

  const int book_low = b.Frame("book at side", Reading(0.35, QPointF(0.7, 0.6)));
  const int book_up = b.Frame("book up", Reading(0.75, QPointF(0, 0.8)));
  pose = Reading(1, QPointF(0, 1));
  pose.eyelid = 0.3;
  const int reading = b.Frame("reading", pose);
  pose = Reading(1, QPointF(0, -0.4));
  pose.brows = 1;
  const int glance = b.Frame("glance up", pose);
  pose = Reading(1, QPointF(0, 0.3));
  pose.bob = 2.5;
  pose.mouth = kMouthClosed;
  const int nod = b.Frame("nod", pose);

  Plan& plan = b.plan();
  plan.mouths.fill(rest);
  const char* const kMouthLabels[] = {"",      "open",   "mid",       "narrow",
                                      "round", "closed", "lip-teeth", "tongue"};
  for (int shape = kMouthOpen; shape < kMouthShapeCount; ++shape) {
    Pose speaking;
    speaking.mouth = static_cast<MouthShape>(shape);
    plan.mouths.at(static_cast<std::size_t>(shape)) =
        b.Frame(QStringLiteral("mouth %1").arg(QLatin1String(kMouthLabels[shape])), speaking);
  }

  b.Animation("Show", {{grow1, 60}, {grow2, 60}, {grow3, 60}, {pop, 90}, {settle, 80}, {rest, 80}},
              rest);
  b.Animation("Hide", {{rest, 60}, {pop, 80}, {grow3, 60}, {grow2, 60}, {grow1, 60}, {gone, 40}},
              gone);
  b.Animation("Idle",
              {{rest, 700},
               {breath1, 250},
               {breath2, 450},
               {breath1, 250},
               {rest, 600},
               {half_shut, 50},
               {shut, 90},
               {half_shut, 50},
               {rest, 900},
               {aside, 1100},
               {rest, 500},
               {breath1, 250},
               {breath2, 450},
               {breath1, 250}},
              rest);
  b.Animation("Read", {{rest, 60}, {book_low, 140}, {book_up, 160}, {reading, 200}}, reading);
  b.Animation("ReadContinued", {{glance, 380}, {nod, 160}, {reading, 160}}, reading);
  b.Animation("ReadReturn", {{book_up, 140}, {book_low, 140}, {rest, 120}}, rest);
  return std::move(plan);
}

}  // namespace parlotto::draw
