// Name and version of 20 characters each, Cyrillic so that characters and bytes differ.
#include "unitLangModule.h"

extern "C" {
PICTAVO_LANG_EXPORT const char *GetNameLang() { return "Очень длинное имя RU"; }
PICTAVO_LANG_EXPORT const char *GetVersionLang() { return "версия 1.2.3.4.5.6.7"; }
PICTAVO_LANG_EXPORT const char *GetString(const char *) { return "длинный"; }
}
