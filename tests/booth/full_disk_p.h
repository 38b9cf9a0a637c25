// A small real file system for full-disk tests: a tmpfs mounted over a folder (needs the right to
// mount; the tests skip otherwise), filled to the last byte on request.
#pragma once

#include <string>

#include <QDir>
#include <QFile>
#include <QString>

#include <sys/mount.h>

namespace boothtest {

class SmallDisk {
public:
    explicit SmallDisk(const QString& folder, const char* size = "256k")
        : m_folder(folder)
    {
        QDir().mkpath(folder);
        const std::string options = std::string("size=") + size;
        m_mounted = ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    /// Writes a filler file until the disk refuses more.
    void fill()
    {
        QFile f(m_folder + QStringLiteral("/filler"));
        if (!f.open(QIODevice::WriteOnly))
            return;
        const QByteArray block(4096, 'x');
        while (f.write(block) == block.size() && f.flush()) { }
        f.close();
    }

private:
    QString m_folder;
    bool m_mounted = false;
};

} // namespace boothtest
