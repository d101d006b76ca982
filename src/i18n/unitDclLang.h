#pragma once

#include <QByteArray>

#include <vector>

// A catalogue key as the catalogue compares it: folded to upper case (Unicode folding,
// which covers ASCII and Cyrillic), as UTF-8 bytes.
QByteArray FoldKey(const char *key);

// Key-to-text association kept sorted by folded key; every key occurs once.
class TStringAssociationList
{
public:
    // Throws TError when the key (in any letter case) is already present.
    void Add(const char *key, const char *text);
    // The text of the key in any letter case, or nullptr when it is absent.
    const char *Find(const char *key) const;
    int Count() const { return int(m_entries.size()); }
    // Entries in key order.
    const char *KeyAt(int position) const { return m_entries.at(size_t(position)).key.constData(); }
    const char *TextAt(int position) const { return m_entries.at(size_t(position)).text.constData(); }
    void Squeeze() { m_entries.shrink_to_fit(); }

private:
    struct Entry
    {
        QByteArray folded;
        QByteArray key;
        QByteArray text;
    };
    // First position whose folded key is not below the given one.
    size_t lowerBound(const QByteArray &folded) const;

    std::vector<Entry> m_entries;
};

struct TCatalogueDefault
{
    const char *key;
    const char *text;
};

// Every key of the user interface with its English text, in the order it is added.
extern const TCatalogueDefault CatalogueDefaults[];
extern const int CatalogueDefaultCount;

// The built-in catalogue, filled with the defaults on first use and never changed after.
const TStringAssociationList &Catalogue();

// Built-in lookup, with the same shape as a language module's GetString:
// the English text of the key, or nullptr when the catalogue lacks it.
const char *BuiltInString(const char *key);
