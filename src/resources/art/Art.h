#pragma once
// The program's pictures, painted from code so that they can be redrawn: the body outline, the
// target cursor, the program icon and the button pictures.

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

namespace art {

inline constexpr QSize personSize{216, 263};

// The body outline: front view left, back view right, black lines on white.
QImage drawPerson();

// The target cursor, 32 x 32: a ring with a cross through it, black with a white rim, centred on
// the pixel (15, 15); nothing but opaque black, opaque white and clear pixels.
QImage drawTarget();

// The program icon at `size` pixels square.
QImage drawIcon(int size);

// The button pictures by name (see buttonNames()), `size` pixels square, on a clear background.
QStringList buttonNames();
QImage drawButton(const QString& name, int size);

}  // namespace art
