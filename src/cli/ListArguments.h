// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The program's arguments, read into a ListConfig: "palavine list" in the GNU
// forms, and the program's own few (--help, --version, Qt's window options,
// the folders the window is to add).
#pragma once

#include "cli/ListConfig.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// The usage text, as --help prints it.
QString ListUsage();

// "#RRGGBB" or a colour number from 0 to 16777215, as a colour number (red in
// the low byte); nothing for any other text.
std::optional<qint32> ParseColour(const QString& text);

// The arguments after "list", as the process received them (bytes), in the
// GNU forms: bundled and attached short options (-qo DIR, -oDIR), --name=VALUE,
// long names abbreviated where that is unambiguous, FOLDERs among the options
// in their order, "--" ending the options. No FOLDER and no list file: the
// current folder. Nothing, with the problem in *error, for bad usage.
std::optional<ListConfig> ParseListArguments(const QList<QByteArray>& arguments, QString* error);

// The arguments of the program without "list" that are not the window's: only
// --help and --version (or -h), anything else is bad usage.
std::optional<ListConfig> ParseProgramArguments(const QList<QByteArray>& arguments, QString* error);

// True when the process's arguments are for the command line rather than the
// window: "list" first, or an option other than Qt's own window options
// (-style NAME, -platform NAME, -reverse, ...), so that an unknown option is
// told instead of opening the window. Other arguments, and all after "--",
// are folders for the window to add.
bool IsCommandLine(int argc, char* argv[]);
