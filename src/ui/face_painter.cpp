// The face tiles: frame, bevel and state colours around the symbols, the face cache and the
// bitmap export.
#include "ui/artwork.h"
#include "ui/face_symbols.h"

#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QPixmapCache>
#include <QRegularExpression>
#include <QtEndian>

#include <optional>

namespace pixa::ui {
namespace {

constexpr int kBevelWidth = 6;

enum class State { Up, Pressed, Disabled };

// Tile and bevel colours of one state. The two outermost bevel pixels of each side are exact;
// the remaining four fade into the tile.
struct StateColours {
    QRgb tile;
    QRgb topLeft[2];
    QRgb bottomRight[2];
};

StateColours coloursFor(State state, int faceNumber) {
    switch (state) {
    case State::Up:
        return {qRgb(242, 255, 0),
                {qRgb(239, 255, 191), qRgb(237, 255, 139)},
                {qRgb(139, 123, 0), qRgb(160, 147, 0)}};
    case State::Pressed:
        return {qRgb(166, 179, 0),
                {qRgb(63, 47, 0), qRgb(84, 71, 0)},
                {qRgb(163, 179, 115), qRgb(161, 179, 63)}};
    case State::Disabled:
        break;
    }
    // Face 8's disabled tile is blue; it is never shown, but it is part of the set.
    const QRgb tile = faceNumber == 8 ? qRgb(46, 70, 160) : qRgb(127, 127, 127);
    return {tile, {qRgb(222, 222, 222), qRgb(196, 196, 196)}, {qRgb(69, 69, 69), qRgb(79, 79, 79)}};
}

QRgb mix(QRgb from, QRgb to, double t) {
    auto channel = [t](int a, int b) { return int(a + (b - a) * t + 0.5); };
    return qRgb(channel(qRed(from), qRed(to)), channel(qGreen(from), qGreen(to)),
                channel(qBlue(from), qBlue(to)));
}

bool isWide(int faceNumber) {
    return faceNumber == 1 || faceNumber == 2 || faceNumber == 7 || faceNumber == 8 ||
           faceNumber == 11;
}

// The bare tile: black frame, bevel, flat inside. Pixels on a corner's diagonal belong to the
// top and left sides.
QImage paintTile(QSize size, const StateColours& colours) {
    QRgb topLeft[kBevelWidth];
    QRgb bottomRight[kBevelWidth];
    for (int ring = 0; ring < kBevelWidth; ++ring) {
        // Rings 0 and 1 are the listed colours; rings 2..5 step from ring 1 towards the tile.
        const double t = ring < 2 ? 0.0 : double(ring - 1) / (kBevelWidth - 1);
        topLeft[ring] = ring == 0 ? colours.topLeft[0] : mix(colours.topLeft[1], colours.tile, t);
        bottomRight[ring] =
            ring == 0 ? colours.bottomRight[0] : mix(colours.bottomRight[1], colours.tile, t);
    }
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    const int w = size.width();
    const int h = size.height();
    for (int y = 1; y < h - 1; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 1; x < w - 1; ++x) {
            const int nearTopLeft = std::min(x - 1, y - 1);
            const int nearBottomRight = std::min(w - 2 - x, h - 2 - y);
            const int ring = std::min(nearTopLeft, nearBottomRight);
            if (ring >= kBevelWidth)
                line[x] = colours.tile;
            else
                line[x] = nearTopLeft <= nearBottomRight ? topLeft[ring] : bottomRight[ring];
        }
    }
    return image;
}

// The symbol in full colour on transparency, kept off the two outer bevel rings, drawn at
// `ratio` device pixels to a pixel of the face.
QImage symbolLayer(int faceNumber, QSize size, double ratio) {
    QImage layer(size * ratio, QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(ratio);
    layer.fill(Qt::transparent);
    QPainter painter(&layer);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    painter.setClipRect(QRect(3, 3, size.width() - 7, size.height() - 7));
    detail::paintFaceSymbol(painter, faceNumber,
                            QRectF(6, 6, size.width() - 12, size.height() - 12));
    return layer;
}

// The symbol dimmed with the tile, for the pressed face.
QImage darkened(const QImage& layer, double factor) {
    QImage out = layer;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb p = line[x];
            line[x] = qRgba(int(qRed(p) * factor), int(qGreen(p) * factor), int(qBlue(p) * factor),
                            qAlpha(p));
        }
    }
    return out;
}

// The symbol's shape alone, filled with one colour: the etched edge of the disabled face.
QImage silhouette(const QImage& layer, QColor colour) {
    QImage out(layer.size(), QImage::Format_ARGB32_Premultiplied);
    out.setDevicePixelRatio(layer.devicePixelRatio());
    out.fill(colour);
    QPainter painter(&out);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.drawImage(0, 0, layer);
    return out;
}

// The symbol in washed-out greys: its details stay, its colour and contrast go.
QImage greyed(const QImage& layer) {
    QImage out = layer;
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb p = line[x];
            const int alpha = qAlpha(p);
            if (alpha == 0) continue;
            // Premultiplied: take the grey of the unmultiplied colour, then multiply back.
            const int grey = (qRed(p) * 11 + qGreen(p) * 16 + qBlue(p) * 5) * 255 / (32 * alpha);
            const int washed = (78 + grey * 100 / 255) * alpha / 255;
            line[x] = qRgba(washed, washed, washed, alpha);
        }
    }
    return out;
}

// The face at `ratio` device pixels to its pixel: the tile's frame and bevel are whole pixels,
// each enlarged as a block; the symbol is drawn at the device's resolution.
QImage paintFace(int faceNumber, State state, double ratio = 1.0) {
    const QSize size = faceSize(faceNumber);
    QImage face = paintTile(size, coloursFor(state, faceNumber));
    if (ratio != 1.0) face = face.scaled(size * ratio);
    face.setDevicePixelRatio(ratio);
    const QImage layer = symbolLayer(faceNumber, size, ratio);
    QPainter painter(&face);
    painter.setClipRect(QRect(3, 3, size.width() - 6, size.height() - 6));
    switch (state) {
    case State::Up:
        painter.drawImage(0, 0, layer);
        break;
    case State::Pressed:
        // Sunken: the symbol sinks one pixel and darkens as the tile does.
        painter.drawImage(1, 1, darkened(layer, 166.0 / 242.0));
        break;
    case State::Disabled:
        // Etched: a light edge under a grey symbol, the usual look of an unusable command.
        painter.drawImage(1, 1, silhouette(layer, QColor(220, 220, 220)));
        painter.drawImage(0, 0, greyed(layer));
        break;
    }
    return face;
}

struct FaceName {
    int number;
    State state;
};

std::optional<FaceName> parseFaceName(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^([1-9]|1[0-9])([abc])$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const auto match = pattern.match(name);
    if (!match.hasMatch()) return std::nullopt;
    const int number = match.captured(1).toInt();
    if (number > kFaceCount) return std::nullopt;
    const QChar letter = match.captured(2).at(0).toLower();
    const State state = letter == QLatin1Char('a')   ? State::Up
                        : letter == QLatin1Char('b') ? State::Pressed
                                                     : State::Disabled;
    if (number == 9 && state == State::Disabled) return std::nullopt;
    return FaceName{number, state};
}

} // namespace

QSize faceSize(int faceNumber) {
    if (faceNumber < 1 || faceNumber > kFaceCount) return {};
    return {isWide(faceNumber) ? kWideFaceWidth : kNarrowFaceWidth, kFaceHeight};
}

QStringList faceNames() {
    QStringList names;
    for (int n = 1; n <= kFaceCount; ++n) {
        for (const char state : {'a', 'b', 'c'}) {
            if (n == 9 && state == 'c') continue;
            names << QString::number(n) + QLatin1Char(state);
        }
    }
    return names;
}

QImage faceImage(const QString& name) {
    const auto parsed = parseFaceName(name);
    if (!parsed) return {};
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        qWarning("faceImage: faces are drawn with fonts and need a QGuiApplication");
        return {};
    }
    static QHash<QString, QImage> cache;
    const QString key = name.toLower();
    auto it = cache.find(key);
    if (it == cache.end()) it = cache.insert(key, paintFace(parsed->number, parsed->state));
    return *it;
}

QPixmap facePixmap(const QString& name) {
    // Checks the name and the application first: the ratio needs a QGuiApplication.
    QImage image = faceImage(name);
    if (image.isNull()) return {};
    // Drawn for the densest screen, so a high-density one shows it sharp, not enlarged.
    const double ratio = qGuiApp->devicePixelRatio();
    const QString key = QStringLiteral("pixa-face-%1@%2").arg(name.toLower()).arg(ratio);
    QPixmap pixmap;
    if (QPixmapCache::find(key, &pixmap)) return pixmap;
    if (ratio != 1.0) {
        const FaceName face = *parseFaceName(name);
        image = paintFace(face.number, face.state, ratio);
    }
    pixmap = QPixmap::fromImage(image);
    QPixmapCache::insert(key, pixmap);
    return pixmap;
}

QByteArray faceDib(const QString& name) {
    const QImage image = faceImage(name);
    if (image.isNull()) return {};
    constexpr int kHeaderSize = 40;
    const int width = image.width();
    const int height = image.height();
    const int rowBytes = (width * 3 + 3) / 4 * 4;
    const int pixelBytes = rowBytes * height;

    QByteArray dib(kHeaderSize + pixelBytes, '\0');
    auto* out = reinterpret_cast<uchar*>(dib.data());
    qToLittleEndian<quint32>(kHeaderSize, out);     // header size
    qToLittleEndian<qint32>(width, out + 4);        // width
    qToLittleEndian<qint32>(height, out + 8);       // positive height: rows run bottom-up
    qToLittleEndian<quint16>(1, out + 12);          // planes
    qToLittleEndian<quint16>(24, out + 14);         // bits per pixel
    qToLittleEndian<quint32>(0, out + 16);          // no compression
    qToLittleEndian<quint32>(pixelBytes, out + 20); // size of the pixel data
    // Resolution and palette counts stay zero.

    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(height - 1 - y));
        uchar* row = out + kHeaderSize + y * rowBytes;
        for (int x = 0; x < width; ++x) {
            row[x * 3] = uchar(qBlue(line[x]));
            row[x * 3 + 1] = uchar(qGreen(line[x]));
            row[x * 3 + 2] = uchar(qRed(line[x]));
        }
    }
    return dib;
}

} // namespace pixa::ui
