// Packing, unpacking, saving and restoring project files.
#include "booth/project_file.h"

#include <algorithm>
#include <cstring>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/app_paths.h"
#include "app/booth_settings.h"
#include "booth/combination_slots.h"
#include "booth/composition.h"
#include "booth/slot_original.h"
#include "booth/tagged_fields_p.h"
#include "imaging/formats/cxfile.h"
#include "platform/atomic_file.h"
#include "platform/bmp_writer.h"
#include "platform/ini_file.h"
#include "platform/private_temp.h"

namespace {

bool setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

QString baseTempFolder()
{
    QString temp = appPaths().m_tempFolder;
    if (temp.isEmpty())
        temp = QDir::tempPath();
    if (!temp.endsWith(QLatin1Char('/')))
        temp += QLatin1Char('/');
    return temp;
}

const char* const kFullResolutionName = "FullResolution.rec";

/// Names this code writes into the temporary folder.
bool isOurFileName(const QString& name)
{
    if (name == QLatin1String(kProjectSettingsName) || name == QLatin1String(kFullResolutionName))
        return true;
    static const QLatin1String suffixes[]
        = { QLatin1String("Frame.bmp"), QLatin1String("Bk.bmp"), QLatin1String(".bmp") };
    for (const QLatin1String& suffix : suffixes) {
        if (!name.endsWith(suffix))
            continue;
        const QString number = name.left(name.size() - suffix.size());
        bool ok = false;
        number.toUInt(&ok);
        if (ok && !number.isEmpty())
            return true;
    }
    return false;
}

/// Opens a fresh file for writing: whatever is at path (a stale file or a planted link) is
/// removed first, and the file must not exist when it is created.
bool openFresh(QFile& file)
{
    QFile::remove(file.fileName());
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
}

} // namespace

QString ProjectTempFolder(QString* error)
{
    std::string why;
    const std::string folder = platform::processTempFolder(QFile::encodeName(baseTempFolder()).toStdString(), &why);
    if (folder.empty()) {
        setError(error,
            QStringLiteral("No private temporary folder could be made in %1.")
                .arg(QString::fromLocal8Bit(why.c_str())));
        return QString();
    }
    return QFile::decodeName(folder.c_str());
}

bool PrepareProjectTempFolder(QString* error)
{
    const QString folder = ProjectTempFolder(error);
    if (folder.isEmpty())
        return false;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot))
        if (isOurFileName(name))
            QFile::remove(folder + name);
    return true;
}

void RemoveProjectTempFolder()
{
    platform::removeProcessTempFolders();
}

bool PackFiles(const QStringList& paths, const QString& target, QString* error)
{
    if (paths.isEmpty())
        return true;
    platform::AtomicFile out(QFile::encodeName(target).toStdString());
    auto reason = [&out] { return QString::fromLocal8Bit(out.reason().c_str()); };
    if (!out.open())
        return setError(error, QStringLiteral("The project file %1 could not be created: %2").arg(target, reason()));
    // Returning without commit() discards the temporary: the old project file stays as it was.
    for (const QString& path : paths) {
        QFile in(path);
        const qint64 size = QFileInfo(path).size();
        if (!QFileInfo(path).isFile() || size <= 0)
            return setError(
                error, QStringLiteral("The file %1 is missing or empty; the project was not saved.").arg(path));
        if (size > qint64(UINT32_MAX))
            return setError(error, QStringLiteral("The file %1 is too large for a project.").arg(path));
        if (!in.open(QIODevice::ReadOnly))
            return setError(error, QStringLiteral("The file %1 could not be read: %2").arg(path, in.errorString()));
        const QByteArray bytes = in.readAll();
        if (bytes.size() != size)
            return setError(error, QStringLiteral("The file %1 changed while it was being read.").arg(path));
        uint8_t length[4];
        platform::putLe32(length, uint32_t(size));
        if (!out.write(length, 4) || !out.write(bytes.constData(), size_t(bytes.size())))
            return setError(
                error, QStringLiteral("The project file %1 could not be written: %2").arg(target, reason()));
    }
    if (!out.commit())
        return setError(error, QStringLiteral("The project file %1 could not be written: %2").arg(target, reason()));
    return true;
}

bool UnpackProject(const QString& projectPath, QStringList& files, QString* error)
{
    files.clear();
    QFile in(projectPath);
    if (!in.open(QIODevice::ReadOnly))
        return setError(
            error, QStringLiteral("The project file %1 could not be opened: %2").arg(projectPath, in.errorString()));
    const qint64 total = in.size();
    if (total <= 0)
        return setError(error, QStringLiteral("The project file %1 is empty.").arg(projectPath));
    QString prepareError;
    if (!PrepareProjectTempFolder(&prepareError))
        return setError(error, prepareError);
    const QString folder = ProjectTempFolder();

    auto damaged = [&](const QString& what) {
        return setError(error, QStringLiteral("The project file %1 is damaged: %2").arg(projectPath, what));
    };
    qint64 offset = 0;
    for (int k = 0; offset < total; ++k) {
        if (k >= kMaxProjectRecords)
            return damaged(
                QStringLiteral("it holds more than %1 records; the rest was ignored.").arg(kMaxProjectRecords));
        if (total - offset < 4)
            return damaged(QStringLiteral("record %1 has a truncated length.").arg(k));
        uint8_t length[4];
        if (!in.seek(offset) || in.read(reinterpret_cast<char*>(length), 4) != 4)
            return damaged(QStringLiteral("record %1 could not be read.").arg(k));
        const qint64 n = qint64(length[0]) | qint64(length[1]) << 8 | qint64(length[2]) << 16 | qint64(length[3]) << 24;
        if (n == 0)
            return damaged(QStringLiteral("record %1 is empty.").arg(k));
        if (n > total - offset - 4)
            return damaged(
                QStringLiteral("record %1 claims %2 bytes but only %3 remain.").arg(k).arg(n).arg(total - offset - 4));
        const QString name
            = k == 0 ? folder + QLatin1String(kProjectSettingsName) : folder + QStringLiteral("%1.bmp").arg(k - 1);
        QFile out(name);
        if (!openFresh(out))
            return setError(error, QStringLiteral("%1: %2").arg(name, out.errorString()));
        // Copy in pieces: a record may be as large as the file itself.
        qint64 left = n;
        QByteArray buffer;
        while (left > 0) {
            buffer = in.read(std::min<qint64>(left, 1 << 20));
            if (buffer.isEmpty()) {
                out.close();
                QFile::remove(name);
                return damaged(QStringLiteral("record %1 could not be copied.").arg(k));
            }
            if (out.write(buffer) != buffer.size()) {
                const QString why = out.errorString();
                out.close();
                QFile::remove(name);
                return setError(error, QStringLiteral("%1: %2").arg(name, why));
            }
            left -= buffer.size();
        }
        if (!out.flush()) {
            const QString why = out.errorString();
            out.close();
            QFile::remove(name);
            return setError(error, QStringLiteral("%1: %2").arg(name, why));
        }
        out.close();
        files.append(name);
        offset += 4 + n;
    }
    return true;
}

namespace {

/// Writes bitmap as the project's 32-bit BMP through sink.
bool writeSlotBitmapTo(const QImage& bitmap, const platform::BmpSink& sink)
{
    if (bitmap.isNull())
        return false;
    QImage source = bitmap;
    bool fourthByte = false;
    switch (source.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        fourthByte = true;
        break;
    case QImage::Format_ARGB32_Premultiplied:
        source = source.convertToFormat(QImage::Format_ARGB32);
        fourthByte = true;
        break;
    case QImage::Format_RGB888:
        break;
    default:
        source = source.convertToFormat(QImage::Format_RGB888);
        break;
    }
    if (source.isNull())
        return false;
    const int w = source.width();
    const int h = source.height();
    if (quint64(w) * quint64(h) * 4 > UINT32_MAX - 54)
        return false;

    platform::BmpInfo info;
    info.width = w;
    info.height = h;
    info.bitCount = 32;
    platform::BmpWriteOptions options;
    options.recordFileSize = false; // the project format has always left it 0
    const platform::BmpRowSource rows = [&](uint32_t fileRow, uint8_t* d) -> const uint8_t* {
        uint8_t* const row = d;
        const uchar* s = source.constScanLine(h - 1 - int(fileRow));
        if (fourthByte) {
            const auto* px = reinterpret_cast<const QRgb*>(s);
            for (int x = 0; x < w; ++x, d += 4) {
                d[0] = uint8_t(qBlue(px[x]));
                d[1] = uint8_t(qGreen(px[x]));
                d[2] = uint8_t(qRed(px[x]));
                d[3] = uint8_t(qAlpha(px[x]));
            }
        } else {
            for (int x = 0; x < w; ++x, d += 4, s += 3) {
                d[0] = s[2];
                d[1] = s[1];
                d[2] = s[0];
                d[3] = 0;
            }
        }
        return row;
    };
    return platform::writeBmp(sink, info, rows, options);
}

} // namespace

bool WriteSlotBitmap(const QImage& bitmap, const QString& path, QString* error)
{
    if (bitmap.isNull())
        return setError(error, QStringLiteral("%1: there is no picture").arg(path));
    // The slot pictures go into this process's own temporary folder, where a planted link is
    // removed rather than followed; the project file itself is written atomically.
    QFile out(path);
    if (!openFresh(out))
        return setError(error, QStringLiteral("%1: %2").arg(path, out.errorString()));
    bool writeFailed = false;
    const platform::BmpSink sink = [&](const uint8_t* data, size_t size) {
        writeFailed = out.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size);
        return !writeFailed;
    };
    bool ok = writeSlotBitmapTo(bitmap, sink);
    writeFailed = writeFailed || !out.flush();
    const QString why = writeFailed ? out.errorString() : QStringLiteral("the picture is too large or has no pixels");
    out.close();
    if (!ok || writeFailed) {
        QFile::remove(path);
        return setError(error, QStringLiteral("%1: %2").arg(path, why));
    }
    return true;
}

QByteArray SlotBitmapBytes(const QImage& bitmap)
{
    QByteArray bytes;
    const platform::BmpSink sink = [&bytes](const uint8_t* data, size_t size) {
        bytes.append(reinterpret_cast<const char*>(data), qsizetype(size));
        return true;
    };
    if (!writeSlotBitmapTo(bitmap, sink))
        return QByteArray();
    return bytes;
}

namespace {

/// Largest width or height, and pixel count, of a slot picture read from a project. Slots are
/// 320 x 240; a frame is kept at its own size, so a generous bound is left for it. The bound holds
/// for every compression: a run-length record can declare any size in a few bytes.
constexpr qint64 kMaxSlotSide = 4096;
constexpr qint64 kMaxSlotPixels = 4096 * 3072;
/// Decoded bytes (32 bits a pixel) all slot pictures of one project may take together.
constexpr qint64 kMaxProjectPictureBytes = 192ll * 1024 * 1024;

/// The size a BMP header declares; false when it is not a BMP with an info header.
bool declaredBitmapSize(const QByteArray& bytes, qint64* width, qint64* height)
{
    if (bytes.size() < 26 || bytes[0] != 'B' || bytes[1] != 'M')
        return false;
    const auto* b = reinterpret_cast<const uint8_t*>(bytes.constData());
    auto le = [b](int at) { return qint64(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24); };
    if (le(14) == 12) { // core header: 16-bit sizes
        *width = b[18] | b[19] << 8;
        *height = b[20] | b[21] << 8;
        return true;
    }
    *width = qint32(le(18));
    *height = qAbs(qint64(qint32(le(22))));
    return true;
}

/// Checks an uncompressed BMP's declared size against the bytes present before anything is
/// allocated for it; compressed files are left to the decoder.
bool plausibleBitmap(const QByteArray& bytes, QString* why)
{
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') {
        *why = QStringLiteral("not a BMP file");
        return false;
    }
    const auto* b = reinterpret_cast<const uint8_t*>(bytes.constData());
    auto le = [b](int at) { return qint64(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24); };
    const qint64 headerSize = le(14);
    qint64 width = 0, height = 0;
    declaredBitmapSize(bytes, &width, &height);
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        *why = QStringLiteral("picture size %1 x %2 out of range").arg(width).arg(height);
        return false;
    }
    if (headerSize >= 40) {
        const int bits = b[28] | b[29] << 8;
        const qint64 compression = le(30);
        if (compression == 0 || compression == 3) {
            const qint64 stride = (width * bits + 31) / 32 * 4;
            if (stride * height > bytes.size()) {
                *why = QStringLiteral("the pixel data is truncated");
                return false;
            }
        }
    }
    if (width > kMaxSlotSide || height > kMaxSlotSide || width * height > kMaxSlotPixels) {
        *why = QStringLiteral("picture size %1 x %2 out of range for a slot picture").arg(width).arg(height);
        return false;
    }
    return true;
}

} // namespace

QImage ReadSlotBitmap(const QString& path, QString* error)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("%1 could not be opened.").arg(QFileInfo(path).fileName()));
        return QImage();
    }
    QByteArray bytes = in.readAll();
    QString why;
    if (!plausibleBitmap(bytes, &why)) {
        setError(error, QStringLiteral("%1 is not a readable picture (%2).").arg(QFileInfo(path).fileName(), why));
        return QImage();
    }
    CxMemFile mem(reinterpret_cast<uint8_t*>(bytes.data()), size_t(bytes.size()));
    CxImage image;
    // Project pictures are BMP files; nothing else is tried on them.
    if (!image.Decode(&mem, CXIMAGE_FORMAT_BMP)) {
        setError(error,
            QStringLiteral("%1 is not a readable picture (%2).")
                .arg(QFileInfo(path).fileName(), QString::fromLatin1(image.GetLastError())));
        return QImage();
    }
    return BitmapFromImage(image);
}

namespace {

// The record starts with these bytes, which no BMP does ("BM"), so the classic reader's memory
// check passes it by and a new reader knows it.
const char kFullMagic[16] = { 'K', 'I', 'V', 'R', 'A', '-', 'F', 'U', 'L', 'L', 'R', 'E', 'S', 0, 0, 0 };
constexpr uint32_t kFullVersion = 1;
constexpr uint32_t kSlotTag = tagged::tag("SLOT");
constexpr uint32_t kIndexTag = tagged::tag("INDX");
constexpr uint32_t kOpacityTag = tagged::tag("OPAC");
constexpr uint32_t kEditedTag = tagged::tag("EDTD");
constexpr uint32_t kNoFrameTag = tagged::tag("NOFR");
constexpr uint32_t kOriginalTag = tagged::tag("ORIG");

QByteArray u32Bytes(uint32_t v)
{
    tagged::Writer w;
    w.u32(v);
    return w.data();
}

/// A frame record that is only the empty-slot picture (written by earlier versions for slots
/// without frame): screen art, never a frame.
bool isEmptySlotStandIn(const QImage& frame, const CombinationSlots& model)
{
    const QImage& empty = model.emptySlotPicture();
    if (frame.isNull() || empty.isNull() || frame.size() != empty.size())
        return false;
    return frame.convertToFormat(QImage::Format_RGB32) == empty.convertToFormat(QImage::Format_RGB32);
}

} // namespace

QImage NoFrameStandIn()
{
    QImage picture(320, 240, QImage::Format_RGB32);
    picture.fill(qRgb(255, 0, 255));
    return picture;
}

QByteArray FullResolutionRecord(const std::vector<std::pair<int, const SlotExtra*>>& entries)
{
    tagged::Writer w;
    w.bytes(QByteArray(kFullMagic, sizeof(kFullMagic)));
    w.u32(kFullVersion);
    for (const auto& [index, extra] : entries) {
        if (!extra)
            continue;
        tagged::Writer slot;
        slot.field(kIndexTag, u32Bytes(uint32_t(index)));
        slot.field(kOpacityTag, u32Bytes(uint32_t(std::clamp(extra->opacity, 0, 255))));
        slot.field(kEditedTag, u32Bytes(extra->edited ? 1 : 0));
        if (extra->noFrame)
            slot.field(kNoFrameTag, QByteArray());
        if (extra->original)
            slot.field(kOriginalTag, extra->original->serialize());
        w.field(kSlotTag, slot.data());
    }
    return w.data();
}

bool ReadFullResolutionRecord(const QByteArray& bytes, std::map<int, SlotExtra>& out, QString* error)
{
    out.clear();
    if (bytes.size() < qsizetype(sizeof(kFullMagic)) + 4
        || !bytes.startsWith(QByteArray(kFullMagic, sizeof(kFullMagic))))
        return setError(error, QStringLiteral("the full-resolution record is not one"));
    const QByteArray body = bytes.mid(sizeof(kFullMagic));
    tagged::Reader r(body);
    const uint32_t version = r.u32();
    if (version != kFullVersion)
        return setError(error,
            QStringLiteral("the full-resolution record has version %1, which this booth does not read").arg(version));
    QStringList problems;
    uint32_t t = 0;
    QByteArray payload;
    while (r.field(t, payload)) {
        if (t != kSlotTag)
            continue;
        tagged::Reader slot(payload);
        int index = -1;
        SlotExtra extra;
        uint32_t st = 0;
        QByteArray sp;
        QByteArray original;
        while (slot.field(st, sp)) {
            tagged::Reader f(sp);
            if (st == kIndexTag)
                index = int(std::min<uint32_t>(f.u32(), uint32_t(kMaxSlots)));
            else if (st == kOpacityTag)
                extra.opacity = int(std::min<uint32_t>(f.u32(), 255));
            else if (st == kEditedTag)
                extra.edited = f.u32() != 0;
            else if (st == kNoFrameTag)
                extra.noFrame = true;
            else if (st == kOriginalTag)
                original = sp;
        }
        if (slot.failed() || index < 0 || index >= kMaxSlots) {
            problems << QStringLiteral("a slot's entry is damaged");
            continue;
        }
        if (!original.isEmpty()) {
            QString why;
            extra.original = ParseSlotOriginal(original, &why);
            if (!extra.original)
                problems << QStringLiteral("the photo of slot %1 for full resolution is unusable (%2); the slot "
                                           "prints from its picture")
                                .arg(index + 1)
                                .arg(why);
        }
        out[index] = std::move(extra);
    }
    if (r.failed())
        problems << QStringLiteral("the full-resolution record is cut short");
    if (problems.isEmpty())
        return true;
    return setError(error, problems.join(QStringLiteral("; ")));
}

QByteArray ProjectSettingsRecord(const QString& settingsFile, int layout, const QList<int>& usedSlots)
{
    QByteArray bytes;
    QFile in(settingsFile);
    if (in.size() <= platform::kIniFileMaxBytes && in.open(QIODevice::ReadOnly))
        bytes = in.readAll();
    platform::IniDocument doc(bytes);
    const QString section = QLatin1String(kSettingKeys[KeyConfigure]);
    bool hasPin = false;
    doc.value(section, QLatin1String(kKeyOperatorPin), &hasPin);
    if (!doc.set(section, QLatin1String(kSettingKeys[KeyCombinationIndex]), QString::number(layout))
        || !doc.set(
            section, QLatin1String(kSettingKeys[KeyComPictureFlag]), BoothSettings::MakeComPictureFlag(usedSlots))
        || (hasPin && !doc.set(section, QLatin1String(kKeyOperatorPin), QString())))
        return QByteArray();
    return doc.bytes();
}

bool SaveProject(const CombinationSlots& model, const QString& settingsFile, const QString& target, QString* error)
{
    if (!PrepareProjectTempFolder(error))
        return false;
    const QString section = QLatin1String(kSettingKeys[KeyConfigure]);
    QString why;
    if (!platform::IniFile::writeInt(
            settingsFile, section, QLatin1String(kSettingKeys[KeyCombinationIndex]), model.layout(), &why))
        return setError(
            error, QStringLiteral("The settings could not be written; the project was not saved.\n%1").arg(why));
    const QString folder = ProjectTempFolder();
    QStringList list { settingsFile };
    QList<int> used;
    std::vector<SlotExtra> extras;
    std::vector<int> extraIndex;
    extras.reserve(size_t(model.count()));
    for (int i = 0; i < model.count(); ++i) {
        const ComData& r = model.slot(i);
        if (!r.m_used)
            continue;
        const QString composed = folder + QStringLiteral("%1.bmp").arg(i);
        const QString frame = folder + QStringLiteral("%1Frame.bmp").arg(i);
        const QString background = folder + QStringLiteral("%1Bk.bmp").arg(i);
        // A slot without frame (the frame off, or edited) still has a frame record, one that
        // every reader lays over as nothing.
        const QImage framePicture = r.m_frame.isNull() ? NoFrameStandIn() : r.m_frame;
        const QImage& composedPicture = r.m_composed.isNull() ? r.m_background : r.m_composed;
        const QImage& backgroundPicture = r.m_background.isNull() ? r.m_composed : r.m_background;
        if (composedPicture.isNull())
            continue; // nothing to keep
        if (!WriteSlotBitmap(composedPicture, composed, &why) || !WriteSlotBitmap(framePicture, frame, &why)
            || !WriteSlotBitmap(backgroundPicture, background, &why))
            return setError(error,
                QStringLiteral("The pictures of slot %1 could not be written; the project was not saved.\n%2")
                    .arg(i + 1)
                    .arg(why));
        list << composed << frame << background;
        used.append(i);
        extras.push_back({ r.m_original, r.m_opacity, r.m_edited != 0, r.m_frame.isNull() });
        extraIndex.push_back(i);
    }
    // After every slot record: the classic reader stops before it.
    std::vector<std::pair<int, const SlotExtra*>> entries;
    for (size_t k = 0; k < extras.size(); ++k)
        entries.push_back({ extraIndex[k], &extras[k] });
    if (!used.isEmpty()) {
        const QString full = folder + QLatin1String(kFullResolutionName);
        QFile out(full);
        const QByteArray bytes = FullResolutionRecord(entries);
        if (!openFresh(out) || out.write(bytes) != bytes.size() || !out.flush())
            return setError(
                error, QStringLiteral("The file %1 could not be written; the project was not saved.").arg(full));
        out.close();
        list << full;
    }
    if (!platform::IniFile::writeString(settingsFile, section, QLatin1String(kSettingKeys[KeyComPictureFlag]),
            BoothSettings::MakeComPictureFlag(used), &why))
        return setError(
            error, QStringLiteral("The settings could not be written; the project was not saved.\n%1").arg(why));
    // Record 0 is the settings file as it now stands, less the operator PIN's hash.
    const QString record = folder + QLatin1String(kProjectSettingsName);
    QFile recordFile(record);
    const QByteArray recordBytes = ProjectSettingsRecord(settingsFile, model.layout(), used);
    if (recordBytes.isEmpty())
        return setError(error, QStringLiteral("The settings file %1 could not be read.").arg(settingsFile));
    if (!openFresh(recordFile) || recordFile.write(recordBytes) != recordBytes.size() || !recordFile.flush())
        return setError(
            error, QStringLiteral("The project was not saved.\n%1: %2").arg(record, recordFile.errorString()));
    recordFile.close();
    list[0] = record;
    return PackFiles(list, target, error);
}

bool RestoreProjectFromItsSettings(CombinationSlots& model, const QStringList& files, QString* error)
{
    if (files.isEmpty()) {
        setError(error, QStringLiteral("The project holds no records."));
        return false;
    }
    const QString section = QLatin1String(kSettingKeys[KeyConfigure]);
    const int layout
        = platform::IniFile::readInt(files.first(), section, QLatin1String(kSettingKeys[KeyCombinationIndex]));
    const QString flag
        = platform::IniFile::readString(files.first(), section, QLatin1String(kSettingKeys[KeyComPictureFlag]));
    return RestoreProject(model, files, layout, flag, error);
}

bool RestoreProject(CombinationSlots& model, const QStringList& files, int combinationIndex,
    const QString& comPictureFlag, QString* error)
{
    QStringList problems;
    if (combinationIndex < 0 || combinationIndex >= kLayoutCount) {
        problems << QStringLiteral("The project names an unknown slot layout (%1); the first layout is used.")
                        .arg(combinationIndex);
        combinationIndex = 0;
    }
    model.buildLayout(combinationIndex);
    // All pictures are weighed before any is decoded: many records that each pass the per-picture
    // bound must not add up to gigabytes.
    qint64 decodedBytes = 0;
    for (qsizetype k = 1; k < files.size(); ++k) {
        QFile in(files[k]);
        qint64 width = 0, height = 0;
        if (in.open(QIODevice::ReadOnly) && declaredBitmapSize(in.read(26), &width, &height) && width > 0 && height > 0)
            decodedBytes += std::min(width * height, kMaxSlotPixels) * 4;
    }
    if (decodedBytes > kMaxProjectPictureBytes)
        return setError(error,
            QStringLiteral("The project's pictures would need %1 MB of memory, more than the %2 MB a project may "
                           "use; the project was not opened.")
                .arg(decodedBytes >> 20)
                .arg(kMaxProjectPictureBytes >> 20));
    int cursor = 1;
    const int n = std::min(model.count(), kMaxSlots);
    // The full-resolution record follows the three records of every listed slot.
    std::map<int, SlotExtra> extras;
    {
        int listed = 0;
        for (int j = 0; j < n; ++j)
            if (BoothSettings::IsSlotListed(comPictureFlag, j))
                ++listed;
        const qsizetype at = 1 + 3 * qsizetype(listed);
        if (at < files.size()) {
            QFile in(files[at]);
            if (in.open(QIODevice::ReadOnly)
                && in.peek(sizeof(kFullMagic)) == QByteArray(kFullMagic, sizeof(kFullMagic))) {
                QString why;
                if (in.size() > kMaxFullResolutionRecord)
                    problems << QStringLiteral("The project's full-resolution record is too large; the slots print "
                                               "from their pictures.");
                else if (!ReadFullResolutionRecord(in.readAll(), extras, &why))
                    problems << QStringLiteral("The project's full-resolution record is damaged: %1.").arg(why);
            }
        }
    }
    for (int j = 0; j < n; ++j) {
        if (!BoothSettings::IsSlotListed(comPictureFlag, j))
            continue;
        if (cursor + 2 >= files.size()) {
            problems << QStringLiteral("The pictures of slot %1 and any later slot are missing.").arg(j + 1);
            break;
        }
        QString composedError, frameError, backgroundError;
        const QImage composed = ReadSlotBitmap(files[cursor], &composedError);
        QImage frame = ReadSlotBitmap(files[cursor + 1], &frameError);
        QImage background = ReadSlotBitmap(files[cursor + 2], &backgroundError);
        cursor += 3;
        if (composed.isNull()) {
            problems << QStringLiteral("Slot %1 could not be restored: %2").arg(j + 1).arg(composedError);
            continue;
        }
        // The picture with its frame is what the user sees; a lost part is replaced so the slot survives.
        if (frame.isNull()) {
            problems << QStringLiteral("The frame of slot %1 could not be restored: %2").arg(j + 1).arg(frameError);
            frame = model.emptySlotPicture();
        }
        if (background.isNull()) {
            problems << QStringLiteral("The picture without frame of slot %1 could not be restored: %2")
                            .arg(j + 1)
                            .arg(backgroundError);
            background = composed;
        }
        const auto extra = extras.find(j);
        if (extra != extras.end()) {
            model.restoreSlot(j, composed, frame, background, &extra->second);
        } else {
            // An earlier version wrote the empty-slot picture for a slot without frame.
            SlotExtra none;
            none.noFrame = isEmptySlotStandIn(frame, model);
            model.restoreSlot(j, composed, frame, background, &none);
        }
    }
    if (problems.isEmpty())
        return true;
    return setError(error, problems.join(QLatin1Char('\n')));
}
