// The prompts seam answered by real Qt dialogs; main() installs it with platform::setPrompts.
#pragma once

#include "platform/prompts.h"

/// Turns a classic filter ("Support files|*.bmp;*.jpg||") into Qt name filters
/// ("Support files (*.bmp *.jpg)"), one per description/pattern pair.
QStringList qtNameFilters(const QString& classicFilter);
/// The suffix QFileDialog should add ("*.bmp" and "bmp" give "bmp"; "*.*" and "" give "").
QString qtDefaultSuffix(const QString& defaultExtension);
class AppPrompts : public platform::Prompts {
public:
    QStringList openFiles(QWidget* parent, const platform::OpenFilesRequest& request) override;
    QString saveFile(QWidget* parent, const platform::SaveFileRequest& request, int* filterIndex) override;
    QString pickFolder(QWidget* parent, const QString& title, const QString& startFolder) override;
    std::optional<QFont> pickFont(QWidget* parent, const QFont& initial, QColor* colour) override;
    std::optional<QColor> pickColour(QWidget* parent, const QColor& initial) override;
    bool printSetup(QWidget* parent, QPrinter& printer) override;
    int messageBox(QWidget* parent, const QString& text, unsigned style, const QString& caption) override;
    std::optional<QString> askSecret(QWidget* parent, const QString& title, const QString& label) override;
};
