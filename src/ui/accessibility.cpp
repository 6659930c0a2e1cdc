#include "ui/accessibility.h"

#include "ui/image_button.h"
#include "ui/platform.h"

#include <QAccessibleWidget>

namespace pixa::ui {

namespace {

// An image button as a push button: its accessible name says what it does, its tooltip
// describes it, and its Press action is a click. A disabled button reports itself disabled
// (QAccessibleWidget), offers no Press, and a Press asked all the same does nothing.
class ImageButtonAccessible final : public QAccessibleWidget {
public:
    explicit ImageButtonAccessible(ImageButton* button)
        : QAccessibleWidget(button, QAccessible::Button) {}

    QStringList actionNames() const override {
        // As Qt's own buttons: a disabled one offers nothing to press.
        if (!widget()->isEnabled()) return QAccessibleWidget::actionNames();
        return QStringList(pressAction()) << QAccessibleWidget::actionNames();
    }
    void doAction(const QString& actionName) override {
        if (actionName == pressAction()) {
            // From the event loop, as a click comes: a modal dialog that the click opens must
            // not hold the screen reader's request unanswered.
            QMetaObject::invokeMethod(static_cast<ImageButton*>(widget()), &ImageButton::click,
                                      Qt::QueuedConnection);
            return;
        }
        QAccessibleWidget::doAction(actionName);
    }
    QStringList keyBindingsForAction(const QString& actionName) const override {
        if (actionName == pressAction()) return {QStringLiteral("Space")};
        return QAccessibleWidget::keyBindingsForAction(actionName);
    }
};

// One of the project's windows, a plain QWidget to Qt, which would make it a nameless filler: a
// window shown over another as its dialog is a dialog, any other a frame, named by its title or,
// while it has none, by the application's.
class WindowAccessible final : public QAccessibleWidget {
public:
    explicit WindowAccessible(QWidget* window) : QAccessibleWidget(window, QAccessible::Window) {}

    QAccessible::Role role() const override {
        return widget()->windowType() == Qt::Dialog ? QAccessible::Dialog : QAccessible::Window;
    }
    QString text(QAccessible::Text t) const override {
        QString text = QAccessibleWidget::text(t);
        if (t == QAccessible::Name && text.isEmpty()) text = kAppTitle;
        return text;
    }
};

QAccessibleInterface* projectWidgets(const QString& className, QObject* object) {
    // Asked for the object's most derived class first: Qt's own classes are left to Qt.
    if (!className.startsWith(QLatin1String("pixa::")) || !object->isWidgetType()) return nullptr;
    if (auto* button = qobject_cast<ImageButton*>(object)) return new ImageButtonAccessible(button);
    auto* widget = static_cast<QWidget*>(object);
    if (widget->isWindow()) return new WindowAccessible(widget);
    return nullptr;
}

} // namespace

void installAccessibility() {
    static const bool installed = (QAccessible::installFactory(projectWidgets), true);
    Q_UNUSED(installed);
}

} // namespace pixa::ui
