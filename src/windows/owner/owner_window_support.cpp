#include "windows/owner/owner_window_support.h"

#include "core/codepage.h"
#include "core/owner_codec.h"
#include "core/session.h"
#include "ui/artwork.h"
#include "ui/main_window_link.h"
#include "ui/platform.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QValidator>

#include <algorithm>

namespace pixa::ui {

namespace {

// Refuses any edit that would leave more than the limit, and nothing else. setText() is not
// validated, so the window can still write a padded text that passes the limit.
class TypingLimit final : public QValidator {
public:
    TypingLimit(int limit, QObject* parent) : QValidator(parent), m_limit(limit) {}
    State validate(QString& input, int&) const override {
        return input.size() <= m_limit ? Acceptable : Invalid;
    }

private:
    int m_limit;
};

QString codePageText(std::string_view bytes) {
    return QString::fromStdString(fromCodePage(bytes));
}

QString byteText(unsigned char byte) {
    return codePageText(std::string_view(reinterpret_cast<const char*>(&byte), 1));
}

} // namespace

QLineEdit* addTextBox(QWidget* window, const char* name, const QRect& geometry) {
    auto* box = new QLineEdit(window);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(geometry);
    return box;
}

void makePasswordBox(QLineEdit* box) {
    box->setEchoMode(QLineEdit::Password);
    box->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
}

void limitTyping(QLineEdit* box, int maxChars) {
    box->setValidator(new TypingLimit(maxChars, box));
}

QLabel* addBoxLabel(QWidget* window, QLineEdit* box, const QString& text, int left) {
    auto* label = new QLabel(text, window);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setBuddy(box);
    const int width = box->x() - 6 - left;
    int height = box->height();
    // Labels that do not fit beside their box take two lines, centred on it.
    if (label->fontMetrics().horizontalAdvance(text) > width) {
        label->setWordWrap(true);
        height = std::max(height, label->heightForWidth(width));
    }
    label->setGeometry(left, box->y() + (box->height() - height) / 2, width, height);
    return label;
}

QPixmap ownerBackdrop(const QSize& size, const QString& banner,
                      const std::vector<GroupFrame>& groups) {
    QImage image = windowBackground(size, banner);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont headingFont = painter.font();
    headingFont.setBold(true);
    for (const GroupFrame& group : groups) {
        QPainterPath frame;
        frame.addRoundedRect(QRectF(group.rect).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
        painter.fillPath(frame, QColor(255, 255, 255, 150));
        painter.setPen(QPen(QColor(120, 132, 150), 1));
        painter.drawPath(frame);
        painter.setFont(headingFont);
        painter.setPen(QColor(30, 48, 90));
        painter.drawText(group.rect.adjusted(10, 5, -10, -5),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, group.heading);
    }
    painter.end();
    return QPixmap::fromImage(image);
}

std::optional<std::string> storableText(Platform& platform, QWidget* window, const QLineEdit& box,
                                        const FieldName& field) {
    const QList<uint> codePoints = box.text().toUcs4();
    for (qsizetype i = 0; i < codePoints.size(); ++i) {
        if (codePageByte(codePoints[i]) >= 0) continue;
        const QString which =
            field.secret
                ? QStringLiteral("The character at position %1").arg(i + 1)
                : QStringLiteral("The character \"%1\" at position %2")
                      .arg(QString::fromUcs4(reinterpret_cast<const char32_t*>(&codePoints[i]), 1),
                           QString::number(i + 1));
        platform.message(window,
                         QStringLiteral("%1 of the %2 cannot be stored: only Western European "
                                        "(Windows-1252) characters can.")
                             .arg(which, field.label));
        return std::nullopt;
    }
    return toCodePage(box.text().toStdString());
}

std::string padIntoBox(QLineEdit& box, std::string_view bytes, std::size_t width) {
    std::string padded = padField(bytes, width);
    box.setText(codePageText(padded));
    return padded;
}

void admitOwner(const OwnerWindowContext& context, CurrentOwner owner) {
    context.session.setCurrentOwner(std::move(owner));
    context.navigator.ownerAdmitted();
}

std::optional<QString> refusedCharacterText(const Failure& failure,
                                            const std::vector<PaddedField>& fields) {
    if (failure.kind() != FailureKind::CharacterRefused) return std::nullopt;
    for (const PaddedField& field : fields) {
        if (failure.refusedField() != field.coreField) continue;
        const std::size_t position = failure.refusedPosition();
        if (position == 0 || position > field.padded.size()) return std::nullopt;
        const auto byte = static_cast<unsigned char>(field.padded[position - 1]);
        const QString which = field.name.secret
                                  ? QStringLiteral("The character at position %1").arg(position)
                                  : QStringLiteral("The character \"%1\" at position %2")
                                        .arg(byteText(byte), QString::number(position));
        return QStringLiteral("%1 of the %2 cannot be scrambled with the key drawn for this "
                              "owner just now. The key changes with the clock: try again in "
                              "a minute, or use a plain letter instead.\r\nThe owner was not "
                              "registered.")
            .arg(which, field.name.label);
    }
    return std::nullopt;
}

QString storeFailureText(const QString& consequence, const Failure& failure) {
    QString reason = QString::fromStdString(failure.detail());
    if (reason.isEmpty()) reason = QString::fromStdString(failure.description());
    return QStringLiteral("The owner store could not be used: %1.\r\n%2").arg(reason, consequence);
}

} // namespace pixa::ui
