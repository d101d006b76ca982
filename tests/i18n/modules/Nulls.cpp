// A module that knows no key at all, and counts how often it is asked.
#include "unitLangModule.h"

namespace {
int lookups = 0;
}

extern "C" {
PICTAVO_LANG_EXPORT const char *GetNameLang() { return "Empty (XX)"; }
PICTAVO_LANG_EXPORT const char *GetString(const char *)
{
    ++lookups;
    return nullptr;
}
PICTAVO_LANG_EXPORT int LookupCount() { return lookups; }
}
