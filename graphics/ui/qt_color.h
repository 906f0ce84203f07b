#pragma once

#include <QColor>
#include <QPalette>

namespace graphics {

// The colour a code stands for: palette, special and RGB codes give fixed
// colours, desktop codes the matching role of `palette` (-40 Button, -47 Base,
// -58 ButtonText). Codes that stand for nothing give an invalid QColor.
QColor toQColor(double code, const QPalette& palette);

}  // namespace graphics
