// Shared set-up for the main-screen tests: a module folder with generated frames and photos, the
// settings file, scripted prompts and the test camera.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "app/app_paths.h"
#include "app/booth_settings.h"
#include "capture/capture_video.h"
#include "platform/prompts.h"
#include "tests/common/test_support.h"

namespace screentest {

/// A 320 x 240 frame: a coloured border around a magenta opening (the key at the centre).
inline QImage makeFrame(QRgb border)
{
    QImage img(320, 240, QImage::Format_RGB32);
    img.fill(border);
    QPainter p(&img);
    p.fillRect(40, 30, 240, 180, QColor(255, 0, 255));
    return img;
}

inline QImage makePhoto(QRgb colour, QSize size = QSize(640, 480))
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

/// Processes events until done() or the time is up.
template <typename F> bool waitUntil(F done, int milliseconds)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

class ScreenFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString root = QString::fromStdString(m_dir.path().string()) + QLatin1Char('/');
        AppPaths& paths = appPaths();
        m_savedPaths = paths;
        paths.setModuleFolder(root);
        paths.m_tempFolder = root + QStringLiteral("tmp/");
        paths.m_frameFolder = root + QStringLiteral("Image/Frame");
        paths.m_portraitFolder = root + QStringLiteral("Image/Portrait");
        paths.m_backgroundFolder = root + QStringLiteral("Image/Background");
        paths.m_maskFolder = root + QStringLiteral("Image/Mask");
        paths.m_emotionFolder = root + QStringLiteral("Image/Emotion");
        paths.m_baseMapFolder = root + QStringLiteral("Image/BaseMap");
        paths.m_saveFolder = root + QStringLiteral("Saved");
        paths.m_currentFolder = root;
        for (const QString& f : { paths.m_tempFolder, paths.m_frameFolder, paths.m_portraitFolder })
            QDir().mkpath(f);
        m_savedSettings = boothSettings();
        boothSettings() = BoothSettings();
        boothSettings().m_alpha = 255;
        platform::setPrompts(&m_prompts);
        CCaptureVideo::SetTestCameraOverride(1, true);
    }

    void TearDown() override
    {
        CCaptureVideo::SetTestCameraOverride(-1);
        platform::setPrompts(nullptr);
        appPaths() = m_savedPaths;
        boothSettings() = m_savedSettings;
    }

    void addFrames(int count)
    {
        const QRgb colours[] = { 0xFF2E86DE, 0xFFFF6B57, 0xFF10AC84, 0xFFFFC857 };
        for (int i = 0; i < count; ++i)
            makeFrame(colours[i % 4]).save(appPaths().m_frameFolder + QStringLiteral("/frame%1.png").arg(i));
    }

    void addPhotos(int count)
    {
        for (int i = 0; i < count; ++i)
            makePhoto(qRgb(40 * i, 120, 200)).save(appPaths().m_portraitFolder + QStringLiteral("/photo%1.png").arg(i));
    }

    /// Writes the settings file the screen's booth load reads when shown.
    void writeSettings(int delay)
    {
        boothSettings().m_shottingDelay = delay;
        boothSettings().SaveSettings();
    }

    testsupport::TempDir m_dir;
    platform::ScriptedPrompts m_prompts;
    AppPaths m_savedPaths;
    BoothSettings m_savedSettings;
};

} // namespace screentest
