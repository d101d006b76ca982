// The display filter page driving a real folder tree and file list over a sandbox folder
// of real images and other files.

#include "app/unitFilterPanel.h"
#include "i18n/unitApplyLang.h"
#include "i18n/unitMultiLang.h"
#include "project/unitJob.h"
#include "support/TestImages.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QListWidget>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

namespace {

QString Names(const QStringList &names)
{
    return names.join(QLatin1Char(' '));
}

class FilterPanel : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sandbox.isValid());
        root = sandbox.path();
        QDir(root).mkpath(QStringLiteral("sub"));
        QDir(root).mkpath(QStringLiteral(".secret/inner"));
        const QByteArray jpeg = MakeImageBytes(QStringLiteral("xc:red"), 8, 6, QStringLiteral("JPEG"));
        const QByteArray png = MakeImageBytes(QStringLiteral("xc:blue"), 8, 6, QStringLiteral("PNG"));
        WriteFileBytes(path("photo.jpeg"), jpeg);
        WriteFileBytes(path("PHOTO2.JPEG"), jpeg);
        WriteFileBytes(path("shot.jpg"), jpeg);
        WriteFileBytes(path("pic.png"), png);
        WriteFileBytes(path(".hidden.png"), png);
        WriteFileBytes(path("notes.doc"), QByteArray("not an image\n"));
        WriteFileBytes(path("README"), QByteArray("no extension\n"));

        ListCnvJob().Clear();
        ListCnvJob().SetCurrent(ListCnvJob().Add(QStringLiteral("Untitled")));

        page = std::make_unique<QWidget>();
        page->resize(348, 420);
        list = std::make_unique<TFileList>();
        list->resize(500, 400);
        tree = std::make_unique<TFolderTree>();
        tree->resize(250, 400);
        tree->LinkFileList(list.get());
        ASSERT_TRUE(list->Browse(root));
        panel = std::make_unique<TFilterPanel>(page.get(), list.get(), tree.get());
        page->show();
        list->show();
        tree->show();
        // What binding the first project does.
        panel->ShowProjectFormats();
    }

    void TearDown() override
    {
        panel.reset();
        ListCnvJob().Clear();
    }

    QString path(const char *name) const { return root + QLatin1Char('/') + QString::fromLatin1(name); }

    template <typename T>
    T *control(const char *name) const
    {
        T *found = page->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QCheckBox *hiddenBox() const { return control<QCheckBox>("sFilterShowHiden"); }
    QCheckBox *customBox() const { return control<QCheckBox>("sFilterShowCustom"); }
    QListWidget *checkList() const { return control<QListWidget>("jobIMAGE_ListCustomExt"); }

    // A click on the box's indicator, where the user clicks.
    static void click(QCheckBox *box)
    {
        QStyleOptionButton option;
        option.initFrom(box);
        const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, indicator.center());
    }

    QStringList listed() const
    {
        QStringList names;
        for (int row = 0; row < list->VisibleCount(); ++row)
            names.append(list->Item(row).Name);
        names.sort();
        return names;
    }

    QStringList treeChildren(const QString &folder) const
    {
        QFileSystemModel *model = tree->FileSystemModel();
        const QModelIndex index = model->index(folder);
        if (model->canFetchMore(index))
            model->fetchMore(index);
        QStringList names;
        for (int row = 0; row < model->rowCount(index); ++row)
            names.append(model->index(row, 0, index).data().toString());
        names.sort();
        return names;
    }

    QListWidgetItem *item(const QString &code) const
    {
        const QList<QListWidgetItem *> found = checkList()->findItems(code, Qt::MatchExactly);
        EXPECT_EQ(found.size(), 1) << code.toStdString();
        return found.value(0);
    }

    // Space on the current item, as the user toggles it from the keyboard.
    void toggle(const QString &code)
    {
        QListWidgetItem *target = item(code);
        ASSERT_NE(target, nullptr);
        checkList()->setCurrentItem(target);
        QTest::keyClick(checkList(), Qt::Key_Space);
    }

    const TExtCell &cell(const QString &code) const
    {
        const int position = FindExt(code, CurrentJob()->SourceExts);
        EXPECT_GE(position, 0) << code.toStdString();
        return CurrentJob()->SourceExts.at(position);
    }

    QStringList everyCheckedMask() const
    {
        QStringList masks;
        for (const TExtCell &each : CurrentJob()->SourceExts) {
            if (each.Enabled == 1)
                masks.append(QStringLiteral("*.") + each.Ext);
        }
        return masks;
    }

    QTemporaryDir sandbox;
    QString root;
    std::unique_ptr<QWidget> page;
    std::unique_ptr<TFileList> list;
    std::unique_ptr<TFolderTree> tree;
    std::unique_ptr<TFilterPanel> panel;
};

const QStringList ProjectFormatsShown{QStringLiteral("PHOTO2.JPEG"), QStringLiteral("photo.jpeg"),
                                      QStringLiteral("pic.png"), QStringLiteral("shot.jpg"),
                                      QStringLiteral("sub")};

TEST_F(FilterPanel, BindingFillsTheCheckListAndShowsOnlyTheProjectsFormatsWithoutHiddenItems)
{
    const TExtList &formats = CurrentJob()->SourceExts;
    ASSERT_EQ(checkList()->count(), formats.size());
    for (int row = 0; row < formats.size(); ++row) {
        EXPECT_EQ(checkList()->item(row)->text(), formats.at(row).Ext);
        EXPECT_EQ(checkList()->item(row)->checkState(), Qt::Checked);
    }
    EXPECT_TRUE(customBox()->isChecked());
    EXPECT_FALSE(hiddenBox()->isChecked());
    EXPECT_TRUE(panel->ShowCustom());
    EXPECT_FALSE(panel->ShowAll());
    EXPECT_FALSE(panel->ShowHidden());
    EXPECT_EQ(list->ObjectFilter(), TObjectFilterFlag::Folders | TObjectFilterFlag::NonFolders);
    EXPECT_EQ(listed(), ProjectFormatsShown) << Names(listed()).toStdString();
    EXPECT_EQ(panel->GatherMasks(), everyCheckedMask());
    for (const char *name : {"jobIMAGE_ListCustomExt", "sSpeedButton6", "sSpeedButton7", "sLabel3", "sLabel4"})
        EXPECT_TRUE(control<QWidget>(name)->isEnabled()) << name;
}

TEST_F(FilterPanel, UncheckingShowCustomShowsEveryFileAndDisablesTheCheckList)
{
    QSignalSpy relisted(panel.get(), &TFilterPanel::relisted);
    QSignalSpy modified(panel.get(), &TFilterPanel::modified);
    click(customBox());
    EXPECT_FALSE(customBox()->isChecked());
    EXPECT_FALSE(panel->ShowCustom());
    EXPECT_TRUE(panel->ShowAll());
    EXPECT_EQ(listed(), QStringList({QStringLiteral("PHOTO2.JPEG"), QStringLiteral("README"),
                                     QStringLiteral("notes.doc"), QStringLiteral("photo.jpeg"),
                                     QStringLiteral("pic.png"), QStringLiteral("shot.jpg"),
                                     QStringLiteral("sub")}))
        << Names(listed()).toStdString();
    EXPECT_EQ(panel->GatherMasks(), QStringList{QStringLiteral("*.*")});
    for (const char *name : {"jobIMAGE_ListCustomExt", "sSpeedButton6", "sSpeedButton7", "sLabel3", "sLabel4"})
        EXPECT_FALSE(control<QWidget>(name)->isEnabled()) << name;
    EXPECT_EQ(relisted.count(), 1);
    EXPECT_EQ(modified.count(), 0);

    // A disabled button does nothing to the project.
    QTest::mouseClick(control<QToolButton>("sSpeedButton6"), Qt::LeftButton);
    EXPECT_EQ(cell(QStringLiteral("PNG")).Enabled, 1);
    EXPECT_EQ(modified.count(), 0);

    // Binding a project turns the custom filter on again.
    panel->ShowProjectFormats();
    EXPECT_TRUE(customBox()->isChecked());
    EXPECT_TRUE(panel->ShowCustom());
    EXPECT_FALSE(panel->ShowAll());
    EXPECT_EQ(listed(), ProjectFormatsShown) << Names(listed()).toStdString();
    EXPECT_TRUE(checkList()->isEnabled());
}

TEST_F(FilterPanel, UncheckAllLeavesFoldersOnlyAndWantsNothingAndCheckAllBringsEveryFormatBack)
{
    QSignalSpy modified(panel.get(), &TFilterPanel::modified);
    QSignalSpy relisted(panel.get(), &TFilterPanel::relisted);
    QTest::mouseClick(control<QToolButton>("sSpeedButton6"), Qt::LeftButton);
    EXPECT_EQ(modified.count(), 1);
    EXPECT_EQ(relisted.count(), 1);
    for (const TExtCell &each : CurrentJob()->SourceExts)
        EXPECT_EQ(each.Enabled, 0) << each.Ext.toStdString();
    for (int row = 0; row < checkList()->count(); ++row)
        EXPECT_EQ(checkList()->item(row)->checkState(), Qt::Unchecked);
    EXPECT_EQ(listed(), QStringList{QStringLiteral("sub")}) << Names(listed()).toStdString();
    EXPECT_TRUE(panel->GatherMasks().isEmpty());
    EXPECT_TRUE(panel->ShowCustom());

    // The label does what its button does.
    QTest::mouseClick(control<QLabel>("sLabel4"), Qt::LeftButton);
    EXPECT_EQ(modified.count(), 2);
    for (const TExtCell &each : CurrentJob()->SourceExts)
        EXPECT_EQ(each.Enabled, 1) << each.Ext.toStdString();
    for (int row = 0; row < checkList()->count(); ++row)
        EXPECT_EQ(checkList()->item(row)->checkState(), Qt::Checked);
    EXPECT_EQ(listed(), ProjectFormatsShown) << Names(listed()).toStdString();
    EXPECT_EQ(panel->GatherMasks().size(), CurrentJob()->SourceExts.size());
    EXPECT_EQ(panel->GatherMasks(), everyCheckedMask());

    QTest::mouseClick(control<QLabel>("sLabel3"), Qt::LeftButton);
    EXPECT_EQ(cell(QStringLiteral("JPEG")).Enabled, 0);
    QTest::mouseClick(control<QToolButton>("sSpeedButton7"), Qt::LeftButton);
    EXPECT_EQ(cell(QStringLiteral("JPEG")).Enabled, 1);
    EXPECT_EQ(modified.count(), 4);
}

TEST_F(FilterPanel, TogglingAnItemWritesTheProjectAndShowsOrHidesFilesOfThatFormat)
{
    QSignalSpy modified(panel.get(), &TFilterPanel::modified);
    QSignalSpy relisted(panel.get(), &TFilterPanel::relisted);
    toggle(QStringLiteral("PNG"));
    EXPECT_EQ(item(QStringLiteral("PNG"))->checkState(), Qt::Unchecked);
    EXPECT_EQ(cell(QStringLiteral("PNG")).Enabled, 0);
    EXPECT_EQ(modified.count(), 1);
    EXPECT_EQ(relisted.count(), 1);
    EXPECT_FALSE(listed().contains(QStringLiteral("pic.png"))) << Names(listed()).toStdString();
    EXPECT_FALSE(panel->GatherMasks().contains(QStringLiteral("*.PNG")));
    EXPECT_EQ(panel->GatherMasks(), everyCheckedMask());

    // Either letter case of the extension counts; JPG is a format of its own.
    toggle(QStringLiteral("JPG"));
    EXPECT_EQ(cell(QStringLiteral("JPG")).Enabled, 0);
    EXPECT_EQ(listed(), QStringList({QStringLiteral("PHOTO2.JPEG"), QStringLiteral("photo.jpeg"),
                                     QStringLiteral("sub")}))
        << Names(listed()).toStdString();

    toggle(QStringLiteral("PNG"));
    EXPECT_EQ(cell(QStringLiteral("PNG")).Enabled, 1);
    EXPECT_TRUE(listed().contains(QStringLiteral("pic.png"))) << Names(listed()).toStdString();
    EXPECT_EQ(modified.count(), 3);
    EXPECT_EQ(relisted.count(), 3);
    EXPECT_EQ(panel->GatherMasks(), everyCheckedMask());
}

TEST_F(FilterPanel, ShowHiddenReachesTheTreeAndTheListWhateverTheCustomState)
{
    EXPECT_TRUE(QTest::qWaitFor([&] { return treeChildren(root) == QStringList{QStringLiteral("sub")}; }, 5000))
        << Names(treeChildren(root)).toStdString();
    click(hiddenBox());
    EXPECT_TRUE(panel->ShowHidden());
    EXPECT_TRUE(tree->ObjectFilter().testFlag(TObjectFilterFlag::Hidden));
    EXPECT_TRUE(list->ObjectFilter().testFlag(TObjectFilterFlag::Hidden));
    EXPECT_EQ(listed(), QStringList({QStringLiteral(".hidden.png"), QStringLiteral(".secret"),
                                     QStringLiteral("PHOTO2.JPEG"), QStringLiteral("photo.jpeg"),
                                     QStringLiteral("pic.png"), QStringLiteral("shot.jpg"),
                                     QStringLiteral("sub")}))
        << Names(listed()).toStdString();
    const QStringList withHidden{QStringLiteral(".secret"), QStringLiteral("sub")};
    EXPECT_TRUE(QTest::qWaitFor([&] { return treeChildren(root) == withHidden; }, 5000))
        << Names(treeChildren(root)).toStdString();

    // The custom box sets the list's filter afresh and keeps the hidden items.
    click(customBox());
    EXPECT_TRUE(list->ObjectFilter().testFlag(TObjectFilterFlag::Hidden));
    EXPECT_TRUE(listed().contains(QStringLiteral(".hidden.png")));
    EXPECT_TRUE(listed().contains(QStringLiteral("README")));
    click(customBox());
    EXPECT_TRUE(list->ObjectFilter().testFlag(TObjectFilterFlag::Hidden));
    EXPECT_TRUE(listed().contains(QStringLiteral(".secret")));
    EXPECT_TRUE(tree->ObjectFilter().testFlag(TObjectFilterFlag::Hidden));

    click(hiddenBox());
    EXPECT_FALSE(panel->ShowHidden());
    EXPECT_FALSE(tree->ObjectFilter().testFlag(TObjectFilterFlag::Hidden));
    EXPECT_EQ(list->ObjectFilter(), TObjectFilterFlag::Folders | TObjectFilterFlag::NonFolders);
    EXPECT_EQ(listed(), ProjectFormatsShown) << Names(listed()).toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return treeChildren(root) == QStringList{QStringLiteral("sub")}; }, 5000))
        << Names(treeChildren(root)).toStdString();

    // With every file shown, hidden ones come and go the same way.
    click(customBox());
    EXPECT_FALSE(listed().contains(QStringLiteral(".hidden.png")));
    click(hiddenBox());
    EXPECT_TRUE(listed().contains(QStringLiteral(".hidden.png")));
    EXPECT_TRUE(listed().contains(QStringLiteral("README")));
}

TEST_F(FilterPanel, AFilterStepStartedInsideAnotherDoesNothing)
{
    bool fired = false;
    const QMetaObject::Connection inner = QObject::connect(panel.get(), &TFilterPanel::relisted, [&] {
        if (fired)
            return;
        fired = true;
        hiddenBox()->setChecked(true);
    });
    click(customBox());
    QObject::disconnect(inner);
    ASSERT_TRUE(fired);
    EXPECT_FALSE(panel->ShowCustom());
    EXPECT_TRUE(hiddenBox()->isChecked());
    EXPECT_FALSE(panel->ShowHidden());
    EXPECT_FALSE(tree->ObjectFilter().testFlag(TObjectFilterFlag::Hidden));
    EXPECT_FALSE(list->ObjectFilter().testFlag(TObjectFilterFlag::Hidden));
    EXPECT_FALSE(listed().contains(QStringLiteral(".hidden.png")));

    // Once the step is over the boxes work again.
    click(hiddenBox());
    click(hiddenBox());
    EXPECT_TRUE(panel->ShowHidden());
    EXPECT_TRUE(listed().contains(QStringLiteral(".hidden.png")));
}

TEST_F(FilterPanel, TheListStaysInItsFolderAcrossFilterSteps)
{
    ASSERT_TRUE(list->Browse(path("sub")));
    click(customBox());
    EXPECT_EQ(list->CurrentFolder(), path("sub"));
    click(hiddenBox());
    EXPECT_EQ(list->CurrentFolder(), path("sub"));

    // A hidden folder the tree stops showing keeps the list where it is.
    const QString inner = path(".secret/inner");
    ASSERT_TRUE(list->Browse(inner));
    EXPECT_TRUE(QTest::qWaitFor([&] { return tree->CurrentFolder() == inner; }, 5000))
        << tree->CurrentFolder().toStdString();
    click(hiddenBox());
    EXPECT_FALSE(panel->ShowHidden());
    QTest::qWait(300);
    EXPECT_EQ(list->CurrentFolder(), inner);
    click(customBox());
    QTest::qWait(100);
    EXPECT_EQ(list->CurrentFolder(), inner);

    // A folder that went away meanwhile: the step still runs and nothing breaks.
    ASSERT_TRUE(list->Browse(path("sub")));
    ASSERT_TRUE(QDir(path("sub")).removeRecursively());
    click(customBox());
    EXPECT_FALSE(panel->ShowCustom());
}

TEST_F(FilterPanel, BindingAnotherProjectFollowsItsFormatsEvenWithTheCustomFilterOn)
{
    const int second = ListCnvJob().Add(QStringLiteral("Second"));
    TCnvJob *project = ListCnvJob().At(second);
    for (TExtCell &each : project->SourceExts)
        each.Enabled = each.Ext == QLatin1String("PNG") ? 1 : 0;
    ListCnvJob().SetCurrent(second);
    ASSERT_TRUE(customBox()->isChecked());

    QSignalSpy modified(panel.get(), &TFilterPanel::modified);
    QSignalSpy relisted(panel.get(), &TFilterPanel::relisted);
    panel->ShowProjectFormats();
    EXPECT_EQ(modified.count(), 0);
    EXPECT_GE(relisted.count(), 1);
    EXPECT_EQ(listed(), QStringList({QStringLiteral("pic.png"), QStringLiteral("sub")}))
        << Names(listed()).toStdString();
    EXPECT_EQ(panel->GatherMasks(), QStringList{QStringLiteral("*.PNG")});
    ASSERT_EQ(checkList()->count(), project->SourceExts.size());
    for (int row = 0; row < checkList()->count(); ++row)
        EXPECT_EQ(checkList()->item(row)->checkState() == Qt::Checked, project->SourceExts.at(row).Enabled == 1);

    // New files of a format are found by the next re-list.
    WriteFileBytes(path("later.PNG"), MakeImageBytes(QStringLiteral("xc:green"), 4, 4, QStringLiteral("PNG")));
    panel->Relist();
    EXPECT_TRUE(listed().contains(QStringLiteral("later.PNG")));
}

// An install tree with the shipped German module in ../lang, the current directory in bin/
// while it lives, and a language manager that found the module there.
class TGermanInstall
{
public:
    TGermanInstall() : m_previous(QDir::currentPath())
    {
        EXPECT_TRUE(m_root.isValid());
        QDir(m_root.path()).mkpath(QStringLiteral("bin"));
        QDir(m_root.path()).mkpath(QStringLiteral("lang"));
        EXPECT_TRUE(QFile::copy(QStringLiteral(PICTAVO_SHIPPED_LANG_DIR "/de.so"), m_root.filePath(QStringLiteral("lang/de.so"))));
        EXPECT_TRUE(QDir::setCurrent(m_root.filePath(QStringLiteral("bin"))));
        m_lang = std::make_unique<TMLang>();
        m_lang->RegisterBuiltIn();
    }
    ~TGermanInstall()
    {
        m_lang.reset();
        QDir::setCurrent(m_previous);
    }
    TMLang &lang() { return *m_lang; }

private:
    QTemporaryDir m_root;
    QString m_previous;
    std::unique_ptr<TMLang> m_lang;
};

TEST_F(FilterPanel, LanguageTextsReachTheBoxesAndTheLabels)
{
    TGermanInstall install;
    TMLang &lang = install.lang();
    ASSERT_GE(lang.SelectLanguage(QStringLiteral("Deutsch (DE)")), 0);
    ApplyLangTexts(lang, {page.get()});
    EXPECT_EQ(hiddenBox()->text(), QStringLiteral(" Versteckte Dateien und Ordner anzeigen"));
    EXPECT_EQ(customBox()->text(), lang.GetText("FILTER_SHOWCUSTOM"));
    EXPECT_EQ(control<QLabel>("sLabel3")->text(), QStringLiteral(" Alle Markierungen aufheben"));
    EXPECT_EQ(control<QLabel>("sLabel4")->text(), QStringLiteral(" Alle markieren"));

    ASSERT_GE(lang.SelectLanguage(TMLang::BuiltInName()), 0);
    ApplyLangTexts(lang, {page.get()});
    EXPECT_EQ(hiddenBox()->text(), QStringLiteral(" Show hidden files and folders"));
    EXPECT_EQ(customBox()->text(), QStringLiteral(" Show custom files"));
    EXPECT_EQ(control<QLabel>("sLabel3")->text(), QStringLiteral(" Uncheck all"));
    EXPECT_EQ(control<QLabel>("sLabel4")->text(), QStringLiteral(" Check all"));
}

TEST_F(FilterPanel, ThePageFitsThePanelWidthInEveryLanguage)
{
    page->setFixedWidth(348);
    TGermanInstall install;
    const QString shot = qEnvironmentVariable("PICTAVO_FILTER_SCREENSHOT");
    for (const QString &language : {TMLang::BuiltInName(), QStringLiteral("Deutsch (DE)")}) {
        SCOPED_TRACE(language.toStdString());
        ASSERT_GE(install.lang().SelectLanguage(language), 0);
        ApplyLangTexts(install.lang(), {page.get()});
        panel->ShowProjectFormats();
        QTest::qWait(50);
        for (const char *name : {"sFilterShowHiden", "sFilterShowCustom", "jobIMAGE_ListCustomExt",
                                 "sSpeedButton6", "sSpeedButton7", "sLabel3", "sLabel4"}) {
            const QWidget *widget = control<QWidget>(name);
            EXPECT_TRUE(widget->isVisible()) << name;
            EXPECT_TRUE(page->rect().contains(widget->geometry())) << name;
        }
        EXPECT_LE(page->minimumSizeHint().width(), 348);
        for (const char *name : {"sLabel3", "sLabel4"}) {
            const QLabel *label = control<QLabel>(name);
            EXPECT_LE(label->heightForWidth(label->width()), label->height()) << name;
        }
        for (const char *name : {"sFilterShowHiden", "sFilterShowCustom"}) {
            const QCheckBox *box = control<QCheckBox>(name);
            EXPECT_LE(box->sizeHint().width(), box->width()) << name;
        }

        // The codes stand in several columns, none cut short, none beyond the right edge.
        QListWidget *codes = checkList();
        const QRect first = codes->visualItemRect(codes->item(0));
        EXPECT_EQ(first.top(), codes->visualItemRect(codes->item(1)).top());
        EXPECT_GT(codes->viewport()->width() / first.width(), 3);
        const QFontMetrics metrics(codes->font());
        const int indicator = codes->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, codes);
        for (int row = 0; row < codes->count(); ++row) {
            const QRect cell = codes->visualItemRect(codes->item(row));
            EXPECT_LE(cell.right(), codes->viewport()->width()) << row;
            EXPECT_GT(cell.width(), indicator + metrics.horizontalAdvance(codes->item(row)->text()))
                << codes->item(row)->text().toStdString();
        }
        if (!shot.isEmpty())
            page->grab().save(language == TMLang::BuiltInName() ? shot : QString(shot).replace(QStringLiteral(".png"), QStringLiteral("-de.png")));
    }
}

TEST_F(FilterPanel, TheFileListOutlivesThePanel)
{
    ASSERT_FALSE(listed().contains(QStringLiteral("README")));
    panel.reset();
    list->Relist();
    EXPECT_TRUE(listed().contains(QStringLiteral("README"))) << Names(listed()).toStdString();
}

} // namespace
