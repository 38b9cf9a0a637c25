// The one seam through which the program asks the user something: file, folder, font, colour and
// print dialogs and the message box. Tests install their own Prompts and answer without a person.
#pragma once

#include <functional>
#include <optional>

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

class QPrinter;
class QWidget;

namespace platform {

/// Message box style bits, as the classic platform message box takes them.
enum MessageStyle : unsigned {
    MbOk = 0x00,
    MbOkCancel = 0x01,
    MbYesNo = 0x04,
    MbIconError = 0x10,
    MbIconQuestion = 0x20,
    MbIconWarning = 0x30,
    MbIconInformation = 0x40,
};

/// Message box results.
enum MessageResult : int { IdOk = 1, IdCancel = 2, IdYes = 6, IdNo = 7 };

struct OpenFilesRequest {
    QString title;
    QString startFolder;
    /// Classic filter text, e.g. "Support files|*.bmp;*.jpg||".
    QString filter;
    QString defaultExtension;
    QString acceptLabel; ///< confirm button text ("Import", "Remove"); empty = platform default
    QString selectionLabel; ///< label of the file name field ("Selected:"); empty = default
    bool multiple = false;
};

struct SaveFileRequest {
    QString title;
    QString startFolder;
    QString fileName; ///< proposed name
    QString filter;
    QString defaultExtension;
    bool confirmOverwrite = true;
};

class Prompts {
public:
    virtual ~Prompts() = default;

    /// Chosen files (absolute paths); empty when cancelled.
    virtual QStringList openFiles(QWidget* parent, const OpenFilesRequest& request) = 0;
    /// Chosen path; empty when cancelled. When the filter has several entries, *filterIndex
    /// receives the 1-based index of the chosen one.
    virtual QString saveFile(QWidget* parent, const SaveFileRequest& request, int* filterIndex = nullptr) = 0;
    /// Chosen folder without trailing separator; empty when cancelled.
    virtual QString pickFolder(QWidget* parent, const QString& title, const QString& startFolder) = 0;
    virtual std::optional<QFont> pickFont(QWidget* parent, const QFont& initial, QColor* colour = nullptr) = 0;
    virtual std::optional<QColor> pickColour(QWidget* parent, const QColor& initial) = 0;
    /// Shows the print set-up for printer; false when cancelled.
    virtual bool printSetup(QWidget* parent, QPrinter& printer) = 0;
    /// Shows the skinned message box; returns a MessageResult.
    virtual int messageBox(QWidget* parent, const QString& text, unsigned style, const QString& caption = {}) = 0;
    /// Asks for a secret (the operator PIN) with hidden input; nullopt when cancelled.
    virtual std::optional<QString> askSecret(QWidget* parent, const QString& title, const QString& label)
    {
        Q_UNUSED(parent);
        Q_UNUSED(title);
        Q_UNUSED(label);
        return std::nullopt;
    }
};

/// The process-wide prompts. Before setPrompts() is called this is a silent implementation
/// that cancels everything and answers message boxes with their first button.
Prompts& prompts();
/// Installs p (not owned; nullptr restores the silent implementation).
void setPrompts(Prompts* p);

/// Answers every prompt from queued replies; records what was asked. For tests and headless runs.
class ScriptedPrompts : public Prompts {
public:
    QStringList openFilesReply;
    QString saveFileReply;
    int saveFilterIndexReply = 1;
    QString folderReply;
    std::optional<QFont> fontReply;
    std::optional<QColor> colourReply;
    bool printSetupReply = false;
    /// When set, answers the print set-up instead of printSetupReply (it may change the printer's
    /// page range, copies or printer as a person would).
    std::function<bool(QPrinter&)> printSetupHandler;
    int messageReply = IdOk;
    /// When set, answers message boxes instead of messageReply.
    std::function<int(const QString& text, unsigned style)> messageHandler;
    /// Answers for the next message boxes, taken in order before messageReply is used.
    QList<int> messageReplies;
    /// Answers for the next secret questions, in order; an empty queue cancels.
    QList<std::optional<QString>> secretReplies;
    QStringList secretLabels;

    struct Message {
        QString text;
        unsigned style;
        QString caption;
    };
    QList<Message> messages;
    QStringList folderTitles;
    QList<OpenFilesRequest> openRequests;
    QList<SaveFileRequest> saveRequests;
    /// What the print set-up was shown with: the page range offered and the copies.
    struct PrintSetup {
        QString printerName;
        int fromPage;
        int toPage;
        int copies;
    };
    QList<PrintSetup> printSetups;

    QStringList openFiles(QWidget*, const OpenFilesRequest& request) override;
    QString saveFile(QWidget*, const SaveFileRequest& request, int* filterIndex) override;
    QString pickFolder(QWidget*, const QString& title, const QString& startFolder) override;
    std::optional<QFont> pickFont(QWidget*, const QFont& initial, QColor* colour) override;
    std::optional<QColor> pickColour(QWidget*, const QColor& initial) override;
    bool printSetup(QWidget*, QPrinter& printer) override;
    int messageBox(QWidget*, const QString& text, unsigned style, const QString& caption) override;
    std::optional<QString> askSecret(QWidget*, const QString& title, const QString& label) override;
};

} // namespace platform
