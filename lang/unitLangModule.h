#pragma once

// Shared by the language modules: the export mark and the key lookup. A module is a plain
// C library; the program asks it for texts through three exports.

#if defined(_WIN32)
#define PICTAVO_LANG_EXPORT __declspec(dllexport)
#else
#define PICTAVO_LANG_EXPORT __attribute__((visibility("default")))
#endif

#ifndef PICTAVO_LANG_VERSION
#define PICTAVO_LANG_VERSION ""
#endif

struct TLangText
{
    const char *key;
    const char *text;
};

// Keys are ASCII; the program may pass them in any letter case.
inline bool SameLangKey(const char *a, const char *b)
{
    for (;; ++a, ++b) {
        char x = *a;
        char y = *b;
        if (x >= 'a' && x <= 'z')
            x = char(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = char(y - 'a' + 'A');
        if (x != y)
            return false;
        if (x == '\0')
            return true;
    }
}

// The text of the key, or null when the table lacks it.
template <int Count>
const char *FindLangText(const TLangText (&texts)[Count], const char *key)
{
    if (!key)
        return nullptr;
    for (const TLangText &entry : texts) {
        if (SameLangKey(entry.key, key))
            return entry.text;
    }
    return nullptr;
}
