#include "agentsvr/character_window/character_window.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QRegion>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <map>
#include <optional>
#include <utility>

#include "agentsvr/character_window/animation_player.h"
#include "agentsvr/character_window/balloon_window.h"
#include "agentsvr/character_window/display.h"
#include "agentsvr/character_window/mouth_overlay.h"
#include "agentsvr/character_window/poses.h"
#include "agentsvr/character_window/scaled_character.h"

namespace parlotto::agent {

namespace {

// How long the figure rests on an animation's end frame before it begins
// to idle; short gaps between requests show no idle movement.
constexpr int kIdleDelayMs = 2000;

// The pixels of at least `min_alpha`, as rows of runs: the figure's shape.
// Input goes only there, and nothing else is drawn.
QRegion OpaqueRegion(const QImage& frame, int min_alpha) {
  const QImage image = frame.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  std::vector<QRect> runs;
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    int x = 0;
    while (x < image.width()) {
      while (x < image.width() && qAlpha(row[x]) < min_alpha) ++x;
      const int start = x;
      while (x < image.width() && qAlpha(row[x]) >= min_alpha) ++x;
      if (x > start) runs.emplace_back(start, y, x - start, 1);
    }
  }
  QRegion region;
  region.setRects(runs.data(), static_cast<int>(runs.size()));
  return region;
}

// Every pixel that any frame covers at all: the whole figure's reach.
QImage Coverage(const std::vector<QImage>& frames, QSize size) {
  QImage coverage(size, QImage::Format_ARGB32_Premultiplied);
  coverage.fill(Qt::transparent);
  for (const QImage& frame : frames) {
    const QImage image = frame.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < std::min(size.height(), image.height()); ++y) {
      const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      auto* out = reinterpret_cast<QRgb*>(coverage.scanLine(y));
      for (int x = 0; x < std::min(size.width(), image.width()); ++x) out[x] |= in[x] & 0xff000000u;
    }
  }
  return coverage;
}

// Without blending, a pixel of the shape shows its colour as it is: a
// half-faded frame would come out dark. Each shown pixel gets its own colour
// at full opacity instead, so a figure that fades in or out shrinks in its
// true colours.
QImage Unblended(const QImage& frame, int min_alpha) {
  QImage image = frame.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      row[x] = qAlpha(row[x]) >= min_alpha ? (row[x] | 0xff000000u) : 0u;
    }
  }
  return image;
}

// A window the window manager keeps on top without a frame. Weston's
// XWayland manager frames such a window anyway, puts it at a place of its
// own and shows nothing of it until it is mapped a second time: there the
// figure places itself, unmanaged, in the layer above all windows.
Qt::WindowFlags FigureFlags() {
  Qt::WindowFlags flags =
      Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint;
  if (OnRealDisplay() && OnXWayland()) flags |= Qt::X11BypassWindowManagerHint;
  return flags;
}

// The figure: draws the current frame, moves under the left button, opens
// the menu on a right click.
class FigureWidget : public QWidget {
 public:
  FigureWidget(const Character& character, std::function<void(QPoint)> dragging,
               std::function<void(QPoint)> dropped, std::function<void(QPoint)> menu)
      : QWidget(nullptr, FigureFlags()),
        character_(character),
        shapes_(character.frames.size()),
        composited_(Composited()),
        // Unblended, faint pixels (shadows, the outer edge) would be dark
        // blots: the shape leaves them out then.
        min_alpha_(composited_ ? 1 : 128),
        dragging_(std::move(dragging)),
        dropped_(std::move(dropped)),
        menu_(std::move(menu)) {
    setObjectName("parlotto-character");
    setWindowTitle(character.name);
    setAttribute(Qt::WA_TranslucentBackground);
    // Showing the character must not take the focus from the user's work.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(character.frame_size);
    // The native window now, so that its shape can be set before it shows.
    if (OnRealDisplay()) winId();
    // Blended, the clear pixels show nothing; the shape only lets clicks
    // through. It is the whole figure's reach, made once: a compositor
    // that sees the shape change before the frame's pixels shows the
    // window's new parts black for a moment.
    if (OnRealDisplay() && composited_) {
      ApplyShape(OpaqueRegion(Coverage(character.frames, character.frame_size), 1));
    }
  }

  // The window's shape follows every frame, so that nothing but the
  // frame's pixels is ever on the screen: not the clear rest of the window,
  // which shows black without a compositor. The X server keeps nothing of
  // a window outside its shape, so the shape comes first and the frame is
  // drawn into it at once.
  void SetFrame(int frame) {
    if (frame == frame_) return;
    frame_ = frame;
    if (OnRealDisplay() && !composited_) ApplyShape(Valid(frame) ? ShapeOf(frame) : QRegion());
    if (isVisible()) {
      repaint();
    } else {
      update();
    }
  }

  // The frame's own pixels that the window shows.
  const QRegion& Shape() const { return shape_; }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    if (!Valid(frame_)) return;
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    const QImage& image = character_.frames[frame_];
    painter.drawImage(0, 0, composited_ ? image : Unblended(image, min_alpha_));
  }

  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    grip_ = event->globalPosition().toPoint() - pos();
    press_position_ = pos();
  }

  void mouseMoveEvent(QMouseEvent* event) override {
    if (!grip_ || !(event->buttons() & Qt::LeftButton)) return;
    move(event->globalPosition().toPoint() - *grip_);
    dragging_(pos());
  }

  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() != Qt::LeftButton || !grip_) return QWidget::mouseReleaseEvent(event);
    grip_.reset();
    if (pos() != press_position_) dropped_(pos());
  }

  void contextMenuEvent(QContextMenuEvent* event) override { menu_(event->globalPos()); }

 private:
  bool Valid(int frame) const {
    return frame >= 0 && frame < static_cast<int>(character_.frames.size());
  }

  const QRegion& ShapeOf(int frame) {
    // Frames made while speaking in a pose come after the character's own.
    if (shapes_.size() < character_.frames.size()) shapes_.resize(character_.frames.size());
    auto& shape = shapes_[static_cast<std::size_t>(frame)];
    if (!shape) shape = OpaqueRegion(character_.frames[frame], min_alpha_);
    return *shape;
  }

  // On the native window: Qt would clip a masked widget's painting to the
  // mask of the frame before.
  void ApplyShape(const QRegion& shape) {
    if (shape == shape_ && shaped_) return;
    shape_ = shape;
    shaped_ = true;
    windowHandle()->setMask(WindowMask(shape));
  }

  // An empty mask would mean no shape at all, the whole window: a frame
  // without pixels gets one outside the window, which the X server cuts
  // down to nothing.
  static QRegion WindowMask(const QRegion& shape) {
    return shape.isEmpty() ? QRegion(-1, -1, 1, 1) : shape;
  }

  const Character& character_;
  std::vector<std::optional<QRegion>> shapes_;  // made when a frame is first shown
  bool composited_;
  int min_alpha_;
  int frame_ = -1;
  QRegion shape_;
  bool shaped_ = false;
  std::optional<QPoint> grip_;  // the pointer's offset from the top left while dragging
  QPoint press_position_;
  std::function<void(QPoint)> dragging_;
  std::function<void(QPoint)> dropped_;
  std::function<void(QPoint)> menu_;
};

class CharacterWindow : public Stage {
 public:
  CharacterWindow(const Character& character, qreal scale)
      : character_(AtScale(character, scale)),
        figure_(
            character_, [this](QPoint) { FollowFigure(); },
            [this](QPoint top_left) {
              Post([this, top_left] {
                if (on_moved) on_moved(top_left);
              });
            },
            [this](QPoint at) { OpenMenu(at); }),
        balloon_(scale),
        player_([this](int frame) { figure_.SetFrame(frame); }) {
    if (const Animation* idle = Find("idle"); idle != nullptr && !idle->steps.empty()) {
      rest_frame_ = idle->steps.front().frame;
    }
    figure_.SetFrame(rest_frame_);
    idle_delay_.setSingleShot(true);
    idle_delay_.setInterval(kIdleDelayMs);
    QObject::connect(&idle_delay_, &QTimer::timeout, &figure_, [this] { StartIdle(); });
  }

  void Show(bool fast, std::function<void()> done) override {
    player_.Stop();
    visible_ = true;
    held_.clear();
    // The first frame is in place before the window appears, so that it
    // appears in that frame's shape.
    const Animation* show = fast ? nullptr : Find("show");
    if (show == nullptr) {
      Rest();
      Post(std::move(done));
    } else {
      PlayToPose(*show, QStringLiteral("show"), std::move(done));
    }
    figure_.show();
    if (OnRealDisplay()) figure_.raise();
  }

  void Hide(bool fast, std::function<void()> done) override {
    // Not visible first, so that ending what runs starts no idle loop.
    visible_ = false;
    if (leaving_ && !fast) {
      leave_done_.push_back(std::move(done));
      return;
    }
    player_.Stop();
    balloon_.HideNow();
    const Animation* hide = fast || !figure_.isVisible() ? nullptr : Find("hide");
    if (hide == nullptr) {
      held_.clear();
      figure_.hide();
      Post(std::move(done));
      return;
    }
    // A held pose is left first: the book is put away, not dropped.
    const Animation leave = WithReturn(*hide);
    held_.clear();
    leaving_ = true;
    player_.Play(
        leave,
        [this, end = EndFrame(*hide)] {
          leaving_ = false;
          figure_.hide();
          rest_frame_ = end;
          figure_.SetFrame(rest_frame_);
          for (auto& call : std::exchange(leave_done_, {})) Post(std::move(call));
        },
        std::move(done));
  }

  bool Play(const QString& name, std::function<void()> done) override {
    const Animation* animation = Find(name);
    if (animation == nullptr) return false;
    player_.Stop();
    const QString key = name.toLower();
    const QString lead = LeadInto(character_, key);
    if (held_.isEmpty() && !lead.isEmpty()) {
      // Goes on from a pose the figure is not in: it takes the pose first.
      PlayToPose(Joined(*Find(lead), *animation), key, std::move(done));
    } else if (held_ == key || ReturnAfter(character_, key) == held_) {
      PlayToPose(*animation, key, std::move(done));
    } else {
      PlayToPose(WithReturn(*animation), key, std::move(done));
    }
    return true;
  }

  // Only a requested animation: the idle loop is no request. The figure
  // that leaves finishes leaving, since it goes in any case; the hide's
  // `done` comes then.
  void StopAnimation() override {
    if (player_.Playing() && !leaving_) player_.Stop();
  }

  void SpeechStarted(const QString& text) override {
    speaking_ = true;
    if (player_.Looping()) player_.Stop();
    if (!player_.Playing()) figure_.SetFrame(rest_frame_);
    // Nothing to read (a text of speech tags only): no empty balloon.
    if (visible_ && !text.trimmed().isEmpty()) {
      balloon_.ShowText(text, figure_.geometry(), Anchor());
    } else {
      balloon_.HideNow();
    }
  }

  void SpeakingWord(int start, int length) override { balloon_.Highlight(start, length); }

  void SpeakingMouth(MouthShape shape) override {
    // A requested animation has the figure to itself while it runs.
    if (!player_.Playing()) figure_.SetFrame(SpeakingFrame(shape));
  }

  void SpeechEnded() override {
    speaking_ = false;
    balloon_.HideLater();
    if (!player_.Playing()) Rest();
  }

  // From the moment a Show starts until a Hide has ended.
  bool Visible() const override { return figure_.isVisible(); }
  QPoint Position() const override { return figure_.pos(); }
  void SetPosition(QPoint top_left) override {
    figure_.move(top_left);
    FollowFigure();
  }
  QSize FrameSize() const override { return character_.frame_size; }

  void SetMenu(const std::vector<MenuCommand>& commands, const QString& hide_caption) override {
    commands_ = commands;
    hide_caption_ = hide_caption;
  }

 private:
  const Animation* Find(const QString& name) const {
    const auto it = character_.animations.find(name.toLower());
    return it == character_.animations.end() ? nullptr : &it->second;
  }

  int EndFrame(const Animation& animation) const {
    return animation.end_frame >= 0 ? animation.end_frame : IdleFrame();
  }

  int IdleFrame() const {
    const Animation* idle = Find("idle");
    return idle != nullptr && !idle->steps.empty() ? idle->steps.front().frame : 0;
  }

  // Shapes without a frame of their own: closed lips look like the rest
  // frame, every other sound like the open mouth.
  int MouthFrame(MouthShape shape) const {
    if (shape < 0 || shape >= kMouthShapeCount) return rest_frame_;
    const int own = character_.mouth_frames[static_cast<std::size_t>(shape)];
    if (own >= 0) return own;
    if (shape == kMouthRest || shape == kMouthClosed) return rest_frame_;
    const int open = character_.mouth_frames[kMouthOpen];
    return open >= 0 ? open : rest_frame_;
  }

  // The mouth shape's frame in the pose the figure rests in. Mouth frames
  // show the face at rest; another pose gets the mouth laid over it, once.
  int SpeakingFrame(MouthShape shape) {
    const int reference = character_.mouth_frames[kMouthRest] >= 0
                              ? character_.mouth_frames[kMouthRest]
                              : IdleFrame();
    const int mouth = MouthFrame(shape);
    if (mouth == reference) return rest_frame_;
    if (mouth == rest_frame_ || rest_frame_ == reference) return mouth;
    const auto [it, added] = posed_mouths_.try_emplace({rest_frame_, mouth}, mouth);
    if (added) {
      QImage posed = SpeakingInPose(character_, reference, rest_frame_, mouth);
      if (!posed.isNull()) {
        character_.frames.push_back(std::move(posed));
        it->second = static_cast<int>(character_.frames.size()) - 1;
      }
    }
    return it->second;
  }

  // The pose's return, then `animation`.
  Animation WithReturn(const Animation& animation) const {
    const Animation* back = held_.isEmpty() ? nullptr : Find(held_);
    return back != nullptr ? Joined(*back, animation) : animation;
  }

  // Plays `animation`, requested as `name`, and rests in its end pose.
  void PlayToPose(const Animation& animation, const QString& name, std::function<void()> done) {
    player_.Play(
        animation,
        [this, end = EndFrame(animation), name] {
          rest_frame_ = end;
          held_ = ReturnAfter(character_, name);
          Rest();
        },
        std::move(done));
  }

  // The figure at rest; it idles after a while if nothing else comes.
  void Rest() {
    figure_.SetFrame(rest_frame_);
    idle_delay_.start();
  }

  void StartIdle() {
    if (!visible_ || speaking_ || player_.Playing()) return;
    // Idling begins with leaving a held pose: the book is put away.
    if (const Animation* back = held_.isEmpty() ? nullptr : Find(held_)) {
      PlayToPose(*back, held_, nullptr);
      return;
    }
    const Animation* idle = Find("idle");
    if (idle != nullptr) player_.Loop(*idle);
  }

  QPoint Anchor() const { return figure_.pos() + character_.balloon_anchor; }

  void FollowFigure() { balloon_.Follow(figure_.geometry(), Anchor()); }

  void OpenMenu(QPoint at) {
    menu_ = std::make_unique<QMenu>();
    menu_->setObjectName("parlotto-character-menu");
    bool any = false;
    for (const MenuCommand& command : commands_) {
      if (!command.visible) continue;
      QAction* action = menu_->addAction(command.caption);
      action->setEnabled(command.enabled);
      const LONG id = command.id;
      QObject::connect(action, &QAction::triggered, &figure_, [this, id] {
        Post([this, id] {
          if (on_command) on_command(id);
        });
      });
      any = true;
    }
    if (!hide_caption_.isEmpty()) {
      if (any) menu_->addSeparator();
      QAction* hide = menu_->addAction(hide_caption_);
      QObject::connect(hide, &QAction::triggered, &figure_, [this] {
        Post([this] {
          if (on_hide_chosen) on_hide_chosen();
        });
      });
    }
    if (menu_->isEmpty()) return;
    menu_->popup(at);
  }

  // Callbacks run from the event loop, so that whoever they reach may
  // change or even destroy this window.
  void Post(std::function<void()> call) {
    if (call) QMetaObject::invokeMethod(&figure_, std::move(call), Qt::QueuedConnection);
  }

  Character character_;
  FigureWidget figure_;
  BalloonWindow balloon_;
  AnimationPlayer player_;
  QTimer idle_delay_;
  std::unique_ptr<QMenu> menu_;
  std::vector<MenuCommand> commands_;
  QString hide_caption_;
  int rest_frame_ = 0;
  bool visible_ = false;  // shown or showing, and no Hide since
  bool speaking_ = false;
  QString held_;          // the return that the pose the figure rests in owes
  bool leaving_ = false;  // the hide animation runs
  std::vector<std::function<void()>> leave_done_;    // Hides that came meanwhile
  std::map<std::pair<int, int>, int> posed_mouths_;  // (pose, mouth) to frame
};

}  // namespace

std::unique_ptr<Stage> CreateCharacterWindow(const Character& character) {
  return CreateCharacterWindow(character, DisplayScale());
}

std::unique_ptr<Stage> CreateCharacterWindow(const Character& character, qreal scale) {
  if (QGuiApplication::platformName().startsWith("wayland")) {
    // Wayland lets no client place its windows; the character's position
    // would be ignored and misreported.
    qWarning("The character window needs X11: run with QT_QPA_PLATFORM=xcb (XWayland).");
  }
  return std::make_unique<CharacterWindow>(character, scale);
}

}  // namespace parlotto::agent
