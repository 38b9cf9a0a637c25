// Private-profile style INI files ([Section] / key=value): one key read or written per call,
// everything else in the file kept byte for byte. Used for KivraTesselwick.ini, which travels in projects.
#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

/// Longest value a read returns (the classic 260-character buffer minus its terminator).
inline constexpr int kIniValueMax = 259;
/// Files larger than this are treated as unreadable: reads see no keys and writes are refused.
inline constexpr qint64 kIniFileMaxBytes = 16 * 1024 * 1024;

/// The text of one INI file, parsed on demand. Lookup of sections and keys ignores case and
/// surrounding blanks; the first of duplicate sections or keys wins; lines starting with ';' or
/// '#' are comments. set() changes only the bytes of the one key line it touches.
class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(QByteArray bytes)
        : m_bytes(std::move(bytes))
    {
    }

    const QByteArray& bytes() const { return m_bytes; }

    /// The value of key in section, truncated to kIniValueMax characters; a pair of matching
    /// quotes around the value is removed. *found tells whether the key exists.
    QString value(const QString& section, const QString& key, bool* found = nullptr) const;

    /// Sets key in section to value, adding the key (at the end of its section) or the section
    /// (at the end of the file) when missing. Returns false, changing nothing, when a name is
    /// empty or any text contains a line break, or a name would not read back ('=' in a key,
    /// ']' in a section).
    bool set(const QString& section, const QString& key, const QString& value);

private:
    QByteArray m_bytes;
};

/// Reads and writes one key of an INI file per call; the file is never held open.
class IniFile {
public:
    /// The value, or empty when the file, section or key is missing or the file cannot be read.
    static QString readString(const QString& file, const QString& section, const QString& key);
    /// The value as a plain decimal number: leading blanks and a sign allowed, digits up to the
    /// first non-digit, clamped to the int range; empty or non-numeric text gives 0.
    static int readInt(const QString& file, const QString& section, const QString& key);

    /// Writes the key, keeping every other line of the file. The new content goes to a temporary
    /// file in the same folder which then replaces the file, so a failure never leaves a
    /// half-written file. Returns false when the text is refused or the file cannot be written
    /// (an unreadable or oversized existing file is left alone rather than replaced); *error then
    /// reads "<file>: <reason>".
    static bool writeString(const QString& file, const QString& section, const QString& key, const QString& value,
        QString* error = nullptr);
    /// Writes value with "%d".
    static bool writeInt(
        const QString& file, const QString& section, const QString& key, int value, QString* error = nullptr);
};

/// Plain decimal conversion as described for IniFile::readInt.
int parseDecimal(const QString& text);

} // namespace platform
