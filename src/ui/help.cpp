#include "ui/help.h"

#include "ui/error_report.h"
#include "ui/platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <new>

namespace pixa::ui {

QString helpDocumentPath() {
    const QDir exeDir(QCoreApplication::applicationDirPath());
    const QString installed =
        exeDir.filePath(QStringLiteral("../share/pixamantler/help/pixamantler.hlp"));
    if (QFileInfo::exists(installed)) return QDir::cleanPath(installed);
    return exeDir.filePath(QStringLiteral("help/pixamantler.hlp"));
}

void openHelp(Platform& platform, QWidget* window) {
    try {
        const QString path = helpDocumentPath();
        // No existence test here: the help window itself says when the document is missing.
        platform.showHelp(window, path);
    } catch (const Failure& failure) {
        reportError(platform, window, ErrorVariant::Help, failure);
    } catch (const std::bad_alloc&) {
        reportError(platform, window, ErrorVariant::Help, Failure(err::OutOfMemory));
    }
}

} // namespace pixa::ui
