#include "cli/unitCli.h"
#include "engine/unitImageLibrary.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    StartImageLibrary();
    int code;
    {
        QTextStream out(stdout);
        QTextStream err(stderr);
        QStringList arguments = QCoreApplication::arguments();
        arguments.removeFirst();
        code = RunCli(arguments, out, err);
    }
    StopImageLibrary();
    return code;
}
