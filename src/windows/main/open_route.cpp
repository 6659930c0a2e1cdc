#include "windows/main/open_route.h"

#include "core/codepage.h"
#include "core/error.h"
#include "core/file_content.h"
#include "core/picture_file.h"
#include "core/wrap_plan.h"
#include "ui/file_browsers.h"

#include <QFileInfo>

namespace pixa::ui {

QString openDialogFilter() {
    QString all = QStringLiteral("*.pff");
    for (const std::string& pattern : pictureNamePatterns())
        all += QLatin1Char(';') + QString::fromStdString(pattern);
    return QStringLiteral("Wrapped photo (*.pff)|*.pff|Windows bitmap (*.bmp)|*.bmp|JPEG bitmap "
                          "(*.jpg)|*.jpg|All photos|") +
           all;
}

OpenRoute openRoute(const QString& path, int dialogType) {
    const std::filesystem::path file = localPath(path);
    try {
        if (fileContentOf(file) == FileContent::WrappedPhoto) return {true, QStringLiteral(".PFF")};
    } catch (const Failure&) {
        // Unreadable: the picture loader gives the failure its message.
    }
    if (dialogType == 2) return {false, QStringLiteral(".BMP")};
    if (dialogType == 3) return {false, QStringLiteral(".JPG")};
    try {
        // A bitmap or JPEG keeps the type the window has always given it; any other kind takes
        // the type the tool and the batch window give it.
        if (const auto sniffed = sniffPictureType(file)) {
            const bool described = *sniffed == ".BMP" || *sniffed == ".JPG";
            return {false,
                    QString::fromStdString(
                        described ? *sniffed : fromCodePage(defaultPictureType(file, *sniffed)))};
        }
    } catch (const Failure&) {
    }
    const QString suffix = QFileInfo(path).suffix().toUpper();
    return {false, suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix};
}

} // namespace pixa::ui
