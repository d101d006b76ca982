#pragma once

#include <QStringList>

class QTextStream;

// `convert [PROJECT.prj] [OPTIONS] SOURCE...`: gathers the sources with the
// project's search mode and formats, converts them, prints a line per row and the
// report, and keeps the report as LastReport.txt; the options override the project's
// settings. Returns the exit code: 0 every row converted, 1 a row failed or the run was stopped, 2 usage or project error.
int RunConvert(const QStringList &arguments, QTextStream &out, QTextStream &err);
// The options of `convert`, a line each, for the help text.
QString ConvertOptionsHelp();
