// Renders the search window listing a folder of wrapped photos into a PNG file.
#include "search_harness.h"

#include <QApplication>
#include <QListWidget>

#include <cstdio>

using namespace pixatest;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FILE\n", argv[0]);
        return 2;
    }
    SearchHarness h;
    const struct {
        const char* file;
        std::string caption;
        bool anna;
    } photos[] = {
        {"beach.pff", "Beach at sunset, summer 2025", true},
        {"birthday.pff", "Bruno's 40th birthday", false},
        {"garden.pff", "The garden in May", true},
        {"harbour.pff", pixa::tagFromPath("/media/usb/photos/harbour.jpg"), true},
        {"wedding.pff", "Wedding of Clara and Tom", false},
    };
    for (const auto& photo : photos) {
        if (!h.wrap(QString::fromLatin1(photo.file), photo.caption, photo.anna ? h.anna : h.bruno))
            return 1;
    }
    h.open();
    h.list()->setCurrentRow(2);
    return h.window->grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
