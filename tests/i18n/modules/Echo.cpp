// Answers every key with the key in angle brackets, except the hints, which it lacks.
// The answer lives in one buffer that the next call overwrites, as the interface allows.
#include "unitLangModule.h"

#include <cstdio>
#include <cstring>

namespace {
char answer[128];
}

extern "C" {
PICTAVO_LANG_EXPORT const char *GetNameLang() { return "Echo (EC)"; }
PICTAVO_LANG_EXPORT const char *GetVersionLang() { return "echo"; }
PICTAVO_LANG_EXPORT const char *GetString(const char *key)
{
    if (!key || std::strncmp(key, "HINT_", 5) == 0)
        return nullptr;
    std::snprintf(answer, sizeof answer, "<%s>", key);
    return answer;
}
}
