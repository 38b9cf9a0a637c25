// The process-wide prompts seam and its scripted implementation.
#include "platform/prompts.h"

#include <QPrinter>

namespace platform {

namespace {

class SilentPrompts : public Prompts {
public:
    QStringList openFiles(QWidget*, const OpenFilesRequest&) override { return {}; }
    QString saveFile(QWidget*, const SaveFileRequest&, int*) override { return {}; }
    QString pickFolder(QWidget*, const QString&, const QString&) override { return {}; }
    std::optional<QFont> pickFont(QWidget*, const QFont&, QColor*) override { return std::nullopt; }
    std::optional<QColor> pickColour(QWidget*, const QColor&) override { return std::nullopt; }
    bool printSetup(QWidget*, QPrinter&) override { return false; }
    int messageBox(QWidget*, const QString&, unsigned style, const QString&) override
    {
        return (style & MbYesNo) ? IdYes : IdOk;
    }
};

SilentPrompts g_silent;
Prompts* g_current = &g_silent;

} // namespace

Prompts& prompts()
{
    return *g_current;
}

void setPrompts(Prompts* p)
{
    g_current = p ? p : &g_silent;
}

QStringList ScriptedPrompts::openFiles(QWidget*, const OpenFilesRequest& request)
{
    openRequests.append(request);
    return openFilesReply;
}

QString ScriptedPrompts::saveFile(QWidget*, const SaveFileRequest& request, int* filterIndex)
{
    saveRequests.append(request);
    if (filterIndex)
        *filterIndex = saveFilterIndexReply;
    return saveFileReply;
}

QString ScriptedPrompts::pickFolder(QWidget*, const QString& title, const QString&)
{
    folderTitles.append(title);
    return folderReply;
}

std::optional<QFont> ScriptedPrompts::pickFont(QWidget*, const QFont&, QColor* colour)
{
    if (colour && colourReply)
        *colour = *colourReply;
    return fontReply;
}

std::optional<QColor> ScriptedPrompts::pickColour(QWidget*, const QColor&)
{
    return colourReply;
}

bool ScriptedPrompts::printSetup(QWidget*, QPrinter& printer)
{
    printSetups.append({ printer.printerName(), printer.fromPage(), printer.toPage(), printer.copyCount() });
    return printSetupHandler ? printSetupHandler(printer) : printSetupReply;
}

int ScriptedPrompts::messageBox(QWidget*, const QString& text, unsigned style, const QString& caption)
{
    messages.append({ text, style, caption });
    if (messageHandler)
        return messageHandler(text, style);
    if (!messageReplies.isEmpty())
        return messageReplies.takeFirst();
    return messageReply;
}

std::optional<QString> ScriptedPrompts::askSecret(QWidget*, const QString&, const QString& label)
{
    secretLabels.append(label);
    if (secretReplies.isEmpty())
        return std::nullopt;
    return secretReplies.takeFirst();
}

} // namespace platform
