#include "engine/unitThreadConvert.h"

#include "engine/MagickImage.h"
#include "engine/unitImageLibrary.h"
#include "engine/unitRename.h"
#include "project/unitGeneral.h"
#include "project/unitJob.h"
#include "project/unitSourcesModel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace {

const char kCannotEncode[] = "Can not encode image";
const char kNotWritten[] = "Not written: the run was stopped before the output file";

QString errorText(const std::exception &error)
{
    if (const auto *own = dynamic_cast<const TError *>(&error))
        return own->text();
    return QString::fromLocal8Bit(error.what());
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

void TRunDisplay::Pump()
{
    QCoreApplication::processEvents();
}

TThreadConvert::TThreadConvert(TSourcesModel &rows, TRunDisplay &display, QObject *parent)
    : QThread(parent), m_rows(rows), m_display(display)
{
    m_settings.ResizeFilter = MitchellFilter;
    m_settings.ResizeBlur = 1.0;
    if (const TCnvJob *job = CurrentJob())
        m_settings.Quality = job->Quality;
}

TThreadConvert::~TThreadConvert() = default;

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
    connect(this, &QThread::finished, this, [this, completion = std::move(completion)] {
        if (completion)
            completion(*this);
        wait(); // finished comes just before the thread's very end
        deleteLater();
    });
    start();
}

void TThreadConvert::run()
{
    QMetaObject::invokeMethod(this, [this] { Execute(); }, Qt::BlockingQueuedConnection);
}

void TThreadConvert::Execute()
{
    // The rows stay as they are until the run is over: the window remains usable.
    struct TBusy
    {
        TSourcesModel &rows;
        explicit TBusy(TSourcesModel &model) : rows(model) { rows.BeginBusy(); }
        ~TBusy() { rows.EndBusy(); }
    } busy(m_rows);
    try {
        const TCnvJob *job = CurrentJob();
        if (!job)
            throw TError(QStringLiteral("No conversion project"));
        QStringList sources;
        sources.reserve(m_rows.Count());
        for (int row = 0; row < m_rows.Count(); ++row)
            sources.append(sourcePath(row));
        ResetNaming(TSourcePaths(sources));
        PrepareLibraryTemporaryFolder();
        m_multipage = job->MultiPages != 0;

        m_display.SetGauge(0);
        ProgressStep = m_rows.Count() > 0 ? 100.0 / m_rows.Count() : 0;
        ProgressTotal = 0;
        m_display.ScrollToTop();
        if (m_rows.Count() > 0) {
            if (m_multipage)
                multipageLoop();
            else
                oneOutputLoop();
        }
        m_display.SetGauge(100);
    } catch (const std::exception &error) {
        // Ends the run; the rows keep what they have and the completion follows.
        Image.reset();
        m_escapedError = errorText(error);
    }
}

bool TThreadConvert::stopRequested() const
{
    return m_stop.load() || QCoreApplication::closingDown();
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

TThreadConvert::TReadProblem TThreadConvert::readSource(
    int row, const QString &source, const std::function<void(QFile &file)> &decode)
{
    // A failure marks the row failed; what the decoder kept decides the rest.
    try {
        QFile file;
        OpenSource(file, source);
        decode(file);
        return {};
    } catch (const TSourceRefused &refused) {
        m_rows.SetRowResult(row, 1, refused.text());
        return {refused.text(), true, false};
    } catch (const TCorruptSource &corrupt) {
        m_rows.SetRowResult(row, 1, QString());
        return {corrupt.text(), false, true};
    } catch (const std::exception &error) {
        m_rows.SetRowResult(row, 1, QString());
        return {errorText(error), false, false};
    }
}

void TThreadConvert::oneOutputLoop()
{
    m_display.Pump();
    for (int row = 0; row < m_rows.Count(); ++row) {
        if (stopRequested())
            break;
        stage(10);
        const TFavorCell &cell = m_rows.Row(row);
        const QString source = sourcePath(row);
        QString output = MakeOutputName(cell.Name, cell.Folder);
        stage(20);
        output = ResolveOutputName(output);
        stage(30);
        m_display.Pump();

        Image = std::make_unique<TMagickImage>();
        const TReadProblem problem =
            readSource(row, source, [this](QFile &file) { Image->LoadFrames(file); });
        stage(50);
        m_display.Pump();

        if (problem.Refused || (problem.Corrupt && Image->FrameCount() > 0)) {
            // Frames of a damaged source are not the picture: nothing is written.
            m_rows.SetRowResult(row, 1, problem.Text);
        } else if (Image->FrameCount() > 0) {
            m_rows.SetRowResult(row, 2, QString());
            try {
                ConvertSource(*Image, source, output, m_settings);
            } catch (const std::exception &error) {
                // Nothing was written for this row, so it did not convert.
                m_rows.SetRowResult(row, 1, errorText(error));
            }
        } else {
            m_rows.SetRowResult(row, 1, QString::fromLatin1(kCannotEncode));
        }
        finishRow(row, output);
        Image.reset();
        m_display.Pump();
    }
}

void TThreadConvert::multipageLoop()
{
    m_display.Pump();
    const QString output = m_multipagePath;
    Image = std::make_unique<TMagickImage>();
    QList<int> contributed;
    for (int row = 0; row < m_rows.Count(); ++row) {
        if (stopRequested()) {
            // No file will hold the frames collected so far.
            for (int collected : std::as_const(contributed))
                m_rows.SetRowResult(collected, 1, QString::fromLatin1(kNotWritten));
            Image.reset();
            return;
        }
        stage(10);
        const QString source = sourcePath(row);
        stage(30);
        m_display.Pump();

        const int before = Image->FrameCount();
        const TReadProblem problem = readSource(row, source, [this](QFile &file) {
            Image->AppendFrames(file);
            Image->SelectFrame(Image->FrameCount() - 1);
        });
        stage(50);
        m_display.Pump();

        if (problem.Refused) {
            m_rows.SetRowResult(row, 1, problem.Text);
        } else if (Image->FrameCount() > before) {
            contributed.append(row);
            m_rows.SetRowResult(row, 2, QString());
            try {
                CollectSource(*Image, source, m_settings);
            } catch (const std::exception &error) {
                // The frames are in the list and will be written all the same.
                m_rows.SetRowResult(row, 2, errorText(error));
            }
        } else {
            m_rows.SetRowResult(row, 1, QString::fromLatin1(kCannotEncode));
        }
        finishRow(row, output);
        m_display.Pump();
    }

    if (Image->FrameCount() > 0) {
        try {
            WriteCollection(*Image, output, m_settings);
        } catch (const std::exception &error) {
            // No file holds these frames: none of their rows converted.
            const QString text = errorText(error);
            for (int row : std::as_const(contributed))
                m_rows.SetRowResult(row, 1, text);
        }
        m_display.CollectionWritten(contributed, output);
    }
    Image.reset();
}
