#pragma once
// Pictures for the demonstration database, painted by the program itself: not skin, but plainly
// drawn stand-ins (a toned background, red patches that fade as a course goes on, a scale bar and a
// striped "demonstration" corner), so that nobody mistakes them for a patient's photograph.

#include <QImage>

namespace course::demo {

// A picture of `width` x `height` pixels. `tone` 0..5 picks a background from pale to dark,
// `patches` the number of patches, `clearing` 0..1 how far they have faded, `seed` varies their
// places so that no two pictures are alike.
QImage paintPhotograph(int width, int height, int tone, int patches, double clearing, unsigned seed);

}  // namespace course::demo
