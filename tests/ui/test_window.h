// A small window built only from the window layer, standing in for the application's windows in
// the layer's tests: an open command, a save question, buttons that disable and enable, help and
// exit.
#pragma once

#include "ui/image_button.h"
#include "ui/platform.h"

#include <QLabel>
#include <QWidget>

namespace pixa::ui::testing {

class TestWindow : public QWidget {
    Q_OBJECT
public:
    static inline const QString kTitle = QStringLiteral("Layer test");
    static inline const QString kFilter =
        QStringLiteral("Wrapped photo (*.pff)|*.pff|Windows bitmap (*.bmp)|*.bmp");

    explicit TestWindow(Platform& platform, QWidget* parent = nullptr);

    ImageButton* Command1; // open a picture (face 3)
    ImageButton* Command2; // actual size: disables itself (face 5)
    ImageButton* Command3; // fit: enables Command2 again (face 6)
    ImageButton* Command4; // save: asks before overwriting (face 4)
    ImageButton* Command6; // exit (face 12)
    ImageButton* Image2;   // help (face 9)
    QLabel* Label1;        // what the open command loaded

private:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command6_Click();
    void Image2_Click();

    Platform& m_platform;
    QString m_file;
};

} // namespace pixa::ui::testing
