// A desktop trash of the test's own: HOME and XDG_DATA_HOME point into one temporary folder for
// as long as the object lives. Files on that folder's volume go to its Trash when moved there.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

namespace pixatest {

class PrivateTrash {
public:
    PrivateTrash()
        : m_home(qgetenv("HOME")), m_hadData(qEnvironmentVariableIsSet("XDG_DATA_HOME")),
          m_data(qgetenv("XDG_DATA_HOME")) {
        QDir(m_folder.path()).mkpath(QStringLiteral("data"));
        qputenv("HOME", QFile::encodeName(m_folder.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_folder.filePath(QStringLiteral("data"))));
    }
    ~PrivateTrash() {
        qputenv("HOME", m_home);
        if (m_hadData) {
            qputenv("XDG_DATA_HOME", m_data);
        } else {
            qunsetenv("XDG_DATA_HOME");
        }
    }
    PrivateTrash(const PrivateTrash&) = delete;
    PrivateTrash& operator=(const PrivateTrash&) = delete;

    // The names in the trash that have their .trashinfo naming `folder` as where they came from.
    QStringList trashedFrom(const QString& folder) const {
        QStringList names;
        const QDir files(m_folder.filePath(QStringLiteral("data/Trash/files")));
        for (const QString& name : files.entryList(QDir::Files, QDir::Name)) {
            QFile info(m_folder.filePath(QStringLiteral("data/Trash/info/%1.trashinfo").arg(name)));
            if (info.open(QIODevice::ReadOnly) &&
                info.readAll().contains("Path=" +
                                        QUrl::toPercentEncoding(QDir(folder).filePath(name), "/")))
                names << name;
        }
        return names;
    }

private:
    QTemporaryDir m_folder;
    QByteArray m_home;
    bool m_hadData;
    QByteArray m_data;
};

} // namespace pixatest
