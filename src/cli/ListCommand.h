// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// "palavine list": the folder walk, the file list, its pruning and the page,
// with no window and no display. The folders are read once, in the order the
// window would list them, and the page is written as the files are found, so
// memory doesn't grow with the number of files.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>
#include <vector>

struct ListOptions {
    struct Input {
        bool listFile = false; // a --folders-from file, else a FOLDER
        QString path;
    };
    struct Prune {
        bool folders = false;   // prunes the folder list, else the results
        bool containing = true; // removes the entries that contain the text, else the others
        QString text;
    };
    std::vector<Input> inputs; // in the order given; a list file "-" is standard input
    std::vector<Prune> prunes; // in the order given
    bool subfolders = true;
    bool nulSeparated = false; // list files separate their folders by NUL bytes
    std::optional<QString> filter;
    std::optional<QString> output; // "-": standard output
    std::optional<QString> font;
    std::optional<qint32> textColour;
    std::optional<qint32> backgroundColour;
    std::optional<QString> settings;
    bool noSettings = false; // no stored options at all: the window's defaults
    bool open = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

// Exit statuses.
namespace ListExit {
constexpr int Success = 0;  // the page written, every folder and list file named read
constexpr int Failure = 1;  // something named could not be read, or no page written
constexpr int BadUsage = 2; // the arguments: nothing was done
} // namespace ListExit

// The usage text, as --help prints it.
QString ListUsage();

// "#RRGGBB" or a colour number from 0 to 16777215, as a colour number (red in
// the low byte); nothing for any other text.
std::optional<qint32> ParseColour(const QString& text);

// The arguments after "list", as the process received them (bytes), in the
// GNU forms: bundled and attached short options (-qo DIR, -oDIR), --name=VALUE,
// long names abbreviated where that is unambiguous, FOLDERs among the options
// in their order, "--" ending the options. Nothing, with the problem in
// *error, for bad usage.
std::optional<ListOptions> ParseListArguments(const QList<QByteArray>& arguments, QString* error);

// Runs "palavine list" with parsed options; messages go to standard error.
int RunList(const ListOptions& options);

// True when the process's arguments ask for the command line rather than the
// window: "list" first, or anything other than Qt's own window options
// (-style NAME, -platform NAME, -reverse, ...), so that an unknown option is
// told instead of opening the window.
bool IsCommandLine(int argc, char* argv[]);
// The whole command line: parses, runs, and gives the exit status.
int RunCommandLine(int argc, char* argv[]);
