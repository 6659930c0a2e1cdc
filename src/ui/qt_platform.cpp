#include "ui/qt_platform.h"

#include "core/error.h"
#include "ui/help_window.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QThread>

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace pixa::ui {
namespace {

// "*.pff" becomes "*.[pP][fF][fF]": the dialog's own matching follows the file system's case.
QString caseFreePattern(const QString& pattern) {
    QString out;
    for (const QChar c : pattern) {
        if (c.isLetter() && c.toLower() != c.toUpper())
            out += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
        else
            out += c;
    }
    return out;
}

int execMessageBox(QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons,
                   QMessageBox::StandardButton defaultButton) {
    QMessageBox box(QMessageBox::NoIcon, kAppTitle, text, buttons, parent);
    // Messages can carry file names and typed text; never interpret them as markup.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultButton);
    return box.exec();
}

} // namespace

QStringList nameFiltersFromPairs(const QString& filter) {
    QStringList out;
    if (filter.isEmpty()) return out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts.at(i).trimmed();
        const QString patternText = i + 1 < parts.size() ? parts.at(i + 1).trimmed() : QString();
        QStringList patterns;
        for (const QString& p : patternText.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            patterns << caseFreePattern(p.trimmed());
        if (patterns.isEmpty()) patterns << QStringLiteral("*");
        out << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                   QLatin1Char(')');
    }
    return out;
}

QtPlatform::QtPlatform() = default;
QtPlatform::~QtPlatform() = default;

void QtPlatform::showMessage(QWidget* parent, const QString& text) {
    execMessageBox(parent, text, QMessageBox::Ok, QMessageBox::Ok);
}

bool QtPlatform::showQuestion(QWidget* parent, const QString& text, Default defaultButton) {
    return execMessageBox(parent, text, QMessageBox::Yes | QMessageBox::No,
                          defaultButton == Default::No ? QMessageBox::No : QMessageBox::Yes) ==
           QMessageBox::Yes;
}

FileDialogResult QtPlatform::showOpenDialog(QWidget* parent, const FileDialogRequest& request) {
    return runFileDialog(parent, request, false);
}

FileDialogResult QtPlatform::showSaveDialog(QWidget* parent, const FileDialogRequest& request) {
    return runFileDialog(parent, request, true);
}

FileDialogResult QtPlatform::runFileDialog(QWidget* parent, const FileDialogRequest& request,
                                           bool save) {
    QFileDialog dialog(parent, kAppTitle, request.directory);
    // The same dialog on every desktop, so that the filters below behave alike everywhere.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The descriptions already name their patterns; the case-free patterns stay out of sight.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // The commands ask their own question before overwriting.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    const QStringList filters = nameFiltersFromPairs(request.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = std::clamp(request.filterIndex, 1, int(filters.size()));
        dialog.selectNameFilter(filters.at(index - 1));
    }
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);

    m_fileDialog = &dialog;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        throw Failure(err::DialogCancelled);

    FileDialogResult result;
    result.fileName = dialog.selectedFiles().constFirst();
    result.filterIndex = 1;
    // With the details hidden the dialog reports a filter by its description alone.
    const QString selected = dialog.selectedNameFilter();
    for (qsizetype i = 0; i < filters.size(); ++i) {
        const QString& full = filters.at(i);
        if (selected == full ||
            selected == full.left(full.lastIndexOf(QLatin1Char('('))).simplified()) {
            result.filterIndex = int(i) + 1;
            break;
        }
    }
    return result;
}

void QtPlatform::showHelp(QWidget*, const QString& path) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        throw Failure(err::HelpNotAvailable, "no window system");
    // Not a child of the calling window: a window disabled later must not disable help too.
    if (!m_help) m_help = std::make_unique<HelpWindow>();
    m_help->showDocument(path);
}

void QtPlatform::closeDialogs() {
    if (m_fileDialog) m_fileDialog->reject();
}

void QtPlatform::quit(int exitCode) {
    if (QCoreApplication::instance() && QThread::currentThread()->loopLevel() > 0) {
        // No window is asked: they all disappear now and every event loop is told to end.
        for (QWidget* window : QApplication::topLevelWidgets())
            window->hide();
        QCoreApplication::exit(exitCode);
        // The work asked to stop ends within a block; one held in a system call that does not
        // return must not keep the process alive behind its vanished windows.
        if (m_endDeadline.count() > 0 && !m_deadlineSet) {
            m_deadlineSet = true;
            std::thread([exitCode, deadline = m_endDeadline] {
                std::this_thread::sleep_for(deadline);
                std::_Exit(exitCode);
            }).detach();
        }
        return;
    }
    std::exit(exitCode);
}

} // namespace pixa::ui
