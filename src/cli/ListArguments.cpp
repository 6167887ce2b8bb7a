// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "cli/ListArguments.h"

#include "core/FileNames.h"

#include <algorithm>
#include <getopt.h>
#include <vector>

namespace {

// The extension an --filter names, also when written as a file pattern or
// with its dot ("*.txt", ".txt": "txt"); "*" and "*.*" keep every file.
QString extensionOf(const QString& filter) {
    if (filter.startsWith(QStringLiteral("*.")))
        return filter.mid(2);
    if (filter.size() > 1 && filter.startsWith(QLatin1Char('.')))
        return filter.mid(1);
    return filter;
}

// The long options; those without a short form have numbers above any character.
enum LongOnly : int {
    NoSubfolders = 256,
    FoldersFrom,
    Filter,
    RemoveContaining,
    RemoveNotContaining,
    RemoveFoldersContaining,
    RemoveFoldersNotContaining,
    Open,
    Font,
    Colour,
    Background,
    Settings,
    NoSettings,
    RelativeLinks,
    Version,
};

const option LongOptions[] = {
    {"no-subfolders", no_argument, nullptr, NoSubfolders},
    {"folders-from", required_argument, nullptr, FoldersFrom},
    {"null", no_argument, nullptr, '0'},
    {"filter", required_argument, nullptr, Filter},
    {"remove-containing", required_argument, nullptr, RemoveContaining},
    {"remove-not-containing", required_argument, nullptr, RemoveNotContaining},
    {"remove-folders-containing", required_argument, nullptr, RemoveFoldersContaining},
    {"remove-folders-not-containing", required_argument, nullptr, RemoveFoldersNotContaining},
    {"output", required_argument, nullptr, 'o'},
    {"open", no_argument, nullptr, Open},
    {"font", required_argument, nullptr, Font},
    {"color", required_argument, nullptr, Colour},
    {"background", required_argument, nullptr, Background},
    {"settings", required_argument, nullptr, Settings},
    {"no-settings", no_argument, nullptr, NoSettings},
    {"relative-links", no_argument, nullptr, RelativeLinks},
    {"quiet", no_argument, nullptr, 'q'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, Version},
    {nullptr, 0, nullptr, 0},
};
// Leading "-": FOLDERs come in their place among the options; ":": a missing
// value is told apart from an unknown option.
const char ShortOptions[] = "-:o:q0h";

// The option as its long name ("--output") when `written` is a long option,
// else as its letter ("-o").
QString optionName(int value, const QByteArray& written) {
    if (written.startsWith("--")) {
        for (const option* o = LongOptions; o->name; ++o) {
            if (o->val == value)
                return QStringLiteral("--") + QLatin1String(o->name);
        }
    }
    return QStringLiteral("-") + QChar(value);
}

// The number of one-letter edits that turn a into b.
int editDistance(const QByteArray& a, const QByteArray& b) {
    std::vector<int> row(size_t(b.size()) + 1);
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[size_t(j)];
            row[size_t(j)] = std::min({above + 1, row[size_t(j - 1)] + 1,
                                       diagonal + (a.at(i - 1) == b.at(j - 1) ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

// The long option a mistyped name most likely meant ("--colour": "--color"),
// or nothing when none is near.
QString nearestOption(const QByteArray& name) {
    QString best;
    int bestDistance = std::max<int>(2, int(name.size()) / 3) + 1;
    for (const option* o = LongOptions; o->name; ++o) {
        const int distance = editDistance(name, QByteArray(o->name));
        if (distance < bestDistance) {
            bestDistance = distance;
            best = QStringLiteral("--") + QLatin1String(o->name);
        }
    }
    return best;
}

// Why getopt refused the option being read (`written`, the argument it is in).
QString refusal(const QByteArray& written, int value) {
    if (!written.startsWith("--"))
        return QStringLiteral("unknown option -%1").arg(QChar(value));
    const QByteArray name = written.mid(2).split('=').first();
    if (value != 0)
        return QStringLiteral("%1 takes no value").arg(optionName(value, written));
    QStringList candidates;
    for (const option* o = LongOptions; o->name; ++o) {
        if (!name.isEmpty() && QByteArray(o->name).startsWith(name))
            candidates << QStringLiteral("--") + QLatin1String(o->name);
    }
    const QString shown = DisplayFileName(DecodeFileName(QByteArray("--") + name));
    if (candidates.size() > 1)
        return QStringLiteral("ambiguous option %1 (could be %2)")
            .arg(shown, candidates.join(QStringLiteral(", ")));
    const QString nearest = nearestOption(name);
    if (!nearest.isEmpty())
        return QStringLiteral("unknown option %1; did you mean %2?").arg(shown, nearest);
    return QStringLiteral("unknown option %1").arg(shown);
}

// Qt's own options for the window, as QApplication takes them (one dash or
// two): whether `argument` is one, and whether it takes the next argument.
bool isWindowOption(const QByteArray& argument, bool* takesValue) {
    static const char* const valued[] = {"style",           "stylesheet",         "platform",
                                         "platformtheme",   "platformpluginpath", "plugin",
                                         "qwindowgeometry", "qwindowicon",        "qwindowtitle",
                                         "display",         "geometry",           "session"};
    if (!argument.startsWith('-'))
        return false;
    const QByteArray name = argument.mid(argument.startsWith("--") ? 2 : 1);
    *takesValue = false;
    if (name == "reverse" || name == "widgetcount" || name.startsWith("style=") ||
        name.startsWith("stylesheet="))
        return true;
    for (const char* v : valued) {
        if (name == v) {
            *takesValue = true;
            return true;
        }
    }
    return false;
}

} // namespace

QString ListUsage() {
    return QStringLiteral(
        "Usage: palavine list [OPTION]... [FOLDER]...\n"
        "  or:  palavine list [OPTION]... --folders-from FILE [FOLDER]...\n"
        "  or:  palavine --help | --version\n"
        "  or:  palavine [WINDOW-OPTION]... [FOLDER]...   (starts the window, adding\n"
        "                                                each FOLDER as the window's\n"
        "                                                \"1. Add Folders and Subfolders\"\n"
        "                                                does)\n"
        "\n"
        "Writes FileList.html, a page of links to the files directly inside each FOLDER\n"
        "and every folder below it, as the window's \"1. Add Folders and Subfolders\",\n"
        "\"2. Start Creating List\" and \"3. Save Results As HTML File\" do. No display is\n"
        "needed. Without FOLDER and --folders-from, the current folder is listed.\n"
        "Folders are read level by level, each folder's files and sub-folders\n"
        "in name order (letter case ignored). Each real folder is read once: a link to\n"
        "a folder outside the tree is followed the first time the walk reaches it; one\n"
        "into the tree, or up to the FOLDER or above it, is not. Each folder that can't\n"
        "be read, or whose name holds a control character, is named on standard error,\n"
        "one line each, and the run goes on.\n"
        "Of the stored options only the font and the colours count; none is written.\n"
        "\n"
        "Folders (FOLDERs and list files in the order given):\n"
        "  --no-subfolders          read each FOLDER alone, not the folders below it\n"
        "  --folders-from FILE      also read the folders named in FILE, one per line,\n"
        "                           each alone (repeatable); \"-\" reads standard input.\n"
        "                           A relative line is taken in FILE's folder (in the\n"
        "                           current folder for standard input); an empty line\n"
        "                           names no folder; a line holding a NUL byte is left\n"
        "                           out and told\n"
        "  -0, --null               the list files separate their folders by NUL bytes,\n"
        "                           as find -print0 writes them (CR and LF are then\n"
        "                           part of the names)\n"
        "Files:\n"
        "  --filter EXT             only files with this extension, letter case ignored;\n"
        "                           \"*\" for all files (the default); \"*.EXT\" and \".EXT\"\n"
        "                           are taken as EXT\n"
        "Pruning (repeatable; letter case ignored):\n"
        "  --remove-containing TEXT              leave out files whose path holds TEXT\n"
        "  --remove-not-containing TEXT          leave out files whose path lacks TEXT\n"
        "  --remove-folders-containing TEXT      leave out the files of folders whose\n"
        "                                        path holds TEXT\n"
        "  --remove-folders-not-containing TEXT  leave out the files of folders whose\n"
        "                                        path lacks TEXT\n"
        "Page:\n"
        "  -o, --output DIR         write DIR/FileList.html (default: the current\n"
        "                           folder); \"-\" writes the page to standard output\n"
        "  --relative-links         link each file by its path from the output folder,\n"
        "                           so the links work wherever the page goes with the\n"
        "                           files (not with -o -); the link text stays the full\n"
        "                           path\n"
        "  --open                   open the page with the default browser when written\n"
        "  --font NAME              the page's font (default: the stored font)\n"
        "  --color COLOUR           the text colour, #RRGGBB or a colour number\n"
        "  --background COLOUR      the background colour, #RRGGBB or a colour number\n"
        "Other:\n"
        "  --settings FILE          take the stored font and colours from FILE\n"
        "  --no-settings            use no stored options: Arial, blue on white, as the\n"
        "                           window first starts (the later of the two counts)\n"
        "  -q, --quiet              no progress and no summary; errors only\n"
        "  -h, --help               show this text\n"
        "  --version                show the version\n"
        "\n"
        "A long option may be shortened to any unambiguous start (--out DIR) and take\n"
        "its value after \"=\" (--output=DIR); short options may be bundled (-qo DIR)\n"
        "and take their value attached (-oDIR). \"--\" ends the options.\n"
        "\n"
        "WINDOW-OPTION is one of Qt's options for the window: -style NAME,\n"
        "-stylesheet FILE, -platform NAME, -platformtheme NAME, -platformpluginpath DIR,\n"
        "-plugin NAME, -qwindowgeometry GEOMETRY, -qwindowicon FILE, -qwindowtitle TITLE,\n"
        "-display DISPLAY, -geometry GEOMETRY, -session ID, -reverse or -widgetcount.\n"
        "\n"
        "Exit status:\n"
        "  0  the page was written, and every folder and list file was read\n"
        "  1  a FOLDER, a list file, a folder one names or a folder below them could\n"
        "     not be read (the page holds the rest); or no page was written (an earlier\n"
        "     page stays as it was; also when no file was found); or standard output\n"
        "     could not be written\n"
        "  2  bad usage; nothing was done\n"
        "Interrupted by SIGINT (Ctrl-C), SIGTERM or SIGHUP, it ends of that signal\n"
        "(130, 143 or 129 in a shell): the earlier page stays, and no unfinished file is\n"
        "left behind.\n");
}

std::optional<qint32> ParseColour(const QString& text) {
    if (text.size() == 7 && text.startsWith(QLatin1Char('#'))) {
        bool ok = false;
        const uint rgb = text.mid(1).toUInt(&ok, 16);
        if (!ok || text.mid(1).contains(QLatin1Char('+')) || text.mid(1).contains(QLatin1Char('-')))
            return std::nullopt;
        return qint32(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
    }
    if (text.isEmpty() || text.size() > 8)
        return std::nullopt;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    const int value = text.toInt();
    if (value > 0xFFFFFF)
        return std::nullopt;
    return qint32(value);
}

std::optional<ListConfig> ParseListArguments(const QList<QByteArray>& arguments, QString* error) {
    ListConfig o;
    auto fail = [&](const QString& reason) -> std::optional<ListConfig> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    // getopt_long reads an argv of its own.
    QByteArray program("palavine");
    std::vector<QByteArray> storage(arguments.begin(), arguments.end());
    std::vector<char*> argv{program.data()};
    for (QByteArray& a : storage)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const int argc = int(argv.size()) - 1;
    optind = 0; // a fresh start, also after an earlier parse
    opterr = 0;
    for (;;) {
        const int at = optind == 0 ? 1 : optind;
        const QByteArray written = at < argc ? QByteArray(argv[size_t(at)]) : QByteArray();
        const int c = getopt_long(argc, argv.data(), ShortOptions, LongOptions, nullptr);
        if (c == -1)
            break;
        const QString value = optarg ? DecodeFileName(QByteArray(optarg)) : QString();
        switch (c) {
        case 1:
            o.inputs.push_back({false, value});
            break;
        case ':':
            return fail(QStringLiteral("%1 needs a value").arg(optionName(optopt, written)));
        case '?':
            return fail(refusal(written, optopt));
        case 'h':
            o.help = true;
            return o;
        case Version:
            o.version = true;
            return o;
        case NoSubfolders:
            o.subfolders = false;
            break;
        case FoldersFrom:
            o.inputs.push_back({true, value});
            break;
        case '0':
            o.nulSeparated = true;
            break;
        case Filter:
            o.filter = extensionOf(value);
            break;
        case RelativeLinks:
            o.relativeLinks = true;
            break;
        case 'o':
            o.output = value;
            break;
        case Open:
            o.open = true;
            break;
        case Font:
            o.font = value;
            break;
        case Colour:
        case Background: {
            const std::optional<qint32> colour = ParseColour(value);
            if (!colour)
                return fail(QStringLiteral("%1: \"%2\" is not a colour (#RRGGBB or a colour "
                                           "number from 0 to 16777215)")
                                .arg(optionName(c, "--"), value));
            (c == Colour ? o.textColour : o.backgroundColour) = colour;
            break;
        }
        case Settings:
            o.settings = value;
            o.noSettings = false;
            break;
        case NoSettings:
            o.noSettings = true;
            o.settings.reset();
            break;
        case 'q':
            o.quiet = true;
            break;
        default: { // the four prunes
            ListConfig::Prune p;
            p.folders = c == RemoveFoldersContaining || c == RemoveFoldersNotContaining;
            p.containing = c == RemoveContaining || c == RemoveFoldersContaining;
            p.text = value;
            o.prunes.push_back(p);
        }
        }
    }
    for (int i = optind; i < argc; ++i) // after "--"
        o.inputs.push_back({false, DecodeFileName(QByteArray(argv[size_t(i)]))});
    if (o.inputs.empty()) // as find does
        o.inputs.push_back({false, QStringLiteral(".")});
    if (o.open && o.output == QStringLiteral("-"))
        return fail(QStringLiteral("--open can't open a page sent to standard output (-o -)"));
    if (o.relativeLinks && o.output == QStringLiteral("-"))
        return fail(QStringLiteral("--relative-links needs an output folder, not standard "
                                   "output (-o -)"));
    return o;
}

std::optional<ListConfig> ParseProgramArguments(const QList<QByteArray>& arguments,
                                                QString* error) {
    ListConfig o;
    bool onlyOperands = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QByteArray& a = arguments.at(i);
        bool takesValue = false;
        if (!onlyOperands && isWindowOption(a, &takesValue)) {
            if (takesValue && ++i == arguments.size()) {
                *error = QStringLiteral("%1 needs a value").arg(QString::fromLatin1(a));
                return std::nullopt;
            }
            continue;
        }
        if (!onlyOperands && a == "--") {
            onlyOperands = true;
        } else if (onlyOperands || !a.startsWith('-') || a == "-") {
            continue; // a folder for the window
        } else if (!onlyOperands && a.startsWith("--")) {
            const QByteArray name = a.mid(2).split('=').first();
            QString problem;
            if (!name.isEmpty() && QByteArray("help").startsWith(name))
                o.help = true;
            else if (!name.isEmpty() && QByteArray("version").startsWith(name))
                o.version = true;
            else
                problem = refusal(a, 0);
            if (problem.isEmpty() && a.contains('='))
                problem = QStringLiteral("%1 takes no value").arg(o.help ? "--help" : "--version");
            if (!problem.isEmpty()) {
                *error = problem;
                return std::nullopt;
            }
            return o;
        } else {
            if (a.at(1) != 'h') {
                *error = QStringLiteral("unknown option -%1").arg(QChar(a.at(1)));
                return std::nullopt;
            }
            o.help = true;
            return o;
        }
    }
    *error = QStringLiteral("no command given");
    return std::nullopt;
}

bool IsCommandLine(int argc, char* argv[]) {
    if (argc >= 2 && QByteArray(argv[1]) == "list")
        return true;
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
        if (a == "--")
            return false; // folders follow
        if (!a.startsWith('-') || a == "-")
            continue; // a folder
        bool takesValue = false;
        if (!isWindowOption(a, &takesValue) || (takesValue && ++i == argc))
            return true;
    }
    return false;
}
