// German texts of the user interface.
#include "unitLangModule.h"

namespace {

const TLangText Texts[] = {
    {"PAD_FILE", "Datei"},
    {"PAD_FILE_NEW", "Neues Projekt"},
    {"PAD_FILE_NEWSTD", "Standard"},
    {"PAD_FILE_NEWCST", "Benutzerdefiniert ..."},
    {"PAD_FILE_OPEN", "Öffnen ..."},
    {"PAD_FILE_SAVE", "Speichern ..."},
    {"PAD_EXIT", "Beenden"},
    {"PAD_HELP", "Hilfe"},
    {"PAD_VIEW", "Ansicht"},
    {"PAD_VIEW_DIR", "Verzeichnisse"},
    {"PAD_VIEW_OPTIONS", "Projektoptionen"},
    {"PAD_VIEW_TOOLS", "Werkzeuge"},
    {"PAD_VIEW_MODE", "Ansichtsmodus"},
    {"PAD_VIEW_SELECT", "Auswählen"},
    {"PAD_VIEW_SKIN", "Oberfläche"},
    {"PAD_VIEW_ADRES", "Pfad"},
    {"PAD_VIEW_LANG", "Sprachen"},
    {"PAD_VIEW_SORT", "Sortieren"},
    {"PAD_VIEW_BACK", "Zurück"},
    {"PAD_SERVIS", "Extras"},
    {"PAD_SERVIS_CNV", "Konvertieren ..."},
    {"PAD_SERVIS_CNVSTOP", "Konvertierung anhalten"},
    {"PAD_SERV_PREF", "Einstellungen ..."},
    {"PAD_ABOUT", "Über ..."},
    {"HINT_EXIT", "Beenden"},
    {"HINT_SH_TOOLS", "Werkzeuge ein-/ausblenden"},
    {"HINT_SH_DIR", "Verzeichnisse ein-/ausblenden"},
    {"HINT_SH_OPTIONS", "Projektoptionen ein-/ausblenden"},
    {"HINT_BACK", "Zurück"},
    {"HINT_VIEWMODE", "Ansichtsmodus"},
    {"HINT_SELECT", "Auswählen"},
    {"HINT_SORT", "Sortieren"},
    {"HINT_NEW_PRJ", "Neues Projekt"},
    {"HINT_OPEN_PRJ", "Projekt öffnen"},
    {"HINT_SAVE_PRJ", "Projekt speichern"},
    {"HINT_ADDFAVOR", "Zu den Favoriten hinzufügen"},
    {"HINT_CONVERT", "Konvertieren ..."},
    {"HINT_CONVERTSTOP", "Konvertierung anhalten"},
    {"HINT_CLEARALL", "Alle entfernen"},
    {"HINT_DELSELECT", "Auswahl löschen"},
    {"P1_LICON", "Symbole"},
    {"P1_SICON", "Kleine Symbole"},
    {"P1_LIST", "Liste"},
    {"P1_TABLE", "Details"},
    {"P1_THUMB", "Miniaturansichten"},
    {"P2_DATE", "Geändert"},
    {"P2_SIZE", "Größe"},
    {"P2_NAME", "Name"},
    {"P2_TYPE", "Typ"},
    {"P2_PATH", "Pfad"},
    {"P2_SYNCMODE", "Synchron sortieren"},
    {"P3_SEL_ALL", "Alles auswählen"},
    {"P3_SEL_INVERT", "Auswahl umkehren"},
    {"P3_SEL_NONE", "Nichts auswählen"},
    {"P6_CLEAR", "Alle entfernen"},
    {"P6_DELETE", "Löschen"},
    {"TITLE_1", "Pictavo"},
    {"TITLE_2", "Neues Projekt"},
    {"B_CLOSE", "Schließen"},
    {"B_DO", "Erstellen"},
    {"TREEDIR_CAPTION", "Verzeichnisse"},
    {"J_GNR", "Allgemein"},
    {"J_GNR_NAMEPRJ", "Projektname"},
    {"J_GNR_AUTHOR", "Autor"},
    {"J_GNR_CREATED", "Erstellt"},
    {"J_GNR_MODIFED", "Geändert"},
    {"J_GNR_OPENED", "Geöffnet"},
    {"J_GNR_COMMENT", "Kommentare"},
    {"J_GNR_UNKNOWN", "(unbekannt)"},
    {"J_SRC", "Favoriten"},
    {"J_SRC_OPTION", " Suchoptionen "},
    {"J_SRC_FOLDER", " Nur Stammordner"},
    {"J_SRC_USESUB", " Unterordner einbeziehen"},
    {"J_IMG", "Bild"},
    {"J_DEST", "Ziel"},
    {"J_DEST_USEFOLDER", " Ordner verwenden "},
    {"J_DEST_USERENAME", " Umbenennen"},
    {"J_DEST_OPTION", " Umbenennungsoptionen"},
    {"J_DEST_OPTQUERY", " Nachfragen "},
    {"J_DEST_OPTDIGITAL", " Fortlaufende Nummer"},
    {"J_DEST_OPTTIME", " Zeitstempel"},
    {"J_DEST_USECOUNTER", " Ab dieser Zahl nummerieren"},
    {"J_IMG_DEST", "Bildoptionen"},
    {"J_IMG_ASITIS", " Größe beibehalten "},
    {"J_IMG_MEASURE", "Maßeinheit"},
    {"J_IMG_RANGE", "Vorgabe"},
    {"J_IMG_WIDTH", "Neue Breite"},
    {"J_IMG_HEIGHT", "Neue Höhe"},
    {"J_CB_PIXEL", "Pixel"},
    {"J_CB_CM", "Zentimeter"},
    {"J_CB_INCH", "Zoll"},
    {"J_FILTER", "Filter"},
    {"J_FILTER_CHECK", " Alle markieren"},
    {"J_FILTER_UNCHECK", " Alle Markierungen aufheben"},
    {"J_FILTER_OLDEXT", " Dateiendungsfilter"},
    {"J_FILTER_NEWEXT", "In Dateityp konvertieren"},
    {"FILTER_SHOWALLFILES", " Alle Dateien anzeigen"},
    {"FILTER_SHOWHIDEN", " Versteckte Dateien und Ordner anzeigen"},
    {"FILTER_SHOWFOLDERS", " Nur Ordner anzeigen"},
    {"FILTER_SHOWCUSTOM", " Ausgewählte Dateitypen anzeigen"},
    {"STATUS_TOTAL", "Objekte gesamt"},
    {"STATUS_SELECTED", "Ausgewählt"},
    {"LB_FILENAME", "Dateiname"},
    {"LB_PATH", "Pfad"},
    {"FOUNDED", "Zur Konvertierung ausgewählte Dateien:"},
    {"J_IMG_ASITIS2", " Ausrichtung beibehalten "},
    {"J_IMG_PORTRET", "Hochformat"},
    {"J_IMG_ALBOM", "Querformat"},
    {"J_IMG_ROTATE", " 90° gegen den Uhrzeigersinn drehen"},
    {"J_IMG_TROTATE", " Ausrichtung "},
    {"J_IMG_TRANGE", " Bereich "},
    {"J_IMG_LOCK", " Sperren "},
    {"J_IMG_ASPECT", " Seitenverhältnis "},
    {"J_IMG_MULTI", " Mehrseitig"},
    {"J_IMG_ENV", "Auslagerungslaufwerk"},
};

} // namespace

extern "C" {

PICTAVO_LANG_EXPORT const char *GetNameLang()
{
    return "Deutsch (DE)";
}

PICTAVO_LANG_EXPORT const char *GetVersionLang()
{
    return PICTAVO_LANG_VERSION;
}

PICTAVO_LANG_EXPORT const char *GetString(const char *key)
{
    return FindLangText(Texts, key);
}

} // extern "C"
