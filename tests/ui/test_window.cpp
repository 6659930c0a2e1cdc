#include "test_window.h"

#include "core/error.h"
#include "ui/artwork.h"
#include "ui/busy_pointer.h"
#include "ui/error_report.h"
#include "ui/help.h"

#include <QFile>
#include <QImage>
#include <QPalette>

namespace pixa::ui::testing {

TestWindow::TestWindow(Platform& platform, QWidget* parent)
    : QWidget(parent), m_platform(platform) {
    setWindowTitle(kTitle);
    setFixedSize(420, 160);
    QPalette background = palette();
    background.setBrush(QPalette::Window,
                        QPixmap::fromImage(windowBackground(size(), QStringLiteral("Layer test"))));
    setPalette(background);
    setAutoFillBackground(true);

    auto place = [this](int face, int left, int top) {
        auto* button = new ImageButton(face, this);
        button->move(left, top);
        return button;
    };
    Command1 = place(3, 10, 70);
    Command4 = place(4, 51, 70);
    Command2 = place(5, 92, 70);
    Command3 = place(6, 133, 70);
    Image2 = place(9, 329, 70);
    Command6 = place(12, 370, 70);
    Label1 = new QLabel(this);
    Label1->setGeometry(10, 120, 400, 20);
    Command4->disable();

    connect(Command1, &ImageButton::clicked, this, &TestWindow::Command1_Click);
    connect(Command2, &ImageButton::clicked, this, &TestWindow::Command2_Click);
    connect(Command3, &ImageButton::clicked, this, &TestWindow::Command3_Click);
    connect(Command4, &ImageButton::clicked, this, &TestWindow::Command4_Click);
    connect(Command6, &ImageButton::clicked, this, &TestWindow::Command6_Click);
    connect(Image2, &ImageButton::clicked, this, &TestWindow::Image2_Click);
}

void TestWindow::Command1_Click() {
    try {
        FileDialogRequest request;
        request.filter = kFilter;
        const FileDialogResult chosen = m_platform.openFile(this, request);
        BusyPointer busy;
        Command4->disable();
        if (!QFile::exists(chosen.fileName)) throw Failure(err::FileNotFound);
        const QImage picture(chosen.fileName);
        if (picture.isNull()) throw Failure(err::InvalidPicture);
        m_file = chosen.fileName;
        Label1->setText(QStringLiteral("%1 x %2").arg(picture.width()).arg(picture.height()));
        busy.release();
        Command4->enable();
    } catch (const Failure& failure) {
        reportError(m_platform, this, ErrorVariant::File, failure, true);
    }
}

void TestWindow::Command2_Click() {
    Command2->disable();
}

void TestWindow::Command3_Click() {
    Command2->enable();
}

void TestWindow::Command4_Click() {
    if (QFile::exists(m_file) &&
        !m_platform.askYesNo(this, QStringLiteral("Overright existing photo ?")))
        return;
    m_platform.message(this, QStringLiteral("File saved"));
}

void TestWindow::Command6_Click() {
    m_platform.endApplication(0);
}

void TestWindow::Image2_Click() {
    openHelp(m_platform, this);
}

} // namespace pixa::ui::testing
