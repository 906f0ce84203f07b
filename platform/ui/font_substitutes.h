#pragma once

namespace platform::ui {

// The shop's settings name Windows' core fonts ("Times New Roman", "Courier",
// "Courier New", "Helv", "MS Sans Serif"). Where the system has none of them
// (everywhere but Windows) this tells Qt which installed faces to use instead,
// metric-compatible ones first (Liberation Serif, Mono and Sans, then Tinos,
// Cousine and Arimo, then DejaVu). On Windows they are the system's own faces
// (Windows maps "Helv" itself) and nothing is substituted. Once, on the GUI
// thread, before widgets are made.
void substituteWindowsFonts();

}  // namespace platform::ui
