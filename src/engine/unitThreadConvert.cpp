#include "engine/unitThreadConvert.h"

#include "engine/MagickImage.h"
#include "engine/unitConvertSteps.h"
#include "engine/unitImageLibrary.h"
#include "engine/unitMultiOutput.h"
#include "engine/unitRename.h"
#include "engine/unitRunNaming.h"
#include "engine/unitSourceCheck.h"
#include "project/unitGeneral.h"
#include "project/unitJobOptions.h"
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
#include <condition_variable>
#include <limits>
#include <mutex>
#include <optional>
#include <tuple>

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
    // One output: the files written, waiting for their final name.
    std::unique_ptr<TStagedOutput> Staged;
    // The outputs of the other projects of the run, in the order of the row's orders
    // (null where one failed).
    std::vector<std::unique_ptr<TStagedOutput>> AlsoStaged;
    QList<TOutputOrder> AlsoOrders;
    // The project's own output was skipped by its rule; the others were made.
    bool OwnSkipped = false;
};

// The library's limits are shared by every file in work: a file is admitted when what it
// needs fits beside the files in work, and a file alone always is, as in a run of one
// file at a time.
class TMemoryBudget
{
public:
    explicit TMemoryBudget(quint64 bytes) : m_bytes(bytes) {}

    class TGrant
    {
        Q_DISABLE_COPY_MOVE(TGrant)

    public:
        TGrant(TMemoryBudget &budget, quint64 need) : m_budget(budget), m_need(need)
        {
            std::unique_lock<std::mutex> lock(budget.m_lock);
            budget.m_changed.wait(lock, [&] {
                return budget.m_inWork == 0 || budget.m_used + need <= budget.m_bytes;
            });
            budget.m_used += need;
            ++budget.m_inWork;
        }
        ~TGrant()
        {
            {
                const std::lock_guard<std::mutex> lock(m_budget.m_lock);
                m_budget.m_used -= m_need;
                --m_budget.m_inWork;
            }
            m_budget.m_changed.notify_all();
        }

    private:
        TMemoryBudget &m_budget;
        const quint64 m_need;
    };

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    const quint64 m_bytes;
    quint64 m_used = 0;
    int m_inWork = 0;
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
    // The plain output name (one output) or the collection's file (multipage).
    QString Output;
    bool Multipage = false;
    std::shared_ptr<const TRunSettings> Settings;
    std::shared_ptr<TMemoryBudget> Budget;
    // Every output of the row, the project's own first unless its rule skipped it;
    // one-output mode.
    QList<TOutputOrder> Orders;
    bool OwnSkipped = false;
};

// What the read step met, besides the frames the decoder kept.
struct TReadProblem
{
    QString Text; // empty when the source was read cleanly
    bool Refused = false; // refused by its header, or by the library's policy
    bool Corrupt = false; // pixels are missing
    QString Warning; // a warning that left the pixels whole
};

// A source's bytes, in a buffer each pool thread keeps from row to row: a fresh buffer
// costs a page fault every 4 KiB (9,000 for a 12-megapixel bitmap), and one this large
// would go back to the system when freed. Buffers over 64 MiB are not kept.
class TReadBuffer
{
    Q_DISABLE_COPY_MOVE(TReadBuffer)

public:
    explicit TReadBuffer(QFile &file)
    {
        const qint64 size = file.size();
        if (size > 0 && size <= kKept)
            Bytes.swap(kept());
        Bytes.resize(qMax<qint64>(size, 0));
        const qint64 read = size > 0 ? file.read(Bytes.data(), size) : 0;
        Bytes.resize(qMax<qint64>(read, 0));
        // A file that grew meanwhile is read to its end, as a whole read would.
        if (read == size)
            Bytes.append(file.readAll());
    }
    ~TReadBuffer()
    {
        if (Bytes.capacity() <= kKept && Bytes.capacity() > kept().capacity()) {
            Bytes.resize(0);
            Bytes.swap(kept());
        }
    }

    QByteArray Bytes;

private:
    static constexpr qint64 kKept = qint64(64) << 20;
    static QByteArray &kept()
    {
        thread_local QByteArray buffer;
        return buffer;
    }
};

// The read step: the whole file as bytes, its header checked (the declared size against
// the caps, a TIFF's data within the file), admitted by the memory it declares, then
// decoded from memory; a JPEG that will come out smaller is decoded at a reduced scale.
// A failure marks the row failed; what the decoder kept decides the rest.
TReadProblem readSource(const TRowWork &work, TMagickImage &image, TRowResult &result,
                        std::optional<TMemoryBudget::TGrant> &grant)
{
    try {
        QFile file;
        OpenSource(file, work.Source);
        TReadBuffer whole(file);
        QByteArray &bytes = whole.Bytes;
        if (file.error() != QFileDevice::NoError)
            throw TError(file.errorString() + QStringLiteral(": ") + work.Source);
        file.close();
        const TSourceHeader header = ReadSourceHeader(bytes);
        CheckDeclaredSize(header, work.Settings->Caps);
        // Read from memory, the library leaves such parts blank without a word.
        const QString missing = MissingTiffData(bytes);
        if (!missing.isEmpty())
            throw TSourceRefused(missing);
        grant.emplace(*work.Budget, PixelBytesNeeded(header));
        if (header.Jpeg && !header.Frames.isEmpty()) {
            const size_t w = size_t(header.Frames.first().Width), h = size_t(header.Frames.first().Height);
            const QList<TOutputOrder> orders = work.Multipage ? QList<TOutputOrder>{{work.Settings, work.Output}}
                                                              : work.Orders;
            image.SetShrinkOnLoad(w, h, DecodeEighthsForAll(w, h, orders));
        }
        QBuffer buffer(&bytes);
        // Formats known only by their extension are read by the source's name.
        buffer.setObjectName(work.Source);
        buffer.open(QIODevice::ReadOnly);
        TReadProblem read;
        if (work.Multipage) {
            const int before = image.FrameCount();
            read.Warning = image.AppendFrames(buffer);
            if (image.FrameCount() > before)
                image.SelectFrame(image.FrameCount() - 1);
        } else {
            read.Warning = image.LoadFrames(buffer);
        }
        return read;
    } catch (const TSourceRefused &refused) {
        result.Status = 1;
        return {refused.text(), true, false, {}};
    } catch (const TCorruptSource &corrupt) {
        result.Status = 1;
        return {corrupt.text(), false, true, {}};
    } catch (const std::exception &error) {
        result.Status = 1;
        return {errorText(error), false, false, {}};
    }
}

// Image work gives way to the window's thread, so that the window answers at once
// however many files are in work. Linux keeps a nice value per thread. Without a window
// (the command line) there is nothing to give way to, and a niced job would only lose
// the cores to every other program.
void yieldToWindowThread()
{
#if defined(Q_OS_LINUX)
    thread_local bool lowered = false;
    if (lowered)
        return;
    lowered = true;
    const QCoreApplication *application = QCoreApplication::instance();
    if (!application || !application->inherits("QGuiApplication"))
        return;
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
    // Held until the row's image work is over and its frames are released.
    std::optional<TMemoryBudget::TGrant> grant;
    std::unique_ptr<TMagickImage> image;
    try {
        image = std::make_unique<TMagickImage>();
    } catch (const std::exception &error) {
        result.Escaped = errorText(error);
        return;
    }
    const TReadProblem problem = readSource(work, *image, result, grant);
    readDone();

    // Frames of a source with pixels missing are not the picture: nothing is written.
    if (problem.Refused || (problem.Corrupt && image->FrameCount() > 0)) {
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
    result.Message = problem.Warning;
    try {
        if (work.Multipage) {
            CollectSource(*image, work.Source, *work.Settings);
        } else {
            // Any output that failed fails the row; the text says which.
            std::vector<std::unique_ptr<TStagedOutput>> staged;
            const QString failed = StageSourceToEach(*image, work.Source, work.Orders, staged);
            result.OwnSkipped = work.OwnSkipped;
            if (!work.OwnSkipped)
                result.Staged = std::move(staged.front());
            for (size_t i = work.OwnSkipped ? 0 : 1; i < staged.size(); ++i) {
                result.AlsoStaged.push_back(std::move(staged[i]));
                result.AlsoOrders.append(work.Orders.at(qsizetype(i)));
            }
            // Converted, and the row tells what the library warned about.
            if (!failed.isEmpty()) {
                result.Status = 1;
                result.Message = failed;
            } else if (result.Message.isEmpty() && result.Staged) {
                result.Message = result.Staged->Warning();
            }
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
        m_pixelMemory.emplace();
        m_pool->setMaxThreadCount(m_frozen->FilesAtOnce);
        // The pixel caches live in memory, then on disk; the map limit only lets a disk
        // cache be mapped.
        const quint64 memory = quint64(qMax(0, m_frozen->MemoryLimit)) << 20;
        const quint64 disk = CurrentLibraryLimits().Disk;
        m_budget = std::make_shared<TMemoryBudget>(
            disk > std::numeric_limits<quint64>::max() - memory ? std::numeric_limits<quint64>::max()
                                                                 : memory + disk);
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
        // Skip and replace judge the files from before the run, so they decide here;
        // numbered names wait for the rows before them.
        const auto plan = [&](const std::shared_ptr<const TRunSettings> &settings) {
            nameFor(*settings);
            TOutputOrder order{settings, m_naming->MakeOutputName(cell.Name, cell.Folder, cell.Root),
                               namesAtStart(settings->Project)};
            bool skip = false;
            if (order.Named) {
                const TOutputNaming::TTarget target = m_naming->ResolveOutput(order.Output);
                order.Output = target.Path;
                skip = target.Skip;
            }
            if (!skip)
                work.Orders.append(order);
            return std::pair(order.Output, skip);
        };
        std::tie(work.Output, work.OwnSkipped) = plan(m_frozen);
        stage(20);
        for (const std::shared_ptr<const TRunSettings> &other : std::as_const(m_alsoFrozen))
            plan(other);
        nameFor(*m_frozen);
        if (work.Orders.isEmpty()) {
            stage(30);
            skipRow(row, work.Output);
            return;
        }
    }
    // The final name is settled when the row finishes, after every row before it.
    stage(30);
    work.Settings = m_frozen;
    work.Budget = m_budget;
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

bool TThreadConvert::namesAtStart(const TCnvJob &project)
{
    return !project.UseCounter && TOutputRules::From(project.Options).Existing != TExisting::Number;
}

void TThreadConvert::nameFor(const TRunSettings &settings)
{
    m_naming->NameFor(settings.Project);
    m_naming->SetProbe(NamingEnvironmentFor(settings).Probe);
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
        QString output = m_outputs.take(row);
        if (!m_multipage)
            output = placeOutput(*done, output);
        m_rows.SetRowResult(row, done->Status, done->Message);
        if (done->Frames) {
            m_contributed.append(row);
            m_collected.append(done);
        }
        finishRow(row, output);
    }
    startRows();
}

QString TThreadConvert::placeOutput(TRowResult &done, const QString &plain)
{
    QString output;
    // As a run of one file at a time names them: a row that wrote nothing takes no name,
    // but a counted run numbers every row.
    if (done.Staged || (m_frozen->Project.UseCounter && !done.OwnSkipped)) {
        QString error;
        output = placeStaged(done.Staged.get(), plain, *m_frozen, namesAtStart(m_frozen->Project), error);
        if (!error.isEmpty()) {
            done.Status = 1;
            done.Message = error;
        }
        done.Staged.reset();
    }
    // The other projects of the run, each named by its own settings after this row's own.
    QStringList failed;
    for (size_t i = 0; i < done.AlsoStaged.size(); ++i) {
        if (!done.AlsoStaged[i])
            continue;
        const TOutputOrder &order = done.AlsoOrders.at(qsizetype(i));
        nameFor(*order.Settings);
        QString error;
        placeStaged(done.AlsoStaged[i].get(), order.Output, *order.Settings, order.Named, error);
        if (!error.isEmpty())
            failed.append(OutputLabel(order.Settings->Project) + QStringLiteral(": ") + error);
    }
    nameFor(*m_frozen);
    done.AlsoStaged.clear();
    if (done.OwnSkipped && done.Status != 1 && failed.isEmpty()) {
        done.Status = kStatusSkipped;
        done.Message = QString::fromLatin1(kSkippedExists) + QFileInfo(plain).fileName();
        output = plain;
    }
    if (!failed.isEmpty()) {
        done.Status = 1;
        failed.prepend(done.Message);
        failed.removeAll(QString());
        done.Message = failed.join(QStringLiteral("; "));
    }
    return output;
}

QString TThreadConvert::placeStaged(TStagedOutput *staged, const QString &plain,
                                    const TRunSettings &settings, bool named, QString &error)
{
    QString output = named ? plain : m_naming->ResolveOutputName(plain);
    if (!staged)
        return QString();
    try {
        // A per-frame name the naming never tested, or a file another process placed
        // meanwhile, makes the whole name taken: the next one.
        constexpr int kAttempts = 100;
        for (int attempt = 1;; ++attempt) {
            const QString taken = staged->Place(output, settings.Sources, OutputMayReplaceFiles(settings.Project));
            if (taken.isEmpty())
                break;
            if (attempt == kAttempts)
                throw TError(taken);
            output = m_naming->NextName(plain, output);
        }
    } catch (const std::exception &caught) {
        error = errorText(caught);
        output.clear();
    }
    return output;
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
    m_pixelMemory.reset();
    FinishSummary(m_summary, m_rows.ReportRows(), m_settings.Project, m_userBreak);
    emit Finished();
}
