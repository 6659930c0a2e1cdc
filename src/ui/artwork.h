// The application's drawn pictures: the button faces and the windows' backgrounds, all made by
// code so that they are reproducible and testable.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>

namespace pixa::ui {

// The face named "<n><a|b|c>" (any letter case), e.g. "4c"; a null image for an unknown name.
QImage faceImage(const QString& name);
QPixmap facePixmap(const QString& name);

// The common look of a window background: a surface of `size` with the product logo at the top
// left and a banner text. Windows draw their own labels and frames over it.
QImage windowBackground(const QSize& size, const QString& banner);

} // namespace pixa::ui
