// One of two modules reporting the same name.
#include "unitLangModule.h"

extern "C" {
PICTAVO_LANG_EXPORT const char *GetNameLang() { return "Twin (TW)"; }
PICTAVO_LANG_EXPORT const char *GetString(const char *) { return "twin 1"; }
}
