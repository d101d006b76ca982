#include "i18n/unitDclLang.h"

#include "project/unitGeneral.h"

#include <QString>

#include <algorithm>
#include <cstring>

const TCatalogueDefault CatalogueDefaults[] = {
    {"PAD_FILE", "File"},
    {"PAD_FILE_NEW", "New project"},
    {"PAD_FILE_NEWSTD", "Standart"},
    {"PAD_FILE_NEWCST", "Custom ..."},
    {"PAD_FILE_OPEN", "Open ..."},
    {"PAD_FILE_SAVE", "Save ..."},
    {"PAD_EXIT", "Exit"},
    {"PAD_HELP", "Help"},
    {"PAD_VIEW", "View"},
    {"PAD_VIEW_DIR", "Directories"},
    {"PAD_VIEW_OPTIONS", "Project options"},
    {"PAD_VIEW_TOOLS", "Tools"},
    {"PAD_VIEW_MODE", "View mode"},
    {"PAD_VIEW_SELECT", "Select"},
    {"PAD_VIEW_SKIN", "Skin"},
    {"PAD_VIEW_ADRES", "Path"},
    {"PAD_VIEW_LANG", "Languages"},
    {"PAD_VIEW_SORT", "Sort"},
    {"PAD_VIEW_BACK", "Back"},
    {"PAD_SERVIS", "Service"},
    {"PAD_SERVIS_CNV", "Convert ..."},
    {"PAD_SERVIS_CNVSTOP", "Convert stop"},
    {"PAD_SERV_PREF", "Preferences ..."},
    {"PAD_ABOUT", "About ..."},
    {"HINT_EXIT", "Exit"},
    {"HINT_SH_TOOLS", "Show/hide tools"},
    {"HINT_SH_DIR", "Show/hide directories"},
    {"HINT_SH_OPTIONS", "Show/hide project options"},
    {"HINT_BACK", "Back"},
    {"HINT_VIEWMODE", "View Mode"},
    {"HINT_SELECT", "Select"},
    {"HINT_SORT", "Sort"},
    {"HINT_NEW_PRJ", "New project"},
    {"HINT_OPEN_PRJ", "Open project"},
    {"HINT_SAVE_PRJ", "Save project"},
    {"HINT_ADDFAVOR", "Add to favorite"},
    {"HINT_CONVERT", "Convert ..."},
    {"HINT_CONVERTSTOP", "Convert stop"},
    {"HINT_CLEARALL", "Clear all"},
    {"HINT_DELSELECT", "Delete selection"},
    {"P1_LICON", "Icons"},
    {"P1_SICON", "Small icons"},
    {"P1_LIST", "List"},
    {"P1_TABLE", "Details"},
    {"P1_THUMB", "Thumbnails"},
    {"P2_DATE", "Modified"},
    {"P2_SIZE", "Size"},
    {"P2_NAME", "Name"},
    {"P2_TYPE", "Type"},
    {"P2_PATH", "Path"},
    {"P2_SYNCMODE", "Sync mode"},
    {"P3_SEL_ALL", "Select all"},
    {"P3_SEL_INVERT", "Invert selection"},
    {"P3_SEL_NONE", "Select none"},
    {"P6_CLEAR", "Clear all"},
    {"P6_DELETE", "Delete"},
    {"TITLE_1", "Pictavo"},
    {"TITLE_2", "New project"},
    {"B_CLOSE", "Close"},
    {"B_DO", "Create"},
    {"TREEDIR_CAPTION", "Directories"},
    {"J_GNR", "General"},
    {"J_GNR_NAMEPRJ", "Project name"},
    {"J_GNR_AUTHOR", "Author"},
    {"J_GNR_CREATED", "Created"},
    {"J_GNR_MODIFED", "Modifed"},
    {"J_GNR_OPENED", "Opened"},
    {"J_GNR_COMMENT", "Comments"},
    {"J_GNR_UNKNOWN", "(unknown)"},
    {"J_SRC", "Favorite"},
    {"J_SRC_OPTION", " Search options "},
    {"J_SRC_FOLDER", " Only root folders"},
    {"J_SRC_USESUB", " Use subdirectories"},
    {"J_IMG", "Image"},
    {"J_DEST", "Destination"},
    {"J_DEST_USEFOLDER", " Use folder "},
    {"J_DEST_USERENAME", " Use rename"},
    {"J_DEST_OPTION", " Rename options"},
    {"J_DEST_OPTQUERY", " Query "},
    {"J_DEST_OPTDIGITAL", " Use digital count"},
    {"J_DEST_OPTTIME", " Use time count"},
    {"J_DEST_USECOUNTER", " Rename from this digit"},
    {"J_DEST_NAME_UNKNOWN", "Unknown field in the name pattern:"},
    {"J_DEST_NAME_REFUSED", "A file name cannot hold the character:"},
    {"J_DEST_NAME_BRACE", "Unmatched brace in the name pattern:"},
    {"J_DEST_KEEPFOLDERS", " Keep the folder structure"},
    {"HINT_DEST_KEEPFOLDERS", "Files found in a folder you added go into the same subfolders below the destination"},
    {"J_DEST_NAME", "New names:"},
    {"HINT_DEST_NAME", "Empty: the name up to its first dot. Fields: {name} name without extension, {base} name up to the first dot, {n} counter, {n:3} counter with 3 digits, {date} and {time} of the run, {taken} when the photo was taken, {width} and {height} of the new picture, {folder} name of the source folder"},
    {"J_DEST_NAME_EXAMPLE", "For example:"},
    {"J_DEST_LOWEREXT", " Extension in lower case"},
    {"J_DEST_EXISTING", "File exists:"},
    {"J_DEST_EXIST_NUMBER", "Add a number"},
    {"J_DEST_EXIST_SKIP", "Skip it"},
    {"J_DEST_EXIST_REPLACE", "Replace it"},
    {"HINT_DEST_EXISTING", "What happens when a new file would take the name of a file already there; sources are never replaced"},
    {"J_DEST_KEEPDATES", " Keep the dates of the files"},
    {"J_DEST_METADATA", "Photo data:"},
    {"J_DEST_META_KEEP", "Keep all"},
    {"J_DEST_META_PRIVATE", "Leave out private data"},
    {"J_DEST_META_NONE", "Colour profile only"},
    {"HINT_META_KEEP", "Everything the photo carries stays: camera data, GPS position, serial numbers, thumbnails"},
    {"HINT_META_PRIVATE", "Leaves out GPS position, maker notes, serial numbers, owner, software, XMP and IPTC data and the thumbnail; keeps the colour profile, copyright, camera and exposure data and the date taken; the picture is turned upright"},
    {"HINT_META_NONE", "Keeps only the colour profile; the picture is turned upright"},
    {"J_IMG_DEST", "Image options"},
    {"J_IMG_ASITIS", " Size as is "},
    {"J_IMG_MEASURE", "Measure"},
    {"J_IMG_RANGE", "Preset"},
    {"J_IMG_WIDTH", "New width"},
    {"J_IMG_HEIGHT", "New height"},
    {"J_CB_PIXEL", "Pixels"},
    {"J_CB_CM", "Centimeters"},
    {"J_CB_INCH", "Inches"},
    {"J_FILTER", "Filter"},
    {"J_FILTER_CHECK", " Check all"},
    {"J_FILTER_UNCHECK", " Uncheck all"},
    {"J_FILTER_OLDEXT", " Filter of extensions"},
    {"J_FILTER_NEWEXT", "Convert to file type"},
    {"FILTER_SHOWALLFILES", " Show all files"},
    {"FILTER_SHOWHIDEN", " Show hidden files and folders"},
    {"FILTER_SHOWFOLDERS", " Show only folders"},
    {"FILTER_SHOWCUSTOM", " Show custom files"},
    {"STATUS_TOTAL", "Total objects"},
    {"STATUS_SELECTED", "Selected"},
    {"LB_FILENAME", "File name"},
    {"LB_PATH", "Path"},
    {"LB_REPORT_SKIPPED", "Skipped     :"},
    {"FOUNDED", "Files, selected for conversion:"},
    {"J_IMG_ASITIS2", " Orientation as is "},
    {"J_IMG_PORTRET", "Portrait"},
    {"J_IMG_ALBOM", "Landscape"},
    {"J_IMG_ROTATE", " Rotate 90 CCW"},
    {"J_IMG_TROTATE", " Orientation "},
    {"J_IMG_TRANGE", " Range "},
    {"J_IMG_LOCK", " Lock "},
    {"J_IMG_ASPECT", " Aspect ratio "},
    {"J_IMG_MULTI", " Multipages"},
    {"J_IMG_ENV", "Scratch disk"},
    {"MSG_IMAGE_TOO_LARGE", "Image too large: %1x%2 (limit %3x%4, %5 megapixels)"},
    {"MSG_FOLDER_NOT_LISTED", "Folder cannot be listed: %1"},
    {"PREF_CAPS", "Image size"},
    {"PREF_MAX_WIDTH", "Largest width, pixels"},
    {"PREF_MAX_HEIGHT", "Largest height, pixels"},
    {"PREF_MAX_AREA", "Largest area, megapixels"},
    {"PREF_CACHE_DISK", "Disk for pixel caches, Mb"},
    {"PAD_VIEW_PREVIEW", "Preview"},
    {"PAD_SERVIS_COPYCMD", "Copy as command"},
    {"PREVIEW_SOURCE", "Source"},
    {"PREVIEW_OUTPUT", "Output"},
    {"PREVIEW_FILES", "Files"},
    {"WAIT_DONE", "Files done"},
    {"WAIT_FAILED", "Failed"},
    {"WAIT_ELAPSED", "Elapsed"},
    {"WAIT_LEFT", "Time left"},
    {"WAIT_INWORK", "In work"},
    {"ACC_FILELIST", "Files of the folder"},
    {"ACC_SOURCES", "Files selected for conversion"},
    {"J_IMG_SIZEMODE", "Size"},
    {"J_SIZE_RULES", "Width and height"},
    {"J_SIZE_LONG", "Long edge"},
    {"J_SIZE_SHORT", "Short edge"},
    {"J_SIZE_FIT", "Fit within"},
    {"J_SIZE_FILL", "Fill and crop"},
    {"J_SIZE_PERCENT", "Percent"},
    {"J_IMG_NOENLARGE", "Do not enlarge"},
    {"J_IMG_ENCODER", " Encoder "},
    {"J_OPT_PROGRESSIVE", "Progressive"},
    {"J_OPT_SUBSAMPLING", "Chroma subsampling"},
    {"J_OPT_LOSSLESS", "Lossless"},
    {"J_OPT_EFFORT", "Effort"},
    {"J_OPT_LEVEL", "Compression level"},
    {"J_OPT_PALETTE", "8-bit palette"},
    {"J_OPT_COMPRESSION", "Compression"},
    {"J_OPT_CMYK", "CMYK for print"},
    {"J_OPT_SPEED", "Speed (9 fastest)"},
    {"J_OPT_BACKGROUND", "Background"},
    {"J_OPT_AUTO", "Automatic"},
    {"J_OPT_NONE", "None"},
    {"J_GNR_ALSO", "Also convert with"},
};

const int CatalogueDefaultCount = int(sizeof(CatalogueDefaults) / sizeof(CatalogueDefaults[0]));

QByteArray FoldKey(const char *key)
{
    if (!key)
        return {};
    const size_t length = std::strlen(key);
    const bool ascii = std::all_of(key, key + length, [](char c) { return uchar(c) < 0x80; });
    if (ascii) {
        QByteArray folded(key, int(length));
        for (char &c : folded) {
            if (c >= 'a' && c <= 'z')
                c = char(c - 'a' + 'A');
        }
        return folded;
    }
    return QString::fromUtf8(key, qsizetype(length)).toUpper().toUtf8();
}

size_t TStringAssociationList::lowerBound(const QByteArray &folded) const
{
    // QByteArray orders by unsigned byte values.
    const auto found = std::lower_bound(m_entries.begin(), m_entries.end(), folded,
                                        [](const Entry &entry, const QByteArray &wanted) {
                                            return entry.folded < wanted;
                                        });
    return size_t(found - m_entries.begin());
}

void TStringAssociationList::Add(const char *key, const char *text)
{
    QByteArray folded = FoldKey(key);
    const size_t position = lowerBound(folded);
    if (position < m_entries.size() && m_entries[position].folded == folded)
        throw TError(QStringLiteral("Duplicate key in the string catalogue: ") + QString::fromUtf8(key));
    m_entries.insert(m_entries.begin() + qptrdiff(position),
                     Entry{std::move(folded), QByteArray(key), QByteArray(text ? text : "")});
}

const char *TStringAssociationList::Find(const char *key) const
{
    const QByteArray folded = FoldKey(key);
    const size_t position = lowerBound(folded);
    if (position < m_entries.size() && m_entries[position].folded == folded)
        return m_entries[position].text.constData();
    return nullptr;
}

const TStringAssociationList &Catalogue()
{
    static const TStringAssociationList catalogue = [] {
        TStringAssociationList list;
        for (int i = 0; i < CatalogueDefaultCount; ++i)
            list.Add(CatalogueDefaults[i].key, CatalogueDefaults[i].text);
        list.Squeeze();
        return list;
    }();
    return catalogue;
}

const char *BuiltInString(const char *key)
{
    if (!key)
        return nullptr;
    return Catalogue().Find(key);
}
