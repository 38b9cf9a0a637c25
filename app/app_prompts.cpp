// Qt dialogs behind the prompts seam.
#include "app/app_prompts.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QPrintDialog>
#include <QPrinter>

#include "app/dlg_secret.h"
#include "skin/message_box_dlg.h"

namespace {

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
    // The caller offers its pages as the printer's range; the dialog lets the user narrow it.
    if (printer.toPage() > 0) {
        dlg.setMinMax(1, printer.toPage());
        dlg.setOption(QAbstractPrintDialog::PrintPageRange, true);
    }
    return dlg.exec() == QDialog::Accepted;
}

int AppPrompts::messageBox(QWidget* parent, const QString& text, unsigned style, const QString& caption)
{
    MessageBoxDlg box(parent);
    return box.ShowMessage(text, style, caption);
}

std::optional<QString> AppPrompts::askSecret(QWidget* parent, const QString& title, const QString& label)
{
    DlgSecret dlg(title, label, parent);
    return dlg.ask();
}
