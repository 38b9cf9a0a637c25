// AppToolkit: the small process-wide services every part of the booth uses (folders, path
// splitting, the per-user store, folder creation and listing, the folder picker, the settings file).
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

class AppToolkit {
public:
    /// Makes this the process-wide instance (see instance()) until it is destroyed.
    AppToolkit();
    ~AppToolkit();
    AppToolkit(const AppToolkit&) = delete;
    AppToolkit& operator=(const AppToolkit&) = delete;

    /// The instance made by start-up, or nullptr outside start-up and exit.
    static AppToolkit* instance();

    /// The module folder (ending with "/"); name and extension receive the executable's.
    QString ModuleFolder(QString* name = nullptr, QString* extension = nullptr) const;
    /// The temp folder, ending with "/".
    QString TempFolder() const;

    enum PathPart { Drive = 0, Directory = 1, Name = 2, Ext = 3, DriveDirectory = 4, NameExt = 5 };
    /// One part of path. There are no drives here, so Drive is always empty; Directory keeps its
    /// trailing "/", Ext its leading ".".
    static QString SplitPath(const QString& path, int part);
    /// The text after the last "." of the file name; empty when the name has none.
    static QString Extension(const QString& path);

    /// Reads a string value of the per-user store; group "" is the store's main key and any
    /// other group a profile section (e.g. "TextTool"). False when the value is missing.
    static bool ReadRegistryString(const QString& group, const QString& value, QString* text);
    /// Writes a string value of the per-user store; false when the store cannot be written.
    static bool WriteRegistryString(const QString& group, const QString& value, const QString& text);
    /// Profile values of the per-user store with a default for missing or non-numeric values.
    static int ReadProfileInt(const QString& section, const QString& key, int defaultValue);
    static QString ReadProfileString(const QString& section, const QString& key, const QString& defaultValue);

    /// Creates every missing folder along path; true when the whole path exists afterwards.
    static bool MakeFolders(const QString& path);
    static bool FileExists(const QString& path);
    /// Replaces list with folder + "/" + name for every entry of folder that is not a folder,
    /// in the order the file system gives them. Names keep their true case (the file system
    /// is case-sensitive); compare them case-insensitively.
    static void ListFiles(const QString& folder, QStringList& list);
    /// The folder picker (through the prompts seam); empty when cancelled. A chosen folder is
    /// noted as the last chosen one.
    static QString BrowseFolder(QWidget* parent, const QString& title, const QString& startFolder);
    /// The folder last chosen in any of the program's folder pickers (empty until one was chosen);
    /// the workbench's save starts there. Pickers that ask through their own prompts note it.
    static QString LastChosenFolder();
    static void NoteChosenFolder(const QString& folder);

    /// The settings-file accessors. An empty file name uses the per-user store's profile instead.
    static QString ReadSettingString(const QString& file, const QString& section, const QString& key);
    static int ReadSettingInt(const QString& file, const QString& section, const QString& key);
    static bool WriteSettingString(
        const QString& file, const QString& section, const QString& key, const QString& text);
    static bool WriteSettingInt(const QString& file, const QString& section, const QString& key, int value);
};
