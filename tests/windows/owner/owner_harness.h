// Drives the owner windows headless: a private data folder, a fixed clock, the scripted platform
// and a stand-in for the main window, all handed to the real owner flow.
#pragma once

#include "core/clock.h"
#include "core/codepage.h"
#include "core/owner_codec.h"
#include "core/owner_store.h"
#include "core/session.h"
#include "scripted_platform.h"
#include "stand_in_main_window.h"
#include "ui/image_button.h"
#include "windows/owner/login_window.h"
#include "windows/owner/owner_flow.h"
#include "windows/owner/registration_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace pixatest {

namespace fs = std::filesystem;

// The plain fields of a stored record, as the windows typed them (code page decoded).
struct PlainRecord {
    QString name, ownerPass, viewerPass, hint;
    int factor = 0;
};

inline QString plain(const std::string& bytes) {
    return QString::fromStdString(pixa::fromCodePage(bytes));
}

class OwnerHarness {
public:
    // The clock reads 10:minute:second, so new owners get the shift minute + second.
    explicit OwnerHarness(int minute = 7, int second = 5)
        : clock(10, minute, second), session(fs::path(dir.path().toStdString()), clock),
          flow(session, mainWindow, platform) {}

    QTemporaryDir dir;
    pixa::FixedClock clock;
    pixa::Session session;
    pixa::ui::ScriptedPlatform platform;
    StandInMainWindow mainWindow{session, platform};
    pixa::ui::OwnerFlow flow;

    fs::path storePath() const { return session.store().path(); }

    std::string storeBytes() const {
        std::ifstream in(storePath(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    QList<PlainRecord> records() const {
        QList<PlainRecord> out;
        for (const auto& r : session.store().readAll()) {
            out.append({plain(pixa::decrypt_name(r.name, r.factor)),
                        plain(pixa::decrypt_password(r.ownerPass, r.factor)),
                        plain(pixa::decrypt_password(r.viewerPass, r.factor)),
                        plain(pixa::decrypt_hint(r.hint, r.factor)), r.factor});
        }
        return out;
    }

    // An owner's record put straight into the store, as registered at 10:minute:00. A name
    // already stored is stored again, as older stores may hold it; false when the texts cannot
    // be scrambled.
    bool addOwner(const QString& name, const QString& ownerPass, const QString& hint = {},
                  int minute = 30) const {
        const auto pad = [](const QString& text, size_t width) {
            return pixa::padField(pixa::toCodePage(text.toStdString()), width);
        };
        const pixa::FixedClock at(10, minute, 0);
        try {
            const auto s = pixa::encrypt_password(
                pad(name, pixa::kNameWidth), pad(ownerPass, pixa::kPasswordWidth),
                pad(QStringLiteral("viewer"), pixa::kPasswordWidth), pad(hint, pixa::kHintWidth),
                at);
            session.store().append({s.encr_name, s.encr_owner_pass, s.encr_viewer_pass, s.encr_hint,
                                    pixa::formatFactor(s.mul_fact * 11), s.mul_fact * 11});
        } catch (const pixa::Failure&) {
            return false;
        }
        return true;
    }

    template <typename Window> Window* shown(Window* window) {
        if (window && QTest::qWaitForWindowActive(window)) return window;
        return nullptr;
    }
    pixa::ui::RegistrationWindow* openRegistration() {
        flow.showRegistration();
        return shown(flow.registrationWindow());
    }
    pixa::ui::LoginWindow* openLogin() {
        flow.showLogin();
        return shown(flow.loginWindow());
    }
};

template <typename Control = QLineEdit> Control* control(QWidget* window, const char* name) {
    auto* found = window->findChild<Control*>(QString::fromLatin1(name));
    if (!found) qFatal("no control %s", name);
    return found;
}

inline QLineEdit* box(QWidget* window, const char* name) {
    return control(window, name);
}

// Types as the user would: key presses for plain ASCII, an insertion for anything else (a key
// event cannot carry it), both through the box's typing limit.
inline void type(QWidget* window, const char* name, const QString& text) {
    QLineEdit* target = box(window, name);
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() < 128;
    if (ascii) {
        QTest::keyClicks(target, text);
    } else {
        target->insert(text);
    }
}

inline void click(QWidget* window, const char* name) {
    QTest::mouseClick(control<QWidget>(window, name), Qt::LeftButton);
}

} // namespace pixatest
