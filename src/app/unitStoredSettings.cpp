#include "app/unitStoredSettings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>

namespace {

const char kGroup[] = "TformMain";

bool readBool(const QSettings &store, const char *name, bool fallback)
{
    const QVariant value = store.value(QLatin1String(name));
    if (!value.isValid())
        return fallback;
    const QString text = value.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        return true;
    if (text == QLatin1String("false") || text == QLatin1String("0"))
        return false;
    return fallback;
}

int readInt(const QSettings &store, const char *name, int fallback, int lowest, int highest)
{
    bool ok = false;
    const int value = store.value(QLatin1String(name)).toString().trimmed().toInt(&ok);
    return ok && value >= lowest && value <= highest ? value : fallback;
}

QString readText(const QSettings &store, const char *name, const QString &fallback)
{
    const QVariant value = store.value(QLatin1String(name));
    // A list or another structure is not a text of ours.
    if (!value.isValid() || !value.canConvert<QString>() || value.typeId() == QMetaType::QStringList)
        return fallback;
    return value.toString();
}

} // namespace

std::unique_ptr<QSettings> OpenSettingsStore()
{
    QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    if (name.isEmpty())
        name = QStringLiteral("pictavo");
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, name, name);
}

TStoredSettings ReadStoredSettings(QSettings &store)
{
    const TStoredSettings defaults;
    TStoredSettings values;
    store.beginGroup(QLatin1String(kGroup));
    values.FlagViewDir = readBool(store, "FlagViewDir", defaults.FlagViewDir);
    values.FlagViewTools = readBool(store, "FlagViewTools", defaults.FlagViewTools);
    values.FlagViewOptions = readBool(store, "FlagViewOptions", defaults.FlagViewOptions);
    values.FlagViewPreview = readBool(store, "FlagViewPreview", defaults.FlagViewPreview);
    values.ValLang = readText(store, "ValLang", defaults.ValLang);
    values.ValViewMode = readInt(store, "ValViewMode", defaults.ValViewMode, 0, 4);
    values.ValNameSkin = readText(store, "ValNameSkin", defaults.ValNameSkin);
    values.ValSort = readInt(store, "ValSort", defaults.ValSort, 0, 3);
    values.ValCurDir = readText(store, "ValCurDir", defaults.ValCurDir);
    values.ValSortDirect = readInt(store, "ValSortDirect", defaults.ValSortDirect, 0, 1);
    values.ValSortSync = readBool(store, "ValSortSync", defaults.ValSortSync);
    // The Preferences dialog clamps the limits to its ranges; here only a number counts.
    values.ValMemoryLimit = readInt(store, "ValMemoryLimit", defaults.ValMemoryLimit, 1, 1 << 20);
    values.ValMapLimit = readInt(store, "ValMapLimit", defaults.ValMapLimit, 1, 1 << 20);
    values.ValDiskLimit = readInt(store, "ValDiskLimit", defaults.ValDiskLimit, 0, 1 << 30);
    values.ValWidthLimit = readInt(store, "ValWidthLimit", defaults.ValWidthLimit, 1, 1 << 30);
    values.ValHeightLimit = readInt(store, "ValHeightLimit", defaults.ValHeightLimit, 1, 1 << 30);
    values.ValAreaLimit = readInt(store, "ValAreaLimit", defaults.ValAreaLimit, 1, 1 << 30);
    values.ValCacheDiskLimit =
        readInt(store, "ValCacheDiskLimit", defaults.ValCacheDiskLimit, 0, 1 << 30);
    values.ValTurnUpright = readBool(store, "ValTurnUpright", defaults.ValTurnUpright);
    values.ValNoEnlarge = readBool(store, "ValNoEnlarge", defaults.ValNoEnlarge);
    values.ValFilesAtOnce =
        readInt(store, "ValFilesAtOnce", DefaultFilesAtOnce(), 1, kMaxFilesAtOnce);
    values.Placement = store.value(QStringLiteral("Placement")).toByteArray();
    values.FocusedControl = readText(store, "FocusedControl", QString());
    store.endGroup();
    return values;
}

bool WriteStoredSettings(QSettings &store, const TStoredSettings &values)
{
    store.beginGroup(QLatin1String(kGroup));
    store.setValue(QStringLiteral("FlagViewDir"), values.FlagViewDir);
    store.setValue(QStringLiteral("FlagViewTools"), values.FlagViewTools);
    store.setValue(QStringLiteral("FlagViewOptions"), values.FlagViewOptions);
    store.setValue(QStringLiteral("FlagViewPreview"), values.FlagViewPreview);
    store.setValue(QStringLiteral("ValLang"), values.ValLang);
    store.setValue(QStringLiteral("ValNameSkin"), values.ValNameSkin);
    store.setValue(QStringLiteral("ValViewMode"), values.ValViewMode);
    store.setValue(QStringLiteral("ValSort"), values.ValSort);
    store.setValue(QStringLiteral("ValSortDirect"), values.ValSortDirect);
    store.setValue(QStringLiteral("ValSortSync"), values.ValSortSync);
    store.setValue(QStringLiteral("ValMemoryLimit"), values.ValMemoryLimit);
    store.setValue(QStringLiteral("ValMapLimit"), values.ValMapLimit);
    if (!store.contains(QStringLiteral("ValDiskLimit")))
        store.setValue(QStringLiteral("ValDiskLimit"), TStoredSettings().ValDiskLimit);
    store.setValue(QStringLiteral("ValWidthLimit"), values.ValWidthLimit);
    store.setValue(QStringLiteral("ValHeightLimit"), values.ValHeightLimit);
    store.setValue(QStringLiteral("ValAreaLimit"), values.ValAreaLimit);
    store.setValue(QStringLiteral("ValCacheDiskLimit"), values.ValCacheDiskLimit);
    store.setValue(QStringLiteral("ValTurnUpright"), values.ValTurnUpright);
    store.setValue(QStringLiteral("ValNoEnlarge"), values.ValNoEnlarge);
    store.setValue(QStringLiteral("ValCurDir"), values.ValCurDir);
    store.setValue(QStringLiteral("ValFilesAtOnce"), ClampFilesAtOnce(values.ValFilesAtOnce));
    store.setValue(QStringLiteral("Placement"), values.Placement);
    store.setValue(QStringLiteral("FocusedControl"), values.FocusedControl);
    store.endGroup();
    store.sync();
    return store.status() == QSettings::NoError;
}
