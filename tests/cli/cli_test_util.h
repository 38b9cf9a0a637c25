// Helpers of the kivra-project tests: a small project file, and the tool run in this process.
#pragma once

#include <filesystem>

#include <QFile>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <gtest/gtest.h>

#include "booth/combination_slots.h"
#include "booth/composition.h"
#include "booth/project_file.h"
#include "cli/project_cli.h"
#include "tests/booth/booth_test_util.h"

namespace clitest {

/// Writes a layout-1 project with slots 0 and 2 used, red and blue, into folder; its path.
inline QString makeRedBlueProject(const std::filesystem::path& folder)
{
    const QString settings = QString::fromStdString((folder / "KivraTesselwick.ini").string());
    QFile f(settings);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Configure]\nShottingDelay=3\n");
    f.close();
    CombinationSlots model;
    model.buildLayout(1);
    const QImage red = boothtest::solidBitmap(kCanvasWidth, kCanvasHeight, qRgb(255, 0, 0));
    const QImage blue = boothtest::solidBitmap(kCanvasWidth, kCanvasHeight, qRgb(0, 0, 255));
    const QImage key = boothtest::solidBitmap(kCanvasWidth, kCanvasHeight, qRgb(0, 255, 0));
    model.storeIntoFirstFree(red, red, key, 255);
    model.storeIntoFirstFree(blue, blue, key, 255);
    model.swapSlots(1, 2);
    const QString project = QString::fromStdString((folder / "event.kivra").string());
    EXPECT_TRUE(SaveProject(model, settings, project));
    return project;
}

struct CliRun {
    int code = 0;
    QString out;
    QString err;
};

/// kivra-project with args, in this process.
inline CliRun run(const QStringList& args)
{
    CliRun r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.code = RunKivraProject(args, out, err);
    out.flush();
    err.flush();
    return r;
}

} // namespace clitest
