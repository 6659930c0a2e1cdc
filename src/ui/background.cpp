// Window backgrounds and the product mark.
#include "ui/artwork.h"
#include "ui/platform.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace pixa::ui {
namespace {

constexpr int kLogoSide = 42;
constexpr int kMargin = 10;

void paintSurface(QPainter& p, QSize size, BackgroundStyle style) {
    const QRectF all(QPointF(0, 0), size);
    if (style == BackgroundStyle::Plain) {
        QLinearGradient shade(all.topLeft(), all.bottomLeft());
        shade.setColorAt(0.0, QColor(252, 251, 238));
        shade.setColorAt(1.0, QColor(232, 230, 206));
        p.fillRect(all, shade);
        // A soft band behind the mark and the name.
        QLinearGradient band(0, 0, 0, 64);
        band.setColorAt(0.0, QColor(246, 244, 205));
        band.setColorAt(1.0, QColor(246, 244, 205, 0));
        p.fillRect(QRectF(0, 0, size.width(), 64), band);
        return;
    }
    p.fillRect(all, QColor(120, 124, 132));
    p.setPen(QPen(QColor(108, 112, 120), 1));
    for (int d = -size.height(); d < size.width(); d += 6)
        p.drawLine(QPointF(d, size.height()), QPointF(d + size.height(), 0));
    QLinearGradient top(0, 0, 0, 64);
    top.setColorAt(0.0, QColor(70, 74, 84));
    top.setColorAt(1.0, QColor(70, 74, 84, 0));
    p.fillRect(QRectF(0, 0, size.width(), 64), top);
}

} // namespace

QImage productLogo(int side) {
    if (side <= 0) return {};
    QImage logo(side, side, QImage::Format_ARGB32_Premultiplied);
    logo.fill(Qt::transparent);
    QPainter p(&logo);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(side / 42.0, side / 42.0);

    // A photo in a white mount, tilted a little, with hills and a sun.
    p.save();
    p.translate(19, 18);
    p.rotate(-8);
    const QRectF mount(-16, -13, 32, 26);
    p.setPen(QPen(QColor(60, 60, 70), 1.2));
    p.setBrush(QColor(255, 255, 255));
    p.drawRoundedRect(mount, 2, 2);
    const QRectF photo = mount.adjusted(3, 3, -3, -3);
    QLinearGradient sky(photo.topLeft(), photo.bottomLeft());
    sky.setColorAt(0, QColor(90, 160, 230));
    sky.setColorAt(1, QColor(190, 225, 250));
    p.setPen(Qt::NoPen);
    p.fillRect(photo, sky);
    p.setClipRect(photo);
    p.setBrush(QColor(250, 210, 40));
    p.drawEllipse(QPointF(photo.right() - 6, photo.top() + 5), 3.2, 3.2);
    QPainterPath hills;
    hills.moveTo(photo.bottomLeft());
    hills.lineTo(photo.left(), photo.bottom() - 6);
    hills.quadTo(photo.left() + 8, photo.bottom() - 15, photo.left() + 15, photo.bottom() - 7);
    hills.quadTo(photo.left() + 20, photo.bottom() - 12, photo.right(), photo.bottom() - 5);
    hills.lineTo(photo.bottomRight());
    hills.closeSubpath();
    p.fillPath(hills, QColor(60, 150, 70));
    p.restore();

    // The padlock over the photo's lower right corner.
    QPainterPath shackle;
    shackle.moveTo(26, 28);
    shackle.lineTo(26, 24);
    shackle.arcTo(QRectF(26, 18, 10, 12), 180, -180);
    shackle.lineTo(36, 28);
    p.strokePath(shackle, QPen(QColor(40, 40, 48), 4.4, Qt::SolidLine, Qt::FlatCap));
    p.strokePath(shackle, QPen(QColor(180, 184, 196), 2.4, Qt::SolidLine, Qt::FlatCap));
    const QRectF body(22, 27, 18, 14);
    QLinearGradient brass(body.topLeft(), body.bottomLeft());
    brass.setColorAt(0, QColor(252, 208, 64));
    brass.setColorAt(1, QColor(200, 140, 20));
    p.setPen(QPen(QColor(90, 60, 0), 1.2));
    p.setBrush(brass);
    p.drawRoundedRect(body, 2.5, 2.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 36, 0));
    p.drawEllipse(QPointF(31, 32.5), 2, 2);
    p.drawRect(QRectF(30.3, 33, 1.4, 4.5));
    return logo;
}

QImage windowBackground(const QSize& size, const QString& banner) {
    return windowBackground(size, banner, BackgroundStyle::Plain);
}

QImage windowBackground(const QSize& size, const QString& banner, BackgroundStyle style) {
    if (size.isEmpty()) return {};
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        qWarning("windowBackground: backgrounds carry text and need a QGuiApplication");
        return {};
    }
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    paintSurface(p, size, style);
    p.drawImage(kMargin, kMargin, productLogo(kLogoSide));

    const bool dark = style == BackgroundStyle::Hatched;
    QFont name(QStringLiteral("DejaVu Sans"));
    name.setStyleHint(QFont::SansSerif);
    name.setPixelSize(19);
    name.setBold(true);
    p.setFont(name);
    const int textLeft = kMargin + kLogoSide + 8;
    p.setPen(dark ? QColor(255, 255, 255) : QColor(34, 44, 100));
    p.drawText(QPointF(textLeft, kMargin + 19), kAppTitle);

    if (!banner.isEmpty()) {
        QFont small(name);
        small.setPixelSize(12);
        small.setBold(false);
        small.setItalic(true);
        p.setFont(small);
        p.setPen(dark ? QColor(230, 232, 240) : QColor(110, 80, 20));
        const QFontMetrics metrics(small);
        p.drawText(QPointF(textLeft, kMargin + 37),
                   metrics.elidedText(banner, Qt::ElideRight, size.width() - textLeft - kMargin));
    }
    return image;
}

namespace {

// The title's plate and the place of its medallion on it.
constexpr QColor kGold(222, 180, 66);
constexpr QColor kNight(12, 16, 44);
constexpr QRectF kPlate(8, 36, kTitleWidth - 16, kTitleHeight - 44);
// The medallion rises above the plate's top edge.
constexpr QPointF kMedallionCentre(86, 94);
constexpr qreal kMedallionRadius = 74;

void paintPlate(QPainter& p) {
    QLinearGradient night(kPlate.topLeft(), kPlate.bottomLeft());
    night.setColorAt(0.0, QColor(38, 52, 112));
    night.setColorAt(1.0, kNight);
    p.setPen(QPen(kGold, 2.5));
    p.setBrush(night);
    p.drawRoundedRect(kPlate, 24, 24);
}

void paintMedallion(QPainter& p) {
    QRadialGradient pearl(kMedallionCentre - QPointF(20, 24), kMedallionRadius * 1.4);
    pearl.setColorAt(0.0, QColor(255, 255, 250));
    pearl.setColorAt(1.0, QColor(200, 206, 224));
    p.setPen(QPen(kGold, 5));
    p.setBrush(pearl);
    p.drawEllipse(kMedallionCentre, kMedallionRadius, kMedallionRadius);
    const int logoSide = 104;
    p.drawImage(
        QPointF(kMedallionCentre.x() - logoSide / 2.0, kMedallionCentre.y() - logoSide / 2.0),
        productLogo(logoSide));
}

// The name in two colours over a gold rule, and the tagline below it.
void paintName(QPainter& p) {
    const qreal textLeft = kMedallionCentre.x() + kMedallionRadius + 14;
    QFont name(QStringLiteral("DejaVu Sans"));
    name.setStyleHint(QFont::SansSerif);
    name.setBold(true);
    const QString first = QStringLiteral("Pixa");
    const qreal room = kPlate.right() - textLeft - 18;
    // As large as the room allows, whatever the font the system substitutes.
    for (int pixels = 38; pixels > 12; --pixels) {
        name.setPixelSize(pixels);
        if (QFontMetricsF(name).horizontalAdvance(kAppTitle) <= room) break;
    }
    p.setFont(name);
    p.setPen(QColor(255, 255, 255));
    p.drawText(QPointF(textLeft, 100), first);
    p.setPen(kGold);
    p.drawText(QPointF(textLeft + QFontMetricsF(name).horizontalAdvance(first), 100),
               QStringLiteral("Mantler"));

    p.fillRect(QRectF(textLeft, 112, room, 2), kGold);

    QFont tagline(name);
    tagline.setPixelSize(14);
    tagline.setBold(false);
    tagline.setItalic(true);
    p.setFont(tagline);
    p.setPen(QColor(200, 212, 240));
    p.drawText(QPointF(textLeft, 136), QStringLiteral("Password protection"));
    p.drawText(QPointF(textLeft, 154), QStringLiteral("for your photos"));
}

// A pixel at least half covered keeps its colour over the night ground, any other becomes the
// mask colour; a colour that happens to be the mask's is moved off it.
QImage flattenOverMask(const QImage& layer) {
    QImage title(layer.size(), QImage::Format_RGB32);
    for (int y = 0; y < layer.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(layer.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(title.scanLine(y));
        for (int x = 0; x < layer.width(); ++x) {
            const int alpha = qAlpha(in[x]);
            if (alpha < 128) {
                out[x] = kTitleMaskRgb;
                continue;
            }
            // Premultiplied: the colour over the ground is colour + ground × (1 − alpha).
            const auto over = [alpha](int c, int g) { return c + g * (255 - alpha) / 255; };
            QRgb rgb = qRgb(over(qRed(in[x]), kNight.red()), over(qGreen(in[x]), kNight.green()),
                            over(qBlue(in[x]), kNight.blue()));
            if (rgb == kTitleMaskRgb) rgb = qRgb(255, 0, 254);
            out[x] = rgb;
        }
    }
    return title;
}

} // namespace

QImage titlePicture() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        qWarning("titlePicture: the title carries text and needs a QGuiApplication");
        return {};
    }
    // Drawn with antialiasing on transparency, then flattened: a pixel at least half covered
    // keeps its colour over a dark ground, any other becomes the mask colour. Soft edges against
    // magenta would leave a pink fringe on the desktop.
    QImage layer(kTitleWidth, kTitleHeight, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    QPainter p(&layer);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    paintPlate(p);
    paintMedallion(p);
    paintName(p);
    p.end();
    return flattenOverMask(layer);
}

} // namespace pixa::ui
