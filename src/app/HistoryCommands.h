#pragma once

#include <QString>

#include <cstdio>
#include <optional>

// The commands that read the stored history and print it, for launchers and
// scripts (`brimvale --list | wofi --dmenu | brimvale --copy -`). They read the
// store file as it is, whether or not Brimvale runs, need no display, and never
// change the file. Each returns the process's exit status; trouble is one line on
// `err`.

// `--list [url|code|text|all]`: one item a line, newest first: its store id, a
// tab, and what the panel's row shows of it. With `wholeTexts`, the whole text
// instead, each item ended by a NUL. `all` merges the three lists by age.
int listHistory(const QString &storePath, const QString &category, bool wholeTexts, std::FILE *out,
                std::FILE *err);
// `--print ID`: the item's text exactly as copied, with nothing added.
int printItem(const QString &storePath, const QString &idArgument, std::FILE *out, std::FILE *err);

// The store id an argument names: a number, a line printed by --list (its id is
// what comes before the tab), or with "-" such a line read from `in`. Nothing,
// with one line on `err`, when it names none.
std::optional<qint64> itemIdArgument(const QString &argument, std::FILE *in, std::FILE *err);
