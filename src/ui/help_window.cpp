#include "ui/help_window.h"

#include "core/version.h"
#include "ui/platform.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace pixa::ui {

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(kAppTitle + QStringLiteral(" Help"));
    setObjectName(QStringLiteral("helpWindow"));
    resize(680, 560);

    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setOpenExternalLinks(true);
    m_browser->setAccessibleName(QStringLiteral("Help text"));
    m_browser->verticalScrollBar()->setAccessibleName(QStringLiteral("Scroll the help"));
    m_browser->horizontalScrollBar()->setAccessibleName(QStringLiteral("Scroll the help across"));

    auto* contents = new QPushButton(QStringLiteral("&Contents"), this);
    auto* back = new QPushButton(QStringLiteral("&Back"), this);
    auto* forward = new QPushButton(QStringLiteral("&Forward"), this);
    auto* close = new QPushButton(QStringLiteral("C&lose"), this);
    // Which version the help describes, as `pixamantler --version` says it.
    auto* version = new QLabel(
        kAppTitle + QStringLiteral(" version ") + QString::fromUtf8(QByteArrayView(programVersion())),
        this);
    version->setObjectName(QStringLiteral("helpVersion"));
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(contents, &QPushButton::clicked, m_browser, &QTextBrowser::home);
    connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(contents);
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addStretch(1);
    buttons->addWidget(version);
    buttons->addSpacing(12);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_browser, 1);
}

void HelpWindow::showDocument(const QString& path) {
    m_path = path;
    QFile file(path);
    m_loaded = file.open(QIODevice::ReadOnly);
    if (m_loaded) {
        file.close();
        // Reloading even the same document: the file may have been replaced since.
        m_browser->clearHistory();
        m_browser->setSource(QUrl(), QTextDocument::HtmlResource);
        m_browser->setSource(QUrl::fromLocalFile(path), QTextDocument::HtmlResource);
    } else {
        m_browser->clearHistory();
        m_browser->setHtml(
            QStringLiteral("<h2>Help is missing</h2>"
                           "<p>The help document could not be opened:</p>"
                           "<p><tt>%1</tt></p><p>%2</p>"
                           "<p>Reinstalling %3 puts it back.</p>")
                .arg(path.toHtmlEscaped(), file.errorString().toHtmlEscaped(), kAppTitle));
    }
    show();
    raise();
    activateWindow();
}

} // namespace pixa::ui
