#include "DialogTestSupport.h"

#include "dialogs/unitBrand.h"
#include "dialogs/unitDlgReport.h"
#include "project/unitFavor.h"
#include "project/unitGeneral.h"
#include "project/unitJob.h"
#include "project/unitReport.h"
#include "project/unitSourcesModel.h"
#include "support/ScriptedPrompt.h"
#include "ui/unitSkins.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QLayout>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace {

QByteArray CrLfBytes(const QStringList &lines)
{
    QByteArray bytes;
    for (const QString &line : lines)
        bytes.append(line.toUtf8()).append("\r\n");
    return bytes;
}

TFavorCell Entry(const QString &name)
{
    TFavorCell cell;
    cell.Name = name;
    cell.Folder = QStringLiteral("/photos/");
    cell.FileType = QStringLiteral("JPEG image");
    return cell;
}

// A finished run over four sources, one of which failed, shown by name descending so that
// the view's order differs from the list's.
class ReportWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QDir(DefaultOutputFolder()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(DefaultOutputFolder()));
        for (const char *name : {"beach.jpg", "scan7.tif", "dog.png", "zebra.bmp"})
            ASSERT_TRUE(list.Append(Entry(QString::fromLatin1(name))));
        model.Rebuild(list);
        model.ApplySort(TSourcesModel::ColumnName, Qt::DescendingOrder);
        BeginSummary(ConversionSummary, model.Count());
        for (int row = 0; row < model.Count(); ++row) {
            if (model.Row(row).Name == QLatin1String("scan7.tif"))
                model.SetRowResult(row, 1, QStringLiteral("Can not encode image"));
            else
                model.SetRowResult(row, 2, QString());
        }
        TCnvJob job(QStringLiteral("Untitled"));
        job.UseDestDir = 1;
        job.DestDir = QStringLiteral("/photos/out");
        FinishSummary(ConversionSummary, model.ReportRows(), job, false);

        window = std::make_unique<TformReport>();
        window->SetSources(&model);
    }

    void TearDown() override
    {
        window.reset();
        SetUrlOpener({});
        ConversionSummary.Clear();
        QFile::setPermissions(DefaultOutputFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void open()
    {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    QStringList current() const { return ComposeReport(ConversionSummary, model.ReportRows()); }
    QStringList shown() const { return window->reportBox()->toPlainText().split(QLatin1Char('\n')); }
    static QString lastReport() { return LastReportPath(); }

    TScriptedPrompt prompt;
    TFavorList list;
    TSourcesModel model;
    std::unique_ptr<TformReport> window;
    const QStringList older{QString(), QStringLiteral("Report by an earlier run"), QStringLiteral("Status  : Ok")};
};

} // namespace

TEST_F(ReportWindow, IsAFixedReadOnlyFixedPitchBoxWithThreeButtonsAndASaveIcon)
{
    EXPECT_EQ(window->objectName(), QLatin1String("formReport"));
    EXPECT_EQ(window->windowTitle(), QLatin1String("Report"));
    EXPECT_EQ(window->size(), QSize(424, 354));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    EXPECT_FALSE(window->isVisible()) << "created hidden";

    QPlainTextEdit *box = window->reportBox();
    EXPECT_TRUE(box->isReadOnly());
    EXPECT_EQ(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(box->font().pointSize(), 8);
    // What the user sees: every character a report uses takes the same width, so the
    // labels line up, whether or not the font calls itself fixed pitch.
    const QFontMetricsF metrics(box->font());
    const QString used = QStringLiteral("Total files :0123456789 Begin time End Status User break"
                                        " iIlW.,:;/-_()[]%"
                                        "Successful Failed Output directory mMwW");
    const qreal advance = metrics.horizontalAdvance(QLatin1Char('M'));
    EXPECT_GT(advance, 0);
    for (const QChar ch : used)
        EXPECT_EQ(metrics.horizontalAdvance(ch), advance) << "'" << QString(ch).toStdString() << "'";

    EXPECT_EQ(window->loadLastButton()->text(), QLatin1String("Load last report"));
    EXPECT_EQ(window->currentButton()->text(), QLatin1String("Current report"));
    EXPECT_EQ(window->closeButton()->text(), QLatin1String("Close"));
    EXPECT_EQ(window->saveButton()->toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_FALSE(window->saveButton()->icon().isNull());

    open();
    const QRect load = window->loadLastButton()->geometry();
    const QRect now = window->currentButton()->geometry();
    const QRect close = window->closeButton()->geometry();
    EXPECT_LT(load.right(), now.left()) << "Current report sits right of Load last report";
    EXPECT_LT(now.right() + 40, close.left()) << "Close stands apart on the right";
    EXPECT_GT(close.right(), window->width() * 9 / 10);
    EXPECT_LT(window->saveButton()->mapTo(window.get(), QPoint()).y(), box->geometry().top());
    EXPECT_GT(box->geometry().top(), 0);
    EXPECT_LT(box->geometry().bottom(), load.top());

    // White behind black text, whatever the skin.
    const QImage image = box->viewport()->grab().toImage();
    EXPECT_EQ(QColor(image.pixel(image.width() - 3, image.height() - 3)), QColor(Qt::white));
}

TEST_F(ReportWindow, ShowsTheReportOfTheRunInTheViewsOrderOnOpening)
{
    window->reportBox()->setPlainText(QStringLiteral("stale"));
    open();
    EXPECT_EQ(window->ReportLines(), current());
    EXPECT_EQ(shown(), current());
    EXPECT_TRUE(shown().contains(QStringLiteral("scan7.tif -> Can not encode image")));
    EXPECT_TRUE(shown().contains(QStringLiteral("Out directory  :/photos/out")));
    EXPECT_EQ(shown().last(), QLatin1String("Status  : Ok"));
    SaveScreenshot(window.get(), QStringLiteral("report"));

    // Every failed row is listed as the view shows it, the one it shows first first.
    window->hide();
    ConversionSummary.Failed = 3;
    model.SetRowResult(3, 1, QStringLiteral("last"));
    model.SetRowResult(0, 1, QStringLiteral("first"));
    open();
    const QStringList lines = shown();
    const int first = int(lines.indexOf(QStringLiteral("zebra.bmp -> first")));
    ASSERT_GT(first, 0) << lines.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(lines.mid(first, 3), QStringList({QStringLiteral("zebra.bmp -> first"),
                                                QStringLiteral("scan7.tif -> Can not encode image"),
                                                QStringLiteral("beach.jpg -> last")}));
}

TEST_F(ReportWindow, WithoutSourcesOrAfterTheyAreGoneListsNoRows)
{
    window->SetSources(nullptr);
    open();
    EXPECT_EQ(shown(), ComposeReport(ConversionSummary, {}));
    window->hide();

    auto gone = std::make_unique<TSourcesModel>();
    gone->Rebuild(list);
    gone->SetRowResult(0, 1, QStringLiteral("vanished"));
    window->SetSources(gone.get());
    gone.reset();
    open();
    EXPECT_EQ(shown(), ComposeReport(ConversionSummary, {}));
}

TEST_F(ReportWindow, ComposesAgainWhenItBecomesActiveAgain)
{
    open();
    WriteFileBytes(lastReport(), CrLfBytes(older));
    QTest::mouseClick(window->loadLastButton(), Qt::LeftButton);
    ASSERT_EQ(shown(), older);

    QWidget other;
    other.setGeometry(10, 10, 100, 100);
    other.show();
    other.activateWindow();
    if (!QTest::qWaitForWindowActive(&other))
        GTEST_SKIP() << "this platform does not move the activation";
    EXPECT_EQ(shown(), older) << "losing the focus keeps what is shown";
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_EQ(shown(), current());
}

TEST_F(ReportWindow, LoadLastReportShowsTheFileOrWarnsWhenThereIsNone)
{
    open();
    QTest::mouseClick(window->loadLastButton(), Qt::LeftButton);
    EXPECT_EQ(prompt.warnings, QStringList({QStringLiteral("Last report not found")}));
    EXPECT_EQ(shown(), current()) << "nothing else changes";
    EXPECT_TRUE(prompt.errors.isEmpty());

    // A folder in the file's place is no report either.
    ASSERT_TRUE(QDir().mkpath(lastReport()));
    QTest::mouseClick(window->loadLastButton(), Qt::LeftButton);
    EXPECT_EQ(prompt.warnings.size(), 2);
    EXPECT_EQ(shown(), current());
    ASSERT_TRUE(QDir(lastReport()).removeRecursively());

    // Written byte by byte as an earlier run left it: CR LF ends, one 8-bit character.
    WriteFileBytes(lastReport(), QByteArray("\r\nReport by 13.03.24\r\nOut directory  :/fotos/caf\xe9\r\n"
                                            "\r\nStatus  : User break\r\n"));
    QTest::mouseClick(window->loadLastButton(), Qt::LeftButton);
    const QStringList loaded{QString(), QStringLiteral("Report by 13.03.24"),
                             QStringLiteral("Out directory  :/fotos/caf") + QChar(0xe9), QString(),
                             QStringLiteral("Status  : User break")};
    EXPECT_EQ(shown(), loaded);
    EXPECT_EQ(window->ReportLines(), loaded);
    EXPECT_EQ(prompt.warnings.size(), 2);

    QTest::mouseClick(window->currentButton(), Qt::LeftButton);
    EXPECT_EQ(shown(), current());
    EXPECT_EQ(window->ReportLines(), current());
}

TEST_F(ReportWindow, SaveWritesTheShownLinesToTheNameWithTxtAdded)
{
    QTemporaryDir folder;
    open();
    prompt.fileNames << folder.filePath(QStringLiteral("summary"));
    QTest::mouseClick(window->saveButton(), Qt::LeftButton);
    ASSERT_EQ(prompt.dialogs.size(), 1);
    EXPECT_TRUE(prompt.errors.isEmpty()) << prompt.errors.join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(QStringLiteral("summary"))));
    EXPECT_EQ(ReadFileBytes(folder.filePath(QStringLiteral("summary.txt"))), CrLfBytes(current()));

    // A name that has the extension keeps it, and the loaded report is what gets saved.
    WriteFileBytes(lastReport(), CrLfBytes(older));
    QTest::mouseClick(window->loadLastButton(), Qt::LeftButton);
    prompt.fileNames << folder.filePath(QStringLiteral("Old.TXT"));
    QTest::mouseClick(window->saveButton(), Qt::LeftButton);
    EXPECT_EQ(ReadFileBytes(folder.filePath(QStringLiteral("Old.TXT"))), CrLfBytes(older));
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(QStringLiteral("Old.TXT.txt"))));
    EXPECT_TRUE(prompt.questions.isEmpty());
}

TEST_F(ReportWindow, CancelledSaveWritesNothing)
{
    QTemporaryDir folder;
    open();
    QTest::mouseClick(window->saveButton(), Qt::LeftButton);
    EXPECT_EQ(prompt.dialogs.size(), 1) << "the dialog was asked";
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
    EXPECT_TRUE(QDir(DefaultOutputFolder()).isEmpty());
    EXPECT_TRUE(prompt.errors.isEmpty());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(ReportWindow, SaveAsksBeforeReplacingTheTxtFileTheDialogDidNotSee)
{
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("summary.txt"));
    WriteFileBytes(target, "keep me\r\n");
    open();

    prompt.fileNames << folder.filePath(QStringLiteral("summary"));
    prompt.answers << TAnswer::No;
    QTest::mouseClick(window->saveButton(), Qt::LeftButton);
    ASSERT_EQ(prompt.questions.size(), 1);
    EXPECT_TRUE(prompt.questions.first().contains(target));
    EXPECT_EQ(ReadFileBytes(target), QByteArray("keep me\r\n"));

    prompt.fileNames << folder.filePath(QStringLiteral("summary"));
    prompt.answers << TAnswer::Yes;
    QTest::mouseClick(window->saveButton(), Qt::LeftButton);
    EXPECT_EQ(prompt.questions.size(), 2);
    EXPECT_EQ(ReadFileBytes(target), CrLfBytes(current()));
}

TEST_F(ReportWindow, ASaveThatFailsSaysWhyAndTheWindowGoesOn)
{
    QTemporaryDir folder;
    open();
    prompt.fileNames << folder.filePath(QStringLiteral("no such folder/summary"));
    QTest::mouseClick(window->saveButton(), Qt::LeftButton);
    ASSERT_EQ(prompt.errors.size(), 1);
    EXPECT_TRUE(prompt.errors.first().contains(QLatin1String("summary.txt"))) << prompt.errors.first().toStdString();
    EXPECT_TRUE(window->isVisible());

    // The window still saves, and closing still keeps the report.
    prompt.fileNames << folder.filePath(QStringLiteral("second"));
    QTest::mouseClick(window->saveButton(), Qt::LeftButton);
    EXPECT_EQ(ReadFileBytes(folder.filePath(QStringLiteral("second.txt"))), CrLfBytes(current()));
    QTest::mouseClick(window->closeButton(), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(ReadFileBytes(lastReport()), CrLfBytes(current()));
}

TEST_F(ReportWindow, EveryWayOfClosingKeepsTheCurrentReportAsLastReport)
{
    const std::vector<std::pair<const char *, std::function<void()>>> ways{
        {"Close", [&] { QTest::mouseClick(window->closeButton(), Qt::LeftButton); }},
        {"Escape", [&] { PressKey(window.get(), Qt::Key_Escape); }},
        {"close box", [&] { window->close(); }},
        {"accept", [&] { window->accept(); }},
    };
    for (const auto &[name, close] : ways) {
        SCOPED_TRACE(name);
        WriteFileBytes(lastReport(), CrLfBytes(older));
        open();
        // The loaded report is only looked at: the run's own report is what is kept.
        QTest::mouseClick(window->loadLastButton(), Qt::LeftButton);
        ASSERT_EQ(shown(), older);
        close();
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(ReadFileBytes(lastReport()), CrLfBytes(current()));
        EXPECT_EQ(shown(), current());
    }
    EXPECT_TRUE(prompt.errors.isEmpty());

    // A window that is no longer showing has nothing to keep.
    ASSERT_TRUE(QFile::remove(lastReport()));
    window->reject();
    EXPECT_FALSE(QFileInfo::exists(lastReport()));
}

TEST_F(ReportWindow, ClosingMakesTheOutputFolderAgainWhenItWasRemoved)
{
    open();
    ASSERT_TRUE(QDir(DefaultOutputFolder()).removeRecursively());
    QTest::mouseClick(window->closeButton(), Qt::LeftButton);
    EXPECT_TRUE(prompt.errors.isEmpty());
    EXPECT_EQ(ReadFileBytes(lastReport()), CrLfBytes(current()));
}

TEST_F(ReportWindow, ALastReportThatCannotBeWrittenIsReportedAndTheWindowStillCloses)
{
    // A folder where the file should be stops root as well.
    ASSERT_TRUE(QDir().mkpath(lastReport()));
    open();
    QTest::mouseClick(window->closeButton(), Qt::LeftButton);
    ASSERT_EQ(prompt.errors.size(), 1);
    EXPECT_TRUE(prompt.errors.first().contains(QLatin1String("LastReport.txt"))) << prompt.errors.first().toStdString();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), int(QDialog::Rejected));
    EXPECT_TRUE(QFileInfo(lastReport()).isDir());
    ASSERT_TRUE(QDir(lastReport()).removeRecursively());

    // A disk that fills up half-way leaves the earlier report whole.
    WriteFileBytes(lastReport(), CrLfBytes(older));
    open();
    {
        TFileSizeLimit limit(64);
        PressKey(window.get(), Qt::Key_Escape);
    }
    EXPECT_EQ(prompt.errors.size(), 2);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(ReadFileBytes(lastReport()), CrLfBytes(older));

    // A read-only output folder, where permissions hold.
    if (QFile::setPermissions(DefaultOutputFolder(), QFile::ReadOwner | QFile::ExeOwner)
        && !QFileInfo(DefaultOutputFolder()).isWritable()) {
        open();
        window->close();
        EXPECT_EQ(prompt.errors.size(), 3);
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(ReadFileBytes(lastReport()), CrLfBytes(older));
    }

    // Once the folder takes files again, the next close keeps the report.
    QFile::setPermissions(DefaultOutputFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    open();
    window->close();
    EXPECT_EQ(ReadFileBytes(lastReport()), CrLfBytes(current()));
}

TEST_F(ReportWindow, ExecReturnsWhenCloseIsClicked)
{
    bool clicked = false;
    QTimer::singleShot(100, window.get(), [&] {
        clicked = window->isVisible() && window->isModal();
        QTest::mouseClick(window->closeButton(), Qt::LeftButton);
    });
    // Should the click not close it, the test fails instead of hanging.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, window.get(), [&] { window->hide(); });
    guard.start(10000);
    window->exec();
    EXPECT_TRUE(guard.isActive()) << "closed by the guard, not by Close";
    guard.stop();
    EXPECT_TRUE(clicked);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(ReadFileBytes(lastReport()), CrLfBytes(current()));
}

TEST_F(ReportWindow, OpenOutputFolderHandsTheRunsFolderToTheDesktop)
{
    std::vector<QUrl> opened;
    SetUrlOpener([&opened](const QUrl &url) { opened.push_back(url); });
    QTemporaryDir sandbox;
    const QString destination = sandbox.filePath(QStringLiteral("dest"));
    ASSERT_TRUE(QDir().mkpath(destination));
    ConversionSummary.OutDirectory = destination;
    open();

    // Beside Close, on the same row, and every button whole inside the fixed window.
    QAbstractButton *openFolder = window->openFolderButton();
    const QRect folderRect = openFolder->geometry();
    const QRect close = window->closeButton()->geometry();
    EXPECT_EQ(openFolder->objectName(), QLatin1String("btnOpenFolder"));
    EXPECT_LT(folderRect.right(), close.left());
    EXPECT_LT(window->currentButton()->geometry().right(), folderRect.left());
    EXPECT_LE(std::abs(folderRect.center().y() - close.center().y()), 1);
    for (const QString &skin : BuiltInSkinNames()) {
        ASSERT_TRUE(ApplySkin(skin)) << skin.toStdString();
        QCoreApplication::sendPostedEvents();
        window->layout()->activate();
        const std::initializer_list<QAbstractButton *> row = {window->loadLastButton(), window->currentButton(), openFolder,
                                                               window->closeButton()};
        for (QAbstractButton *button : row) {
            const std::string what = skin.toStdString() + ": " + button->objectName().toStdString();
            EXPECT_GE(button->width(), button->sizeHint().width()) << what;
            EXPECT_LE(button->mapTo(window.get(), QPoint(button->width(), 0)).x(), window->width()) << what;
        }
    }
    ApplySkin(StartSkinName());

    struct Case
    {
        const char *what;
        QString outDirectory;
        quint8 firstStatus;
        QString expected; // empty: the button is off and nothing opens
    };
    // The first row shown is zebra.bmp (name descending), from /photos/.
    const QList<Case> cases = {
        {"destination folder", destination, 2, destination},
        {"beside the sources: the first converted row's folder", OwnFoldersText(), 2, QStringLiteral("/photos")},
        {"beside the sources, nothing converted", OwnFoldersText(), 1, QString()},
        {"no run yet", QString(), 2, QString()},
    };
    for (const Case &c : cases) {
        ConversionSummary.OutDirectory = c.outDirectory;
        for (int row = 0; row < model.Count(); ++row)
            model.SetRowResult(row, row == 0 ? c.firstStatus : 1, QString());
        window->currentButton()->click();
        EXPECT_EQ(window->OutputFolder(), c.expected) << c.what;
        EXPECT_EQ(openFolder->isEnabled(), !c.expected.isEmpty()) << c.what;
    }

    // The real folder opens; one gone since the run is named in a warning instead.
    ConversionSummary.OutDirectory = destination;
    window->currentButton()->click();
    openFolder->click();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened.front(), QUrl::fromLocalFile(destination));
    ASSERT_TRUE(QDir(destination).removeRecursively());
    openFolder->click();
    EXPECT_EQ(opened.size(), 1u);
    EXPECT_EQ(prompt.warnings, QStringList{QStringLiteral("The folder \"%1\" does not exist.").arg(destination)});
}
