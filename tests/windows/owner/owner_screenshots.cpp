// Renders the registration and login windows, filled in as a user would, into PNG files.
#include "owner_harness.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

using namespace pixatest;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));

    OwnerHarness h;
    pixa::ui::RegistrationWindow* registration = h.openRegistration();
    if (!registration) return 1;
    type(registration, "nameEdit", QStringLiteral("Alice Martin"));
    type(registration, "ownerPasswordEdit", QStringLiteral("tulip42"));
    type(registration, "ownerPasswordConfirmEdit", QStringLiteral("tulip42"));
    type(registration, "hintEdit", QStringLiteral("the flower and my age"));
    type(registration, "viewerPasswordEdit", QStringLiteral("family"));
    registration->grab().save(out.filePath(QStringLiteral("owner-registration.png")));

    if (!h.addOwner(QStringLiteral("Alice Martin"), QStringLiteral("tulip42"),
                    QStringLiteral("the flower and my age")))
        return 1;
    pixa::ui::LoginWindow* login = h.openLogin();
    if (!login) return 1;
    type(login, "nameEdit", QStringLiteral("Alice Martin"));
    click(login, "hintButton");
    type(login, "passwordEdit", QStringLiteral("tulip"));
    login->grab().save(out.filePath(QStringLiteral("owner-login.png")));
    return 0;
}
