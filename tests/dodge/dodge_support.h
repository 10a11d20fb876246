#pragma once

// Small helpers shared by the Dodge tests: reading the Dodge screen out of a
// trace line, and putting balls where a case needs them.

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "tests/support/session.h"

namespace kestrin::test::dodge {

inline const std::string kDodge = "frmKestrinDodge";

// The playfield shpR and the player's size, from the Dodge design.
inline constexpr double kFieldLeft = 3480, kFieldTop = 240;
inline constexpr double kFieldRight = 13095, kFieldBottom = 9375;  // 3480 + 9615, 240 + 9135
inline constexpr double kPlayerWidth = 615, kPlayerHeight = 495;
inline constexpr double kPlayerMaxLeft = 12480;  // 13095 - 615
inline constexpr double kPlayerMaxTop = 8880;    // 9375 - 495
inline constexpr std::int64_t kPeriod = 15'625;  // microseconds: Interval 15 ms, raised to 1/64 s

struct BallInfo {
  const char* shape;
  const char* stepX;
  const char* stepY;
  double size;
  double releaseScore;  // 0: in play from the start
};
inline constexpr std::array<BallInfo, 4> kBalls{{
    {"shpBall", "BallStepX", "BallStepY", 375, 0},
    {"shpBall2", "Ball2StepX", "Ball2StepY", 375, 1000},
    {"shpBall3", "Ball3StepX", "Ball3StepY", 375, 2500},
    {"shpBall4", "Ball4StepX", "Ball4StepY", 855, 5000},
}};

struct Pos {
  double left;
  double top;
  bool operator==(const Pos&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const Pos& p) {
  return os << "(" << p.left << ", " << p.top << ")";
}

// Reading the Dodge screen out of a trace line.
inline const Json& ctl(const Json& line, const std::string& name) {
  return traced(line, kDodge, name);
}
inline Pos at(const Json& line, const std::string& name) {
  return {ctl(line, name)["Left"].get<double>(), ctl(line, name)["Top"].get<double>()};
}
inline bool shown(const Json& line, const std::string& name) {
  return ctl(line, name)["Visible"].get<bool>();
}
inline std::string text(const Json& line, const std::string& name) {
  return ctl(line, name)["Caption"].get<std::string>();
}
inline int var(const Json& line, const std::string& name) {
  return static_cast<int>(line["screens"][kDodge]["vars"][name].get<double>());
}
inline bool ticking(const Json& line) { return ctl(line, "Timer1")["Enabled"].get<bool>(); }
inline std::string event(const Json& line) {
  return line.contains("event") ? line["event"].get<std::string>() : std::string();
}

// Opens Dodge from the launcher at the current time.
inline void openDodge(Session& s) { s.run("click Main Image2"); }

// Puts a ball at a place with the given steps before the next tick.
inline void place(Session& s, const BallInfo& ball, double left, double top, int stepX = 0,
                  int stepY = 0) {
  Control& c = s.control(kDodge, ball.shape);
  c.Left = static_cast<float>(left);
  c.Top = static_cast<float>(top);
  s.setVar(kDodge, ball.stepX, stepX);
  s.setVar(kDodge, ball.stepY, stepY);
}

inline void placePlayer(Session& s, double left, double top) {
  Control& p = s.control(kDodge, "Paddle");
  p.Left = static_cast<float>(left);
  p.Top = static_cast<float>(top);
}

// Keeps the first ball still, far from the player's start (7680, 8520) and
// clear of every edge, so a case about something else is not disturbed by it.
inline void parkFirstBall(Session& s) { place(s, kBalls[0], 10000, 4000); }

}  // namespace kestrin::test::dodge
