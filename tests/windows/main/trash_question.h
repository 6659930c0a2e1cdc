// The question the main window asks once a plain picture has been wrapped, for the tests that
// save one.
#pragma once

#include <QString>
#include <QStringList>

namespace pixatest {

inline QString trashQuestion(const QString& photo) {
    return QStringLiteral("Move the original photo to the trash?\r\n") + photo;
}

// The messages of a save of the plain picture `photo` as a wrapped photo, the question answered.
inline QStringList savedPicture(const QString& photo) {
    return {QStringLiteral("File saved"), trashQuestion(photo)};
}

} // namespace pixatest
