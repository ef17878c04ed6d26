#pragma once
// The program's pictures, drawn in 16 colours of which only white, black, dark
// red and bright green are used. The colour of the bottom-left pixel (white)
// is transparent, so the surface beneath shows through.
#include <QIcon>
#include <QImage>

namespace tavlori::ui {

// 40 × 40: a bare dark-red tree with six small separate clumps of bright-green
// leaves outlined in black (the button that deletes unneeded pages).
QImage bareTreeImage();
// 40 × 40: a tree with one full, dense green crown outlined in black, dark-red
// branches showing through it, on a dark-red trunk (the link investigation).
QImage fullTreeImage();
// size × size (32 × 32 in the window): the bare tree, the window's and the
// program's icon.
QImage iconImage(int size = 32);
QIcon programIcon();

} // namespace tavlori::ui
