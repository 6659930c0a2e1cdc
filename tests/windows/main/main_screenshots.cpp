// Renders the main window with a large photo, scrolled and then fitted, into PNG files.
#include "main_harness.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>

#include <cstdio>

using namespace pixatest;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));

    MainHarness h;
    if (!h.start()) return 1;
    h.open(h.picture(QStringLiteral("lake.jpg"), {QSize(2400, 1800), "jpeg"}), 3);
    if (!h.platform.messages().isEmpty()) return 1;
    h.bar("HScroll1")->setValue(1400);
    h.bar("VScroll1")->setValue(850);
    h.control<QLineEdit>("Text1")->setText(QStringLiteral("The lake house, summer evening"));
    h.window.grab().save(out.filePath(QStringLiteral("main-window-scrolled.png")));

    h.window.Command3_Click();
    h.window.grab().save(out.filePath(QStringLiteral("main-window-fitted.png")));
    return 0;
}
