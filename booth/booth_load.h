// The booth load the main screen runs when it is shown: the plain branch reads the settings file
// and builds layout 0; the project branch unpacks a project and restores its layout and model.
#pragma once

#include <QString>

struct AppPaths;
struct BoothSettings;
class CombinationSlots;

/// Plain branch when projectPath is empty, project branch otherwise. In the project branch the
/// settings are taken from the project's settings record; when not even that could be extracted,
/// settings and slots stay as they were. False with *error when anything could not be restored.
bool RunBoothLoad(CombinationSlots& model, const QString& projectPath, BoothSettings& settings, AppPaths& paths,
    QString* error = nullptr);

/// The sentence telling the operator that the settings file is too large to be used (it is then
/// ignored and never written), the first time this is asked for that file in this process; empty
/// otherwise.
QString TakeOversizedSettingsNotice(const QString& settingsFile);
