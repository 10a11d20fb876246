// kestrin-floor: the least a game screen on Qt 6 Widgets costs. One window
// the size of a Brick Breaker level, titled "Floor", in which a small
// antialiased oval moves 64 times a second, each move repainting its old and
// new places; nothing else. scripts/bench measures it beside the game, so
// Kestrin's start-up, memory and CPU read as multiples of what the toolkit
// itself takes on the same machine at the same moment.
//
//   kestrin-floor [SECONDS]   ends after SECONDS (default: runs until closed)
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace {

class Floor final : public QWidget {
 public:
  Floor() {
    setWindowTitle(QStringLiteral("Floor"));
    setFixedSize(889, 641);
    setAutoFillBackground(false);
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    next_ = Clock::now() + kPeriod;
    arm();
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    painter.fillRect(event->rect(), QColor(0xF0, 0xF0, 0xF0));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xFF, 0, 0));
    painter.drawEllipse(oval());
  }

 private:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::microseconds kPeriod{15'625};  // 64 a second

  QRectF oval() const { return {x_, 300, 25, 25}; }

  // At each absolute deadline, as any game that keeps time must.
  void arm() {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(next_ - Clock::now());
    timer_.start(static_cast<int>(std::max<std::int64_t>(0, left.count())));
  }

  void tick() {
    const QRect before = oval().toAlignedRect().adjusted(-1, -1, 1, 1);
    x_ += step_;
    if (x_ < 10 || x_ > 850) step_ = -step_;
    update(before.united(oval().toAlignedRect().adjusted(-1, -1, 1, 1)));
    next_ += kPeriod;
    const auto now = Clock::now();
    while (next_ <= now) next_ += kPeriod;  // a stall drops ticks, as the game does
    arm();
  }

  QTimer timer_;
  Clock::time_point next_;
  double x_ = 400;
  double step_ = 5.3;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  Floor floor;
  floor.show();
  if (argc > 1) {
    const double seconds = std::atof(argv[1]);
    QTimer::singleShot(static_cast<int>(seconds * 1000), &app, &QCoreApplication::quit);
  }
  return QApplication::exec();
}
