// Renders the search window listing a folder of wrapped photos, deep in a tree of long folder
// names, into a PNG file.
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
    const QString deep = QStringLiteral("Pictures/Family albums/Summer holidays in Brittany 2026");
    for (const auto& photo : photos) {
        if (!h.wrap(deep + QLatin1Char('/') + QString::fromLatin1(photo.file), photo.caption,
                    photo.anna ? h.anna : h.bruno))
            return 1;
    }
    h.open(deep);
    h.list()->setCurrentRow(2);
    return h.window->grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
