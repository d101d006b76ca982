#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QSpinBox;
class QToolButton;
class QWidget;
class TCnvJob;
class TMLang;
class TEncoderPanel;

// Where the image library may keep its scratch files: the system temporary folder as it
// was when first asked, then the root of every other mounted local writable volume.
struct TScratchFolder
{
    QString Folder;
    qint64 FreeBytes = 0;
};

// The controls of the project panel: they show the current project and write every
// change into it at once. The pages belong to the main window; the controls are built
// into them and reached by their object names, as the language texts reach them.
// A page's controls are made when the page is first shown, or when EnsurePages asks;
// until then the project alone holds what they would show.
class TJobEditor : public QObject
{
    Q_OBJECT

public:
    TJobEditor(QWidget *generalPage, QWidget *imageOptionsPage, QWidget *destinationPage,
               QObject *parent = nullptr);
    ~TJobEditor() override;

    // Makes the controls of every page not made yet; they show the current project.
    void EnsurePages();

    // Texts the editor fills in itself (unknown time stamps, units, group titles) come
    // from this language; without one, from the built-in catalogue.
    void SetLanguage(const TMLang *lang);

    // Copies the whole current project into the controls and clears the modified flag.
    void Bind();

    bool IsModified() const { return m_modified; }
    void SetModified(bool modified);
    // Set once the save command has written the file, cleared when it starts.
    bool IsSaved() const { return m_saved; }
    // The file that holds the project as it is now: the one last saved or opened, unless
    // a control changed the project since. Empty otherwise.
    QString UpToDateProjectFile() const { return m_fileUpToDate ? m_projectFile : QString(); }

    // The three buttons of the General page run these; without them, the commands below.
    void SetProjectCommands(QAction *newJob, QAction *openJob, QAction *saveJob);
    // The sources' clear command, run after a project is created or opened.
    void SetClearSources(std::function<bool()> clear);

    void NewProject();
    bool OpenProject();
    bool SaveProject();

    // Enables the size edits that fit the orientation settings.
    void SyncRange();
    // Shows the name the first source would get, or what is wrong with the pattern; the
    // window calls it when the sources change too.
    void RefreshNamePreview();

signals:
    // At the end of each binding, for the parts of the panel the editor does not own.
    void bound();
    void titleChanged(const QString &name);
    void modifiedChanged(bool modified);
    // A control changed the project.
    void edited();
    // A page's controls were just made; the texts of the language in use belong on them
    // before they show the project.
    void pageBuilt(QWidget *page);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum TPage { GeneralPage, ImageOptionsPage, DestinationPage, PageCount };

    void ensurePage(int page);
    void buildGeneralPage(QWidget *page);
    void buildImageOptionsPage(QWidget *page);
    void buildDestinationPage(QWidget *page);
    void bindPage(int page, TCnvJob &current);
    void bindGeneralPage(TCnvJob &current);
    void bindImageOptionsPage(TCnvJob &current);
    void bindDestinationPage(TCnvJob &current);
    // What binding settles in the project itself, page or no page: values the controls
    // could not show, the lock rule and the scratch folder.
    void settleProject(TCnvJob &current);
    // Makes `folder` the project's scratch folder and the library's; false when the
    // environment refused it and the project has none.
    bool useScratchFolder(TCnvJob &current, const QString &folder);
    void applyCommandIcons();
    QString text(const char *key) const;
    TCnvJob *job() const;
    void touch();

    void refillPresets(int unit);
    void setEditText(QLineEdit *edit, const QString &value);
    void updateTargetControls(bool fromBind);

    void nameChanged();
    void authorChanged();
    void commentChanged();
    void addAlsoConvert();
    void removeAlsoConvert();
    void showAlsoConvert();
    void targetChanged();
    void multiPagesClicked();
    void qualityChanged(int value);
    void useDirClicked();
    void dirChanged();
    void browseDir();
    void driveChanged();
    void renameClicked();
    void counterClicked();
    void counterStartChanged(int value);
    void sizeAsIsClicked();
    // The size controls enabled as the size check box and the size mode say.
    void enableSizeControls();
    void syncSizeMode();
    void bindSizeMode();
    void sizeModeChanged();
    void noEnlargeClicked();
    void encoderOptionChanged(const QString &name, const QString &value);
    void orientAsIsClicked();
    void orientationClicked();
    void rotateClicked();
    void measureChanged();
    void presetChanged();
    void widthChanged();
    void heightChanged();
    void portraitWidthChanged();
    void portraitHeightChanged();
    void lockWidthClicked();
    void lockHeightClicked();
    void runCommand(QAction *action, const std::function<void()> &command);
    // The project's own settings: a key set, or removed at its default.
    void setOption(const QString &key, const QString &value, const QString &defaultValue);
    void setFlag(const QString &key, bool on);
    void bindOutputRules(const TCnvJob &current);
    // Where the project dialogs start: the folder of the project last opened or saved,
    // else the user's home.
    QString projectFolder() const;

    const TMLang *m_lang = nullptr;
    QWidget *m_pages[PageCount] = {};
    bool m_built[PageCount] = {};
    // While binding, the handlers the controls run only repeat what the project holds.
    bool m_binding = false;
    // The scratch folders offered at the last binding and the one the project uses.
    QList<TScratchFolder> m_scratchFolders;
    int m_scratchIndex = -1;
    bool m_modified = false;
    bool m_saved = false;
    QString m_projectFile;
    bool m_fileUpToDate = false;
    QString m_projectFolder;
    std::function<bool()> m_clearSources;
    QAction *m_newAction = nullptr;
    QAction *m_openAction = nullptr;
    QAction *m_saveAction = nullptr;

    // General page.
    QToolButton *m_newButton = nullptr;
    QToolButton *m_openButton = nullptr;
    QToolButton *m_saveButton = nullptr;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_author = nullptr;
    QLabel *m_created = nullptr;
    QLabel *m_modifiedStamp = nullptr;
    QLabel *m_opened = nullptr;
    QPlainTextEdit *m_comment = nullptr;
    QLabel *m_alsoLabel = nullptr;
    QListWidget *m_also = nullptr;
    QToolButton *m_alsoAdd = nullptr;
    QToolButton *m_alsoRemove = nullptr;

    // Image options page.
    QGroupBox *m_targetGroup = nullptr;
    QComboBox *m_target = nullptr;
    QLabel *m_qualityLabel = nullptr;
    QSpinBox *m_quality = nullptr;
    QCheckBox *m_multiPages = nullptr;
    QGroupBox *m_orientGroup = nullptr;
    QCheckBox *m_orientAsIs = nullptr;
    QWidget *m_orientation = nullptr;
    QButtonGroup *m_orientationButtons = nullptr;
    QToolButton *m_portraitPicture = nullptr;
    QToolButton *m_landscapePicture = nullptr;
    QCheckBox *m_rotate = nullptr;
    QGroupBox *m_sizeGroup = nullptr;
    QCheckBox *m_sizeAsIs = nullptr;
    QLabel *m_measureLabel = nullptr;
    QComboBox *m_measure = nullptr;
    QLabel *m_presetLabel = nullptr;
    QComboBox *m_preset = nullptr;
    QLabel *m_heightColumn = nullptr;
    QLabel *m_widthColumn = nullptr;
    QLabel *m_landscapeRow = nullptr;
    QLabel *m_portraitRow = nullptr;
    QLineEdit *m_width = nullptr;
    QLineEdit *m_height = nullptr;
    QLineEdit *m_portraitHeight = nullptr;
    QLineEdit *m_portraitWidth = nullptr;
    QCheckBox *m_lockHeight = nullptr;
    QCheckBox *m_lockWidth = nullptr;
    QCheckBox *m_ratio = nullptr;
    QLabel *m_sizeModeLabel = nullptr;
    QComboBox *m_sizeMode = nullptr;
    QSpinBox *m_sizeFirst = nullptr;
    QLabel *m_sizeBy = nullptr;
    QSpinBox *m_sizeSecond = nullptr;
    QCheckBox *m_noEnlarge = nullptr;
    TEncoderPanel *m_encoder = nullptr;

    // Destination page.
    QCheckBox *m_useDir = nullptr;
    QLineEdit *m_dir = nullptr;
    QToolButton *m_browseDir = nullptr;
    QGroupBox *m_rename = nullptr;
    QButtonGroup *m_renameButtons = nullptr;
    QCheckBox *m_counter = nullptr;
    QSpinBox *m_counterStart = nullptr;
    QLabel *m_driveLabel = nullptr;
    QComboBox *m_drive = nullptr;
    QCheckBox *m_keepFolders = nullptr;
    QLineEdit *m_namePattern = nullptr;
    QLabel *m_namePreview = nullptr;
    QComboBox *m_existing = nullptr;
    QComboBox *m_metadata = nullptr;
    QCheckBox *m_lowerExt = nullptr;
    QCheckBox *m_keepDates = nullptr;
};

QList<TScratchFolder> ScratchFolders();
// "FOLDER   (FREE BYTES free)", the free bytes with the system's thousands separators.
QString ScratchFolderItem(const TScratchFolder &folder);
// The folder an item of the scratch list names, or the whole text when it was typed.
QString ScratchFolderOfItem(const QString &item);
