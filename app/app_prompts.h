// The prompts seam answered by real Qt dialogs; main() installs it with platform::setPrompts.
#pragma once

#include "platform/prompts.h"

class QMessageBox;

/// Turns a classic filter ("Support files|*.bmp;*.jpg||") into Qt name filters
/// ("Support files (*.bmp *.jpg)"), one per description/pattern pair.
QStringList qtNameFilters(const QString& classicFilter);
/// The suffix QFileDialog should add ("*.bmp" and "bmp" give "bmp"; "*.*" and "" give "").
QString qtDefaultSuffix(const QString& defaultExtension);
/// Sets up box (buttons, icon, caption) for the classic message style bits.
void configureMessageBox(QMessageBox& box, const QString& text, unsigned style, const QString& caption);
/// The classic result (IdOk, IdCancel, IdYes, IdNo, ...) for the button box ended with; for a box
/// closed without a button, the answer that backs out (Cancel, No or OK).
int messageBoxResult(const QMessageBox& box, unsigned style);

class AppPrompts : public platform::Prompts {
public:
    QStringList openFiles(QWidget* parent, const platform::OpenFilesRequest& request) override;
    QString saveFile(QWidget* parent, const platform::SaveFileRequest& request, int* filterIndex) override;
    QString pickFolder(QWidget* parent, const QString& title, const QString& startFolder) override;
    std::optional<QFont> pickFont(QWidget* parent, const QFont& initial, QColor* colour) override;
    std::optional<QColor> pickColour(QWidget* parent, const QColor& initial) override;
    bool printSetup(QWidget* parent, QPrinter& printer) override;
    int messageBox(QWidget* parent, const QString& text, unsigned style, const QString& caption) override;
};
