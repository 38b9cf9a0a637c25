// libFuzzer entry point for the project file: the booth's load of a project from its bytes, that is
// unpacking the records, reading the settings record and restoring the slots and their pictures.
//
// Everything the unpacker writes goes into one temporary folder made for this run; it is emptied
// after every input and removed at exit.
#include "app/app_paths.h"
#include "app/booth_settings.h"
#include "booth/booth_load.h"
#include "booth/combination_slots.h"
#include "booth/composition.h"
#include "booth/project_file.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <QFile>
#include <QImage>

namespace {

std::string g_runFolder; ///< this run's folder, without a trailing separator
QString g_projectPath; ///< where each input is written as a project file
AppPaths g_paths; ///< module folder inside the run folder: nothing of the user's is read

void removeRunFolder()
{
    // Only the standard library here: the exit handlers of Qt's and the program's statics may have run.
    if (g_runFolder.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove_all(g_runFolder, ignored);
}

[[noreturn]] void broken(const char* what, const QString& detail = QString())
{
    std::fprintf(stderr, "project_fuzz: %s %s\n", what, detail.toLocal8Bit().constData());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/kivra-project-fuzz.XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror("project_fuzz: mkdtemp");
        std::abort();
    }
    g_runFolder = pattern;
    const QString folder = QString::fromStdString(g_runFolder);
    appPaths().m_tempFolder = folder + QStringLiteral("/unpack/");
    g_paths.setModuleFolder(folder + QStringLiteral("/module"));
    g_projectPath = folder + QStringLiteral("/input.kivra");
    std::atexit(removeRunFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    {
        QFile file(g_projectPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            broken("cannot write the input to", g_projectPath);
    }
    CombinationSlots model;
    BoothSettings settings;
    AppPaths paths = g_paths;
    QString error;
    const bool ok = RunBoothLoad(model, g_projectPath, settings, paths, &error);
    // A refusal always says why; a load that succeeds left a layout to show.
    if (!ok && error.isEmpty())
        broken("load failed without an error text");
    if (ok && model.count() == 0)
        broken("load succeeded without a layout");
    // Unpacking writes below its own folder and nowhere else in the run folder.
    for (const auto& entry : std::filesystem::directory_iterator(g_runFolder)) {
        const std::string name = entry.path().filename().string();
        if (name != "input.kivra" && name != "unpack")
            broken("unpacking wrote outside its folder:", QString::fromStdString(name));
    }
    // What the screen does next: show every slot and compose the sheet.
    for (int i = 0; i < model.count(); ++i) {
        const QImage shown = model.shownPicture(i);
        if (model.slot(i).m_used && shown.isNull())
            broken("a restored slot shows nothing, slot", QString::number(i));
    }
    if (model.count() > 0 && model.sheet().isNull())
        broken("no sheet for layout", QString::number(model.layout()));
    RemoveProjectTempFolder();
    return 0;
}
