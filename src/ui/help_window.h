// The application's own help viewer: a modeless window that shows the HTML help document.
#pragma once

#include <QWidget>

class QTextBrowser;

namespace pixa::ui {

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the document at `path` from its start and brings the window forward. A document that
    // cannot be read is reported inside the window itself.
    void showDocument(const QString& path);

    // Whether the last showDocument() found its document.
    bool documentLoaded() const { return m_loaded; }
    QString documentPath() const { return m_path; }
    QTextBrowser* browser() const { return m_browser; }

private:
    QTextBrowser* m_browser;
    QString m_path;
    bool m_loaded = false;
};

} // namespace pixa::ui
