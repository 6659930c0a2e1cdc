// Renders the help window showing the help document into a PNG for the documentation:
//   pixa_help_screenshot <help file> docs/help-window.png   (runs offscreen; no display needed)
#include "ui/help_window.h"

#include <QApplication>
#include <QImage>

#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s help-file output.png\n", argv[0]);
        return 2;
    }
    pixa::ui::HelpWindow window;
    window.resize(640, 520);
    window.showDocument(QString::fromLocal8Bit(argv[1]));
    if (!window.documentLoaded()) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 1;
    }
    if (!window.grab().toImage().save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[2]);
        return 1;
    }
    return 0;
}
