#include "ui/trash.h"

#include "ui/file_browsers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace pixa::ui {

namespace {

// Whether `path` lies in the files folder of a trash: the home trash ("Trash"), or a volume's
// (".Trash-UID", or ".Trash/UID").
bool inATrash(const QString& path) {
    QDir folder = QFileInfo(path).absoluteDir();
    if (folder.dirName() != QLatin1String("files") || !folder.cdUp()) return false;
    const QString trash = folder.dirName();
    return trash == QLatin1String("Trash") || trash.startsWith(QLatin1String(".Trash-")) ||
           (folder.cdUp() && folder.dirName() == QLatin1String(".Trash"));
}

// Undoes a move that did not end in a trash: the file goes back under its name, and what was
// made beside it (its .trashinfo, the empty files and info folders) goes. False when the name
// was taken meanwhile and the file stays where the move took it.
bool putBack(const QString& moved, const QString& original) {
    const QFileInfo where(moved);
    QDir top = where.absoluteDir();
    top.cdUp();
    if (!QFile::rename(moved, original)) return false;
    QFile::remove(top.filePath(QStringLiteral("info/%1.trashinfo").arg(where.fileName())));
    top.rmdir(QStringLiteral("files"));
    top.rmdir(QStringLiteral("info"));
    return true;
}

} // namespace

TrashOutcome DesktopTrash::moveToTrash(const std::filesystem::path& originalPath) {
    const QString original = windowPath(originalPath);
    // Qt makes the home trash only inside an existing data folder, and where it cannot make one
    // it uses the current folder instead and reports success; a fresh home has no data folder
    // yet.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    QFile file(original);
    if (!file.moveToTrash()) {
        return {
            false, "the move to the trash failed (" + file.errorString().toStdString() + ")", {}};
    }
    const QString moved = QFileInfo(file.fileName()).absoluteFilePath();
    if (!inATrash(moved)) {
        const std::string reason = "the desktop's trash could not be found or made";
        if (putBack(moved, original)) return {false, reason, {}};
        return {false, reason + "; the photo is now " + moved.toStdString(), {}};
    }
    return {true, {}, localPath(moved)};
}

} // namespace pixa::ui
