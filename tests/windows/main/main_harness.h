// Drives the main window headless: a private data folder, a fixed clock, the scripted platform
// and the real owner flow and viewer unlock launcher, with pictures written on demand.
#pragma once

#include "core/clock.h"
#include "core/owner_codec.h"
#include "core/owner_store.h"
#include "core/session.h"
#include "scripted_platform.h"
#include "test_photo.h"
#include "trash_question.h"
#include "ui/image_button.h"
#include "windows/main/main_window.h"
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
    bool grain = false; // a camera's noise kept at full quality: decodes at a large photo's pace
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
    pixa::ui::MainWindow window;
    pixa::ui::OwnerFlow owners;
    pixa::ui::ViewerUnlock unlock;

    // Registers "alice" (viewer password "view") and makes her the current owner, as a login
    // would; shows the window.
    bool start() {
        using pixa::padField;
        const auto owner = pixa::registerOwner(session.store(), padField("alice", pixa::kNameWidth),
                                               padField("pw", 8), padField("view", 8),
                                               padField("", pixa::kHintWidth), clock);
        if (!owner) return false;
        session.setCurrentOwner(*owner);
        window.ownerChanged();
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }

    QString path(const QString& name) const { return dir.filePath(name); }

    // Writes a photo-like picture (plain blue when very large, which is quicker); its path.
    QString picture(const QString& name, const PictureSpec& spec) const {
        QImageWriter writer(path(name), spec.format);
        writer.setProgressiveScanWrite(spec.progressive);
        writer.setTransformation(spec.orientation);
        if (spec.grain) writer.setQuality(100);
        QImage image(spec.size, QImage::Format_RGB32);
        image.fill(QColor(90, 140, 200));
        if (spec.size.width() * spec.size.height() < 30'000'000) image = photoLike(spec.size);
        if (spec.grain) addGrain(image);
        if (!writer.write(image)) qFatal("cannot write %s", qPrintable(name));
        return path(name);
    }
    QString picture(const QString& name, QSize size) const {
        return picture(name, PictureSpec{size});
    }

    // The open command with the dialog answered.
    void open(const QString& file, int filterIndex) {
        platform.queueFile(file, filterIndex);
        window.open();
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

    // The faces of save, actual size and fit, e.g. "4a 5c 6a"; "!" marks a face that does not
    // match the button's state.
    QString viewButtons() const {
        QStringList faces;
        for (const char* name : {"saveButton", "actualSizeButton", "fitButton"}) {
            const pixa::ui::ImageButton* b = button(name);
            const bool up = b->currentFace().endsWith(QLatin1Char('a'));
            faces << b->currentFace() + (b->isEnabledTo(&window) == up ? "" : "!");
        }
        return faces.join(QLatin1Char(' '));
    }
    // The picture box in the frame as "x,y wxh", or "hidden".
    QString picture1() const {
        const QWidget* p = control("pictureBox");
        return p->isHidden() ? QStringLiteral("hidden")
                             : QStringLiteral("%1,%2 %3x%4")
                                   .arg(p->x())
                                   .arg(p->y())
                                   .arg(p->width())
                                   .arg(p->height());
    }
    // Both scroll bars as "value/maximum", "-" when hidden: "0/230 -".
    QString scrollBars() const {
        QStringList out;
        for (const char* name : {"horizontalScrollBar", "verticalScrollBar"}) {
            const QScrollBar* b = bar(name);
            out << (b->isHidden() ? QStringLiteral("-")
                                  : QStringLiteral("%1/%2").arg(b->value()).arg(b->maximum()));
        }
        return out.join(QLatin1Char(' '));
    }
};

} // namespace pixatest
