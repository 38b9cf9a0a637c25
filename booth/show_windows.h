// The windows `corvantis --show NAME` opens over the main screen: for trying one window by hand
// and for the pictures of the README.
#pragma once

#include <QString>
#include <QStringList>

class BoothScreen;
class QDialog;

/// A new window called name ("NAME" or "NAME:ARG", as in "effect:3"), built from the main
/// screen's parts and parented to it. Null for "main" (the screen itself), an unknown name or
/// a bad argument. The caller owns the window.
QDialog* OpenShowWindow(BoothScreen& screen, const QString& name);

/// True when name is one OpenShowWindow knows, "main" included.
bool IsShowWindowName(const QString& name);

/// Every name, with ":K" where the window takes an argument, for --help and error texts.
QStringList ShowWindowNames();
