// A desktop trash of the test's own: HOME and XDG_DATA_HOME point into one temporary folder for
// as long as the object lives. Files on that folder's volume go to its Trash when moved there;
// the folder can also be one where no trash can be made.
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
    enum class Home {
        Ready,   // the data folder exists
        Fresh,   // no data folder yet, as in a new account
        Blocked, // a file where the trash would be; the current folder is the temporary one too
    };
    explicit PrivateTrash(Home home = Home::Ready)
        : m_home(qgetenv("HOME")), m_hadData(qEnvironmentVariableIsSet("XDG_DATA_HOME")),
          m_data(qgetenv("XDG_DATA_HOME")), m_current(QDir::currentPath()) {
        if (home != Home::Fresh) QDir(m_folder.path()).mkpath(QStringLiteral("data"));
        if (home == Home::Blocked) {
            QFile(m_folder.filePath(QStringLiteral("data/Trash"))).open(QIODevice::WriteOnly);
            QDir::setCurrent(m_folder.path());
        }
        qputenv("HOME", QFile::encodeName(m_folder.path()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_folder.filePath(QStringLiteral("data"))));
    }
    ~PrivateTrash() {
        QDir::setCurrent(m_current);
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
    QString m_current;
};

} // namespace pixatest
