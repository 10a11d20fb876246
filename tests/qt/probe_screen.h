#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "shell/design.h"
#include "shell/form.h"
#include "shell/program.h"

namespace kestrin::qt::test {

// Two small screens that write down every event they get, so a test can
// tell what the host delivered and in which order.
struct ProbeLog {
  std::vector<std::string> events;
  bool hideButtonOnClick = false;
};

inline constexpr std::array kProbeControls{
    ControlDesign{.name = "cmdGo", .kind = ControlKind::CommandButton,
                  .left = 1500, .top = 1500, .width = 1500, .height = 600,
                  .caption = "Go", .font = kFont24},
    ControlDesign{.name = "lblNote", .kind = ControlKind::Label,
                  .left = 0, .top = 0, .width = 1500, .height = 600, .caption = "note"},
};

inline const ScreenDesign kProbe{.name = "frmProbe", .caption = "Probe",
                                 .clientWidth = 4500, .clientHeight = 3000,
                                 .controls = kProbeControls};
inline const ScreenDesign kOther{.name = "frmOther", .caption = "Other",
                                 .clientWidth = 4500, .clientHeight = 3000,
                                 .placement = Placement::Manual,
                                 .clientLeft = 1500, .clientTop = 3000,
                                 .controls = kProbeControls};

class ProbeForm final : public Form {
 public:
  ProbeForm(Screen& screen, ProbeLog& log) : Form(screen), log_(log) {
    const std::string who(screen.name());
    if (who == "frmProbe") onLoad([this, other = opens("frmOther")] { Show(other); });
    onKeyDown([this, who](std::int16_t code, std::int16_t shift) {
      log_.events.push_back(who + " down " + std::to_string(code) + "/" + std::to_string(shift));
    });
    onKeyUp([this, who](std::int16_t code, std::int16_t shift) {
      log_.events.push_back(who + " up " + std::to_string(code) + "/" + std::to_string(shift));
    });
    onClick(cmdGo, [this, who] {
      log_.events.push_back(who + " click");
      if (log_.hideButtonOnClick) cmdGo.Visible = false;
    });
  }

 private:
  ProbeLog& log_;
  Control& cmdGo = control("cmdGo");
};

// frmProbe opens first, after frmOther: both visible, frmProbe active.
inline void addProbeScreens(Program& program, ProbeLog& log) {
  program.add(kProbe, [&log](Screen& s) { return std::make_unique<ProbeForm>(s, log); });
  program.add(kOther, [&log](Screen& s) { return std::make_unique<ProbeForm>(s, log); });
}

}  // namespace kestrin::qt::test
