// Desktop registration of *.kivra: mime package plus .desktop entry, written atomically.
#include "app/file_type.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "app/app_paths.h"
#include "platform/atomic_file.h"

#include <string_view>

static_assert(std::string_view(kAppId) == KIVRA_APP_ID, "the application id differs from the installed files' name");
static_assert(std::string_view(kDesktopEntryName) == KIVRA_APP_ID ".desktop");

namespace {

/// Writes bytes to path unless it already holds them; false on failure.
bool writeIfChanged(const QString& path, const QByteArray& bytes, bool* changed)
{
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.readAll() == bytes)
        return true;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    if (!platform::writeFileAtomically(
            QFile::encodeName(path).toStdString(), std::string_view(bytes.constData(), size_t(bytes.size()))))
        return false;
    *changed = true;
    return true;
}

void refresh(const QString& tool, const QString& folder)
{
    const QString exe = QStandardPaths::findExecutable(tool);
    if (!exe.isEmpty())
        QProcess::startDetached(exe, { folder });
}

QString xmlEscaped(const QString& s)
{
    return s.toHtmlEscaped();
}

/// A string value of a desktop entry; empty when it cannot be one (line breaks).
QString desktopStringValue(const QString& s)
{
    if (s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r')))
        return {};
    QString value = s;
    return value.replace(QLatin1String("\\"), QLatin1String("\\\\"));
}

} // namespace

QString desktopExecValue(const QString& executablePath)
{
    if (executablePath.contains(QLatin1Char('\n')) || executablePath.contains(QLatin1Char('\r')))
        return {};
    // Quoting rule: inside "...", backslash-escape " ` $ and \; a literal % is written %%.
    QString quoted;
    for (const QChar c : executablePath) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    // The string-value rule is applied on top: every backslash is doubled once more.
    quoted.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    return QLatin1Char('"') + quoted + QLatin1String("\" %f");
}

bool RegisterFileType(
    const QString& executablePath, const QString& dataHome, bool refreshCaches, const QString& iconPath)
{
    const QString home
        = dataHome.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) : dataHome;
    const QString exec = desktopExecValue(executablePath);
    if (home.isEmpty() || exec.isEmpty())
        return false;

    const QString product = QLatin1String(appdefaults::kProductName);
    const QByteArray mime
        = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
                         "  <mime-type type=\"%1\">\n"
                         "    <comment>%2 project</comment>\n"
                         "    <glob pattern=\"*.kivra\"/>\n"
                         "  </mime-type>\n"
                         "</mime-info>\n")
              .arg(QLatin1String(kProjectMimeType), xmlEscaped(product))
              .toUtf8();
    const QByteArray desktop = QStringLiteral("[Desktop Entry]\n"
                                              "Type=Application\n"
                                              "Name=%1\n"
                                              "Comment=Photo booth: framed portrait sheets from a webcam\n"
                                              "Exec=%2\n"
                                              "MimeType=%3;\n"
                                              "Terminal=false\n"
                                              "Categories=Graphics;Photography;\n")
                                   .arg(product, exec, QLatin1String(kProjectMimeType))
                                   .toUtf8()
        // Desktops match the program's windows to the entry by their WM_CLASS, the executable's name.
        + "StartupWMClass=" + desktopStringValue(QFileInfo(executablePath).fileName()).toUtf8() + '\n'
        + (desktopStringValue(iconPath).isEmpty() ? QByteArray()
                                                  : "Icon=" + desktopStringValue(iconPath).toUtf8() + '\n');

    const QString mimeFolder = home + QStringLiteral("/mime");
    const QString appsFolder = home + QStringLiteral("/applications");
    bool mimeChanged = false, desktopChanged = false;
    const bool ok = writeIfChanged(
                        mimeFolder + QStringLiteral("/packages/") + QLatin1String(kMimePackageName), mime, &mimeChanged)
        & writeIfChanged(appsFolder + QLatin1Char('/') + QLatin1String(kDesktopEntryName), desktop, &desktopChanged);
    if (refreshCaches && mimeChanged)
        refresh(QStringLiteral("update-mime-database"), mimeFolder);
    if (refreshCaches && desktopChanged)
        refresh(QStringLiteral("update-desktop-database"), appsFolder);
    return ok;
}

QString InstalledDesktopEntry(const QString& exeFolder)
{
    const QString data = installedDataFolder(exeFolder);
    if (data.isEmpty())
        return {};
    // The installed share folder holds both our data folder and applications/.
    const QString share = QFileInfo(data + QStringLiteral("..")).canonicalFilePath();
    const QString entry = share + QStringLiteral("/applications/") + QLatin1String(kDesktopEntryName);
    if (share.isEmpty() || !QFileInfo(entry).isFile())
        return {};
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        if (QFileInfo(folder).canonicalFilePath() == share)
            return entry;
    }
    return {};
}
