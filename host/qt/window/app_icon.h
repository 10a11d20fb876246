#pragma once

#include <QIcon>

namespace kestrin::qt {

// The name the desktop knows Kestrin by: its desktop entry, icon and
// metainfo files are all named after it.
inline constexpr char kApplicationId[] = "io.github.kestrin.Kestrin";

// The program's icon at every size it was drawn at, from the PNGs compiled
// into the program, so title bars and task switchers pick a sharp one.
QIcon programIcon();

}  // namespace kestrin::qt
