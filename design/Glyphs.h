// The pictures of the mask edit dialog's glyph buttons, drawn in code: a plus
// and a minus sign (black outline, grey fill, 10 by 10 pixels) and a diagonal
// cross (black lines, 20 by 20). Each is drawn on a silver ground, and silver
// is the transparent colour. Needs a QGuiApplication.
#pragma once

#include <QColor>
#include <QPixmap>

namespace qgen {

// The ground colour that becomes transparent.
inline constexpr QRgb kGlyphTransparent = 0xFFC0C0C0;

QPixmap PlusGlyph();
QPixmap MinusGlyph();
QPixmap CrossGlyph();

}  // namespace qgen
