#include "engine/unitHeifEncoder.h"

#include "project/unitGeneral.h"

#include <QFile>
#include <QMap>
#include <QMutex>

#include <libheif/heif.h>

#include <dlfcn.h>

#include <memory>

#define PICTAVO_HEIF_ENTRY_POINTS(X)             \
    X(heif_context_alloc)                        \
    X(heif_context_free)                         \
    X(heif_context_get_encoder_for_format)       \
    X(heif_encoder_release)                      \
    X(heif_encoder_list_parameters)              \
    X(heif_encoder_parameter_get_name)           \
    X(heif_encoder_set_lossy_quality)            \
    X(heif_encoder_set_parameter_integer)        \
    X(heif_encoder_set_parameter_string)         \
    X(heif_encoding_options_alloc)               \
    X(heif_encoding_options_free)                \
    X(heif_image_create)                         \
    X(heif_image_add_plane)                      \
    X(heif_image_get_plane)                      \
    X(heif_image_set_raw_color_profile)          \
    X(heif_image_release)                        \
    X(heif_image_handle_release)                 \
    X(heif_context_encode_image)                 \
    X(heif_context_add_exif_metadata)            \
    X(heif_context_write)

namespace {

struct THeifEntryPoints
{
#define PICTAVO_DECLARE_ENTRY(name) decltype(&::name) name = nullptr;
    PICTAVO_HEIF_ENTRY_POINTS(PICTAVO_DECLARE_ENTRY)
#undef PICTAVO_DECLARE_ENTRY
};

const char kCannotEncode[] = "Can not encode image: ";
// x265's presets from the slowest to the fastest: speed 0 to 9.
const char *const kHevcPresets[] = {"placebo", "veryslow", "slower", "slow", "medium",
                                    "fast", "faster", "veryfast", "superfast", "ultrafast"};

// Null when the file or one of the entry points is missing. The library stays loaded:
// the image library's own coder shares it, and its encoders keep state for the process.
std::shared_ptr<const THeifEntryPoints> loadEntryPoints(const QString &libraryFile)
{
    void *handle = ::dlopen(QFile::encodeName(libraryFile).constData(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle)
        return nullptr;
    auto entries = std::make_shared<THeifEntryPoints>();
    bool complete = true;
#define PICTAVO_LOOKUP_ENTRY(name)                                                        \
    entries->name = reinterpret_cast<decltype(entries->name)>(::dlsym(handle, #name)); \
    complete = complete && entries->name;
    PICTAVO_HEIF_ENTRY_POINTS(PICTAVO_LOOKUP_ENTRY)
#undef PICTAVO_LOOKUP_ENTRY
    if (!complete) {
        ::dlclose(handle);
        return nullptr;
    }
    return entries;
}

const THeifEntryPoints *systemLibrary()
{
    static const std::shared_ptr<const THeifEntryPoints> entries =
        loadEntryPoints(QStringLiteral("libheif.so.1"));
    return entries.get();
}

heif_compression_format compressionOf(const QString &family)
{
    return family == QLatin1String("avif") ? heif_compression_AV1 : heif_compression_HEVC;
}

const char *speedParameter(const QString &family)
{
    return family == QLatin1String("avif") ? "speed" : "preset";
}

// libheif's objects, each released by the call that frees it.
template <auto Release>
struct THeifRelease
{
    const THeifEntryPoints *Api;
    template <typename T>
    void operator()(T *object) const { (Api->*Release)(object); }
};
using TContextPtr = std::unique_ptr<heif_context, THeifRelease<&THeifEntryPoints::heif_context_free>>;
using TEncoderPtr = std::unique_ptr<heif_encoder, THeifRelease<&THeifEntryPoints::heif_encoder_release>>;
using TOptionsPtr =
    std::unique_ptr<heif_encoding_options, THeifRelease<&THeifEntryPoints::heif_encoding_options_free>>;
using THeifImagePtr = std::unique_ptr<heif_image, THeifRelease<&THeifEntryPoints::heif_image_release>>;
using THandlePtr = std::unique_ptr<heif_image_handle, THeifRelease<&THeifEntryPoints::heif_image_handle_release>>;

void check(const heif_error &error)
{
    if (error.code != heif_error_Ok)
        throw TError(QLatin1String(kCannotEncode)
                     + QString::fromUtf8(error.message ? error.message : "libheif error"));
}

heif_error appendBytes(heif_context *, const void *data, size_t size, void *userdata)
{
    static_cast<QByteArray *>(userdata)->append(static_cast<const char *>(data), qsizetype(size));
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

bool offersSpeed(const THeifEntryPoints &api, const QString &family)
{
    const TContextPtr context(api.heif_context_alloc(), {&api});
    heif_encoder *found = nullptr;
    if (api.heif_context_get_encoder_for_format(context.get(), compressionOf(family), &found).code != heif_error_Ok)
        return false;
    const TEncoderPtr encoder(found, {&api});
    for (const heif_encoder_parameter *const *parameter = api.heif_encoder_list_parameters(encoder.get());
         parameter && *parameter; ++parameter) {
        if (qstrcmp(api.heif_encoder_parameter_get_name(*parameter), speedParameter(family)) == 0)
            return true;
    }
    return false;
}

} // namespace

bool HeifLibraryOffersSpeed(const QString &libraryFile, const QString &family)
{
    const std::shared_ptr<const THeifEntryPoints> api = loadEntryPoints(libraryFile);
    return api && offersSpeed(*api, family);
}

bool HeifSpeedOffered(const QString &family)
{
    static QMutex lock;
    static QMap<QString, bool> known;
    const QMutexLocker locker(&lock);
    const auto it = known.constFind(family);
    if (it != known.constEnd())
        return *it;
    const bool offered = systemLibrary() && offersSpeed(*systemLibrary(), family);
    known.insert(family, offered);
    return offered;
}

QByteArray EncodeHeif(const QList<THeifPicture> &pictures, const THeifSettings &settings)
{
    const THeifEntryPoints *api = systemLibrary();
    if (!api)
        throw TError(QLatin1String(kCannotEncode) + QStringLiteral("libheif not found"));
    const TContextPtr context(api->heif_context_alloc(), {api});
    heif_encoder *found = nullptr;
    check(api->heif_context_get_encoder_for_format(context.get(), compressionOf(settings.Family), &found));
    const TEncoderPtr encoder(found, {api});
    if (settings.Quality > 0)
        check(api->heif_encoder_set_lossy_quality(encoder.get(), qBound(1, settings.Quality, 100)));
    const int speed = qBound(0, settings.Speed, 9);
    if (settings.Family == QLatin1String("avif"))
        check(api->heif_encoder_set_parameter_integer(encoder.get(), "speed", speed));
    else
        check(api->heif_encoder_set_parameter_string(encoder.get(), "preset", kHevcPresets[speed]));
    const TOptionsPtr options(api->heif_encoding_options_alloc(), {api});
    if (!options)
        throw TError(QLatin1String(kCannotEncode) + QStringLiteral("out of memory"));
    for (const THeifPicture &picture : pictures) {
        if (picture.Width <= 0 || picture.Height <= 0 || !picture.ReadRow)
            throw TError(QLatin1String(kCannotEncode) + QStringLiteral("no pixels"));
        heif_image *made = nullptr;
        check(api->heif_image_create(picture.Width, picture.Height, heif_colorspace_RGB,
                                     picture.Alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                                     &made));
        const THeifImagePtr image(made, {api});
        check(api->heif_image_add_plane(image.get(), heif_channel_interleaved, picture.Width, picture.Height, 8));
        int stride = 0;
        uint8_t *plane = api->heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
        if (!plane)
            throw TError(QLatin1String(kCannotEncode) + QStringLiteral("out of memory"));
        // The plane's rows may be padded.
        for (int y = 0; y < picture.Height; ++y)
            picture.ReadRow(y, plane + qsizetype(y) * stride);
        if (!picture.Icc.isEmpty())
            check(api->heif_image_set_raw_color_profile(image.get(), "prof", picture.Icc.constData(),
                                                        size_t(picture.Icc.size())));
        // Turned by the file's own rotation, the picture shows as its source did.
        if (options->version >= 5)
            options->image_orientation = picture.Orientation >= 1 && picture.Orientation <= 8
                ? heif_orientation(picture.Orientation)
                : heif_orientation_normal;
        heif_image_handle *encoded = nullptr;
        check(api->heif_context_encode_image(context.get(), image.get(), encoder.get(), options.get(), &encoded));
        const THandlePtr handle(encoded, {api});
        if (!picture.Exif.isEmpty())
            check(api->heif_context_add_exif_metadata(context.get(), handle.get(), picture.Exif.constData(),
                                                      int(picture.Exif.size())));
    }
    QByteArray bytes;
    heif_writer writer{1, &appendBytes};
    check(api->heif_context_write(context.get(), &writer, &bytes));
    return bytes;
}

bool HeifOptionOffered(const QString &optionName)
{
    if (optionName == QLatin1String("avif.speed"))
        return HeifSpeedOffered(QStringLiteral("avif"));
    if (optionName == QLatin1String("heic.speed"))
        return HeifSpeedOffered(QStringLiteral("heic"));
    return false;
}
