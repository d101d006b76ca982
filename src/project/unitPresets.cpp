#include "project/unitPresets.h"

#include <QLocale>

const QList<TSizePreset> &SizePresets()
{
    static const QList<TSizePreset> presets = {
        {0, 640, 480, QStringLiteral("640x480")},
        {0, 800, 600, QStringLiteral("800x600")},
        {0, 1024, 768, QStringLiteral("1024x768")},
        {1, 12, 9, QStringLiteral("9x12")},
        {1, 15, 10, QStringLiteral("10x15")},
        {1, 21, 29.7, QStringLiteral("A4 (21 x 29,7)")},
        {1, 29.7, 42, QStringLiteral("A3 (29.7 x 42)")},
        {1, 17.6, 25, QStringLiteral("B5 (17.6 x 25)")},
        {1, 25, 35.3, QStringLiteral("B4 (25 x 35.3)")},
        {1, 35.3, 50, QStringLiteral("B3 (35.3 x 50)")},
        {2, 3, 2, QStringLiteral("2x3")},
        {2, 5, 3, QStringLiteral("3x5")},
        {2, 6, 4, QStringLiteral("4x6")},
        {2, 7, 5, QStringLiteral("5x7")},
        {2, 10, 8, QStringLiteral("8x10")},
        {2, 10, 8.5, QStringLiteral("8,5x10")},
        {2, 11, 8.5, QStringLiteral("Letter (8,5x11)")},
        {2, 14, 8.5, QStringLiteral("Legal (8,5x14)")},
        {2, 14, 11, QStringLiteral("11x14")},
        {2, 17, 11, QStringLiteral("Tabloid (11x17)")},
    };
    return presets;
}

const TSizePreset *FindPreset(const QString &name)
{
    for (const TSizePreset &preset : SizePresets()) {
        if (preset.Name.compare(name, Qt::CaseInsensitive) == 0)
            return &preset;
    }
    return nullptr;
}

QList<TSizePreset> PresetsOfUnit(int unit)
{
    QList<TSizePreset> presets;
    for (const TSizePreset &preset : SizePresets()) {
        if (preset.Unit == unit)
            presets.append(preset);
    }
    return presets;
}

QString SizeText(double value)
{
    QLocale locale = QLocale::system();
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', QLocale::FloatingPointShortest);
}
