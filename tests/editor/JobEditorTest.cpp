#include "app/unitJobEditor.h"

#include "i18n/unitApplyLang.h"
#include "i18n/unitMultiLang.h"
#include "project/unitGeneral.h"
#include "project/unitJob.h"
#include "project/unitJobOptions.h"
#include "support/ScriptedPrompt.h"
#include "support/TestSupport.h"
#include "support/TypeText.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtEndian>

#include <gtest/gtest.h>

#include <memory>

namespace {

// The project panel's three pages in a window of the panel's width.
class JobEditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_tmpdir = qgetenv("TMPDIR");
        m_hadTmpdir = qEnvironmentVariableIsSet("TMPDIR");
        ListCnvJob().Clear();

        window = std::make_unique<QWidget>();
        window->setObjectName(QStringLiteral("formMain"));
        auto *column = new QVBoxLayout(window.get());
        tabs = new QTabWidget(window.get());
        tabs->setFixedWidth(348);
        column->addWidget(tabs);
        general = newPage("tabGeneral");
        options = newPage("tabDestExt");
        destination = newPage("tabDestPath");
        editor = std::make_unique<TJobEditor>(general, options, destination);
        // The first project, as the program makes it at start-up.
        editor->NewProject();
        editor->SetClearSources([this] {
            ++clears;
            return true;
        });
        window->resize(348, 640);
        window->show();
        // Only the page in front is made by the show; every test reaches all three, made
        // after the first project was bound.
        editor->EnsurePages();
    }

    void TearDown() override
    {
        editor.reset();
        window.reset();
        if (m_hadTmpdir)
            qputenv("TMPDIR", m_tmpdir);
        else
            qunsetenv("TMPDIR");
        ListCnvJob().Clear();
    }

    QWidget *newPage(const char *name)
    {
        auto *page = new QWidget(tabs);
        page->setObjectName(QString::fromLatin1(name));
        tabs->addTab(page, QString::fromLatin1(name));
        return page;
    }

    template <typename Widget = QWidget>
    Widget *control(const char *name) const
    {
        auto *found = window->findChild<Widget *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QCheckBox *box(const char *name) const { return control<QCheckBox>(name); }
    QLineEdit *edit(const char *name) const { return control<QLineEdit>(name); }
    QComboBox *combo(const char *name) const { return control<QComboBox>(name); }
    TCnvJob &job() const { return *CurrentJob(); }

    // Replaces an edit's text by typing, as the user does.
    void type(QLineEdit *field, const QString &text)
    {
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        TypeText(field, text);
    }

    void chooseTarget(const QString &code) { combo("jobIMAGE_DestExt")->setEditText(code); }

    // A radio button of an option group, by position.
    QAbstractButton *option(const char *group, int position) const
    {
        return control<QWidget>(group)->findChildren<QAbstractButton *>().value(position);
    }

    QString savedProject(const QString &name)
    {
        const QString path = sandbox.filePath(name);
        scripted.fileNames = {path};
        EXPECT_TRUE(editor->SaveProject());
        return path + QStringLiteral(".prj");
    }

    bool openProject(const QString &path)
    {
        scripted.fileNames = {path};
        return editor->OpenProject();
    }

    TScriptedPrompt scripted;
    QTemporaryDir sandbox;
    std::unique_ptr<QWidget> window;
    QTabWidget *tabs = nullptr;
    QWidget *general = nullptr;
    QWidget *options = nullptr;
    QWidget *destination = nullptr;
    std::unique_ptr<TJobEditor> editor;
    int clears = 0;

private:
    QByteArray m_tmpdir;
    bool m_hadTmpdir = false;
};

TEST_F(JobEditorTest, NewProjectKeepsSizeAndOrientationWithThePixelPresetReady)
{
    EXPECT_TRUE(box("jobIMAGE_UseAsItIs")->isChecked());
    EXPECT_TRUE(box("jobIMAGE_AsItIs2")->isChecked());
    for (const char *name : {"sJOBWidthEdit", "sJOBHeightEdit", "sJOBWidthLEdit", "sJOBHeightLEdit",
                             "jobIMAGE_Measure", "jobIMAGE_StdRange", "jobIMAGE_LockH", "jobIMAGE_LockW",
                             "sLabel2", "sLabel6", "sLabel8", "sLabel9", "sLabel10", "sLabel11",
                             "jobIMAGE_ROption", "jobIMAGE_CW", "sSpeedButton2", "sSpeedButton8",
                             "jobIMAGE_Ratio"})
        EXPECT_FALSE(control(name)->isEnabled()) << name;
    EXPECT_EQ(combo("jobIMAGE_Measure")->currentIndex(), 0);
    EXPECT_EQ(combo("jobIMAGE_Measure")->currentText(), QStringLiteral("Pixels"));
    EXPECT_EQ(combo("jobIMAGE_StdRange")->currentText(), QStringLiteral("640x480"));
    EXPECT_EQ(edit("sJOBWidthEdit")->text(), QStringLiteral("640"));
    EXPECT_EQ(edit("sJOBHeightEdit")->text(), QStringLiteral("480"));
    EXPECT_EQ(edit("sJOBHeightLEdit")->text(), QStringLiteral("640"));
    EXPECT_EQ(edit("sJOBWidthLEdit")->text(), QStringLiteral("480"));
    EXPECT_EQ(job().Width, QStringLiteral("640"));
    EXPECT_EQ(job().Height, QStringLiteral("480"));
    EXPECT_EQ(control<QSpinBox>("jobIMAGE_SpinQ")->value(), 75);
    // A new project starts on JPEG, so its quality can be set at once.
    EXPECT_TRUE(control("jobIMAGE_SpinQ")->isEnabled());
    EXPECT_TRUE(control("jobIMAGE_Quality")->isEnabled());
    EXPECT_EQ(combo("jobIMAGE_DestExt")->currentText(), QStringLiteral("JPEG"));
    EXPECT_EQ(job().TargetExt, QStringLiteral("JPEG"));
    EXPECT_FALSE(box("jobIMAGE_MultiPages")->isEnabled());
    EXPECT_FALSE(box("jobIMAGE_MultiPages")->isChecked());
    EXPECT_EQ(edit("jobMETA_NameJob")->text(), QStringLiteral("Untitled"));
    EXPECT_EQ(control<QLabel>("jobL_Modify2")->text(), QStringLiteral(": (unknown)"));
    EXPECT_EQ(control<QLabel>("jobL_Open2")->text(), QStringLiteral(": (unknown)"));
    EXPECT_NE(control<QLabel>("jobL_Create2")->text(), QStringLiteral(": (unknown)"));
    EXPECT_EQ(edit("jobIMAGE_Dir")->text(), DefaultOutputFolder());
    EXPECT_FALSE(edit("jobIMAGE_Dir")->isEnabled());
    EXPECT_TRUE(edit("jobIMAGE_Dir")->isReadOnly());
    EXPECT_TRUE(option("jobIMAGE_OptionRename", 0)->isChecked());
    EXPECT_FALSE(control("jobIMAGE_NumBox")->isEnabled());
    EXPECT_TRUE(control("jobIMAGE_OptionRename")->isEnabled());
    EXPECT_FALSE(editor->IsModified());
    EXPECT_TRUE(scripted.warnings.isEmpty()) << scripted.warnings.join(u'\n').toStdString();
}

TEST_F(JobEditorTest, NewProjectCommandAppendsAnUntitledProjectAndClearsTheSources)
{
    QSignalSpy bound(editor.get(), &TJobEditor::bound);
    QSignalSpy titles(editor.get(), &TJobEditor::titleChanged);
    type(edit("jobMETA_NameJob"), QStringLiteral("first"));
    editor->NewProject();
    EXPECT_EQ(ListCnvJob().Count(), 2);
    EXPECT_EQ(ListCnvJob().CurrentIndex(), 1);
    EXPECT_EQ(ListCnvJob().At(0)->Name, QStringLiteral("first"));
    EXPECT_EQ(edit("jobMETA_NameJob")->text(), QStringLiteral("Untitled"));
    EXPECT_EQ(clears, 1);
    EXPECT_EQ(bound.count(), 1);
    ASSERT_FALSE(titles.isEmpty());
    EXPECT_EQ(titles.last().at(0).toString(), QStringLiteral("Untitled"));
    EXPECT_FALSE(editor->IsModified());
}

TEST_F(JobEditorTest, UnitChoiceRefillsThePresetsAndTakesTheSecondOne)
{
    box("jobIMAGE_UseAsItIs")->click();
    combo("jobIMAGE_Measure")->setCurrentIndex(2);
    EXPECT_EQ(combo("jobIMAGE_StdRange")->currentText(), QStringLiteral("3x5"));
    EXPECT_EQ(combo("jobIMAGE_StdRange")->count(), 10);
    EXPECT_EQ(edit("sJOBWidthEdit")->text(), QStringLiteral("5"));
    EXPECT_EQ(edit("sJOBHeightEdit")->text(), QStringLiteral("3"));
    EXPECT_EQ(job().Measure, 2);
    EXPECT_EQ(job().PresetIndex, 1);
    EXPECT_EQ(job().Width, QStringLiteral("5"));
    EXPECT_EQ(job().Height, QStringLiteral("3"));

    combo("jobIMAGE_Measure")->setCurrentIndex(1);
    EXPECT_EQ(combo("jobIMAGE_StdRange")->currentText(), QStringLiteral("10x15"));
    combo("jobIMAGE_StdRange")->setCurrentIndex(2);
    EXPECT_EQ(edit("sJOBWidthEdit")->text(), QStringLiteral("21"));
    EXPECT_EQ(edit("sJOBHeightEdit")->text(), QStringLiteral("29.7"));
    EXPECT_EQ(job().Height, QStringLiteral("29.7"));
    EXPECT_EQ(job().PresetIndex, 2);
}

TEST_F(JobEditorTest, MultiPagesFollowsTheTargetAndQualityItsCodes)
{
    chooseTarget(QStringLiteral("TIFF"));
    EXPECT_TRUE(box("jobIMAGE_MultiPages")->isEnabled());
    EXPECT_TRUE(box("jobIMAGE_MultiPages")->isChecked());
    EXPECT_EQ(job().MultiPages, 1);
    EXPECT_EQ(job().TargetExt, QStringLiteral("TIFF"));
    EXPECT_FALSE(control("jobIMAGE_SpinQ")->isEnabled());

    box("jobIMAGE_MultiPages")->click();
    EXPECT_EQ(job().MultiPages, 0);

    chooseTarget(QStringLiteral("GIF"));
    EXPECT_FALSE(box("jobIMAGE_MultiPages")->isEnabled());
    EXPECT_FALSE(box("jobIMAGE_MultiPages")->isChecked());
    EXPECT_EQ(job().MultiPages, 0);

    type(combo("jobIMAGE_DestExt")->lineEdit(), QStringLiteral("jpeg"));
    EXPECT_EQ(job().TargetExt, QStringLiteral("jpeg"));
    EXPECT_TRUE(control("jobIMAGE_SpinQ")->isEnabled());
    EXPECT_TRUE(control("jobIMAGE_Quality")->isEnabled());
    control<QSpinBox>("jobIMAGE_SpinQ")->setValue(90);
    EXPECT_EQ(job().Quality, 90);

    for (const char *code : {"JPG", "JP2", "JBIG", "MIF", "MIFF", "png"}) {
        chooseTarget(QString::fromLatin1(code));
        EXPECT_TRUE(control("jobIMAGE_SpinQ")->isEnabled()) << code;
    }
    chooseTarget(QStringLiteral("BMP"));
    EXPECT_FALSE(control("jobIMAGE_SpinQ")->isEnabled());
}

// Every writable format once, the common ones first, each with the library's description;
// what the list holds and the project stores is the bare code.
TEST_F(JobEditorTest, TargetListOffersTheWritableFormatsCommonOnesFirst)
{
    QComboBox *target = combo("jobIMAGE_DestExt");
    QStringList codes;
    int separator = -1;
    for (int i = 0; i < target->count(); ++i) {
        if (target->itemText(i).isEmpty()) {
            separator = i;
            continue;
        }
        codes.append(target->itemText(i));
        EXPECT_FALSE(target->itemData(i, Qt::ToolTipRole).toString().isEmpty()) << target->itemText(i).toStdString();
    }
    QStringList offered;
    for (const TExtCell &cell : std::as_const(job().TargetExts))
        offered.append(cell.Ext);
    QStringList sortedCodes = codes, sortedOffered = offered;
    sortedCodes.sort();
    sortedOffered.sort();
    EXPECT_EQ(sortedCodes, sortedOffered);
    const QStringList common = {QStringLiteral("JPEG"), QStringLiteral("PNG"), QStringLiteral("WEBP"),
                                QStringLiteral("AVIF"), QStringLiteral("HEIC"), QStringLiteral("TIFF"),
                                QStringLiteral("GIF")};
    QStringList expected;
    for (const QString &code : common) {
        if (offered.contains(code))
            expected.append(code);
    }
    EXPECT_EQ(codes.mid(0, expected.size()), expected);
    EXPECT_EQ(separator, expected.size());
    target->setCurrentIndex(separator + 1);
    EXPECT_EQ(job().TargetExt, codes.at(separator));
}

TEST_F(JobEditorTest, OpeningAGifProjectOffersMultiPages)
{
    ASSERT_GE(FindExt(QStringLiteral("GIF"), job().TargetExts), 0);
    chooseTarget(QStringLiteral("GIF"));
    const QString path = savedProject(QStringLiteral("gif"));
    editor->NewProject();
    EXPECT_FALSE(box("jobIMAGE_MultiPages")->isChecked());
    ASSERT_TRUE(openProject(path));
    EXPECT_EQ(combo("jobIMAGE_DestExt")->currentText(), QStringLiteral("GIF"));
    EXPECT_TRUE(box("jobIMAGE_MultiPages")->isEnabled());
    EXPECT_TRUE(box("jobIMAGE_MultiPages")->isChecked());
    EXPECT_EQ(job().MultiPages, 1);
    EXPECT_FALSE(control("jobIMAGE_SpinQ")->isEnabled());
}

TEST_F(JobEditorTest, TheTwoSizeRowsMirrorEachOtherTurned)
{
    box("jobIMAGE_UseAsItIs")->click();
    type(edit("sJOBWidthEdit"), QStringLiteral("1024"));
    EXPECT_EQ(edit("sJOBHeightLEdit")->text(), QStringLiteral("1024"));
    EXPECT_EQ(job().Width, QStringLiteral("1024"));
    EXPECT_EQ(job().Height, QStringLiteral("480"));

    type(edit("sJOBWidthLEdit"), QStringLiteral("77"));
    EXPECT_EQ(edit("sJOBHeightEdit")->text(), QStringLiteral("77"));
    EXPECT_EQ(job().Height, QStringLiteral("77"));
    EXPECT_EQ(job().Width, QStringLiteral("1024"));

    type(edit("sJOBHeightLEdit"), QStringLiteral("12.5"));
    EXPECT_EQ(edit("sJOBWidthEdit")->text(), QStringLiteral("12.5"));
    EXPECT_EQ(job().Width, QStringLiteral("12.5"));
    EXPECT_EQ(job().Height, QStringLiteral("77"));

    type(edit("sJOBHeightEdit"), QStringLiteral("300"));
    EXPECT_EQ(edit("sJOBWidthLEdit")->text(), QStringLiteral("300"));
    EXPECT_EQ(job().Height, QStringLiteral("300"));
    EXPECT_EQ(edit("sJOBWidthEdit")->text(), job().Width);
    EXPECT_EQ(edit("sJOBHeightLEdit")->text(), job().Width);
}

TEST_F(JobEditorTest, SizeEditsRefuseWhatIsNoSize)
{
    box("jobIMAGE_UseAsItIs")->click();
    type(edit("sJOBWidthEdit"), QStringLiteral("12ab"));
    EXPECT_EQ(job().Width, QStringLiteral("12"));
    type(edit("sJOBWidthEdit"), QStringLiteral("9000"));
    EXPECT_EQ(job().Width, QStringLiteral("900"));
    type(edit("sJOBWidthEdit"), QStringLiteral("5000"));
    EXPECT_EQ(job().Width, QStringLiteral("5000"));
    type(edit("sJOBHeightEdit"), QStringLiteral("12.1234567"));
    EXPECT_EQ(job().Height, QStringLiteral("12.12"));
    type(edit("sJOBHeightEdit"), QStringLiteral("-3"));
    EXPECT_EQ(job().Height, QStringLiteral("3"));
}

TEST_F(JobEditorTest, OneLockAtATimeAndTheAspectBoxShowsIt)
{
    box("jobIMAGE_UseAsItIs")->click();
    QCheckBox *lockW = box("jobIMAGE_LockW");
    QCheckBox *lockH = box("jobIMAGE_LockH");
    QCheckBox *ratio = box("jobIMAGE_Ratio");
    lockW->click();
    EXPECT_TRUE(lockW->isChecked());
    EXPECT_FALSE(lockH->isChecked());
    EXPECT_TRUE(ratio->isChecked());
    EXPECT_EQ(job().LockWidth, 1);
    EXPECT_EQ(job().LockHeight, 0);

    lockH->click();
    EXPECT_TRUE(lockH->isChecked());
    EXPECT_FALSE(lockW->isChecked());
    EXPECT_TRUE(ratio->isChecked());
    EXPECT_EQ(job().LockWidth, 0);
    EXPECT_EQ(job().LockHeight, 1);

    lockH->click();
    EXPECT_FALSE(ratio->isChecked());
    EXPECT_EQ(job().LockHeight, 0);
    lockW->click();
    lockW->click();
    EXPECT_FALSE(ratio->isChecked());
    EXPECT_EQ(job().LockWidth, 0);
    EXPECT_FALSE(ratio->isEnabled());
}

TEST_F(JobEditorTest, BothLocksOfAFileShowTheHeightLockThatARunObeys)
{
    job().LockHeight = 1;
    job().LockWidth = 1;
    editor->Bind();
    EXPECT_TRUE(box("jobIMAGE_LockH")->isChecked());
    EXPECT_FALSE(box("jobIMAGE_LockW")->isChecked());
    EXPECT_TRUE(box("jobIMAGE_Ratio")->isChecked());
    EXPECT_EQ(job().LockWidth, 0);
    EXPECT_FALSE(editor->IsModified());
}

TEST_F(JobEditorTest, OrientationDecidesWhichSizeRowIsOpen)
{
    box("jobIMAGE_UseAsItIs")->click();
    for (const char *name : {"sJOBWidthEdit", "sJOBHeightEdit", "sLabel10", "sJOBWidthLEdit", "sJOBHeightLEdit", "sLabel11"})
        EXPECT_TRUE(control(name)->isEnabled()) << name;

    box("jobIMAGE_AsItIs2")->click();
    EXPECT_EQ(job().OrientAsIs, 0);
    EXPECT_TRUE(control("jobIMAGE_ROption")->isEnabled());
    EXPECT_TRUE(control("jobIMAGE_CW")->isEnabled());
    EXPECT_TRUE(control("sSpeedButton2")->isEnabled());
    EXPECT_FALSE(edit("sJOBWidthEdit")->isEnabled());
    EXPECT_FALSE(control("sLabel10")->isEnabled());
    EXPECT_TRUE(edit("sJOBWidthLEdit")->isEnabled());
    EXPECT_TRUE(control("sLabel11")->isEnabled());

    option("jobIMAGE_ROption", 1)->click();
    EXPECT_EQ(job().Orientation, 1);
    EXPECT_TRUE(edit("sJOBHeightEdit")->isEnabled());
    EXPECT_FALSE(edit("sJOBHeightLEdit")->isEnabled());

    control<QToolButton>("sSpeedButton2")->click();
    EXPECT_EQ(job().Orientation, 0);
    EXPECT_TRUE(option("jobIMAGE_ROption", 0)->isChecked());
    control<QToolButton>("sSpeedButton8")->click();
    EXPECT_EQ(job().Orientation, 1);

    box("jobIMAGE_CW")->click();
    EXPECT_EQ(job().RotateCCW, 1);

    box("jobIMAGE_UseAsItIs")->click();
    for (const char *name : {"sJOBWidthEdit", "sJOBHeightEdit", "sJOBWidthLEdit", "sJOBHeightLEdit"})
        EXPECT_FALSE(control(name)->isEnabled()) << name;
}

TEST_F(JobEditorTest, DestinationFolderComesFromTheChooserOnly)
{
    QToolButton *browse = control<QToolButton>("jobIMAGE_DirBrowse");
    EXPECT_FALSE(browse->isEnabled());
    box("jobIMAGE_UseDir")->click();
    EXPECT_EQ(job().UseDestDir, 1);
    EXPECT_TRUE(edit("jobIMAGE_Dir")->isEnabled());
    ASSERT_TRUE(browse->isEnabled());

    browse->click(); // cancelled
    EXPECT_EQ(scripted.dialogs.size(), 1);
    EXPECT_EQ(job().DestDir, DefaultOutputFolder());

    scripted.fileNames = {sandbox.path()};
    browse->click();
    EXPECT_EQ(edit("jobIMAGE_Dir")->text(), sandbox.path());
    EXPECT_EQ(job().DestDir, sandbox.path());

    // Longer than the project file keeps: refused instead of cut to another folder.
    const QString tooLong = sandbox.path() + QLatin1Char('/') + QString(260, QLatin1Char('d'));
    scripted.fileNames = {tooLong};
    browse->click();
    EXPECT_EQ(job().DestDir, sandbox.path());
    ASSERT_EQ(scripted.warnings.size(), 1);
    EXPECT_TRUE(scripted.warnings.at(0).startsWith(QStringLiteral("The folder path is too long")));
}

TEST_F(JobEditorTest, CounterAndRenameOptionsExcludeEachOther)
{
    option("jobIMAGE_OptionRename", 1)->click();
    EXPECT_EQ(job().RenameMode, 1);
    box("jobIMAGE_Num")->click();
    EXPECT_EQ(job().UseCounter, 1);
    EXPECT_TRUE(control("jobIMAGE_NumBox")->isEnabled());
    EXPECT_FALSE(control("jobIMAGE_OptionRename")->isEnabled());
    control<QSpinBox>("jobIMAGE_NumBox")->setValue(42);
    EXPECT_EQ(job().CounterStart, 42);
    EXPECT_EQ(control<QSpinBox>("jobIMAGE_NumBox")->minimum(), 1);
    box("jobIMAGE_Num")->click();
    EXPECT_FALSE(control("jobIMAGE_NumBox")->isEnabled());
    EXPECT_TRUE(control("jobIMAGE_OptionRename")->isEnabled());
}

TEST_F(JobEditorTest, ScratchListStartsWithTheTemporaryFolderAndSetsTmpdir)
{
    QComboBox *drive = combo("jobIMAGE_Drive");
    ASSERT_GT(drive->count(), 0);
    const QRegularExpression item(QStringLiteral("^(.+)   \\(\\d{1,3}(,\\d{3})* free\\)$"));
    for (int i = 0; i < drive->count(); ++i)
        EXPECT_TRUE(item.match(drive->itemText(i)).hasMatch()) << drive->itemText(i).toStdString();
    EXPECT_TRUE(drive->itemText(0).startsWith(QDir::tempPath() + QStringLiteral("   (")));
    EXPECT_EQ(drive->currentIndex(), 0);
    EXPECT_EQ(job().ScratchDrive, QDir::tempPath());
    EXPECT_EQ(qEnvironmentVariable("TMPDIR"), QDir::tempPath());

    if (drive->count() > 1) {
        drive->setCurrentIndex(drive->count() - 1);
        const QString folder = ScratchFolderOfItem(drive->itemText(drive->count() - 1));
        EXPECT_EQ(job().ScratchDrive, folder);
        EXPECT_EQ(qEnvironmentVariable("TMPDIR"), folder);
        EXPECT_TRUE(editor->IsModified());
    }
}

TEST_F(JobEditorTest, ValuesOutsideTheControlsRangeBecomeWhatTheyShow)
{
    job().Quality = 0;
    job().CounterStart = -5;
    editor->Bind();
    EXPECT_EQ(control<QSpinBox>("jobIMAGE_SpinQ")->value(), 1);
    EXPECT_EQ(job().Quality, 1);
    EXPECT_EQ(control<QSpinBox>("jobIMAGE_NumBox")->value(), 1);
    EXPECT_EQ(job().CounterStart, 1);
    job().Quality = 200;
    editor->Bind();
    EXPECT_EQ(job().Quality, 100);
}

TEST_F(JobEditorTest, UnknownScratchFolderWarnsAndFallsBackToTheFirst)
{
    job().ScratchDrive = QStringLiteral("C:'");
    editor->Bind();
    ASSERT_EQ(scripted.warnings.size(), 1);
    EXPECT_EQ(scripted.warnings.at(0), QStringLiteral("Not found temporary path 'C:'''. Set to default."));
    EXPECT_EQ(job().ScratchDrive, ScratchFolderOfItem(combo("jobIMAGE_Drive")->itemText(0)));
    EXPECT_EQ(combo("jobIMAGE_Drive")->currentIndex(), 0);
    EXPECT_FALSE(editor->IsModified());
}

TEST_F(JobEditorTest, SavingWithoutANameAsksForOneAndWritesNothing)
{
    edit("jobMETA_NameJob")->clear();
    EXPECT_FALSE(editor->SaveProject());
    EXPECT_EQ(scripted.warnings, QStringList{QStringLiteral("Input name project")});
    EXPECT_TRUE(scripted.dialogs.isEmpty());
}

TEST_F(JobEditorTest, SavingOverAProjectAsksWithItsFullPathQuoted)
{
    const QString folder = sandbox.filePath(QStringLiteral("it's"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString existing = folder + QStringLiteral("/abc.prj");
    WriteFileBytes(existing, QByteArray("old"));

    scripted.fileNames = {folder + QStringLiteral("/abc")};
    scripted.answers = {TAnswer::No};
    EXPECT_FALSE(editor->SaveProject());
    const QString quotedPath = sandbox.filePath(QStringLiteral("it''s")) + QStringLiteral("/abc.prj");
    ASSERT_EQ(scripted.questions.size(), 1);
    EXPECT_EQ(scripted.questions.at(0), QStringLiteral("File '") + quotedPath + QStringLiteral("' exist. Rewrite?"));
    EXPECT_EQ(scripted.questionSymbols, QList<TSymbol>{TSymbol::Warning});
    EXPECT_EQ(ReadFileBytes(existing), QByteArray("old"));
    EXPECT_FALSE(editor->IsSaved());

    // A chosen name that already ends with the extension gets no second one.
    scripted.fileNames = {existing};
    scripted.answers = {TAnswer::Yes};
    EXPECT_TRUE(editor->SaveProject());
    EXPECT_TRUE(editor->IsSaved());
    EXPECT_EQ(ReadFileBytes(existing).left(6), QByteArray("\x05PRJ01", 6));
    EXPECT_FALSE(QFile::exists(existing + QStringLiteral(".prj")));
}

TEST_F(JobEditorTest, CancelledDialogsChangeNothing)
{
    type(edit("jobMETA_NameJob"), QStringLiteral("kept"));
    editor->SetModified(false);
    EXPECT_FALSE(editor->SaveProject());
    EXPECT_FALSE(editor->OpenProject());
    EXPECT_EQ(scripted.dialogs.size(), 2);
    EXPECT_EQ(job().Name, QStringLiteral("kept"));
    EXPECT_EQ(clears, 0);
    EXPECT_FALSE(editor->IsModified());
    EXPECT_TRUE(QDir(sandbox.path()).isEmpty());
}

TEST_F(JobEditorTest, SavingDoesNotClearTheModifiedFlag)
{
    type(edit("jobMETA_Author"), QStringLiteral("me"));
    savedProject(QStringLiteral("kept"));
    EXPECT_TRUE(editor->IsModified());
}

TEST_F(JobEditorTest, WriteFailureIsShownAndReportedAsNotSaved)
{
    scripted.fileNames = {sandbox.filePath(QStringLiteral("missing/folder/p"))};
    EXPECT_FALSE(editor->SaveProject());
    ASSERT_EQ(scripted.errors.size(), 1);
    EXPECT_TRUE(scripted.errors.at(0).startsWith(QStringLiteral("Cannot create file")));
    EXPECT_FALSE(editor->IsSaved());
}

TEST_F(JobEditorTest, EveryFieldSurvivesSaveAndOpen)
{
    type(edit("jobMETA_NameJob"), QStringLiteral("Holiday 2026"));
    type(edit("jobMETA_Author"), QStringLiteral("Ann"));
    control<QPlainTextEdit>("jobMETA_Comment")->setPlainText(QStringLiteral("first line\nsecond line"));
    chooseTarget(QStringLiteral("JPEG"));
    control<QSpinBox>("jobIMAGE_SpinQ")->setValue(88);
    box("jobIMAGE_UseDir")->click();
    scripted.fileNames = {sandbox.path()};
    control<QToolButton>("jobIMAGE_DirBrowse")->click();
    option("jobIMAGE_OptionRename", 1)->click();
    box("jobIMAGE_Num")->click();
    control<QSpinBox>("jobIMAGE_NumBox")->setValue(7);
    box("jobIMAGE_UseAsItIs")->click();
    combo("jobIMAGE_Measure")->setCurrentIndex(1);
    combo("jobIMAGE_StdRange")->setCurrentIndex(3);
    box("jobIMAGE_LockW")->click();
    box("jobIMAGE_AsItIs2")->click();
    option("jobIMAGE_ROption", 1)->click();
    box("jobIMAGE_CW")->click();
    job().SourceExts[0].Enabled = 0;
    const TCnvJob before = job();

    const QString path = savedProject(QStringLiteral("holiday"));
    editor->NewProject();
    ASSERT_EQ(clears, 1);
    ASSERT_TRUE(openProject(path));
    EXPECT_EQ(clears, 2);
    EXPECT_TRUE(scripted.errors.isEmpty()) << scripted.errors.join(u'\n').toStdString();
    EXPECT_FALSE(editor->IsModified());

    const TCnvJob &after = job();
    EXPECT_EQ(after.Name, before.Name);
    EXPECT_EQ(after.Author, before.Author);
    EXPECT_EQ(after.Comment, before.Comment);
    EXPECT_DOUBLE_EQ(after.Created, before.Created);
    EXPECT_GT(after.Modified, 0);
    EXPECT_GT(after.Opened, 0);
    EXPECT_EQ(after.TargetExt, QStringLiteral("JPEG"));
    EXPECT_EQ(after.Quality, 88);
    EXPECT_EQ(after.UseDestDir, 1);
    EXPECT_EQ(after.DestDir, sandbox.path());
    EXPECT_EQ(after.RenameMode, 1);
    EXPECT_EQ(after.UseCounter, 1);
    EXPECT_EQ(after.CounterStart, 7);
    EXPECT_EQ(after.SizeAsIs, 0);
    EXPECT_EQ(after.Measure, 1);
    EXPECT_EQ(after.PresetIndex, 3);
    EXPECT_EQ(after.Width, QStringLiteral("29.7"));
    EXPECT_EQ(after.Height, QStringLiteral("42"));
    EXPECT_EQ(after.LockWidth, 1);
    EXPECT_EQ(after.LockHeight, 0);
    EXPECT_EQ(after.OrientAsIs, 0);
    EXPECT_EQ(after.Orientation, 1);
    EXPECT_EQ(after.RotateCCW, 1);
    EXPECT_EQ(after.ScratchDrive, before.ScratchDrive);
    EXPECT_EQ(after.SourceExts.at(0).Enabled, 0);
    EXPECT_EQ(after.SourceExts.at(1).Enabled, 1);

    // And the controls show it.
    EXPECT_EQ(edit("jobMETA_NameJob")->text(), QStringLiteral("Holiday 2026"));
    EXPECT_EQ(edit("jobMETA_Author")->text(), QStringLiteral("Ann"));
    EXPECT_EQ(control<QPlainTextEdit>("jobMETA_Comment")->toPlainText(), QStringLiteral("first line\nsecond line"));
    EXPECT_NE(control<QLabel>("jobL_Modify2")->text(), QStringLiteral(": (unknown)"));
    EXPECT_TRUE(control<QLabel>("jobL_Open2")->text().startsWith(QStringLiteral(": ")));
    EXPECT_EQ(combo("jobIMAGE_DestExt")->currentText(), QStringLiteral("JPEG"));
    EXPECT_EQ(control<QSpinBox>("jobIMAGE_SpinQ")->value(), 88);
    EXPECT_TRUE(control("jobIMAGE_SpinQ")->isEnabled());
    EXPECT_TRUE(box("jobIMAGE_UseDir")->isChecked());
    EXPECT_EQ(edit("jobIMAGE_Dir")->text(), sandbox.path());
    EXPECT_TRUE(option("jobIMAGE_OptionRename", 1)->isChecked());
    EXPECT_TRUE(box("jobIMAGE_Num")->isChecked());
    EXPECT_EQ(control<QSpinBox>("jobIMAGE_NumBox")->value(), 7);
    EXPECT_FALSE(box("jobIMAGE_UseAsItIs")->isChecked());
    EXPECT_EQ(combo("jobIMAGE_Measure")->currentText(), QStringLiteral("Centimeters"));
    EXPECT_EQ(combo("jobIMAGE_StdRange")->currentText(), QStringLiteral("A3 (29.7 x 42)"));
    EXPECT_EQ(edit("sJOBWidthEdit")->text(), QStringLiteral("29.7"));
    EXPECT_EQ(edit("sJOBWidthLEdit")->text(), QStringLiteral("42"));
    EXPECT_TRUE(box("jobIMAGE_LockW")->isChecked());
    EXPECT_TRUE(box("jobIMAGE_Ratio")->isChecked());
    EXPECT_FALSE(box("jobIMAGE_AsItIs2")->isChecked());
    EXPECT_TRUE(option("jobIMAGE_ROption", 1)->isChecked());
    EXPECT_TRUE(box("jobIMAGE_CW")->isChecked());
    EXPECT_TRUE(edit("sJOBWidthEdit")->isEnabled());
    EXPECT_FALSE(edit("sJOBWidthLEdit")->isEnabled());
}

TEST_F(JobEditorTest, HandTypedSizesSurviveOpeningTheProjectAgainAndAgain)
{
    box("jobIMAGE_UseAsItIs")->click();
    ASSERT_EQ(combo("jobIMAGE_StdRange")->currentText(), QStringLiteral("640x480"));
    type(edit("sJOBWidthEdit"), QStringLiteral("1234"));
    type(edit("sJOBHeightEdit"), QStringLiteral("567"));
    const QString path = savedProject(QStringLiteral("typed"));
    const QByteArray bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.mid(340, 4), QByteArray(4, '\0'));
    ASSERT_EQ(bytes.mid(344, 5), QByteArray("\x04" "1234"));

    // Whatever the controls showed before: another project, the same one, a preset.
    for (int round = 0; round < 3; ++round) {
        if (round == 2)
            combo("jobIMAGE_StdRange")->setCurrentIndex(2);
        ASSERT_TRUE(openProject(path)) << round;
        EXPECT_EQ(combo("jobIMAGE_StdRange")->currentText(), QStringLiteral("640x480")) << round;
        EXPECT_EQ(edit("sJOBWidthEdit")->text(), QStringLiteral("1234")) << round;
        EXPECT_EQ(edit("sJOBHeightEdit")->text(), QStringLiteral("567")) << round;
        EXPECT_EQ(edit("sJOBHeightLEdit")->text(), QStringLiteral("1234")) << round;
        EXPECT_EQ(edit("sJOBWidthLEdit")->text(), QStringLiteral("567")) << round;
        EXPECT_EQ(job().Width, QStringLiteral("1234")) << round;
        EXPECT_EQ(job().Height, QStringLiteral("567")) << round;
        EXPECT_EQ(job().PresetIndex, 0) << round;
        EXPECT_FALSE(editor->IsModified()) << round;
    }

    // A preset position the unit does not have shows no preset, and the sizes as stored.
    QByteArray strange = bytes;
    qToLittleEndian<qint32>(qint32(7), strange.data() + 340);
    const QString odd = sandbox.filePath(QStringLiteral("odd.prj"));
    WriteFileBytes(odd, strange);
    ASSERT_TRUE(openProject(odd));
    EXPECT_EQ(combo("jobIMAGE_StdRange")->currentIndex(), -1);
    EXPECT_EQ(job().PresetIndex, 7);
    EXPECT_EQ(edit("sJOBWidthEdit")->text(), QStringLiteral("1234"));

    // Choosing a preset is the user's act: it sets the sizes.
    combo("jobIMAGE_StdRange")->setCurrentIndex(1);
    EXPECT_EQ(job().Width, QStringLiteral("800"));
    EXPECT_EQ(job().Height, QStringLiteral("600"));
    EXPECT_TRUE(editor->IsModified());
}

TEST_F(JobEditorTest, SizesAndNamesAreOnlyWhatTheFileKeepsAndComeBackAsShown)
{
    box("jobIMAGE_UseAsItIs")->click();
    // Typed key by key; what the file cannot keep is refused as it is typed.
    const struct
    {
        const char *field;
        const char *typed;
        const char *shown;
    } cases[] = {
        {"sJOBWidthEdit", "1234.56789", "1234."},
        {"sJOBHeightEdit", "100.25", "100.2"},
        {"sJOBWidthLEdit", "12.345", "12.34"},
        {"sJOBHeightLEdit", "4999.9", "4999."},
        {"jobMETA_NameJob", "Фотографииотпускам", "Фотографииот"},
        {"jobMETA_Author", "Анна Петровна", "Анна Пет"},
        {"jobMETA_NameJob", "Ferien 2026 am See, Teil 2 und 3", "Ferien 2026 am See, Teil "},
        {"jobMETA_Author", "日本語の作者名です", "日本語の作"},
    };
    for (const auto &item : cases) {
        QLineEdit *field = edit(item.field);
        type(field, QString::fromUtf8(item.typed));
        EXPECT_EQ(field->text(), QString::fromUtf8(item.shown)) << item.field << " " << item.typed;
    }
    const QString name = edit("jobMETA_NameJob")->text();
    const QString author = edit("jobMETA_Author")->text();
    const QString width = job().Width;
    const QString height = job().Height;
    EXPECT_EQ(job().Name, name);
    EXPECT_EQ(job().Author, author);
    EXPECT_EQ(width, edit("sJOBWidthEdit")->text());
    EXPECT_EQ(height, edit("sJOBHeightEdit")->text());

    const QString path = savedProject(QStringLiteral("kept"));
    editor->NewProject();
    ASSERT_TRUE(openProject(path));
    EXPECT_EQ(edit("jobMETA_NameJob")->text(), name);
    EXPECT_EQ(edit("jobMETA_Author")->text(), author);
    EXPECT_EQ(edit("sJOBWidthEdit")->text(), width);
    EXPECT_EQ(edit("sJOBHeightEdit")->text(), height);
    EXPECT_EQ(job().Name, name);
    EXPECT_EQ(job().Author, author);
    EXPECT_TRUE(scripted.warnings.isEmpty()) << scripted.warnings.join(u'\n').toStdString();

    // The typed target and scratch folder keep to their fields too.
    type(combo("jobIMAGE_DestExt")->lineEdit(), QString::fromUtf8("ÄÖÜ"));
    EXPECT_EQ(job().TargetExt, QString::fromUtf8("ÄÖ"));
    type(combo("jobIMAGE_Drive")->lineEdit(), QLatin1Char('/') + QString(300, QLatin1Char('d')));
    EXPECT_EQ(job().ScratchDrive, QLatin1Char('/') + QString(249, QLatin1Char('d')));
}

TEST_F(JobEditorTest, ProjectDialogsStartInTheFolderLastUsedElseTheHomeFolder)
{
    type(edit("jobMETA_NameJob"), QStringLiteral("trip"));
    EXPECT_FALSE(editor->OpenProject());
    EXPECT_FALSE(editor->SaveProject());
    ASSERT_EQ(scripted.dialogFolders.size(), 2);
    EXPECT_EQ(scripted.dialogFolders.at(0), QDir::homePath());
    EXPECT_EQ(scripted.dialogFolders.at(1), QDir::homePath() + QStringLiteral("/trip"));

    const QString folder = sandbox.filePath(QStringLiteral("projects"));
    ASSERT_TRUE(QDir().mkpath(folder));
    scripted.fileNames = {folder + QStringLiteral("/trip")};
    ASSERT_TRUE(editor->SaveProject());
    EXPECT_FALSE(editor->OpenProject());
    EXPECT_EQ(scripted.dialogFolders.at(3), folder);

    const QString other = sandbox.filePath(QStringLiteral("other"));
    ASSERT_TRUE(QDir().mkpath(other));
    ASSERT_TRUE(QFile::copy(folder + QStringLiteral("/trip.prj"), other + QStringLiteral("/trip.prj")));
    ASSERT_TRUE(openProject(other + QStringLiteral("/trip.prj")));
    EXPECT_FALSE(editor->SaveProject());
    EXPECT_EQ(scripted.dialogFolders.at(5), other + QStringLiteral("/trip"));

    // A folder that went away is no place to start.
    ASSERT_TRUE(QDir(other).removeRecursively());
    EXPECT_FALSE(editor->OpenProject());
    EXPECT_EQ(scripted.dialogFolders.at(6), QDir::homePath());
}

TEST_F(JobEditorTest, AFileThatFailsToOpenChangesNothing)
{
    type(edit("jobMETA_NameJob"), QStringLiteral("saved"));
    chooseTarget(QStringLiteral("PNG"));
    const QString good = savedProject(QStringLiteral("good"));
    const QByteArray bytes = ReadFileBytes(good);
    type(edit("jobMETA_NameJob"), QStringLiteral("current"));
    type(edit("jobMETA_Author"), QStringLiteral("Bob"));
    const int modifiedBefore = editor->IsModified();

    // Cut inside the header.
    const QString truncated = sandbox.filePath(QStringLiteral("truncated.prj"));
    WriteFileBytes(truncated, bytes.left(300));
    EXPECT_FALSE(openProject(truncated));
    ASSERT_EQ(scripted.errors.size(), 1);
    EXPECT_EQ(scripted.errors.at(0), QStringLiteral("Stream read error"));

    // A whole header whose records run past the formats: fails after the header was read.
    QByteArray tooMany = bytes;
    qToLittleEndian<qint32>(qint32(job().SourceExts.size() + 1), tooMany.data() + 72);
    tooMany.insert(624 + 7 * job().SourceExts.size(), QByteArray(7, '\0'));
    const QString overrun = sandbox.filePath(QStringLiteral("overrun.prj"));
    WriteFileBytes(overrun, tooMany);
    EXPECT_FALSE(openProject(overrun));
    ASSERT_EQ(scripted.errors.size(), 2);
    EXPECT_TRUE(scripted.errors.at(1).startsWith(QStringLiteral("List index out of bounds")));

    // Something else entirely, long enough to pass for a header.
    const QString text = sandbox.filePath(QStringLiteral("notes.prj"));
    WriteFileBytes(text, QByteArray(2000, 'x'));
    EXPECT_FALSE(openProject(text));
    ASSERT_EQ(scripted.errors.size(), 3);
    EXPECT_EQ(scripted.errors.at(2), QStringLiteral("\"") + text + QStringLiteral("\" is not a project file"));

    EXPECT_FALSE(openProject(sandbox.filePath(QStringLiteral("absent.prj"))));
    ASSERT_EQ(scripted.errors.size(), 4);
    EXPECT_TRUE(scripted.errors.at(3).startsWith(QStringLiteral("Cannot open file")));

    EXPECT_EQ(job().Name, QStringLiteral("current"));
    EXPECT_EQ(job().Author, QStringLiteral("Bob"));
    EXPECT_DOUBLE_EQ(job().Opened, 0);
    EXPECT_EQ(edit("jobMETA_NameJob")->text(), QStringLiteral("current"));
    EXPECT_EQ(clears, 0);
    EXPECT_EQ(int(editor->IsModified()), modifiedBefore);
}

TEST_F(JobEditorTest, EveryEditMarksTheProjectAndBindingClearsIt)
{
    QSignalSpy changes(editor.get(), &TJobEditor::modifiedChanged);
    QSignalSpy titles(editor.get(), &TJobEditor::titleChanged);
    chooseTarget(QStringLiteral("TIFF"));
    box("jobIMAGE_UseAsItIs")->click();
    box("jobIMAGE_AsItIs2")->click();
    editor->Bind();
    ASSERT_FALSE(editor->IsModified());

    const std::vector<std::pair<const char *, std::function<void()>>> edits = {
        {"name", [&] { type(edit("jobMETA_NameJob"), QStringLiteral("n")); }},
        {"author", [&] { type(edit("jobMETA_Author"), QStringLiteral("a")); }},
        {"comment", [&] { QTest::keyClicks(control("jobMETA_Comment"), QStringLiteral("c")); }},
        {"target", [&] { chooseTarget(QStringLiteral("PNG")); }},
        {"multipages", [&] { box("jobIMAGE_MultiPages")->click(); }},
        {"quality", [&] { control<QSpinBox>("jobIMAGE_SpinQ")->setValue(50); }},
        {"use folder", [&] { box("jobIMAGE_UseDir")->click(); }},
        {"rename", [&] { option("jobIMAGE_OptionRename", 1)->click(); }},
        {"counter", [&] { box("jobIMAGE_Num")->click(); }},
        {"counter start", [&] { control<QSpinBox>("jobIMAGE_NumBox")->setValue(3); }},
        {"orientation", [&] { option("jobIMAGE_ROption", 1)->click(); }},
        {"rotate", [&] { box("jobIMAGE_CW")->click(); }},
        {"measure", [&] { combo("jobIMAGE_Measure")->setCurrentIndex(2); }},
        {"preset", [&] { combo("jobIMAGE_StdRange")->setCurrentIndex(2); }},
        {"width", [&] { type(edit("sJOBWidthEdit"), QStringLiteral("9")); }},
        {"lock width", [&] { box("jobIMAGE_LockW")->click(); }},
        {"lock height", [&] { box("jobIMAGE_LockH")->click(); }},
        {"orientation picture", [&] { control<QToolButton>("sSpeedButton2")->click(); }},
        {"portrait width", [&] { type(edit("sJOBWidthLEdit"), QStringLiteral("8")); }},
        {"size as is", [&] { box("jobIMAGE_UseAsItIs")->click(); }},
        {"orientation as is", [&] { box("jobIMAGE_AsItIs2")->click(); }},
    };
    for (const auto &[what, change] : edits) {
        if (std::string(what) == "multipages")
            chooseTarget(QStringLiteral("TIFF"));
        editor->Bind();
        ASSERT_FALSE(editor->IsModified()) << what;
        changes.clear();
        change();
        EXPECT_TRUE(editor->IsModified()) << what;
        ASSERT_EQ(changes.size(), 1) << what;
        EXPECT_TRUE(changes.at(0).at(0).toBool()) << what;
    }
    const bool sawTitle = std::any_of(titles.cbegin(), titles.cend(),
                                      [](const QList<QVariant> &args) { return args.at(0).toString() == QStringLiteral("n"); });
    EXPECT_TRUE(sawTitle);
}

TEST_F(JobEditorTest, CommentAndTextFieldsKeepToTheirLimits)
{
    type(edit("jobMETA_NameJob"), QString(40, QLatin1Char('n')));
    EXPECT_EQ(job().Name.size(), 25);
    type(edit("jobMETA_Author"), QString(40, QLatin1Char('a')));
    EXPECT_EQ(job().Author.size(), 15);
    control<QPlainTextEdit>("jobMETA_Comment")->setPlainText(QString(600, QLatin1Char('c')));
    EXPECT_EQ(job().Comment.join(QLatin1Char('\n')).size(), 500);
    EXPECT_EQ(control<QPlainTextEdit>("jobMETA_Comment")->toPlainText().size(), 500);
}

TEST_F(JobEditorTest, ProjectButtonsRunTheWindowsCommands)
{
    QAction newJob, openJob, saveJob;
    int runs[3] = {0, 0, 0};
    QObject::connect(&newJob, &QAction::triggered, [&] { ++runs[0]; });
    QObject::connect(&openJob, &QAction::triggered, [&] { ++runs[1]; });
    QObject::connect(&saveJob, &QAction::triggered, [&] { ++runs[2]; });
    editor->SetProjectCommands(&newJob, &openJob, &saveJob);
    QTest::mouseClick(control<QToolButton>("sSpeedButton3"), Qt::LeftButton);
    QTest::mouseClick(control<QToolButton>("sSpeedButton4"), Qt::LeftButton);
    QTest::mouseClick(control<QToolButton>("sSpeedButton5"), Qt::LeftButton);
    QTest::mouseClick(control<QToolButton>("sSpeedButton5"), Qt::LeftButton);
    EXPECT_EQ(runs[0], 1);
    EXPECT_EQ(runs[1], 1);
    EXPECT_EQ(runs[2], 2);
    EXPECT_EQ(ListCnvJob().Count(), 1);
}

TEST_F(JobEditorTest, LanguageTextsReachEveryEditorControl)
{
    TMLang lang;
    lang.RegisterBuiltIn();
    editor->SetLanguage(&lang);
    ApplyLangTexts(lang, {window.get()});
    editor->Bind();

    const QStringList controls = {
        QStringLiteral("sSpeedButton3"), QStringLiteral("sSpeedButton4"), QStringLiteral("sSpeedButton5"),
        QStringLiteral("jobL_NameJob"), QStringLiteral("jobL_Author"), QStringLiteral("jobL_Create"),
        QStringLiteral("jobL_Modify"), QStringLiteral("jobL_Open"), QStringLiteral("jobL_Comment"),
        QStringLiteral("sLabel1"), QStringLiteral("jobIMAGE_MultiPages"), QStringLiteral("jobIMAGE_AsItIs2"),
        QStringLiteral("jobIMAGE_ROption"), QStringLiteral("jobIMAGE_CW"), QStringLiteral("jobIMAGE_UseAsItIs"),
        QStringLiteral("jobIMAGE_Measure"), QStringLiteral("sLabel8"), QStringLiteral("sLabel9"),
        QStringLiteral("sLabel10"), QStringLiteral("sLabel11"), QStringLiteral("sLabel6"), QStringLiteral("sLabel2"),
        QStringLiteral("jobIMAGE_LockH"), QStringLiteral("jobIMAGE_LockW"), QStringLiteral("jobIMAGE_Ratio"),
        QStringLiteral("jobIMAGE_UseDir"), QStringLiteral("jobIMAGE_OptionRename"), QStringLiteral("jobIMAGE_Num"),
        QStringLiteral("sLabel12"), QStringLiteral("tabGeneral"), QStringLiteral("tabDestExt"),
        QStringLiteral("tabDestPath")};
    QStringList reached;
    for (const TTextRow &row : LangTextRows()) {
        const QString name = QString::fromLatin1(row.objectName);
        if (!controls.contains(name))
            continue;
        reached.append(name);
        const QString expected = lang.GetText(row.key);
        ASSERT_FALSE(expected.isEmpty()) << row.key;
        QObject *target = name.startsWith(QStringLiteral("tab")) ? static_cast<QObject *>(window->findChild<QWidget *>(name))
                                                                 : control<QObject>(row.objectName);
        ASSERT_NE(target, nullptr) << row.objectName;
        QString shown;
        switch (row.place) {
        case TTextPlace::Hint:
            shown = qobject_cast<QWidget *>(target)->toolTip();
            break;
        case TTextPlace::Item:
            if (auto *choice = qobject_cast<QComboBox *>(target))
                shown = choice->itemText(row.n);
            else
                shown = target->findChildren<QAbstractButton *>().value(row.n)->text();
            break;
        default:
            if (auto *label = qobject_cast<QLabel *>(target))
                shown = label->text();
            else if (auto *button = qobject_cast<QAbstractButton *>(target))
                shown = button->text();
            else if (auto *group = qobject_cast<QGroupBox *>(target))
                shown = group->title();
            else
                shown = tabs->tabText(tabs->indexOf(qobject_cast<QWidget *>(target)));
        }
        EXPECT_EQ(shown, expected) << row.key << " on " << row.objectName;
    }
    for (const QString &name : controls)
        EXPECT_TRUE(reached.contains(name)) << name.toStdString();
    EXPECT_EQ(combo("jobIMAGE_Measure")->itemText(2), QStringLiteral("Inches"));
    EXPECT_EQ(control<QGroupBox>("jobIMAGE_OptionRename")->findChildren<QAbstractButton *>().size(), 2);
    EXPECT_EQ(control<QWidget>("jobIMAGE_ROption")->findChildren<QAbstractButton *>().size(), 2);
}

TEST_F(JobEditorTest, BindingAfterALanguageSwitchShowsItsTextsAndKeepsTheChoices)
{
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QStringLiteral(PICTAVO_BIN_DIR)));
    TMLang lang;
    lang.RegisterBuiltIn();
    const bool german = lang.SelectLanguage(QStringLiteral("Deutsch (DE)")) >= 0;
    QDir::setCurrent(previous);
    ASSERT_TRUE(german);

    box("jobIMAGE_UseAsItIs")->click();
    combo("jobIMAGE_Measure")->setCurrentIndex(2);
    combo("jobIMAGE_StdRange")->setCurrentIndex(4);
    type(edit("sJOBWidthEdit"), QStringLiteral("19.2"));
    editor->SetModified(false);
    editor->SetLanguage(&lang);
    ApplyLangTexts(lang, {window.get()});
    editor->Bind();

    EXPECT_EQ(combo("jobIMAGE_Measure")->itemText(0), QStringLiteral("Pixel"));
    EXPECT_EQ(combo("jobIMAGE_Measure")->itemText(1), QStringLiteral("Zentimeter"));
    EXPECT_EQ(combo("jobIMAGE_Measure")->currentText(), QStringLiteral("Zoll"));
    EXPECT_EQ(combo("jobIMAGE_StdRange")->currentText(), QStringLiteral("8x10"));
    EXPECT_EQ(edit("sJOBWidthEdit")->text(), QStringLiteral("19.2"));
    EXPECT_EQ(edit("sJOBHeightEdit")->text(), QStringLiteral("8"));
    EXPECT_EQ(job().Width, QStringLiteral("19.2"));
    EXPECT_EQ(control<QLabel>("jobL_Open2")->text(), QStringLiteral(": (unbekannt)"));
    EXPECT_EQ(control<QLabel>("sLabel10")->text(), QStringLiteral("Querformat"));
    EXPECT_EQ(option("jobIMAGE_ROption", 1)->text(), QStringLiteral("Querformat"));
    const QList<QGroupBox *> groups = options->findChildren<QGroupBox *>();
    const bool titled = std::any_of(groups.cbegin(), groups.cend(), [](const QGroupBox *group) {
        return group->title() == QStringLiteral(" Ausrichtung ");
    });
    EXPECT_TRUE(titled);
    EXPECT_FALSE(editor->IsModified());
    editor->SetLanguage(nullptr);
}

// The chosen target's encoder options and the size mode go into the project's options;
// an option put back to its default leaves no key behind.
TEST_F(JobEditorTest, EncoderOptionsAndSizeModeWriteTheProjectsOptions)
{
    TCnvJob &project = *CurrentJob();
    chooseTarget(QStringLiteral("jpg"));
    EXPECT_NE(control<QCheckBox>("jobIMAGE_Opt_jpeg_progressive"), nullptr);
    EXPECT_EQ(window->findChild<QWidget *>(QStringLiteral("jobIMAGE_Opt_tiff_compression")), nullptr);
    control<QCheckBox>("jobIMAGE_Opt_jpeg_progressive")->click();
    combo("jobIMAGE_Opt_jpeg_subsampling")->setCurrentIndex(2);
    EXPECT_EQ(project.Options.value(QStringLiteral("jpeg.progressive")), QLatin1String("true"));
    EXPECT_EQ(project.Options.value(QStringLiteral("jpeg.subsampling")), QLatin1String("444"));
    EXPECT_TRUE(editor->IsModified());
    control<QCheckBox>("jobIMAGE_Opt_jpeg_progressive")->click();
    EXPECT_FALSE(project.Options.contains(QStringLiteral("jpeg.progressive")));

    chooseTarget(QStringLiteral("TIFF"));
    EXPECT_TRUE(control<QCheckBox>("jobIMAGE_Opt_tiff_cmyk")->isChecked());
    combo("jobIMAGE_Opt_tiff_compression")->setCurrentIndex(2);
    EXPECT_EQ(project.Options.value(QStringLiteral("tiff.compression")), QLatin1String("lzw"));

    box("jobIMAGE_UseAsItIs")->click();
    EXPECT_TRUE(edit("sJOBWidthEdit")->isEnabled());
    combo("jobIMAGE_SizeMode")->setCurrentIndex(1);
    EXPECT_EQ(project.Options.value(QStringLiteral("size")), QLatin1String("long:1920"));
    EXPECT_FALSE(edit("sJOBWidthEdit")->isEnabled());
    EXPECT_FALSE(control<QSpinBox>("jobIMAGE_SizeSecond")->isVisible());
    control<QSpinBox>("jobIMAGE_SizeFirst")->setValue(1600);
    EXPECT_EQ(project.Options.value(QStringLiteral("size")), QLatin1String("long:1600"));
    box("jobIMAGE_NoEnlarge")->click();
    EXPECT_EQ(project.Options.value(QStringLiteral("no-enlarge")), QLatin1String("true"));

    // Binding shows what the project holds; the rules come back with their edits.
    editor->Bind();
    EXPECT_EQ(combo("jobIMAGE_SizeMode")->currentIndex(), 1);
    EXPECT_EQ(control<QSpinBox>("jobIMAGE_SizeFirst")->value(), 1600);
    EXPECT_EQ(combo("jobIMAGE_Opt_tiff_compression")->currentData().toString(), QLatin1String("lzw"));
    combo("jobIMAGE_SizeMode")->setCurrentIndex(0);
    EXPECT_FALSE(project.Options.contains(QStringLiteral("size")));
    EXPECT_TRUE(edit("sJOBWidthEdit")->isEnabled());
}

TEST_F(JobEditorTest, PagesFitThePanelWidth)
{
    TMLang lang;
    lang.RegisterBuiltIn();
    ApplyLangTexts(lang, {window.get()});
    editor->Bind();
    box("jobIMAGE_UseAsItIs")->click();
    box("jobIMAGE_AsItIs2")->click();
    // The widest choices: the most encoder options and both numbers of a box.
    chooseTarget(QStringLiteral("TIFF"));
    combo("jobIMAGE_SizeMode")->setCurrentIndex(4);
    for (QWidget *page : {general, options, destination}) {
        tabs->setCurrentWidget(page);
        QCoreApplication::processEvents();
        EXPECT_LE(page->minimumSizeHint().width(), page->width()) << page->objectName().toStdString();
        for (QWidget *child : page->findChildren<QWidget *>()) {
            if (!child->isVisible() || child->objectName().isEmpty())
                continue;
            const QRect inPage(child->mapTo(page, QPoint(0, 0)), child->size());
            EXPECT_LE(inPage.right(), page->width()) << child->objectName().toStdString();
            EXPECT_GE(inPage.left(), 0) << child->objectName().toStdString();
        }
        const QString shot = qEnvironmentVariable("PICTAVO_EDITOR_SHOTS");
        if (!shot.isEmpty())
            page->grab().save(shot + QLatin1Char('/') + QStringLiteral("editor-") + page->objectName() + QStringLiteral(".png"));
    }
}

TEST_F(JobEditorTest, OutputSettingsGoIntoTheProjectAndTheNameShowsBeforeTheRun)
{
    editor->Bind();
    chooseTarget(QStringLiteral("JPEG"));
    EXPECT_FALSE(box("jobIMAGE_KeepFolders")->isEnabled()) << "beside the sources there is no tree to keep";
    box("jobIMAGE_UseDir")->click();
    box("jobIMAGE_KeepFolders")->click();
    box("jobIMAGE_LowerExt")->click();
    type(edit("jobIMAGE_NamePattern"), QStringLiteral("{n:3}_{base}"));
    EXPECT_EQ(control<QLabel>("jobL_NamePreview")->text(), QStringLiteral("For example: 001_IMG_0001.jpeg"));
    combo("jobIMAGE_Existing")->activated(1);
    combo("jobIMAGE_Metadata")->activated(1);
    EXPECT_TRUE(editor->IsModified());
    EXPECT_EQ(job().Options, (TJobOptions{{kKeepFoldersKey, QStringLiteral("1")},
                                          {kNameKey, QStringLiteral("{n:3}_{base}")},
                                          {kLowerExtKey, QStringLiteral("1")},
                                          {kExistingKey, QStringLiteral("skip")},
                                          {kMetadataKey, QStringLiteral("private")}}));

    type(edit("jobIMAGE_NamePattern"), QStringLiteral("{size}"));
    EXPECT_EQ(control<QLabel>("jobL_NamePreview")->text(),
              QStringLiteral("Unknown field in the name pattern: \"{size}\""));
    // Back at the defaults, the project holds none of its own settings.
    edit("jobIMAGE_NamePattern")->clear();
    box("jobIMAGE_KeepFolders")->click();
    box("jobIMAGE_LowerExt")->click();
    combo("jobIMAGE_Existing")->activated(0);
    combo("jobIMAGE_Metadata")->activated(0);
    EXPECT_TRUE(job().Options.isEmpty());
}

} // namespace
