#include "ui/text_fit.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>

namespace pixa::ui {

QFont fittingFont(QFont font, const QString& text, int width) {
    constexpr int kSmallestPixels = 8;
    if (font.pixelSize() <= 0) font.setPixelSize(QFontInfo(font).pixelSize());
    while (QFontMetrics(font).horizontalAdvance(text) > width &&
           font.pixelSize() > kSmallestPixels) {
        font.setPixelSize(font.pixelSize() - 1);
    }
    return font;
}

void setFittedText(QLabel& label, const QString& text, int right, const QString& fullText) {
    const QWidget* window = label.parentWidget();
    const QFont windowFont = window ? window->font() : label.font();
    label.setFont(fittingFont(windowFont, text, right - label.x()));
    label.setText(text);
    label.setToolTip(fullText);
    label.adjustSize();
}

} // namespace pixa::ui
