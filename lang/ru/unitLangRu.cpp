// Russian texts of the user interface.
#include "unitLangModule.h"

namespace {

const TLangText Texts[] = {
    {"PAD_FILE", "Файл"},
    {"PAD_FILE_NEW", "Новый проект"},
    {"PAD_FILE_NEWSTD", "Стандартный"},
    {"PAD_FILE_NEWCST", "Особый ..."},
    {"PAD_FILE_OPEN", "Открыть ..."},
    {"PAD_FILE_SAVE", "Сохранить ..."},
    {"PAD_EXIT", "Выход"},
    {"PAD_HELP", "Справка"},
    {"PAD_VIEW", "Вид"},
    {"PAD_VIEW_DIR", "Папки"},
    {"PAD_VIEW_OPTIONS", "Параметры проекта"},
    {"PAD_VIEW_TOOLS", "Панель инструментов"},
    {"PAD_VIEW_MODE", "Режим просмотра"},
    {"PAD_VIEW_SELECT", "Выделение"},
    {"PAD_VIEW_SKIN", "Оформление"},
    {"PAD_VIEW_ADRES", "Путь"},
    {"PAD_VIEW_LANG", "Языки"},
    {"PAD_VIEW_SORT", "Сортировка"},
    {"PAD_VIEW_BACK", "Назад"},
    {"PAD_SERVIS", "Сервис"},
    {"PAD_SERVIS_CNV", "Преобразовать ..."},
    {"PAD_SERVIS_CNVSTOP", "Остановить преобразование"},
    {"PAD_SERV_PREF", "Настройки ..."},
    {"PAD_ABOUT", "О программе ..."},
    {"HINT_EXIT", "Выход"},
    {"HINT_SH_TOOLS", "Показать/скрыть панель инструментов"},
    {"HINT_SH_DIR", "Показать/скрыть папки"},
    {"HINT_SH_OPTIONS", "Показать/скрыть параметры проекта"},
    {"HINT_BACK", "Назад"},
    {"HINT_VIEWMODE", "Режим просмотра"},
    {"HINT_SELECT", "Выделение"},
    {"HINT_SORT", "Сортировка"},
    {"HINT_NEW_PRJ", "Новый проект"},
    {"HINT_OPEN_PRJ", "Открыть проект"},
    {"HINT_SAVE_PRJ", "Сохранить проект"},
    {"HINT_ADDFAVOR", "Добавить в избранное"},
    {"HINT_CONVERT", "Преобразовать ..."},
    {"HINT_CONVERTSTOP", "Остановить преобразование"},
    {"HINT_CLEARALL", "Очистить всё"},
    {"HINT_DELSELECT", "Удалить выделенное"},
    {"P1_LICON", "Значки"},
    {"P1_SICON", "Мелкие значки"},
    {"P1_LIST", "Список"},
    {"P1_TABLE", "Таблица"},
    {"P1_THUMB", "Эскизы"},
    {"P2_DATE", "Изменён"},
    {"P2_SIZE", "Размер"},
    {"P2_NAME", "Имя"},
    {"P2_TYPE", "Тип"},
    {"P2_PATH", "Путь"},
    {"P2_SYNCMODE", "Синхронная сортировка"},
    {"P3_SEL_ALL", "Выделить всё"},
    {"P3_SEL_INVERT", "Обратить выделение"},
    {"P3_SEL_NONE", "Снять выделение"},
    {"P6_CLEAR", "Очистить всё"},
    {"P6_DELETE", "Удалить"},
    {"TITLE_1", "Pictavo"},
    {"TITLE_2", "Новый проект"},
    {"B_CLOSE", "Закрыть"},
    {"B_DO", "Создать"},
    {"TREEDIR_CAPTION", "Папки"},
    {"J_GNR", "Общие"},
    {"J_GNR_NAMEPRJ", "Имя проекта"},
    {"J_GNR_AUTHOR", "Автор"},
    {"J_GNR_CREATED", "Создан"},
    {"J_GNR_MODIFED", "Изменён"},
    {"J_GNR_OPENED", "Открыт"},
    {"J_GNR_COMMENT", "Комментарии"},
    {"J_GNR_UNKNOWN", "(неизвестно)"},
    {"J_SRC", "Избранное"},
    {"J_SRC_OPTION", " Параметры поиска "},
    {"J_SRC_FOLDER", " Только корневые папки"},
    {"J_SRC_USESUB", " Включая вложенные папки"},
    {"J_IMG", "Изображение"},
    {"J_DEST", "Назначение"},
    {"J_DEST_USEFOLDER", " Использовать папку "},
    {"J_DEST_USERENAME", " Переименовывать"},
    {"J_DEST_OPTION", " Параметры переименования"},
    {"J_DEST_OPTQUERY", " Запрос "},
    {"J_DEST_OPTDIGITAL", " Нумерация по порядку"},
    {"J_DEST_OPTTIME", " Метка времени"},
    {"J_DEST_USECOUNTER", " Нумеровать с этого числа"},
    {"J_IMG_DEST", "Параметры изображения"},
    {"J_IMG_ASITIS", " Размер без изменений "},
    {"J_IMG_MEASURE", "Единицы"},
    {"J_IMG_RANGE", "Шаблон"},
    {"J_IMG_WIDTH", "Новая ширина"},
    {"J_IMG_HEIGHT", "Новая высота"},
    {"J_CB_PIXEL", "Пиксели"},
    {"J_CB_CM", "Сантиметры"},
    {"J_CB_INCH", "Дюймы"},
    {"J_FILTER", "Фильтр"},
    {"J_FILTER_CHECK", " Отметить все"},
    {"J_FILTER_UNCHECK", " Снять все отметки"},
    {"J_FILTER_OLDEXT", " Фильтр расширений"},
    {"J_FILTER_NEWEXT", "Преобразовать в тип файла"},
    {"FILTER_SHOWALLFILES", " Показывать все файлы"},
    {"FILTER_SHOWHIDEN", " Показывать скрытые файлы и папки"},
    {"FILTER_SHOWFOLDERS", " Показывать только папки"},
    {"FILTER_SHOWCUSTOM", " Показывать выбранные типы файлов"},
    {"STATUS_TOTAL", "Всего объектов"},
    {"STATUS_SELECTED", "Выделено"},
    {"LB_FILENAME", "Имя файла"},
    {"LB_PATH", "Путь"},
    {"FOUNDED", "Файлы, выбранные для преобразования:"},
    {"J_IMG_ASITIS2", " Ориентация без изменений "},
    {"J_IMG_PORTRET", "Книжная"},
    {"J_IMG_ALBOM", "Альбомная"},
    {"J_IMG_ROTATE", " Повернуть на 90° против часовой"},
    {"J_IMG_TROTATE", " Ориентация "},
    {"J_IMG_TRANGE", " Диапазон "},
    {"J_IMG_LOCK", " Закрепить "},
    {"J_IMG_ASPECT", " Пропорции "},
    {"J_IMG_MULTI", " Многостраничный"},
    {"J_IMG_ENV", "Диск для временных файлов"},
};

} // namespace

extern "C" {

PICTAVO_LANG_EXPORT const char *GetNameLang()
{
    return "Русский (RU)";
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
