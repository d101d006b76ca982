#include "app/unitMain.h"
#include "dialogs/unitSplash.h"
#include "engine/unitImageLibrary.h"
#include "i18n/unitMultiLang.h"
#include "project/unitStopSignals.h"
#include "ui/unitPromptBox.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <exception>
#include <functional>
#include <memory>

int main(int argc, char *argv[])
{
    StartImageLibrary();
    int code = 1;
    {
        QApplication app(argc, argv);
        // A stop signal ends the program the normal way, which removes its temporary folders.
        TStopSignals stopSignals;
        bool stopped = false;
        std::function<void()> onStop;
        if (QSocketNotifier *notifier = stopSignals.Notifier()) {
            QObject::connect(notifier, &QSocketNotifier::activated, [&stopped, &onStop] {
                TStopSignals::Drain();
                stopped = true;
                if (onStop)
                    onStop();
            });
        }
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
                onStop = [&splash] { splash.reject(); };
                ShowSplashAndWait(splash);
                onStop = nullptr;
            }
            if (stopped) {
                code = 0;
            } else {
                TProgramWindows windows(*lang);
                onStop = [&windows] { windows.Main->StopOnSignal(); };
                prompt.setParent(windows.Main.get());
                windows.Main->show();
                if (!handedOver.isEmpty()) {
                    QTimer::singleShot(0, windows.Main.get(),
                                       [&windows, handedOver] { windows.Main->AddPaths(handedOver); });
                }
                code = app.exec();
                onStop = nullptr;
                prompt.setParent(nullptr);
            }
        } catch (const std::exception &error) {
            onStop = nullptr;
            prompt.setParent(nullptr);
            prompt.error(QString::fromLocal8Bit(error.what()));
        }
        lang.reset();
    }
    StopImageLibrary();
    return code;
}
