#include "dialogs/unitDlgReport.h"

#include "dialogs/unitBrand.h"
#include "project/unitGeneral.h"
#include "project/unitPrompt.h"
#include "project/unitReport.h"
#include "project/unitSourcesModel.h"
#include "ui/unitToolButtons.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QShowEvent>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

TformReport::TformReport(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("formReport"));
    setWindowTitle(QStringLiteral("Report"));
    setFixedSize(424, 354);

    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("ToolBar1"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setIconSize(QSize(20, 20));
    m_save = AddToolButton(m_toolBar, "btnSave", ThemedIcon("document-save", QStyle::SP_DialogSaveButton, this));
    m_save->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_save->setToolTip(QStringLiteral("Save report"));
    m_save->setFocusPolicy(Qt::TabFocus);

    m_report = new QPlainTextEdit(this);
    m_report->setObjectName(QStringLiteral("memoReport"));
    m_report->setReadOnly(true);
    m_report->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_report->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Long folders and messages fold inside the box rather than hiding behind a scroll bar.
    m_report->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_report->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(8);
    m_report->setFont(fixed);
    // The box's own sheet wins over a skin's, so the report stays black on white in every skin.
    m_report->setStyleSheet(QStringLiteral("QPlainTextEdit#memoReport { background: white; color: black; }"));
    QPalette palette = m_report->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::black);
    m_report->setPalette(palette);

    m_loadLast = new QPushButton(QStringLiteral("Load last report"), this);
    m_loadLast->setObjectName(QStringLiteral("btnLoadLast"));
    m_current = new QPushButton(QStringLiteral("Current report"), this);
    m_current->setObjectName(QStringLiteral("btnCurrent"));
    // An icon button: the skins give push buttons a width that four would not fit in.
    m_openFolder = new QToolButton(this);
    m_openFolder->setIcon(ThemedIcon("folder-open", QStyle::SP_DirOpenIcon, this));
    m_openFolder->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_openFolder->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred); // as tall as Close
    m_openFolder->setObjectName(QStringLiteral("btnOpenFolder"));
    m_openFolder->setToolTip(QStringLiteral("Open the output folder"));
    m_openFolder->setAccessibleName(QStringLiteral("Open folder"));
    m_openFolder->setEnabled(false);
    m_close = new QPushButton(QStringLiteral("Close"), this);
    m_close->setObjectName(QStringLiteral("btnClose"));
    m_close->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    buttons->addWidget(m_loadLast);
    buttons->addWidget(m_current);
    buttons->addStretch(1);
    buttons->addWidget(m_openFolder);
    buttons->addWidget(m_close);

    auto *body = new QVBoxLayout;
    body->setContentsMargins(8, 6, 8, 8);
    body->setSpacing(8);
    body->addWidget(m_report, 1);
    body->addLayout(buttons);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addLayout(body, 1);

    connect(m_save, &QToolButton::clicked, this, &TformReport::SaveReport);
    connect(m_loadLast, &QPushButton::clicked, this, &TformReport::LoadLastReport);
    connect(m_current, &QPushButton::clicked, this, &TformReport::ShowCurrentReport);
    connect(m_openFolder, &QToolButton::clicked, this, &TformReport::OpenOutputFolder);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
}

void TformReport::SetSources(const TSourcesModel *sources)
{
    m_sources = sources;
}

void TformReport::showLines(const QStringList &lines)
{
    // What the box shows and what gets written are the same lines, also when a file name
    // carries a line break of its own.
    m_lines = lines.join(QLatin1Char('\n')).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    if (lines.isEmpty())
        m_lines.clear();
    m_report->setPlainText(m_lines.join(QLatin1Char('\n')));
}

void TformReport::ShowCurrentReport()
{
    const QList<TReportRow> rows = m_sources ? m_sources->ReportRows() : QList<TReportRow>();
    showLines(ComposeReport(ConversionSummary, rows));
    m_openFolder->setEnabled(!OutputFolder().isEmpty());
}

QString TformReport::OutputFolder() const
{
    const QString &folder = ConversionSummary.OutDirectory;
    if (folder != OwnFoldersText())
        return folder;
    if (!m_sources)
        return {};
    for (int row = 0; row < m_sources->Count(); ++row) {
        if (m_sources->Row(row).Status == 2)
            return QDir::cleanPath(m_sources->Row(row).Folder);
    }
    return {};
}

void TformReport::OpenOutputFolder()
{
    const QString folder = OutputFolder();
    if (folder.isEmpty())
        return;
    const QFileInfo info(folder);
    if (!info.isDir()) {
        Prompt().warning(QStringLiteral("The folder \"%1\" does not exist.").arg(info.absoluteFilePath()));
        return;
    }
    if (!OpenUrl(QUrl::fromLocalFile(info.absoluteFilePath())))
        Prompt().warning(QStringLiteral("No file manager could open the folder \"%1\".").arg(info.absoluteFilePath()));
}

void TformReport::LoadLastReport()
{
    const QString path = LastReportPath();
    if (!QFileInfo(path).isFile()) {
        Prompt().warning(QStringLiteral("Last report not found"));
        return;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Prompt().error(QStringLiteral("Cannot read the report \"%1\". %2")
                           .arg(QFileInfo(path).absoluteFilePath(), file.errorString()));
        return;
    }
    file.close();
    showLines(ReadReportFile(path));
}

void TformReport::SaveReport()
{
    // What showed when the button was pressed: the box composes again when the dialog
    // hands the activation back.
    const QStringList lines = m_lines;
    const QString typed = Prompt().saveFileName(QStringLiteral("Save report"),
                                                QDir(DefaultOutputFolder()).filePath(QStringLiteral("Report.txt")),
                                                QStringLiteral("TXT|*.txt"));
    if (typed.isEmpty())
        return;
    const QString path = ReportFilePath(typed);
    // The dialog asked about the name as typed; the file written has ".txt" added to it.
    if (path != typed && QFileInfo::exists(path)
        && Prompt().question(QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                 .arg(QFileInfo(path).absoluteFilePath()))
               != TAnswer::Yes)
        return;
    try {
        WriteReportFile(path, lines);
    } catch (const TError &error) {
        Prompt().error(error.text());
    }
}

void TformReport::done(int result)
{
    // A hidden window has no report on show: closing it again keeps the file as it is.
    if (isVisible()) {
        ShowCurrentReport();
        // The folder is made at start-up; one removed since then is made again.
        QDir().mkpath(DefaultOutputFolder());
        try {
            WriteReportFile(LastReportPath(), m_lines);
        } catch (const TError &error) {
            Prompt().error(error.text());
        }
    }
    QDialog::done(result);
}

void TformReport::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    CentreOnScreen(this);
    ShowCurrentReport();
    m_close->setFocus();
}

void TformReport::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ShowCurrentReport();
}
