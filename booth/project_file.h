// The project file (*.kivra): length-prefixed records holding the settings file and, for every
// used slot, its composed picture, frame and picture without frame as 32-bit BMP files; then one
// record for full-resolution output (each slot's photo as taken, its opacity and edits), which
// the classic reading rule never reaches: it reads three records per listed slot and stops.
#pragma once

#include <map>
#include <vector>

#include <QImage>
#include <QString>
#include <QStringList>

class CombinationSlots;
struct SlotExtra;

/// At most one settings record, three pictures for each of 16 slots and the full-resolution record.
inline constexpr int kMaxProjectRecords = 1 + 3 * 16 + 1;
/// The largest full-resolution record read back (it holds every used slot's photo as taken).
inline constexpr qint64 kMaxFullResolutionRecord = 1024ll * 1024 * 1024;
/// Name of the settings record when extracted.
inline constexpr const char* kProjectSettingsName = "KivraTesselwick.ini";

/// This process's private temporary folder, ending with "/": the unpacked project, the slot
/// pictures of a project being saved and the camera's shot files go there. One folder per user and
/// process, mode 0700, under $XDG_RUNTIME_DIR when that is set, else under the temp folder (see
/// platform/private_temp.h). Empty, with *error, when no safe folder can be made.
QString ProjectTempFolder(QString* error = nullptr);
/// Makes sure the folder is there and removes the files an earlier unpack or save of this
/// process left in it. False (with *error) when no safe folder can be had.
bool PrepareProjectTempFolder(QString* error = nullptr);
/// Removes this process's folder and its files (at the end of the process).
void RemoveProjectTempFolder();

/// Writes the listed files as records into target, in list order. The file is written under a
/// temporary name and renamed over target only when complete, so a failure leaves an earlier
/// target untouched. An empty list writes nothing and succeeds. False, with *error, when a listed
/// file is missing, empty, too large or unreadable, or target cannot be written.
bool PackFiles(const QStringList& paths, const QString& target, QString* error = nullptr);

/// Extracts the records of a project into ProjectTempFolder(): record 0 as the settings file,
/// record k as "<k - 1>.bmp". files receives the extracted paths in record order. A damaged file
/// (truncated length, a length of zero or past the end of the file, more than kMaxProjectRecords
/// records) stops the extraction there: what was extracted stays in files and the result is false
/// with *error describing the damage.
bool UnpackProject(const QString& projectPath, QStringList& files, QString* error = nullptr);

/// Writes a bitmap as an uncompressed 32-bit BMP (bottom-up, fourth byte copied from 32-bit
/// bitmaps, 0 for 24-bit ones; other depths are raised to 24 bits first). Nothing is left at
/// path on failure, and *error reads "<path>: <reason>".
bool WriteSlotBitmap(const QImage& bitmap, const QString& path, QString* error = nullptr);
/// The bytes WriteSlotBitmap writes; empty for a null or too large bitmap.
QByteArray SlotBitmapBytes(const QImage& bitmap);
/// Reads a slot picture written by WriteSlotBitmap (any BMP) as an opaque 32-bit bitmap; null and
/// *error when it does not decode.
QImage ReadSlotBitmap(const QString& path, QString* error = nullptr);

/// The settings record of a project: the bytes of settingsFile (when it is there and not too
/// large) with CombinationIndex and ComPictureFlag set, and without the operator PIN's hash, which
/// must not leave the booth in a project.
QByteArray ProjectSettingsRecord(const QString& settingsFile, int layout, const QList<int>& usedSlots);

/// The frame record of a slot without frame: one colour, so it is see-through everywhere for any
/// reader that lays it over (the full-resolution record tells new readers there is none).
QImage NoFrameStandIn();

/// The full-resolution record: what each used slot keeps besides its three pictures, by index.
QByteArray FullResolutionRecord(const std::vector<std::pair<int, const SlotExtra*>>& entries);
/// Reads a full-resolution record into out (by slot index). False, with *error, when bytes are not
/// one or are damaged; slots whose originals are damaged are left out and named in *error.
bool ReadFullResolutionRecord(const QByteArray& bytes, std::map<int, SlotExtra>& out, QString* error = nullptr);

/// Saves the slots into a project: the layout and the used-slot list go into settingsFile, which
/// becomes the first record, followed by the three pictures of each used slot and the
/// full-resolution record.
bool SaveProject(
    const CombinationSlots& model, const QString& settingsFile, const QString& target, QString* error = nullptr);

/// Builds layout combinationIndex and restores the listed slots from extracted files (files[0] is
/// the settings file), with their originals when the full-resolution record follows the slot
/// records. Slots whose pictures are missing or do not decode stay empty and are named in *error;
/// the rest are restored. A damaged full-resolution record is named in *error too; its slots open
/// without originals. Returns true when everything listed was restored.
bool RestoreProject(CombinationSlots& model, const QStringList& files, int combinationIndex,
    const QString& comPictureFlag, QString* error = nullptr);
/// RestoreProject with the layout and the used slots the project's own settings record names
/// (files[0]); nothing else of that record is read.
bool RestoreProjectFromItsSettings(CombinationSlots& model, const QStringList& files, QString* error = nullptr);
