// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// What "palavine list" is asked to do, as its arguments say it: data only,
// made by the argument parser and carried out by the run.
#pragma once

#include <QString>
#include <optional>
#include <vector>

struct ListConfig {
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
    std::optional<QString> settings; // the store's file
    bool noSettings = false;         // no stored options at all: the window's defaults
    bool relativeLinks = false;      // link targets relative to the output folder
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
