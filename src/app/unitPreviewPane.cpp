#include "app/unitPreviewPane.h"

#include "project/unitJob.h"
#include "ui/unitToolButtons.h"

#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QPixmap>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

constexpr int kSettleMs = 150;

// Converted on the job's thread into the format the screen draws without a copy.
QImage screenImage(const TPixels &pixels)
{
    if (pixels.IsNull())
        return {};
    const QImage image(reinterpret_cast<const uchar *>(pixels.Rgba.constData()), pixels.Size.width(),
                       pixels.Size.height(), pixels.Size.width() * 4, QImage::Format_RGBA8888);
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QString figures(const QString &caption, const QSize &size, qint64 bytes, int files, const QString &filesCaption)
{
    QString text = caption + QStringLiteral(": ") + QString::number(size.width()) + QStringLiteral(" \u00d7 ")
        + QString::number(size.height()) + QStringLiteral(" px, ") + QLocale().formattedDataSize(bytes);
    if (files > 1)
        text += QStringLiteral(" (") + filesCaption + QStringLiteral(": ") + QString::number(files) + QLatin1Char(')');
    return text;
}

QScrollArea *pictureArea(QWidget *parent, const char *name, QLabel *&picture)
{
    auto *area = new QScrollArea(parent);
    area->setObjectName(QString::fromLatin1(name));
    area->setAlignment(Qt::AlignCenter);
    area->setBackgroundRole(QPalette::Dark);
    picture = new QLabel(area);
    picture->setAlignment(Qt::AlignCenter);
    area->setWidget(picture);
    area->setWidgetResizable(false);
    return area;
}

} // namespace

TPreviewPane::TPreviewPane(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PreviewPane"));
    m_pool.setMaxThreadCount(1);
    m_timer.setSingleShot(true);
    m_timer.setInterval(kSettleMs);
    connect(&m_timer, &QTimer::timeout, this, &TPreviewPane::start);
    m_sourceCaption = QStringLiteral("Source");
    m_outputCaption = QStringLiteral("Output");
    m_filesCaption = QStringLiteral("Files");
}

void TPreviewPane::setVisible(bool visible)
{
    if (visible && !m_sides)
        build();
    QWidget::setVisible(visible);
}

void TPreviewPane::build()
{
    m_sides = new QSplitter(Qt::Horizontal, this);
    m_sides->setChildrenCollapsible(false);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->addWidget(m_sides);
    m_sourceFigures = new QLabel(this);
    m_sourceFigures->setObjectName(QStringLiteral("PreviewSourceFigures"));
    m_outputFigures = new QLabel(this);
    m_outputFigures->setObjectName(QStringLiteral("PreviewOutputFigures"));
    m_sourceArea = pictureArea(this, "PreviewSource", m_sourcePicture);
    m_outputArea = pictureArea(this, "PreviewOutput", m_outputPicture);
    for (auto [figures, area] : {std::pair(m_sourceFigures, m_sourceArea), std::pair(m_outputFigures, m_outputArea)}) {
        figures->setTextFormat(Qt::PlainText);
        figures->setWordWrap(true);
        figures->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        auto *side = new QWidget(m_sides);
        auto *sideColumn = new QVBoxLayout(side);
        sideColumn->setContentsMargins(0, 0, 0, 0);
        sideColumn->setSpacing(2);
        sideColumn->addWidget(figures);
        sideColumn->addWidget(area, 1);
        m_sides->addWidget(side);
    }

    // Both sides scroll together, so the same spot is compared.
    for (auto orientation : {Qt::Horizontal, Qt::Vertical}) {
        auto bar = [orientation](QScrollArea *area) {
            return orientation == Qt::Horizontal ? area->horizontalScrollBar() : area->verticalScrollBar();
        };
        QScrollBar *left = bar(m_sourceArea), *right = bar(m_outputArea);
        connect(left, &QScrollBar::valueChanged, right, &QScrollBar::setValue);
        connect(right, &QScrollBar::valueChanged, left, &QScrollBar::setValue);
    }
    SetCaptions(m_sourceCaption, m_outputCaption, m_filesCaption);
    PlaceInTabOrder(this);
}

TPreviewPane::~TPreviewPane()
{
    if (m_cancel)
        m_cancel->store(true);
    m_pool.clear();
    m_pool.waitForDone();
}

void TPreviewPane::SetCaptions(const QString &source, const QString &output, const QString &files)
{
    m_sourceCaption = source;
    m_outputCaption = output;
    m_filesCaption = files;
    if (!m_sides)
        return;
    m_sourceArea->setAccessibleName(source);
    m_outputArea->setAccessibleName(output);
    showPreview();
}

void TPreviewPane::SetSource(const QString &path)
{
    if (path == m_source)
        return;
    m_source = path;
    Refresh();
}

void TPreviewPane::Refresh()
{
    // A hidden pane makes nothing; showing it catches up.
    if (!isVisible())
        return;
    if (m_cancel)
        m_cancel->store(true);
    ++m_generation;
    m_timer.start();
}

void TPreviewPane::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!m_sides)
        return;
    // Side by side where there is width for it, one above the other in a narrow pane.
    m_sides->setOrientation(width() >= height() ? Qt::Horizontal : Qt::Vertical);
}

void TPreviewPane::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    Refresh();
}

void TPreviewPane::start()
{
    m_pool.clear();
    const TCnvJob *project = CurrentJob();
    if (m_source.isEmpty() || !project || !QFileInfo(m_source).isFile()) {
        m_shown = TPreview();
        m_busy = false;
        showPreview();
        return;
    }
    // The value a run started now would get: the window may change the project meanwhile.
    const TRunSettings settings = RunSettingsFor(*project);
    const QString source = m_source;
    const quint64 generation = m_generation;
    auto cancel = std::make_shared<std::atomic_bool>(false);
    m_cancel = cancel;
    m_busy = true;
    m_outputFigures->setText(m_outputCaption + QStringLiteral(": \u2026"));
    m_pool.start([this, settings, source, generation, cancel] {
        auto preview = std::make_shared<TShownPreview>();
        preview->Figures = MakePreview(source, settings, cancel.get());
        preview->Source = screenImage(preview->Figures.Source);
        preview->Output = screenImage(preview->Figures.Output);
        if (cancel->load())
            return;
        // The pane waits for this job before it goes, so it is there to receive.
        QMetaObject::invokeMethod(this, [this, generation, preview] { deliver(generation, preview); },
                                  Qt::QueuedConnection);
    });
}

void TPreviewPane::deliver(quint64 generation, const std::shared_ptr<TShownPreview> &preview)
{
    if (generation != m_generation)
        return;
    m_busy = false;
    m_shown = std::move(preview->Figures);
    m_sourcePicture->setPixmap(QPixmap::fromImage(std::move(preview->Source)));
    m_outputPicture->setPixmap(QPixmap::fromImage(std::move(preview->Output)));
    showPreview();
    emit previewShown();
}

void TPreviewPane::showPreview()
{
    const TPreview &shown = m_shown;
    if (shown.Source.IsNull())
        m_sourcePicture->clear();
    if (shown.Output.IsNull())
        m_outputPicture->clear();
    m_sourcePicture->adjustSize();
    m_outputPicture->adjustSize();
    if (shown.Source.IsNull() && shown.Error.isEmpty()) {
        m_sourceFigures->setText(m_sourceCaption);
        m_outputFigures->setText(m_outputCaption);
        return;
    }
    m_sourceFigures->setText(figures(m_sourceCaption, shown.SourceSize, shown.SourceBytes, 1, m_filesCaption));
    m_outputFigures->setText(shown.Error.isEmpty()
                                 ? figures(m_outputCaption, shown.Output.Size, shown.OutputBytes, shown.OutputFiles, m_filesCaption)
                                 : m_outputCaption + QStringLiteral(": ") + QString(shown.Error).replace(QLatin1String("\r\n"), QLatin1String(" ")));
}
