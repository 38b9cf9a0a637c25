// Helpers for the application tests: a fresh per-user store, module folder and home folder per test.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QString>

#include <gtest/gtest.h>

#include "app/app_paths.h"
#include "app/booth_settings.h"
#include "tests/common/test_support.h"

namespace apptest {

inline QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

inline QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeAll(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

/// Empty per-user store, HOME pointing at a folder whose parents do not exist yet, a fresh
/// module folder, and the process-wide values reset.
class AppFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldHome = qgetenv("HOME");
        m_home = q(m_dir.file("users/guest"));
        qputenv("HOME", m_home.toUtf8());
        clearStore();
        m_module = q(m_dir.file("module")) + QLatin1Char('/');
        QDir().mkpath(m_module);
        appPaths() = AppPaths();
        boothSettings() = BoothSettings();
    }
    void TearDown() override
    {
        clearStore();
        qputenv("HOME", m_oldHome);
        appPaths() = AppPaths();
        boothSettings() = BoothSettings();
    }
    static void clearStore()
    {
        QSettings s(QSettings::IniFormat, QSettings::UserScope, QLatin1String(appdefaults::kStoreOrganisation),
            QLatin1String(appdefaults::kStoreApplication));
        s.clear();
        s.sync();
    }
    static QString stored(const QString& name)
    {
        QSettings s(QSettings::IniFormat, QSettings::UserScope, QLatin1String(appdefaults::kStoreOrganisation),
            QLatin1String(appdefaults::kStoreApplication));
        return s.value(name).toString();
    }
    static void setStored(const QString& name, const QString& value)
    {
        QSettings s(QSettings::IniFormat, QSettings::UserScope, QLatin1String(appdefaults::kStoreOrganisation),
            QLatin1String(appdefaults::kStoreApplication));
        s.setValue(name, value);
        s.sync();
    }
    QString settingsFile() const { return m_module + QLatin1String(appdefaults::kSettingsFileName); }

    testsupport::TempDir m_dir;
    QByteArray m_oldHome;
    QString m_home;
    QString m_module;
};

} // namespace apptest
