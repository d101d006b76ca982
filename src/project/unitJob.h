#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QIODevice;

// One format of a project's list: a code of up to five characters and a flag.
struct TExtCell
{
    QString Ext;
    quint8 Enabled = 1;
};

using TExtList = QList<TExtCell>;

// Fills the list with every available format whose Mode holds the letter ('R' or 'W').
void BuildExtList(TExtList &list, QChar modeLetter);
// Position of the first cell whose code equals the code ignoring ASCII case, or -1.
int FindExt(const QString &code, const TExtList &list);
// The display filter of the file browser: shows a file only when an enabled cell of
// sourceExts matches its extension; folders always pass.
bool AcceptItem(const QString &name, bool isFolder, bool customFilter,
                const TExtList &sourceExts);

// Everything that describes one batch conversion, apart from the sources.
class TCnvJob
{
public:
    explicit TCnvJob(const QString &name);

    QString name() const { return Name; }
    void setName(const QString &name) { Name = name; }

    // Writes the project file; the file is replaced only once every byte is written.
    void SaveToFile(const QString &path) const;
    // Fills this project from a project file. A file with a foreign tag changes nothing.
    void LoadFromFile(const QString &path);
    void LoadFromStream(QIODevice &stream);

    QString Name;
    QString Author;
    double Created = 0;
    double Modified = 0;
    double Opened = 0;
    QStringList Comment;
    TExtList SourceExts;
    TExtList TargetExts;
    QString TargetExt;
    quint8 SearchMode = 0;
    quint8 UseDestDir = 0;
    QString DestDir;
    quint8 RenameMode = 0;
    quint8 SizeAsIs = 1;
    quint8 Measure = 0;
    qint32 PresetIndex = 0;
    QString Width = QStringLiteral("0");
    QString Height = QStringLiteral("0");
    quint8 LockHeight = 0;
    quint8 LockWidth = 0;
    quint8 OrientAsIs = 1;
    qint32 Orientation = 0;
    quint8 RotateCCW = 0;
    quint8 UseCounter = 0;
    qint32 CounterStart = 1;
    quint8 MultiPages = 0;
    quint8 Quality = 75;
    QString ScratchDrive;
    // The program's own settings beyond the file's fixed layout, as key=value; a missing
    // key means the default. Keys this program does not know are kept and written back.
    QMap<QString, QString> Options;
};

// The projects of the session; owns them and knows the current one.
class TListCnvJob
{
public:
    // Appends a new project with that name and returns its position.
    int Add(const QString &name);
    int Count() const { return int(m_jobs.size()); }
    TCnvJob *At(int index) const;

    int CurrentIndex() const { return m_current; }
    void SetCurrent(int index);
    TCnvJob *Current() const { return At(m_current); }

    void Clear();

private:
    std::vector<std::unique_ptr<TCnvJob>> m_jobs;
    int m_current = -1;
};

// The process-wide project list and its current project (null before the first one).
TListCnvJob &ListCnvJob();
// The current project of the window (null before the first one). A conversion run reads
// its own copy, never this.
TCnvJob *CurrentJob();

// Whether the project's target is a code of its writable list (in any letter case): only
// such a code can be converted to, whatever was typed into the target.
bool HasWritableTarget(const TCnvJob &job);

// The path a project typed as `typed` is saved under: ".prj" is added unless the name
// already ends with it in any letter case.
QString ProjectFilePath(const QString &typed);

// Layout of the project file.
constexpr int kProjectHeaderSize = 624;
constexpr int kProjectRecordSize = 7;
