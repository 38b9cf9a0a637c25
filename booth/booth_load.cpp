// The booth load's plain and project branches.
#include "booth/booth_load.h"

#include <QStringList>

#include "app/app_paths.h"
#include "app/booth_settings.h"
#include "booth/combination_slots.h"
#include "booth/project_file.h"

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
    settings.LoadProjectSettings(files.first(), paths);
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
