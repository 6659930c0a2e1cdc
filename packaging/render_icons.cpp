// Renders the application's icon, the product mark, into PNG files of the usual theme sizes:
// OUTPUT-FOLDER/<n>x<n>/apps/pixamantler.png and, for the wrapped-photo file type,
// OUTPUT-FOLDER/<n>x<n>/mimetypes/application-x-pixamantler-pff.png.
#include "ui/artwork.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (const int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QImage icon = pixa::ui::productLogo(side);
        const QString size = QStringLiteral("%1x%1").arg(side);
        for (const auto& [context, name] :
             {std::pair{QStringLiteral("apps"), QStringLiteral("pixamantler.png")},
              std::pair{QStringLiteral("mimetypes"),
                        QStringLiteral("application-x-pixamantler-pff.png")}}) {
            const QString folder = size + QLatin1Char('/') + context;
            if (!out.mkpath(folder) || !icon.save(out.filePath(folder + QLatin1Char('/') + name))) {
                std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(folder));
                return 1;
            }
        }
    }
    return 0;
}
