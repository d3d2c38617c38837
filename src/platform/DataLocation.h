#pragma once

#include <QString>

// Where Brimvale keeps its per-user files: $XDG_DATA_HOME/brimvale, or
// ~/.local/share/brimvale when XDG_DATA_HOME is unset or not an absolute path.
QString brimvaleDataDir();

// The preferences and history database inside brimvaleDataDir().
QString brimvaleStoreFile();

// Makes `path` an existing directory that only its owner can enter (mode 0700),
// creating missing parents with the usual permissions. An existing directory is
// narrowed to 0700, because the history it holds is as private as the clipboard.
// On failure returns false and, when `error` is given, says why.
bool ensurePrivateDir(const QString &path, QString *error = nullptr);
