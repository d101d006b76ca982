// A module that is listed but cannot be selected: it has no GetString.
#include "unitLangModule.h"

extern "C" {
PICTAVO_LANG_EXPORT const char *GetNameLang() { return "No Strings (NS)"; }
}
