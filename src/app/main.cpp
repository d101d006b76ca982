#include "app/unitMain.h"
#include "dialogs/unitSplash.h"
#include "engine/unitImageLibrary.h"
#include "i18n/unitMultiLang.h"
#include "project/unitGeneral.h"
#include "ui/unitPromptBox.h"
#include "ui/unitSkins.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>

#include <exception>
#include <memory>

namespace {

// Without a desktop session Qt knows no icon theme; the one Debian ships serves then.
void ChooseIconTheme()
{
    if (!QIcon::themeName().isEmpty() && QIcon::themeName() != QLatin1String("hicolor"))
        return;
    for (const QString &path : QIcon::themeSearchPaths()) {
        if (QFileInfo(path + QStringLiteral("/Adwaita/index.theme")).isFile()) {
            QIcon::setThemeName(QStringLiteral("Adwaita"));
            return;
        }
    }
}

} // namespace

int main(int argc, char *argv[])
{
    StartImageLibrary();
    int code = 1;
    {
        QApplication app(argc, argv);
        QApplication::setApplicationName(QStringLiteral("pictavo"));
        QApplication::setApplicationDisplayName(QStringLiteral("Pictavo"));
        // "../lang" and "../skins" are found from the folder of the executable.
        QDir::setCurrent(QCoreApplication::applicationDirPath());
        QDir().mkpath(DefaultOutputFolder());
        ChooseIconTheme();
        ApplySkin(StartSkinName());

        TMessageBoxPrompt prompt;
        TPromptScope promptScope(&prompt);

        auto lang = std::make_unique<TMLang>();
        lang->RegisterBuiltIn();
        lang->SelectLanguage(TMLang::BuiltInName());
        try {
            {
                TformSplash splash;
                ShowSplashAndWait(splash);
            }
            TProgramWindows windows(*lang);
            prompt.setParent(windows.Main.get());
            windows.Main->show();
            code = app.exec();
            prompt.setParent(nullptr);
        } catch (const std::exception &error) {
            prompt.setParent(nullptr);
            prompt.error(QString::fromLocal8Bit(error.what()));
        }
        lang.reset();
    }
    StopImageLibrary();
    return code;
}
