#include "app/start_options.h"

#include "core/version.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

namespace pixa::app {
namespace {

constexpr const char* kHelp =
    R"(Usage: pixamantler [FILE]

Password-protects BMP and JPEG photos as wrapped photos (.pff files).

Starts at the title screen, then the main window, where an owner logs in or registers. FILE, a
wrapped photo (.pff) or a picture, is opened once the owner has logged in.

Options:
  -h, --help       show this help and exit
  -v, --version    show the version and exit

Without a display, pixamantler-cli does the same work from the command line.
)";

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

StartOptions refuse(const QString& text, int exitCode) {
    StartOptions options;
    options.action = StartOptions::Action::Refuse;
    options.text = text;
    options.exitCode = exitCode;
    return options;
}

} // namespace

bool displayAvailable() {
    return isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM");
}

StartOptions readStartOptions(const QStringList& arguments, bool displayPresent) {
    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(QStringLiteral("file"), QString());
    const QString usageHint = QStringLiteral("Try 'pixamantler --help'.");
    if (!parser.parse(arguments))
        return refuse(QStringLiteral("pixamantler: %1\n%2\n").arg(parser.errorText(), usageHint),
                      2);

    StartOptions options;
    if (parser.isSet(help)) {
        options.action = StartOptions::Action::Help;
        options.text = QString::fromUtf8(kHelp);
        return options;
    }
    if (parser.isSet(version)) {
        options.action = StartOptions::Action::Version;
        options.text = QStringLiteral("pixamantler %1\n").arg(QString::fromUtf8(QByteArrayView(programVersion())));
        return options;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        return refuse(QStringLiteral("pixamantler: give at most one file\n%1\n").arg(usageHint), 2);
    if (!displayPresent)
        return refuse(QStringLiteral("pixamantler: no display to show the windows on (neither "
                                     "DISPLAY nor WAYLAND_DISPLAY is set).\nStart it from a "
                                     "desktop session, or use pixamantler-cli, which does the "
                                     "same work without windows.\n"),
                      1);
    if (!files.isEmpty() && !files.constFirst().isEmpty())
        options.file = QDir::cleanPath(QFileInfo(files.constFirst()).absoluteFilePath());
    return options;
}

int printAnswer(const StartOptions& options) {
    const QByteArray text = options.text.toLocal8Bit();
    std::FILE* stream = options.action == StartOptions::Action::Refuse ? stderr : stdout;
    std::fwrite(text.constData(), 1, size_t(text.size()), stream);
    std::fflush(stream);
    return options.exitCode;
}

} // namespace pixa::app
