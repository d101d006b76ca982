#include "project/unitPrompt.h"

#include <cstdio>

namespace {

TConsolePrompt g_consolePrompt;
TPrompt *g_prompt = nullptr;

void printLine(const char *prefix, const QString &text)
{
    std::fprintf(stderr, "%s%s\n", prefix, text.toUtf8().constData());
    std::fflush(stderr);
}

} // namespace

void TConsolePrompt::error(const QString &text) { printLine("", text); }
void TConsolePrompt::warning(const QString &text) { printLine("warning: ", text); }
void TConsolePrompt::information(const QString &text) { printLine("", text); }

TAnswer TConsolePrompt::question(const QString &text, bool, TSymbol)
{
    printLine("", text + QStringLiteral(" (answered No)"));
    return TAnswer::No;
}

TPrompt &Prompt() { return g_prompt ? *g_prompt : g_consolePrompt; }

void SetPrompt(TPrompt *prompt) { g_prompt = prompt; }

TPromptScope::TPromptScope(TPrompt *prompt) : m_previous(g_prompt) { g_prompt = prompt; }

TPromptScope::~TPromptScope() { g_prompt = m_previous; }
