// A module without GetNameLang: it must not be listed.
#include "unitLangModule.h"

extern "C" {
PICTAVO_LANG_EXPORT const char *GetVersionLang() { return "1"; }
PICTAVO_LANG_EXPORT const char *GetString(const char *) { return "never"; }
}
