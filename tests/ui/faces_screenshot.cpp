// Renders a window holding every button face, by state, into a PNG for the documentation:
//   pixa_faces_screenshot docs/ui-faces.png [zoom]   (runs offscreen; no display needed)
// A zoom above 1 enlarges the picture pixel by pixel, for judging the artwork up close.
#include "ui/artwork.h"
#include "ui/image_button.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPalette>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s output.png\n", argv[0]);
        return 2;
    }

    QWidget window;
    window.setWindowTitle(QStringLiteral("PixaMantler faces"));
    auto* grid = new QGridLayout(&window);
    grid->setContentsMargins(16, 70, 16, 14);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(6);

    const char* rows[] = {"up (a)", "pressed (b)", "disabled (c)"};
    for (int row = 0; row < 3; ++row) {
        auto* label = new QLabel(QString::fromLatin1(rows[row]));
        grid->addWidget(label, row + 1, 0, Qt::AlignRight | Qt::AlignVCenter);
    }
    for (int n = 1; n <= pixa::ui::kFaceCount; ++n) {
        auto* number = new QLabel(QString::number(n));
        number->setAlignment(Qt::AlignCenter);
        grid->addWidget(number, 0, n);
        for (int row = 0; row < 3; ++row) {
            const QString name = QString::number(n) + QLatin1Char("abc"[row]);
            if (pixa::ui::faceImage(name).isNull()) continue;
            auto* button = new pixa::ui::ImageButton(n);
            if (row == 1) button->setFace(name);
            if (row == 2) button->disable();
            grid->addWidget(button, row + 1, n, Qt::AlignCenter);
        }
    }

    window.adjustSize();
    QPalette palette = window.palette();
    palette.setBrush(QPalette::Window, QPixmap::fromImage(pixa::ui::windowBackground(
                                           window.size(), QStringLiteral("Button faces"))));
    window.setPalette(palette);
    window.setAutoFillBackground(true);

    QImage shot = window.grab().toImage();
    const int zoom = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    if (zoom > 1) shot = shot.scaled(shot.size() * zoom);
    if (!shot.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
