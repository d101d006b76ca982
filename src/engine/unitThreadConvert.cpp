#include "engine/unitThreadConvert.h"

#include "engine/MagickImage.h"
#include "engine/unitConvertSteps.h"
#include "engine/unitImageLibrary.h"
#include "engine/unitMultiOutput.h"
#include "engine/unitRename.h"
#include "project/unitGeneral.h"
#include "project/unitSourcesModel.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>

#include <cerrno>
#include <cmath>

#if defined(Q_OS_LINUX)
#include <sys/resource.h>
#endif

// What a job hands back to the run's thread for one row.
struct TRowResult
{
    int Row = -1;
    quint8 Status = 0;
    QString Message;
    // An error that ends the run (no image library): the row keeps its status.
    QString Escaped;
    // Multipage: the frames the row gave, to be written with the others.
    std::unique_ptr<TMagickImage> Frames;
};

namespace {

const char kCannotEncode[] = "Can not encode image";
const char kNotWritten[] = "Not written: the run was stopped before the output file";
const char kSkippedExists[] = "Skipped, exists: ";

QString errorText(const std::exception &error)
{
    if (const auto *own = dynamic_cast<const TError *>(&error))
        return own->text();
    return QString::fromLocal8Bit(error.what());
}

// Everything a job needs, copied when the row is queued: the job reads nothing the
// window may change while it works.
struct TRowWork
{
    int Row = -1;
    QString Source;
    QString Output;
    bool Multipage = false;
    std::shared_ptr<const TRunSettings> Settings;
    // Every output of the row, the project's own first; one-output mode.
    QList<TOutputOrder> Orders;
};

// What the read step met, besides the frames the decoder kept.
struct TReadProblem
{
    QString Text; // empty when the source was read cleanly
    bool Refused = false; // never handed to the library, or refused by its policy
    bool Corrupt = false; // the decoder said the source is damaged
};

// The read step: the whole file as bytes, decoded from memory; a JPEG that will come
// out smaller is decoded at a reduced scale. A failure marks the row failed; what the
// decoder kept decides the rest.
TReadProblem readSource(const TRowWork &work, TMagickImage &image, TRowResult &result)
{
    try {
        QFile file;
        OpenSource(file, work.Source);
        QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            throw TError(file.errorString() + QStringLiteral(": ") + work.Source);
        file.close();
        if (work.Settings->ShrinkOnLoad)
            image.SetShrinkOnLoad(bytes, work.Orders.size() > 1 ? ShortSideNeededByAll(work.Orders)
                                                                : ShortSideNeeded(work.Settings->Project));
        QBuffer buffer(&bytes);
        // Formats known only by their extension are read by the source's name.
        buffer.setObjectName(work.Source);
        buffer.open(QIODevice::ReadOnly);
        if (work.Multipage) {
            image.AppendFrames(buffer);
            image.SelectFrame(image.FrameCount() - 1);
        } else {
            image.LoadFrames(buffer);
        }
        return {};
    } catch (const TSourceRefused &refused) {
        result.Status = 1;
        return {refused.text(), true, false};
    } catch (const TCorruptSource &corrupt) {
        result.Status = 1;
        return {corrupt.text(), false, true};
    } catch (const std::exception &error) {
        result.Status = 1;
        return {errorText(error), false, false};
    }
}

// Image work gives way to the window's thread, so that the window answers at once
// however many files are in work. Linux keeps a nice value per thread.
void yieldToWindowThread()
{
#if defined(Q_OS_LINUX)
    thread_local bool lowered = false;
    if (lowered)
        return;
    lowered = true;
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, 0);
    if (errno == 0)
        setpriority(PRIO_PROCESS, 0, qMin(current + 5, 19));
#endif
}

// One row, on a pool thread: every library object it makes is its own and released
// here, except the frames of a multipage row, which travel on to the final write.
void convertRow(const TRowWork &work, TRowResult &result, const std::function<void()> &readDone)
{
    yieldToWindowThread();
    result.Row = work.Row;
    std::unique_ptr<TMagickImage> image;
    try {
        image = std::make_unique<TMagickImage>();
    } catch (const std::exception &error) {
        result.Escaped = errorText(error);
        return;
    }
    const TReadProblem problem = readSource(work, *image, result);
    readDone();

    if (problem.Refused || (problem.Corrupt && image->FrameCount() > 0)) {
        // Frames of a damaged source are not the picture: nothing is written.
        result.Status = 1;
        result.Message = problem.Text;
        return;
    }
    if (image->FrameCount() == 0) {
        result.Status = 1;
        result.Message = QString::fromLatin1(kCannotEncode);
        return;
    }
    result.Status = 2;
    result.Message.clear();
    try {
        if (work.Multipage) {
            CollectSource(*image, work.Source, *work.Settings);
        } else {
            // Any output that failed fails the row; the text says which.
            result.Message = ConvertSourceToEach(*image, work.Source, work.Orders);
            if (!result.Message.isEmpty())
                result.Status = 1;
        }
    } catch (const std::exception &error) {
        // One output: nothing was written for this row, so it did not convert. Multipage:
        // the frames are kept and written all the same.
        result.Status = work.Multipage ? 2 : 1;
        result.Message = errorText(error);
    }
    if (work.Multipage)
        result.Frames = std::move(image);
}

} // namespace

QString MultipageOutputPath(const QString &chosen, const QString &targetExt)
{
    const QFileInfo info(chosen);
    QString name = info.fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0)
        name.truncate(dot);
    return QDir(info.absolutePath()).filePath(name + QLatin1Char('.') + targetExt);
}

TThreadConvert::TThreadConvert(TSourcesModel &rows, TRunDisplay &display,
                               const TRunSettings &settings, QObject *parent)
    : QObject(parent), m_rows(rows), m_display(display), m_settings(settings)
{
    m_settings.FilesAtOnce = ClampFilesAtOnce(m_settings.FilesAtOnce);
}

TThreadConvert::~TThreadConvert()
{
    if (m_pool)
        m_pool->waitForDone();
    if (m_running && !m_ended)
        m_rows.EndBusy();
}

void TThreadConvert::SetFilesAtOnce(int count)
{
    m_settings.FilesAtOnce = ClampFilesAtOnce(count);
}

void TThreadConvert::Stop()
{
    m_stop.store(true);
    m_userBreak = true;
}

int TThreadConvert::RoundHalfToEven(double value)
{
    const double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
        return int(whole) + 1;
    return int(whole);
}

void TThreadConvert::Launch(std::function<void(TThreadConvert &run)> completion)
{
    connect(this, &TThreadConvert::Finished, this, [this, completion = std::move(completion)] {
        if (completion)
            completion(*this);
        deleteLater();
    }, Qt::QueuedConnection);
    // Like a thread's start: the run begins once the caller is back in the event loop.
    QMetaObject::invokeMethod(this, [this] { begin(); }, Qt::QueuedConnection);
}

void TThreadConvert::Execute()
{
    QEventLoop loop;
    connect(this, &TThreadConvert::Finished, &loop, &QEventLoop::quit);
    begin();
    if (!m_ended)
        loop.exec();
}

bool TThreadConvert::stopRequested() const
{
    return m_stop.load() || QCoreApplication::closingDown() || !m_escapedError.isEmpty();
}

QString TThreadConvert::sourcePath(int row) const
{
    return EntryKey(m_rows.Row(row));
}

void TThreadConvert::stage(int position)
{
    if (m_rows.Count() == 1)
        m_display.SetGauge(position);
}

void TThreadConvert::begin()
{
    // The rows stay as they are until the run is over: the window remains usable.
    m_rows.ResetStatuses();
    m_rows.BeginBusy();
    m_running = true;
    BeginSummary(m_summary, m_rows.Count());
    try {
        QStringList sources;
        sources.reserve(m_rows.Count());
        for (int row = 0; row < m_rows.Count(); ++row)
            sources.append(sourcePath(row));
        m_settings.Sources = TSourcePaths(sources);
        m_frozen = std::make_shared<const TRunSettings>(m_settings);
        // The other projects guard the same sources and write one file per source each.
        for (TRunSettings other : std::as_const(m_alsoConvert)) {
            other.Sources = m_settings.Sources;
            other.FilesAtOnce = m_settings.FilesAtOnce;
            other.Project.MultiPages = 0;
            m_alsoFrozen.append(std::make_shared<const TRunSettings>(std::move(other)));
        }
        m_naming = std::make_unique<TOutputNaming>(m_frozen->Project, NamingEnvironmentFor(*m_frozen));
        m_naming->ResetNaming(m_frozen->Sources);
        PrepareLibraryTemporaryFolder();
        m_multipage = m_frozen->Project.MultiPages != 0;

        m_display.SetGauge(0);
        ProgressStep = m_rows.Count() > 0 ? 100.0 / m_rows.Count() : 0;
        ProgressTotal = 0;
        m_display.ScrollToTop();
        m_pool = std::make_unique<QThreadPool>();
        m_pool->setMaxThreadCount(m_frozen->FilesAtOnce);
    } catch (const std::exception &error) {
        m_escapedError = errorText(error);
    }
    startRows();
}

void TThreadConvert::startRows()
{
    while (m_frozen && m_inFlight < m_frozen->FilesAtOnce && m_nextRow < m_rows.Count() && !stopRequested())
        startRow(m_nextRow++);
    if (m_inFlight > 0 || m_writing || m_ended)
        return;
    const bool allRows = m_nextRow == m_rows.Count() && m_escapedError.isEmpty();
    if (m_multipage && allRows && !m_stop.load() && !QCoreApplication::closingDown())
        writeCollection();
    else
        end();
}

void TThreadConvert::startRow(int row)
{
    stage(10);
    TRowWork work;
    work.Row = row;
    work.Source = sourcePath(row);
    work.Multipage = m_multipage;
    if (m_multipage) {
        work.Output = m_frozen->MultipagePath;
    } else {
        const TFavorCell &cell = m_rows.Row(row);
        work.Output = m_naming->MakeOutputName(cell.Name, cell.Folder, cell.Root);
        stage(20);
        const TOutputNaming::TTarget target = m_naming->ResolveOutput(work.Output);
        work.Output = target.Path;
        if (target.Skip) {
            stage(30);
            skipRow(row, work.Output);
            return;
        }
    }
    stage(30);
    work.Settings = m_frozen;
    if (!m_multipage) {
        work.Orders.append({m_frozen, work.Output});
        const TFavorCell &cell = m_rows.Row(row);
        for (const std::shared_ptr<const TRunSettings> &other : std::as_const(m_alsoFrozen)) {
            m_naming->NameFor(other->Project);
            work.Orders.append({other, m_naming->ResolveOutputName(m_naming->MakeOutputName(cell.Name, cell.Folder, cell.Root))});
        }
        m_naming->NameFor(m_frozen->Project);
    }
    m_outputs.insert(row, work.Output);
    ++m_inFlight;
    m_display.RowStarted(row);

    m_pool->start([this, work] {
        auto result = std::make_shared<TRowResult>();
        convertRow(work, *result, [this] {
            QMetaObject::invokeMethod(this, [this] { stage(50); }, Qt::QueuedConnection);
        });
        QMetaObject::invokeMethod(this, [this, result] { rowDone(result); }, Qt::QueuedConnection);
    });
}

void TThreadConvert::skipRow(int row, const QString &existing)
{
    // Finished in row order like the others, after the rows in work before it.
    auto result = std::make_shared<TRowResult>();
    result->Row = row;
    result->Status = kStatusSkipped;
    result->Message = QString::fromLatin1(kSkippedExists) + QFileInfo(existing).fileName();
    ++m_inFlight;
    QMetaObject::invokeMethod(this, [this, result] { rowDone(result); }, Qt::QueuedConnection);
}

void TThreadConvert::rowDone(const std::shared_ptr<TRowResult> &result)
{
    --m_inFlight;
    m_waiting.insert(result->Row, result);
    // Rows end in the order of the view, whatever order their jobs end in.
    while (m_waiting.contains(m_nextFinish)) {
        const std::shared_ptr<TRowResult> done = m_waiting.take(m_nextFinish);
        const int row = m_nextFinish++;
        if (!done->Escaped.isEmpty()) {
            if (m_escapedError.isEmpty())
                m_escapedError = done->Escaped;
            continue;
        }
        m_rows.SetRowResult(row, done->Status, done->Message);
        if (done->Frames) {
            m_contributed.append(row);
            m_collected.append(done);
        }
        finishRow(row, m_outputs.take(row));
    }
    startRows();
}

void TThreadConvert::finishRow(int row, const QString &output)
{
    if (m_rows.Count() == 1) {
        m_display.SetGauge(80);
    } else {
        ProgressTotal += ProgressStep;
        m_display.SetGauge(RoundHalfToEven(ProgressTotal));
    }
    m_display.RowFinished(row, output);
}

void TThreadConvert::writeCollection()
{
    if (m_collected.isEmpty()) {
        end();
        return;
    }
    m_writing = true;
    // The frames are joined in row order and written on the pool, like every other
    // piece of image work.
    auto pieces = std::make_shared<QList<std::shared_ptr<TRowResult>>>(std::move(m_collected));
    m_collected.clear();
    const std::shared_ptr<const TRunSettings> settings = m_frozen;
    m_pool->start([this, pieces, settings] {
        QString error;
        try {
            yieldToWindowThread();
            TMagickImage collection;
            for (const std::shared_ptr<TRowResult> &piece : std::as_const(*pieces))
                collection.TakeFrames(*piece->Frames);
            pieces->clear();
            collection.SetQuality(settings->Quality);
            WriteCollection(collection, settings->MultipagePath, *settings);
        } catch (const std::exception &caught) {
            error = errorText(caught);
        }
        pieces->clear();
        QMetaObject::invokeMethod(this, [this, error] { collectionDone(error); }, Qt::QueuedConnection);
    });
}

void TThreadConvert::collectionDone(const QString &error)
{
    m_writing = false;
    // No file holds these frames: none of their rows converted.
    if (!error.isEmpty()) {
        for (int row : std::as_const(m_contributed))
            m_rows.SetRowResult(row, 1, error);
    }
    m_display.CollectionWritten(m_contributed, m_frozen->MultipagePath);
    end();
}

void TThreadConvert::end()
{
    if (m_ended)
        return;
    m_ended = true;
    if (!m_collected.isEmpty()) {
        // No file will hold the frames collected so far.
        for (int row : std::as_const(m_contributed))
            m_rows.SetRowResult(row, 1, QString::fromLatin1(kNotWritten));
        // A stopped multipage run discards its frames; they are released on the pool too.
        auto discarded = std::make_shared<QList<std::shared_ptr<TRowResult>>>(std::move(m_collected));
        m_collected.clear();
        m_pool->start([discarded] { discarded->clear(); });
    }
    if (m_escapedError.isEmpty())
        m_display.SetGauge(100);
    m_rows.EndBusy();
    FinishSummary(m_summary, m_rows.ReportRows(), m_settings.Project, m_userBreak);
    emit Finished();
}
