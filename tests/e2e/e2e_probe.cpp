// What the end-to-end script cannot see with shell tools: the screen's pixels, the file type a
// desktop gives a file, and a photo-like picture to wrap.
//   pixa-e2e-probe screenshot OUT.png      the whole screen of $DISPLAY
//   pixa-e2e-probe pixel X Y               "#rrggbb" of that screen pixel
//   pixa-e2e-probe hash X Y WIDTH HEIGHT   one hash of that rectangle's pixels, to compare
//   pixa-e2e-probe mime FILE               the file type by name and content
//   pixa-e2e-probe mime-content FILE       the file type by content alone
//   pixa-e2e-probe photo OUT.bmp           a 320 x 240 picture; its top-left 64 x 64 is #0cc878
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QGuiApplication>
#include <QImage>
#include <QMimeDatabase>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

namespace {

int usage() {
    std::fprintf(stderr, "usage: pixa-e2e-probe screenshot OUT.png | pixel X Y | "
                         "hash X Y WIDTH HEIGHT | mime FILE | mime-content FILE | photo OUT.bmp\n");
    return 2;
}

QPixmap grab(int x, int y, int width, int height) {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->grabWindow(0, x, y, width, height) : QPixmap();
}

QImage photo() {
    QImage image(320, 240, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient sky(0, 0, 0, 240);
    sky.setColorAt(0, QColor(70, 130, 220));
    sky.setColorAt(1, QColor(250, 200, 120));
    p.fillRect(image.rect(), sky);
    p.setBrush(QColor(40, 110, 50));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPoint(220, 260), 180, 90);
    p.fillRect(QRect(0, 0, 64, 64), QColor(0x0c, 0xc8, 0x78));
    return image;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const QByteArray command = argv[1];
    const QString arg = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();

    if (command == "photo") {
        if (argc != 3) return usage();
        QCoreApplication app(argc, argv);
        return photo().save(arg, "BMP") ? 0 : 1;
    }
    if (command == "mime" || command == "mime-content") {
        if (argc != 3) return usage();
        QCoreApplication app(argc, argv);
        const QMimeDatabase db;
        const QMimeType type = command == "mime"
                                   ? db.mimeTypeForFile(arg)
                                   : db.mimeTypeForFile(arg, QMimeDatabase::MatchContent);
        std::printf("%s\n", qPrintable(type.name()));
        return 0;
    }

    QGuiApplication app(argc, argv);
    if (command == "screenshot" && argc == 3) return grab(0, 0, -1, -1).save(arg) ? 0 : 1;
    if (command == "pixel" && argc == 4) {
        const QImage pixel =
            grab(QByteArray(argv[2]).toInt(), QByteArray(argv[3]).toInt(), 1, 1).toImage();
        if (pixel.isNull()) return 1;
        std::printf("%s\n", qPrintable(QColor(pixel.pixel(0, 0)).name()));
        return 0;
    }
    if (command == "hash" && argc == 6) {
        const QImage region = grab(QByteArray(argv[2]).toInt(), QByteArray(argv[3]).toInt(),
                                   QByteArray(argv[4]).toInt(), QByteArray(argv[5]).toInt())
                                  .toImage()
                                  .convertToFormat(QImage::Format_RGB32);
        if (region.isNull()) return 1;
        QCryptographicHash hash(QCryptographicHash::Sha1);
        for (int y = 0; y < region.height(); ++y)
            hash.addData(QByteArrayView(reinterpret_cast<const char*>(region.constScanLine(y)),
                                        region.width() * 4));
        std::printf("%s\n", hash.result().toHex().constData());
        return 0;
    }
    return usage();
}
