#include "ui/trash.h"

#include "core/read_back.h"

#include <QFile>

#include <filesystem>

namespace pixa::ui {

namespace {

std::filesystem::path localPath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

} // namespace

TrashOutcome trashVerifiedOriginal(const QString& original, const QString& pff,
                                   const Progress& progress, std::stop_token stop) {
    if (const auto failure = verifyWrapped(localPath(pff), localPath(original), progress, stop)) {
        return {false,
                QStringLiteral("its wrapped photo did not read back the same (%1)")
                    .arg(QString::fromStdString(failure->what())),
                {}};
    }
    QFile file(original);
    // Renamed within its volume; a volume without a trash of its own the user may write refuses
    // the move rather than copying the photo elsewhere.
    if (!file.moveToTrash()) {
        return {
            false, QStringLiteral("the move to the trash failed (%1)").arg(file.errorString()), {}};
    }
    return {true, {}, file.fileName()};
}

} // namespace pixa::ui
