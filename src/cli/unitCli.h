#pragma once

#include <QStringList>

class QTextStream;

// The command-line companion: `formats`, `show FILE.prj`, `--help`.
// Returns the process exit code.
int RunCli(const QStringList &arguments, QTextStream &out, QTextStream &err);
