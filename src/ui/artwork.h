// The application's drawn pictures: the button faces and the windows' backgrounds, all made by
// code so that they are reproducible and testable.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QStringList>

namespace pixa::ui {

// Every face is a bevelled tile this many pixels high; wide faces are 71 pixels, narrow ones 40.
inline constexpr int kFaceHeight = 37;
inline constexpr int kWideFaceWidth = 71;
inline constexpr int kNarrowFaceWidth = 40;
inline constexpr int kFaceCount = 13;

// The size of face number `faceNumber` (1..13); an invalid size for another number.
QSize faceSize(int faceNumber);

// The 38 face names in order: "1a", "1b", "1c", ... "9a", "9b", "10a", ... "13c".
QStringList faceNames();

// The face named "<n><a|b|c>" (any letter case), e.g. "4c"; a null image for an unknown name.
// Drawing text needs a QGuiApplication; faces are drawn on first use and kept.
QImage faceImage(const QString& name);
QPixmap facePixmap(const QString& name);

// The face as an uncompressed 24-bit device-independent bitmap: a 40-byte header, then
// bottom-up rows padded to 4 bytes (8032 bytes wide, 4480 narrow). Empty for an unknown name.
QByteArray faceDib(const QString& name);

enum class BackgroundStyle {
    Plain,   // a light, softly shaded surface
    Hatched, // a grey hatched surface for the browsing windows
};

// The common look of a window background: a surface of `size` with the product logo at the top
// left and a banner text. Windows draw their own labels and frames over it. The logo, the name
// and the banner keep within the top-left 200 × 60 pixels.
QImage windowBackground(const QSize& size, const QString& banner);
QImage windowBackground(const QSize& size, const QString& banner, BackgroundStyle style);

// The product mark alone: a framed photo with a padlock, `side` pixels square, on transparency.
QImage productLogo(int side);

// The title picture's size, and the colour in it that stands for "let the desktop show".
inline constexpr int kTitleWidth = 426;
inline constexpr int kTitleHeight = 180;
inline constexpr QRgb kTitleMaskRgb = 0xFFFF00FF; // RGB(255, 0, 255), opaque

// The start-up title: the product mark in a medallion and the name on a rounded plate, opaque
// 24-bit colour (Format_RGB32), magenta wherever the desktop behind it should show. Edges are
// hard against the magenta, and no pixel of the drawing itself is magenta. Needs a
// QGuiApplication (text); a null image without one.
QImage titlePicture();

} // namespace pixa::ui
