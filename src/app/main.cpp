#include "app/unitMain.h"
#include "dialogs/unitSplash.h"
#include "engine/unitImageLibrary.h"
#include "i18n/unitMultiLang.h"
#include "ui/unitPromptBox.h"

#include <QApplication>

#include <exception>
#include <memory>

int main(int argc, char *argv[])
{
    StartImageLibrary();
    int code = 1;
    {
        QApplication app(argc, argv);
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
