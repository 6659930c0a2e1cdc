// Renders the title screen over a made-up desktop into a PNG file.
#include "scripted_platform.h"
#include "windows/title/title_window.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>

#include <cstdio>

namespace {

// A wallpaper, a panel and two windows: enough to see the desktop through the title's corners.
QImage madeUpDesktop(QSize size) {
    QImage desktop(size, QImage::Format_RGB32);
    QPainter p(&desktop);
    QLinearGradient sky(0, 0, size.width(), size.height());
    sky.setColorAt(0, QColor(54, 96, 146));
    sky.setColorAt(1, QColor(150, 96, 120));
    p.fillRect(desktop.rect(), sky);
    p.fillRect(QRect(0, 0, size.width(), 28), QColor(30, 32, 38));
    const auto window = [&p](QRect r, const QColor& body) {
        p.fillRect(r, body);
        p.fillRect(QRect(r.left(), r.top(), r.width(), 24), QColor(70, 74, 84));
        p.setPen(QColor(200, 200, 200));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    };
    window(QRect(60, 70, 420, 280), QColor(236, 236, 232));
    window(QRect(380, 250, 460, 250), QColor(250, 250, 250));
    return desktop;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    const QSize screen(960, 540);
    pixa::ui::TitleSources sources;
    sources.desktop = [screen] { return pixa::ui::DesktopPicture{screen, madeUpDesktop(screen)}; };
    pixa::ui::ScriptedPlatform platform;
    pixa::ui::TitleWindow title(
        platform, [] {}, pixa::ui::kTitleIntervalMs, sources);
    title.load();
    if (!platform.messages().isEmpty()) return 1;
    return title.surface().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
