// make-app-icon [OUTDIR]: writes the launcher icon into an icon-theme tree (default resources/icons):
// hicolor/NxN/apps/ID.png for the usual sizes and hicolor/scalable/apps/ID.svg.
#include <cstdio>

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include "tools/skin_paint.h"

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("resources/icons");
    const QString name = QStringLiteral(KIVRA_APP_ID);
    bool ok = true;
    for (const int size : { 16, 22, 24, 32, 48, 64, 128, 256, 512 }) {
        const QString folder = QStringLiteral("%1/hicolor/%2x%2/apps").arg(out).arg(size);
        const QString path = folder + QLatin1Char('/') + name + QStringLiteral(".png");
        if (!QDir().mkpath(folder) || !art::paintAppIcon(size).save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            ok = false;
        }
    }
    const QString folder = out + QStringLiteral("/hicolor/scalable/apps");
    QFile svg(folder + QLatin1Char('/') + name + QStringLiteral(".svg"));
    if (!QDir().mkpath(folder) || !svg.open(QIODevice::WriteOnly)
        || svg.write(art::appIconSvg()) != art::appIconSvg().size() || !svg.flush()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(svg.fileName()));
        ok = false;
    }
    return ok ? 0 : 1;
}
