#pragma once

#include <string>

namespace display {

// The main fonts and the picture width scale with the window's width.
struct WindowMetrics {
    std::string cFont;  // "14.Times New Roman" ... "36.Times New Roman"
    int nOffset = 0;
    double pictureWidth = 0;  // P = (360 + nOffset) / 600 * nWidth, not cut to pixels
};

// By width, each row applying when no row above does (comparisons strict):
// <799: 14 / 0, <1023: 19 / 10, <1150: 24 / 20, <1279: 26 / 24, <1599: 29 / 30,
// otherwise 36 / 44.
WindowMetrics windowMetrics(int nWidth);

}  // namespace display
