#include "app/unitMain.h"
#include "dialogs/unitSplash.h"
#include "engine/unitImageLibrary.h"
#include "i18n/unitMultiLang.h"
#include "ui/unitPromptBox.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <exception>
#include <memory>

int main(int argc, char *argv[])
{
    StartImageLibrary();
    int code = 1;
    {
        QApplication app(argc, argv);
        // Files and folders handed over by the desktop ("Open with"); taken before the
        // program moves into its own folder.
        QStringList handedOver;
        for (const QString &argument : QCoreApplication::arguments().mid(1)) {
            const QFileInfo handed(argument);
            if (handed.exists())
                handedOver.append(handed.absoluteFilePath());
        }
        PrepareProgram();

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
            if (!handedOver.isEmpty()) {
                QTimer::singleShot(0, windows.Main.get(),
                                   [&windows, handedOver] { windows.Main->AddPaths(handedOver); });
            }
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
