#include "agentsvr/character_window.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QRegion>
#include <QTimer>
#include <QWidget>
#include <optional>
#include <utility>

#include "agentsvr/animation_player.h"
#include "agentsvr/balloon_window.h"

namespace parlotto::agent {

namespace {

// How long the figure rests on an animation's end frame before it begins
// to idle; short gaps between requests show no idle movement.
constexpr int kIdleDelayMs = 2000;

// The pixels that are not fully transparent, as rows of runs. Input goes
// only there, and without a compositor nothing else is drawn.
QRegion OpaqueRegion(const QImage& frame) {
  const QImage image = frame.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  std::vector<QRect> runs;
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    int x = 0;
    while (x < image.width()) {
      while (x < image.width() && qAlpha(row[x]) == 0) ++x;
      const int start = x;
      while (x < image.width() && qAlpha(row[x]) != 0) ++x;
      if (x > start) runs.emplace_back(start, y, x - start, 1);
    }
  }
  QRegion region;
  region.setRects(runs.data(), static_cast<int>(runs.size()));
  return region;
}

// The figure: draws the current frame, moves under the left button, opens
// the menu on a right click.
class FigureWidget : public QWidget {
 public:
  FigureWidget(const Character& character, std::function<void(QPoint)> dragging,
               std::function<void(QPoint)> dropped, std::function<void(QPoint)> menu)
      : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                             Qt::NoDropShadowWindowHint),
        character_(character),
        masks_(character.frames.size()),
        dragging_(std::move(dragging)),
        dropped_(std::move(dropped)),
        menu_(std::move(menu)) {
    setObjectName("parlotto-character");
    setWindowTitle(character.name);
    setAttribute(Qt::WA_TranslucentBackground);
    // Showing the character must not take the focus from the user's work.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(character.frame_size);
  }

  void SetFrame(int frame) {
    if (frame == frame_) return;
    frame_ = frame;
    if (Valid(frame)) {
      if (!masks_[frame]) masks_[frame] = OpaqueRegion(character_.frames[frame]);
      if (masks_[frame]->isEmpty())
        clearMask();
      else
        setMask(*masks_[frame]);
    }
    update();
  }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
    if (!Valid(frame_)) return;
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, character_.frames[frame_]);
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

  const Character& character_;
  std::vector<std::optional<QRegion>> masks_;  // made when a frame is first shown
  int frame_ = -1;
  std::optional<QPoint> grip_;  // the pointer's offset from the top left while dragging
  QPoint press_position_;
  std::function<void(QPoint)> dragging_;
  std::function<void(QPoint)> dropped_;
  std::function<void(QPoint)> menu_;
};

class CharacterWindow : public Stage {
 public:
  explicit CharacterWindow(const Character& character)
      : character_(character),
        figure_(
            character_, [this](QPoint) { FollowFigure(); },
            [this](QPoint top_left) {
              Post([this, top_left] {
                if (on_moved) on_moved(top_left);
              });
            },
            [this](QPoint at) { OpenMenu(at); }),
        player_([this](int frame) { figure_.SetFrame(frame); }) {
    if (const Animation* idle = Find("idle"); idle != nullptr && !idle->steps.empty()) {
      rest_frame_ = idle->steps.front().frame;
    }
    figure_.SetFrame(rest_frame_);
    idle_delay_.setSingleShot(true);
    idle_delay_.setInterval(kIdleDelayMs);
    QObject::connect(&idle_delay_, &QTimer::timeout, &figure_, [this] { StartIdle(); });
  }

  ~CharacterWindow() override {
    // The menu's actions call back into this object.
    if (menu_) menu_->close();
  }

  void Show(bool fast, std::function<void()> done) override {
    player_.Stop();
    visible_ = true;
    figure_.show();
    figure_.raise();
    const Animation* show = fast ? nullptr : Find("show");
    if (show == nullptr) {
      Rest();
      Post(std::move(done));
      return;
    }
    player_.Play(
        *show, [this, show] { EndAnimation(*show); }, std::move(done));
  }

  void Hide(bool fast, std::function<void()> done) override {
    // Not visible first, so that ending what runs starts no idle loop.
    visible_ = false;
    player_.Stop();
    balloon_.HideNow();
    const Animation* hide = fast || !figure_.isVisible() ? nullptr : Find("hide");
    if (hide == nullptr) {
      figure_.hide();
      Post(std::move(done));
      return;
    }
    player_.Play(
        *hide,
        [this, hide] {
          figure_.hide();
          rest_frame_ = EndFrame(*hide);
          figure_.SetFrame(rest_frame_);
        },
        std::move(done));
  }

  bool Play(const QString& name, std::function<void()> done) override {
    const Animation* animation = Find(name);
    if (animation == nullptr) return false;
    player_.Stop();
    player_.Play(
        *animation, [this, animation] { EndAnimation(*animation); }, std::move(done));
    return true;
  }

  void StopAnimation() override { player_.Stop(); }

  void SpeechStarted(const QString& text) override {
    speaking_ = true;
    if (player_.Looping()) player_.Stop();
    if (!player_.Playing()) figure_.SetFrame(rest_frame_);
    if (visible_) balloon_.ShowText(text, figure_.geometry(), Anchor());
  }

  void SpeakingWord(int start, int length) override { balloon_.Highlight(start, length); }

  void SpeakingMouth(MouthShape shape) override {
    // A requested animation has the figure to itself while it runs.
    if (!player_.Playing()) figure_.SetFrame(MouthFrame(shape));
  }

  void SpeechEnded() override {
    speaking_ = false;
    balloon_.HideLater();
    if (!player_.Playing()) Rest();
  }

  bool Visible() const override { return visible_; }
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

  void EndAnimation(const Animation& animation) {
    rest_frame_ = EndFrame(animation);
    Rest();
  }

  // The figure at rest; it idles after a while if nothing else comes.
  void Rest() {
    figure_.SetFrame(rest_frame_);
    idle_delay_.start();
  }

  void StartIdle() {
    const Animation* idle = Find("idle");
    if (visible_ && !speaking_ && !player_.Playing() && idle != nullptr) player_.Loop(*idle);
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
  bool visible_ = false;
  bool speaking_ = false;
};

}  // namespace

std::unique_ptr<Stage> CreateCharacterWindow(const Character& character) {
  return std::make_unique<CharacterWindow>(character);
}

}  // namespace parlotto::agent
