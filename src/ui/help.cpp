#include "ui/help.h"

#include "ui/error_report.h"
#include "ui/platform.h"

#include <QCoreApplication>
#include <QDir>

#include <new>

namespace pixa::ui {

void openHelp(Platform& platform, QWidget* window) {
    try {
        const QString path = QDir(QCoreApplication::applicationDirPath())
                                 .filePath(QStringLiteral("help/pixamantler.hlp"));
        // No existence test here: the help window itself says when the document is missing.
        platform.showHelp(window, path);
    } catch (const Failure& failure) {
        reportError(platform, window, ErrorVariant::Help, failure);
    } catch (const std::bad_alloc&) {
        reportError(platform, window, ErrorVariant::Help, Failure(err::OutOfMemory));
    }
}

} // namespace pixa::ui
