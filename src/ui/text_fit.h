// Texts in the fixed room a window's layout gives them: a font made smaller until a text fits,
// and the browsing windows' folder labels, whose text follows a fixed rule.
#pragma once

#include <QFont>
#include <QString>

class QLabel;

namespace pixa::ui {

// `font`, made smaller until `text` fits `width`, down to a size that is still legible.
QFont fittingFont(QFont font, const QString& text, int width);

// Sets `label` to `text` in the window's font, or smaller until it ends before `right` (in its
// parent's coordinates); `fullText`, when given, is its tooltip: what the text leaves out.
void setFittedText(QLabel& label, const QString& text, int right, const QString& fullText = {});

} // namespace pixa::ui
