#pragma once

#include <QDialog>
#include <QPointer>
#include <QStringList>

class QPlainTextEdit;
class QPushButton;
class QToolBar;
class QToolButton;
class TSourcesModel;

// The report of the latest conversion run, shown modally after the run. It is composed
// from ConversionSummary and the sources rows whenever the window becomes active, and
// kept as LastReport.txt in the default output folder whenever the window closes.
class TformReport : public QDialog
{
    Q_OBJECT

public:
    explicit TformReport(QWidget *parent = nullptr);

    // The rows the report lists, in the order the view shows them; not owned. Null, or a
    // model that has gone, means no rows.
    void SetSources(const TSourcesModel *sources);

    QPlainTextEdit *reportBox() const { return m_report; }
    QToolButton *saveButton() const { return m_save; }
    QPushButton *loadLastButton() const { return m_loadLast; }
    QPushButton *currentButton() const { return m_current; }
    QToolButton *openFolderButton() const { return m_openFolder; }
    QPushButton *closeButton() const { return m_close; }

    // Where the new files of the run went: the report's output folder, or, when they lie
    // beside their sources, the folder of the first converted row; empty when unknown.
    QString OutputFolder() const;

    // The lines the report area shows.
    QStringList ReportLines() const { return m_lines; }

public Q_SLOTS:
    // "Current report": the report of the summary and the rows as they are now.
    void ShowCurrentReport();
    // "Load last report": the lines of LastReport.txt, or a warning when there is none.
    void LoadLastReport();
    // The save button: asks for a name and writes the shown lines to NAME.txt.
    void SaveReport();
    // "Open folder": the output folder in the desktop's file manager.
    void OpenOutputFolder();
    // Every way of closing ends here: Close, Escape, the close box, accept() and reject().
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void showLines(const QStringList &lines);

    QPointer<const TSourcesModel> m_sources;
    QStringList m_lines;
    QToolBar *m_toolBar;
    QToolButton *m_save;
    QPlainTextEdit *m_report;
    QPushButton *m_loadLast;
    QPushButton *m_current;
    QToolButton *m_openFolder;
    QPushButton *m_close;
};
