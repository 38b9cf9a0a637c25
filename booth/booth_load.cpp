// The booth load's plain and project branches.
#include "booth/booth_load.h"

#include <QFileInfo>
#include <QSet>
#include <QStringList>

#include "app/app_paths.h"
#include "app/booth_settings.h"
#include "booth/combination_slots.h"
#include "booth/project_file.h"
#include "platform/ini_file.h"

bool RunBoothLoad(
    CombinationSlots& model, const QString& projectPath, BoothSettings& settings, AppPaths& paths, QString* error)
{
    if (projectPath.isEmpty()) {
        settings.LoadBoothSettings(paths);
        model.buildLayout(0);
        return true;
    }
    QStringList files;
    QString unpackError;
    const bool unpacked = UnpackProject(projectPath, files, &unpackError);
    if (files.isEmpty()) {
        if (error)
            *error = unpackError;
        return false;
    }
    settings.LoadProjectSettings(files.first());
    QString restoreError;
    const bool restored
        = RestoreProject(model, files, settings.m_combinationIndex, settings.m_comPictureFlag, &restoreError);
    if (error) {
        QStringList problems;
        if (!unpacked)
            problems << unpackError;
        if (!restored)
            problems << restoreError;
        *error = problems.join(QLatin1Char('\n'));
    }
    return unpacked && restored;
}

QString TakeOversizedSettingsNotice(const QString& settingsFile)
{
    static QSet<QString> told;
    const QFileInfo info(settingsFile);
    if (!info.isFile() || info.size() <= platform::kIniFileMaxBytes || told.contains(info.absoluteFilePath()))
        return QString();
    told.insert(info.absoluteFilePath());
    return QStringLiteral("The settings file %1 is %2 MB, larger than the %3 MB a settings file may be.\n"
                          "It is ignored and will not be changed: the booth runs with its default settings "
                          "and remembers no changes until the file is replaced.")
        .arg(settingsFile)
        .arg(info.size() >> 20)
        .arg(platform::kIniFileMaxBytes >> 20);
}
