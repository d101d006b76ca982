// Opens arbitrary bytes as a project file. Built as a libFuzzer target with clang, and
// linked into a replay test that runs the stored corpus in the ordinary build.
#include "engine/unitFormats.h"
#include "project/unitGeneral.h"
#include "project/unitJob.h"
#include "project/unitPrompt.h"

#include <QBuffer>
#include <QDir>

#include <cstdint>
#include <cstdlib>

namespace {

class TSilentPrompt final : public TPrompt
{
public:
    void error(const QString &) override {}
    void warning(const QString &) override { ++warnings; }
    void information(const QString &) override {}
    TAnswer question(const QString &, bool, TSymbol) override { return TAnswer::No; }
    QString openFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString folderName(const QString &, const QString &) override { return {}; }
    int warnings = 0;
};

void setUpOnce()
{
    static const bool done = [] {
        SetDefaultOutputFolder(QDir::tempPath() + QStringLiteral("/pictavo-fuzz-out"));
        AvailableFormats = FormatsForModules({QStringLiteral("bmp"), QStringLiteral("gif"),
                                              QStringLiteral("jpeg"), QStringLiteral("pcl"),
                                              QStringLiteral("png"), QStringLiteral("tiff"),
                                              QStringLiteral("dcm")});
        return true;
    }();
    (void)done;
}

[[noreturn]] void broken() { std::abort(); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    setUpOnce();
    TSilentPrompt prompt;
    TPromptScope scope(&prompt);
    TCnvJob job(QStringLiteral("Untitled"));
    const int cells = int(job.SourceExts.size());
    QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    try {
        job.LoadFromStream(buffer);
    } catch (const TError &) {
    }
    // Whatever the bytes, the fields stay within what the file can hold.
    if (job.Name.size() > 25 || job.Author.size() > 15 || job.TargetExt.size() > 5
        || job.Width.size() > 5 || job.Height.size() > 5 || job.DestDir.size() > 250
        || job.ScratchDrive.size() > 250 || job.Name.contains(QChar::ReplacementCharacter))
        broken();
    if (job.SourceExts.size() != cells)
        broken();
    if (!job.TargetExt.isEmpty() && FindExt(job.TargetExt, job.TargetExts) < 0)
        broken();
    if (prompt.warnings > int(size / kProjectRecordSize) + 1)
        broken();
    return 0;
}
