// CCorvantisApp: the application object. Runs the start-up sequence (file type, command line,
// working folders, settings file, profile values), the main booth screen, and the exit sequence.
#pragma once

#include <functional>
#include <memory>

#include <QString>
#include <QStringList>

class AppToolkit;

/// The text tool's profile values (section "TextTool" of the per-user store), laid over the
/// default text record when the text tool sets up the remembered text settings.
struct TextToolProfile {
    QString m_faceName = QStringLiteral("Times New Roman");
    int m_charSet = 238;
    int m_weight = 0;
    int m_italic = 0;
    int m_underline = 0;
    quint32 m_textColour = 0xA0FFFF; ///< 0x00BBGGRR
    quint32 m_backColour = 0xA05000; ///< 0x00BBGGRR
    int m_opaque = 1;
    float m_opacity = 0.0f; ///< stored as percent, kept as 0.0..1.0
    int m_roundRadius = 25;
    int m_antialias = 1;
};

class CCorvantisApp {
public:
    /// Makes this the process-wide application object (see instance()).
    CCorvantisApp();
    ~CCorvantisApp();
    CCorvantisApp(const CCorvantisApp&) = delete;
    CCorvantisApp& operator=(const CCorvantisApp&) = delete;

    static CCorvantisApp* instance();

    // Set before InitInstance().
    /// The module folder; when never set, start-up takes the executable's folder (see resolveModuleFolder).
    void setModuleFolder(const QString& folder) { m_moduleFolder = folder; }
    /// The executable registered for *.kivra; defaults to the running one.
    void setExecutablePath(const QString& path) { m_executablePath = path; }
    /// The icon file the registered desktop entry shows (none when empty).
    void setDesktopIcon(const QString& path) { m_desktopIcon = path; }
    /// Runs the main booth screen modally and returns its result. Without one, start-up goes straight on.
    void setMainDialogRunner(std::function<int()> runner) { m_mainDialogRunner = std::move(runner); }
    /// Unpacks a project file into the temp folder and returns the extracted files in record order.
    /// Without one, a project path from the command line is only stored.
    void setProjectUnpacker(std::function<QStringList(const QString&)> unpacker)
    {
        m_projectUnpacker = std::move(unpacker);
    }
    /// A folder with Frame, Portrait, Background, Mask, Emotion and BaseMap sub-folders whose files
    /// start-up copies into the matching resource folders that are empty.
    void setDemoContentFolder(const QString& folder) { m_demoContentFolder = folder; }
    /// Sets up the remembered text settings from the "TextTool" profile values once they are read
    /// (the text tool lives above this library, so the composition root hands its step in).
    void setTextToolSetUp(std::function<void(const TextToolProfile&)> setUp) { m_textToolSetUp = std::move(setUp); }

    /// The start-up sequence; runs the main dialog and returns true after it has closed, or false
    /// when the toolkit could not be made (no module folder).
    bool InitInstance();
    /// The exit sequence after a normal end: folders back to the per-user store, toolkit destroyed.
    int ExitInstance();

    QString projectPath() const { return m_projectPath; }
    void setProjectPath(const QString& path) { m_projectPath = path; }
    /// Files extracted from the project, in record order.
    QStringList& projectFiles() { return m_projectFiles; }
    /// The clipboard format for images in the container's own memory layout.
    QString clipboardFormat() const { return m_clipboardFormat; }
    const TextToolProfile& textToolProfile() const { return m_textTool; }
    /// JPEG quality from the "Options" profile: JpegQualityI + JpegQualityF * 0.001.
    double jpegQuality() const { return m_jpegQuality; }
    int jpegOptions() const { return m_jpegOptions; }
    int rawOptions() const { return m_rawOptions; }
    int docType() const { return m_docType; }
    /// What the main dialog returned; 0 when none ran.
    int mainDialogResult() const { return m_mainDialogResult; }
    /// Files copied by the demo content step.
    int demoFilesCopied() const { return m_demoFilesCopied; }

private:
    void determineFolders();
    void readProfileValues();
    void copyDemoContent();

    QString m_moduleFolder;
    QString m_executablePath;
    QString m_desktopIcon;
    QString m_demoContentFolder;
    std::function<int()> m_mainDialogRunner;
    std::function<QStringList(const QString&)> m_projectUnpacker;
    std::function<void(const TextToolProfile&)> m_textToolSetUp;
    std::unique_ptr<AppToolkit> m_toolkit;

    QString m_projectPath;
    QStringList m_projectFiles;
    QString m_clipboardFormat;
    TextToolProfile m_textTool;
    double m_jpegQuality = 90.0;
    int m_jpegOptions = 0;
    int m_rawOptions = 0;
    int m_docType = 0;
    int m_mainDialogResult = 0;
    int m_demoFilesCopied = 0;
};

/// Mime type under which images travel on the clipboard in the container's own layout.
inline constexpr const char* kClipboardFormatName = "application/x-cf-cximage";
