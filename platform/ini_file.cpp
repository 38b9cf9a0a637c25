// Private-profile style INI files: parsing by byte offsets so that a write splices in one line
// and leaves every other byte of the file (comments, CRLF, byte order mark, unknown sections) alone.
#include "platform/ini_file.h"

#include <climits>

#include <QFile>
#include <QFileInfo>

#include "platform/atomic_file.h"

namespace platform {

namespace {

struct Line {
    qsizetype contentStart; ///< after leading blanks (and a byte order mark on the first line)
    qsizetype contentEnd; ///< before "\r\n" / "\n"
    qsizetype next; ///< start of the following line
};

enum class Kind { Other, Section, Key };

struct Parsed {
    Kind kind = Kind::Other;
    QByteArray name; ///< section or key name, trimmed
    QByteArray value; ///< key value, trimmed
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArray trimBlanks(QByteArray s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && (isBlank(s[e - 1]) || s[e - 1] == '\r'))
        --e;
    return s.mid(b, e - b);
}

/// Calls f(line) for every line; stops early when f returns false.
template <typename F> void forEachLine(const QByteArray& bytes, F&& f)
{
    qsizetype pos = 0;
    const qsizetype size = bytes.size();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        pos = 3;
    while (pos < size) {
        qsizetype nl = bytes.indexOf('\n', pos);
        const qsizetype next = nl < 0 ? size : nl + 1;
        qsizetype end = nl < 0 ? size : nl;
        if (end > pos && bytes[end - 1] == '\r')
            --end;
        qsizetype start = pos;
        while (start < end && isBlank(bytes[start]))
            ++start;
        if (!f(Line { start, end, next }))
            return;
        pos = next;
    }
}

Parsed parseLine(const QByteArray& bytes, const Line& line)
{
    Parsed p;
    const QByteArray text = bytes.mid(line.contentStart, line.contentEnd - line.contentStart);
    if (text.isEmpty() || text[0] == ';' || text[0] == '#')
        return p;
    if (text[0] == '[') {
        qsizetype close = text.indexOf(']');
        p.kind = Kind::Section;
        p.name = trimBlanks(text.mid(1, close < 0 ? -1 : close - 1));
        return p;
    }
    const qsizetype eq = text.indexOf('=');
    if (eq <= 0)
        return p;
    p.name = trimBlanks(text.left(eq));
    if (p.name.isEmpty())
        return p;
    p.kind = Kind::Key;
    p.value = trimBlanks(text.mid(eq + 1));
    return p;
}

bool sameName(const QByteArray& a, const QString& b)
{
    return QString::fromUtf8(a).compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

/// Where a section and a key sit in the file. Offsets are -1 when not found.
struct Location {
    qsizetype sectionNext = -1; ///< start of the line after the section header
    qsizetype lastKeyNext = -1; ///< start of the line after the section's last key line
    Line keyLine { -1, -1, -1 };
    QByteArray keyName;
    QByteArray keyValue;
    bool headerHasTerminator = true;
    bool lastKeyHasTerminator = true;
};

Location locate(const QByteArray& bytes, const QString& section, const QString& key)
{
    Location loc;
    bool inSection = false;
    forEachLine(bytes, [&](const Line& line) {
        const Parsed p = parseLine(bytes, line);
        if (p.kind == Kind::Section) {
            if (inSection)
                return false; // the section ended; a later duplicate of it is never used
            if (sameName(p.name, section)) {
                inSection = true;
                loc.sectionNext = line.next;
                loc.headerHasTerminator = line.next > line.contentEnd;
            }
            return true;
        }
        if (inSection && p.kind == Kind::Key) {
            loc.lastKeyNext = line.next;
            loc.lastKeyHasTerminator = line.next > line.contentEnd;
            if (loc.keyLine.next < 0 && sameName(p.name, key)) {
                loc.keyLine = line;
                loc.keyName = p.name;
                loc.keyValue = p.value;
            }
        }
        return true;
    });
    return loc;
}

QByteArray lineEnding(const QByteArray& bytes)
{
    const qsizetype nl = bytes.indexOf('\n');
    return nl > 0 && bytes[nl - 1] == '\r' ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
}

bool hasLineBreak(const QString& s)
{
    return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
}

/// Reads a whole settings file; false when it is missing, not a regular file, too large or unreadable.
bool readFile(const QString& file, QByteArray* bytes)
{
    const QFileInfo info(file);
    if (!info.exists() || !info.isFile() || info.size() > kIniFileMaxBytes)
        return false;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    // Sized by the file, not the limit: QIODevice::read allocates all it is allowed to read, and
    // settings are read on every shot's autosave. A file that grew since is read on to the limit.
    *bytes = f.read(info.size() + 1);
    if (bytes->size() > info.size() && f.error() == QFileDevice::NoError)
        bytes->append(f.read(kIniFileMaxBytes + 1 - bytes->size()));
    return bytes->size() <= kIniFileMaxBytes && f.error() == QFileDevice::NoError;
}

} // namespace

QString IniDocument::value(const QString& section, const QString& key, bool* found) const
{
    const Location loc = locate(m_bytes, section, key);
    if (found)
        *found = loc.keyLine.next >= 0;
    if (loc.keyLine.next < 0)
        return {};
    QString v = QString::fromUtf8(loc.keyValue);
    if (v.size() >= 2 && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\'')) && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    if (v.size() > kIniValueMax) {
        v.truncate(kIniValueMax);
        if (v.back().isHighSurrogate())
            v.chop(1);
    }
    return v;
}

bool IniDocument::set(const QString& section, const QString& key, const QString& value)
{
    const QString s = section.trimmed();
    const QString k = key.trimmed();
    if (s.isEmpty() || k.isEmpty() || hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value))
        return false;
    if (s.contains(QLatin1Char(']')) || k.contains(QLatin1Char('=')) || k.startsWith(QLatin1Char('['))
        || k.startsWith(QLatin1Char(';')) || k.startsWith(QLatin1Char('#')))
        return false;

    const Location loc = locate(m_bytes, s, k);
    const QByteArray eol = lineEnding(m_bytes);
    const QByteArray v = value.toUtf8();

    if (loc.keyLine.next >= 0) {
        // Keep the key as it is spelt in the file; only this line's content changes.
        const QByteArray line = loc.keyName + '=' + v;
        m_bytes.replace(loc.keyLine.contentStart, loc.keyLine.contentEnd - loc.keyLine.contentStart, line);
        return true;
    }
    if (loc.sectionNext >= 0) {
        qsizetype at = loc.lastKeyNext >= 0 ? loc.lastKeyNext : loc.sectionNext;
        const bool terminated = loc.lastKeyNext >= 0 ? loc.lastKeyHasTerminator : loc.headerHasTerminator;
        QByteArray insert = (terminated ? QByteArray() : eol) + k.toUtf8() + '=' + v + eol;
        m_bytes.insert(at, insert);
        return true;
    }
    QByteArray tail;
    if (!m_bytes.isEmpty() && !m_bytes.endsWith('\n'))
        tail += eol;
    tail += '[' + s.toUtf8() + ']' + eol + k.toUtf8() + '=' + v + eol;
    m_bytes += tail;
    return true;
}

QString IniFile::readString(const QString& file, const QString& section, const QString& key)
{
    QByteArray bytes;
    if (file.isEmpty() || !readFile(file, &bytes))
        return {};
    return IniDocument(std::move(bytes)).value(section, key);
}

int IniFile::readInt(const QString& file, const QString& section, const QString& key)
{
    return parseDecimal(readString(file, section, key));
}

bool IniFile::writeString(
    const QString& file, const QString& section, const QString& key, const QString& value, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(file, why);
        return false;
    };
    if (file.isEmpty())
        return fail(QStringLiteral("no settings file"));
    QByteArray bytes;
    const QFileInfo info(file);
    if (info.exists() && !readFile(file, &bytes)) // replacing a file we could not read would lose its content
        return fail(info.size() > kIniFileMaxBytes
                ? QStringLiteral("the file is larger than %1 MB and is left as it is").arg(kIniFileMaxBytes >> 20)
                : QStringLiteral("the file cannot be read and is left as it is"));
    IniDocument doc(bytes);
    if (!doc.set(section, key, value))
        return fail(QStringLiteral("%1 cannot hold that text").arg(key));
    if (info.exists() && doc.bytes() == bytes)
        return true;

    const QByteArray& text = doc.bytes();
    std::string reason;
    if (!writeFileAtomically(
            QFile::encodeName(file).toStdString(), std::string_view(text.constData(), size_t(text.size())), &reason)) {
        if (error)
            *error = QFile::decodeName(reason.c_str()); // "<file>: <reason>"
        return false;
    }
    return true;
}

bool IniFile::writeInt(const QString& file, const QString& section, const QString& key, int value, QString* error)
{
    return writeString(file, section, key, QString::number(value), error);
}

int parseDecimal(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    long long v = 0;
    for (; i < n && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        v = v * 10 + (text[i].unicode() - '0');
        if (v > static_cast<long long>(INT_MAX) + 1)
            v = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        v = -v;
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

} // namespace platform
