// kivra-project: reprint or export an event's sheets from a project file without the booth screen.
#include <cstdio>

#include <QCoreApplication>
#include <QTextStream>

#include "booth/project_cli.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    return RunKivraProject(args, out, err);
}
