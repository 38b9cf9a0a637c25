// Qt dialogs behind the prompts seam.
#include "app/app_prompts.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

#include "app/app_paths.h"

namespace {

// Low four bits of the classic style: which buttons the box has.
enum ButtonSet : unsigned {
    SetOk = 0,
    SetOkCancel = 1,
    SetAbortRetryIgnore = 2,
    SetYesNoCancel = 3,
    SetYesNo = 4,
    SetRetryCancel = 5
};
enum ExtraResult : int { IdAbort = 3, IdRetry = 4, IdIgnore = 5 };

QFileDialog::Options dialogOptions(bool needsOwnLabels)
{
    // Custom button and field labels only exist on Qt's own dialog.
    return needsOwnLabels ? QFileDialog::DontUseNativeDialog : QFileDialog::Options();
}

} // namespace

QStringList qtNameFilters(const QString& classicFilter)
{
    QStringList parts = classicFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        const QString patterns = parts[i + 1].trimmed();
        if (description.isEmpty() && patterns.isEmpty())
            break;
        QString qtPatterns = patterns;
        qtPatterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // "Kivra(*.kivra)" already names its patterns; Qt reads the last parenthesised group.
        if (description.endsWith(QLatin1Char('(') + patterns + QLatin1Char(')')))
            filters.append(description.left(description.size() - patterns.size() - 1) + qtPatterns + QLatin1Char(')'));
        else
            filters.append(description + QStringLiteral(" (") + qtPatterns + QLatin1Char(')'));
    }
    return filters;
}

QString qtDefaultSuffix(const QString& defaultExtension)
{
    QString ext = defaultExtension.trimmed();
    if (ext.startsWith(QLatin1String("*.")))
        ext = ext.mid(2);
    else if (ext.startsWith(QLatin1Char('.')))
        ext = ext.mid(1);
    if (ext.contains(QLatin1Char('*')) || ext.contains(QLatin1Char('?')))
        return {};
    return ext;
}

void configureMessageBox(QMessageBox& box, const QString& text, unsigned style, const QString& caption)
{
    box.setWindowTitle(caption.isEmpty() ? QLatin1String(appdefaults::kProductName) : caption);
    box.setText(text);
    switch (style & 0x0F) {
    case SetOkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case SetAbortRetryIgnore:
        box.setStandardButtons(QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore);
        break;
    case SetYesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case SetYesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case SetRetryCancel:
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    switch (style & 0xF0) {
    case platform::MbIconError:
        box.setIcon(QMessageBox::Critical);
        break;
    case platform::MbIconQuestion:
        box.setIcon(QMessageBox::Question);
        break;
    case platform::MbIconWarning:
        box.setIcon(QMessageBox::Warning);
        break;
    case platform::MbIconInformation:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
}

int messageBoxResult(const QMessageBox& box, unsigned style)
{
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
        return platform::IdOk;
    case QMessageBox::Cancel:
        return platform::IdCancel;
    case QMessageBox::Yes:
        return platform::IdYes;
    case QMessageBox::No:
        return platform::IdNo;
    case QMessageBox::Abort:
        return IdAbort;
    case QMessageBox::Retry:
        return IdRetry;
    case QMessageBox::Ignore:
        return IdIgnore;
    default:
        break;
    }
    switch (style & 0x0F) {
    case SetOk:
        return platform::IdOk;
    case SetYesNo:
        return platform::IdNo;
    case SetAbortRetryIgnore:
        return IdAbort;
    default:
        return platform::IdCancel;
    }
}

QStringList AppPrompts::openFiles(QWidget* parent, const platform::OpenFilesRequest& request)
{
    QFileDialog dlg(parent, request.title, request.startFolder);
    dlg.setOptions(dialogOptions(!request.acceptLabel.isEmpty() || !request.selectionLabel.isEmpty()));
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(request.multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    const QStringList filters = qtNameFilters(request.filter);
    if (!filters.isEmpty())
        dlg.setNameFilters(filters);
    dlg.setDefaultSuffix(qtDefaultSuffix(request.defaultExtension));
    if (!request.acceptLabel.isEmpty())
        dlg.setLabelText(QFileDialog::Accept, request.acceptLabel);
    if (!request.selectionLabel.isEmpty())
        dlg.setLabelText(QFileDialog::FileName, request.selectionLabel);
    if (dlg.exec() != QDialog::Accepted)
        return {};
    return dlg.selectedFiles();
}

QString AppPrompts::saveFile(QWidget* parent, const platform::SaveFileRequest& request, int* filterIndex)
{
    QFileDialog dlg(parent, request.title, request.startFolder);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    if (!request.confirmOverwrite)
        dlg.setOption(QFileDialog::DontConfirmOverwrite);
    const QStringList filters = qtNameFilters(request.filter);
    if (!filters.isEmpty())
        dlg.setNameFilters(filters);
    dlg.setDefaultSuffix(qtDefaultSuffix(request.defaultExtension));
    if (!request.fileName.isEmpty())
        dlg.selectFile(request.fileName);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    if (filterIndex) {
        const qsizetype i = filters.indexOf(dlg.selectedNameFilter());
        *filterIndex = i < 0 ? 1 : int(i) + 1;
    }
    return dlg.selectedFiles().first();
}

QString AppPrompts::pickFolder(QWidget* parent, const QString& title, const QString& startFolder)
{
    QString folder = QFileDialog::getExistingDirectory(parent, title, startFolder);
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

std::optional<QFont> AppPrompts::pickFont(QWidget* parent, const QFont& initial, QColor*)
{
    // Qt's font dialog has no colour field; the caller's colour stays as it is.
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, initial, parent);
    return ok ? std::optional<QFont>(font) : std::nullopt;
}

std::optional<QColor> AppPrompts::pickColour(QWidget* parent, const QColor& initial)
{
    const QColor c = QColorDialog::getColor(initial, parent);
    return c.isValid() ? std::optional<QColor>(c) : std::nullopt;
}

bool AppPrompts::printSetup(QWidget* parent, QPrinter& printer)
{
    QPrintDialog dlg(&printer, parent);
    return dlg.exec() == QDialog::Accepted;
}

int AppPrompts::messageBox(QWidget* parent, const QString& text, unsigned style, const QString& caption)
{
    // Switches to the skinned box once it is on this branch:
    // MessageBoxDlg box(parent); return box.ShowMessage(text, style, caption);
    QMessageBox box(parent);
    configureMessageBox(box, text, style, caption);
    box.exec();
    return messageBoxResult(box, style);
}
