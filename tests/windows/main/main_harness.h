// Drives the main window headless: a private data folder, a fixed clock, the scripted platform
// and the real owner flow and viewer unlock launcher, with pictures written on demand.
#pragma once

#include "core/clock.h"
#include "core/codepage.h"
#include "core/owner_codec.h"
#include "core/owner_store.h"
#include "core/session.h"
#include "scripted_platform.h"
#include "test_photo.h"
#include "ui/image_button.h"
#include "windows/main/pixaform.h"
#include "windows/owner/owner_flow.h"
#include "windows/unlock/viewer_unlock.h"

#include <QImageWriter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

namespace pixatest {

namespace fs = std::filesystem;

struct PictureSpec {
    QSize size;
    QByteArray format = "bmp"; // or "jpeg"
    bool progressive = false;
    QImageIOHandler::Transformation orientation = QImageIOHandler::TransformationNone;
};

class MainHarness {
public:
    // The clock reads 10:minute:second; an owner registered now gets the shift minute + second.
    explicit MainHarness(int minute = 7, int second = 5)
        : clock(10, minute, second), session(fs::path(dir.path().toStdString()), clock),
          window(session, platform), owners(session, window, platform),
          unlock(session, window, platform) {
        window.attach(owners, unlock);
    }

    QTemporaryDir dir;
    pixa::FixedClock clock;
    pixa::Session session;
    pixa::ui::ScriptedPlatform platform;
    pixa::ui::pixaform window;
    pixa::ui::OwnerFlow owners;
    pixa::ui::ViewerUnlock unlock;

    // Registers "alice" and makes her the current owner, as a login would; shows the window.
    bool start() {
        const auto pad = [](const char* text, size_t width) { return pixa::padField(text, width); };
        const auto owner = pixa::registerOwner(
            session.store(), pad("alice", pixa::kNameWidth), pad("pw", pixa::kPasswordWidth),
            pad("view", pixa::kPasswordWidth), pad("", pixa::kHintWidth), clock);
        if (!owner) return false;
        session.setCurrentOwner(*owner);
        window.setMainWindowEnabled(true);
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    // Writes a photo-like picture; the path.
    QString picture(const QString& name, const PictureSpec& spec) const {
        QImageWriter writer(path(name), spec.format);
        writer.setProgressiveScanWrite(spec.progressive);
        writer.setTransformation(spec.orientation);
        const QImage image = spec.size.width() * spec.size.height() > 30'000'000
                                 ? flat(spec.size)
                                 : photoLike(spec.size);
        if (!writer.write(image)) qFatal("cannot write %s", qPrintable(name));
        return path(name);
    }
    QString picture(const QString& name, QSize size) const {
        return picture(name, PictureSpec{size});
    }

    // The open command with the dialog answered.
    void open(const QString& file, int filterIndex) {
        platform.queueFile(file, filterIndex);
        window.Command1_Click();
    }

    template <typename T = QWidget> T* control(const char* name) const {
        auto* found = window.findChild<T*>(QString::fromLatin1(name));
        if (!found) qFatal("no control %s", name);
        return found;
    }
    pixa::ui::ImageButton* button(const char* name) const {
        return control<pixa::ui::ImageButton>(name);
    }
    QScrollBar* bar(const char* name) const { return control<QScrollBar>(name); }
    // The faces of save, actual size and fit, e.g. "4a 5c 6a"; each enabled with its up face.
    QString viewButtons() const {
        QStringList faces;
        for (const char* name : {"Command4", "Command2", "Command3"}) {
            pixa::ui::ImageButton* b = button(name);
            const bool consistent =
                b->isEnabledTo(&window) == b->currentFace().endsWith(QLatin1Char('a'));
            faces << b->currentFace() + (consistent ? QString() : QStringLiteral("!"));
        }
        return faces.join(QLatin1Char(' '));
    }
    // Picture1's place and size in the frame, shown or not: "x,y wxh" or "hidden".
    QString picture1() const {
        const QWidget* p = control("Picture1");
        if (p->isHidden()) return QStringLiteral("hidden");
        return QStringLiteral("%1,%2 %3x%4")
            .arg(p->x())
            .arg(p->y())
            .arg(p->width())
            .arg(p->height());
    }
    // A scroll bar as "value/maximum" when shown, "-" when hidden.
    QString scroll(const char* name) const {
        const QScrollBar* b = bar(name);
        return b->isHidden() ? QStringLiteral("-")
                             : QStringLiteral("%1/%2").arg(b->value()).arg(b->maximum());
    }

private:
    static QImage flat(QSize size) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(QColor(90, 140, 200));
        return image;
    }
};

} // namespace pixatest
