#pragma once

#include <QList>
#include <QString>

// A standard output size offered by the project editor.
struct TSizePreset
{
    int Unit = 0; // 0 pixels, 1 centimetres, 2 inches
    double Width = 0;
    double Height = 0;
    QString Name;
};

// The fixed table of standard sizes, in the order the editor lists them.
const QList<TSizePreset> &SizePresets();
// The first preset of the whole table whose name equals the text in any letter case.
const TSizePreset *FindPreset(const QString &name);
// The presets of one unit, in table order.
QList<TSizePreset> PresetsOfUnit(int unit);
// The shortest decimal text of a size, with the system's decimal separator and no
// group separators.
QString SizeText(double value);
