// kivra-project: project files without the booth screen (info, sheet, compose).
#pragma once

#include <QStringList>

class QTextStream;

/// Runs one command; args exclude the program name. Output goes to out, errors to err.
/// Returns the process exit code: 0 on success, 1 on a failure, 2 on a usage error.
int RunKivraProject(const QStringList& args, QTextStream& out, QTextStream& err);
