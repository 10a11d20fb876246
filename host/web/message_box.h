#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "host/web/draw_list.h"
#include "host/web/page.h"

namespace kestrin::web {

struct Desktop;

// The program's message box as the page shows it: its text in the
// program's face above an "OK" button at the right, as wide as its title
// needs, centred over the window it belongs to (or the desktop), drawn at
// the page's device pixel ratio.
class MessageBoxLayout {
 public:
  MessageBoxLayout(std::string_view text, std::string_view title, const Desktop& desktop,
                   std::optional<PageRect> over);

  Page::BoxView view() const { return view_; }

 private:
  DrawList list_;
  Page::BoxView view_;
};

}  // namespace kestrin::web
