#pragma once
// The gallery renders every shot of the control catalog to
// <build folder>/gallery/<name>.png and writes index.txt beside them.
//
// Shot files are tests/render/*_gallery.cpp; each registers its shots with
// QV_CATALOG (see ControlCatalog.h). No CMake edit is needed to add one.
//   drawn_gallery.cpp   - panels, form background, progress bars, tooltips, drawing helpers
//   buttons_gallery.cpp - qvTButton, qvCommand, qvCheckBox (owned by the buttons work)
// bench/paint_bench links the same files (tests/render/CMakeLists.txt attaches them), so
// a shot added here is timed too.
#include "ControlCatalog.h"
