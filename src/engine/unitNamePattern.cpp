#include "engine/unitNamePattern.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <optional>

namespace {

struct TFieldName
{
    const char *Name;
    TNameField Field;
};

const TFieldName kFields[] = {
    {"name", TNameField::Name},   {"base", TNameField::Base},     {"n", TNameField::Counter},
    {"date", TNameField::Date},   {"time", TNameField::Time},     {"taken", TNameField::Taken},
    {"width", TNameField::Width}, {"height", TNameField::Height}, {"folder", TNameField::Folder},
};

constexpr int kMaxPadding = 18;

bool isRefused(QChar c) { return c == QLatin1Char('/') || c.unicode() < 0x20 || c.unicode() == 0x7F; }

// A field between braces: its name and, for {n:3}, the padding.
struct TParsedField
{
    TNameField Field;
    int Padding = 0;
};

std::optional<TParsedField> parseField(const QString &inside)
{
    QString name = inside;
    int padding = 0;
    const int colon = inside.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        name = inside.left(colon);
        bool ok = false;
        padding = inside.mid(colon + 1).toInt(&ok);
        if (name != QLatin1String("n") || !ok || padding < 1 || padding > kMaxPadding)
            return std::nullopt;
    }
    for (const TFieldName &known : kFields) {
        if (name == QLatin1String(known.Name))
            return TParsedField{known.Field, padding};
    }
    return std::nullopt;
}

// Walks the pattern once; `field` is called for each field, `literal` for each run of
// plain text. Stops at the first problem.
template <typename FieldFn, typename LiteralFn>
TPatternProblem walk(const QString &pattern, FieldFn field, LiteralFn literal)
{
    int i = 0;
    while (i < pattern.size()) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('}'))
            return {TPatternProblem::UnmatchedBrace, QStringLiteral("}")};
        if (c == QLatin1Char('{')) {
            const int close = pattern.indexOf(QLatin1Char('}'), i + 1);
            const int nextOpen = pattern.indexOf(QLatin1Char('{'), i + 1);
            if (close < 0 || (nextOpen >= 0 && nextOpen < close))
                return {TPatternProblem::UnmatchedBrace, QStringLiteral("{")};
            const QString inside = pattern.mid(i + 1, close - i - 1);
            const std::optional<TParsedField> parsed = parseField(inside);
            if (!parsed)
                return {TPatternProblem::UnknownField, QLatin1Char('{') + inside + QLatin1Char('}')};
            field(*parsed);
            i = close + 1;
            continue;
        }
        if (isRefused(c))
            return {TPatternProblem::RefusedCharacter, QString(c)};
        literal(c);
        ++i;
    }
    return {};
}

QString fieldText(const TParsedField &parsed, const TNameFields &fields)
{
    switch (parsed.Field) {
    case TNameField::Name: {
        const int dot = fields.FileName.lastIndexOf(QLatin1Char('.'));
        return dot <= 0 ? fields.FileName : fields.FileName.left(dot);
    }
    case TNameField::Base:
        return BaseOfFileName(fields.FileName);
    case TNameField::Counter:
        return QStringLiteral("%1").arg(fields.Counter, parsed.Padding, 10, QLatin1Char('0'));
    case TNameField::Date:
        return fields.RunStart.toString(QStringLiteral("yyyy-MM-dd"));
    case TNameField::Time:
        return fields.RunStart.toString(QStringLiteral("hhmmss"));
    case TNameField::Taken:
        return fields.Taken.toString(QStringLiteral("yyyy-MM-dd_hhmmss"));
    case TNameField::Width:
        return QString::number(fields.Width);
    case TNameField::Height:
        return QString::number(fields.Height);
    case TNameField::Folder:
        return QFileInfo(QString(fields.Folder).remove(QRegularExpression(QStringLiteral("/+$"))))
            .fileName();
    }
    return QString();
}

} // namespace

TPatternProblem CheckNamePattern(const QString &pattern)
{
    return walk(pattern, [](const TParsedField &) {}, [](QChar) {});
}

QString DescribePatternProblem(const TPatternProblem &problem,
                               const std::function<QString(const char *key)> &text)
{
    const char *key = nullptr;
    switch (problem.What) {
    case TPatternProblem::None: return QString();
    case TPatternProblem::UnknownField: key = "J_DEST_NAME_UNKNOWN"; break;
    case TPatternProblem::RefusedCharacter: key = "J_DEST_NAME_REFUSED"; break;
    case TPatternProblem::UnmatchedBrace: key = "J_DEST_NAME_BRACE"; break;
    }
    QString part = problem.Part;
    if (part.size() == 1 && part.at(0).unicode() < 0x20)
        part = QStringLiteral("U+%1").arg(part.at(0).unicode(), 4, 16, QLatin1Char('0'));
    return text(key) + QStringLiteral(" \"") + part + QLatin1Char('"');
}

bool PatternUses(const QString &pattern, TNameField wanted)
{
    bool uses = false;
    walk(pattern, [&](const TParsedField &parsed) { uses = uses || parsed.Field == wanted; },
         [](QChar) {});
    return uses;
}

QString ApplyNamePattern(const QString &pattern, const TNameFields &fields)
{
    QString name;
    const TPatternProblem problem = walk(
        pattern,
        [&](const TParsedField &parsed) {
            for (const QChar c : fieldText(parsed, fields))
                name += isRefused(c) ? QLatin1Char('_') : c;
        },
        [&](QChar c) { name += c; });
    return problem.What == TPatternProblem::None ? name : QString();
}

QString BaseOfFileName(const QString &fileName)
{
    const int dot = fileName.indexOf(QLatin1Char('.'));
    return dot < 0 ? fileName : fileName.left(dot);
}
