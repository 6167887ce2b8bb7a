// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "cli/ListCommand.h"

#include "cli/ConsoleUi.h"
#include "core/AppInfo.h"
#include "core/ErrorReport.h"
#include "core/FileNames.h"
#include "core/FileSystem.h"
#include "core/Paths.h"
#include "core/Settings.h"
#include "core/WriteAll.h"
#include "folders/AddFolder.h"
#include "folders/ListFiles.h"
#include "listing/CreateList.h"
#include "listing/RemoveEntries.h"
#include "report/PageFile.h"
#include "report/PageWriter.h"

#include <QDir>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The page goes to the file in pieces of about this size.
constexpr qsizetype ChunkBytes = qsizetype(1) << 20;

const QString StandardOutput = QStringLiteral("standard output");
const QString StandardInput = QStringLiteral("standard input");

// The page could not be written: the run ends.
struct PageNotWritten {
    QString reason;
};

struct LoweredPrune {
    bool containing;
    QString lowered;
};

// Writes all the bytes to the descriptor; a failure throws AppError with the
// system's reason.
void writeAll(int fd, const QByteArray& bytes) {
    if (!WriteAll(fd, bytes.constData(), bytes.size()))
        throw AppError::fromErrno(errno);
}

// The folders of the folder list as they are found, each read, its files
// tested and written as link lines to `sink` (the page's file or standard
// output).
class ListRun {
  public:
    ListRun(const ListOptions& options, const QString& filter, ConsoleUi& ui,
            std::function<void(const QByteArray&)> sink, const QByteArray& pageTemporary,
            QByteArray& page, PageBody& body)
        : filter_(filter), ui_(ui), sink_(std::move(sink)), temporary_(pageTemporary),
          temporaryName_(pageTemporary.mid(pageTemporary.lastIndexOf('/') + 1)), page_(page),
          body_(body) {
        for (const ListOptions::Prune& p : options.prunes) {
            if (p.text.isEmpty())
                continue; // an empty text changes nothing, as in the window
            (p.folders ? folderPrunes_ : resultPrunes_).push_back({p.containing, p.text.toLower()});
        }
    }

    qint64 written() const { return body_.count(); }

    // One folder-list entry; `files` when its files were read already.
    void folder(const QString& entry, const FileNameList* files) {
        ui_.tick();
        if (!NamesAFolder(entry) || !passes(folderPrunes_, entry))
            return;
        const QString prefix = FolderEntryPrefix(entry);
        FileNameList own;
        if (!files) {
            try {
                own = ReadFolderFiles(prefix, &ui_);
            } catch (const AppError& e) {
                ui_.fault(entry, e.description());
                return;
            }
            // A folder that is not there reads as empty; one that was named is told.
            if (own.size() == 0 && !IsFolder(entry)) {
                ui_.fault(entry, FileExists(entry) ? QStringLiteral("Not a folder")
                                                   : QStringLiteral("Path not found"));
                return;
            }
            files = &own;
        }
        ui_.folderRead();
        for (qsizetype i = 0; i < files->size(); ++i) {
            const char* name = files->name(i);
            if (!IsListedFileName(name))
                continue;
            SetFilePath(path_, prefix, name, files->nameSize(i));
            if (isPageTemporary(name, files->nameSize(i)) || !filter_.keeps(path_) ||
                !passes(resultPrunes_, path_))
                continue;
            body_.add(path_);
            ui_.fileFound();
            ui_.tick();
            if (page_.size() >= ChunkBytes)
                flush();
        }
    }

    void flush() {
        try {
            sink_(page_);
        } catch (const AppError& e) {
            throw PageNotWritten{e.description()};
        }
        page_.resize(0);
    }

  private:
    static bool passes(const std::vector<LoweredPrune>& prunes, QStringView text) {
        for (const LoweredPrune& p : prunes) {
            if (ContainsLowered(text, p.lowered) == p.containing)
                return false;
        }
        return true;
    }

    // The file the page is being written to, when the output folder is one of
    // those read: it is gone by the time the page is read.
    bool isPageTemporary(const char* name, qsizetype size) const {
        if (size != temporaryName_.size() || std::memcmp(name, temporaryName_.constData(), size))
            return false;
        struct stat found {
        }, temporary{};
        return ::stat(EncodeFileName(path_).constData(), &found) == 0 &&
               ::stat(temporary_.constData(), &temporary) == 0 &&
               found.st_dev == temporary.st_dev && found.st_ino == temporary.st_ino;
    }

    ExtensionFilter filter_;
    ConsoleUi& ui_;
    std::function<void(const QByteArray&)> sink_;
    QByteArray temporary_;
    QByteArray temporaryName_;
    QByteArray& page_;
    PageBody& body_;
    std::vector<LoweredPrune> folderPrunes_;
    std::vector<LoweredPrune> resultPrunes_;
    QString path_;
};

// A stored colour number, or the window's default when the store holds
// something else.
qint32 storedColour(ConsoleUi& ui, const StoredOptions& stored, const QString& key,
                    qint32 fallback) {
    const QString text = stored.find(key).value_or(QString::number(fallback));
    try {
        const qint32 colour = ToWholeNumber(text);
        if (colour >= 0 && colour <= 0xFFFFFF)
            return colour;
    } catch (const AppError&) {
    }
    ui.warn(QStringLiteral("the stored \"%1\" (%2) is not a colour; using %3")
                .arg(key, text, ColorToHtml(fallback)));
    return fallback;
}

// A FOLDER argument as the folder picker would give it: absolute, clean, its
// ".." parts leading where the system takes them.
QString absoluteFolder(const QString& path) {
    const QString absolute =
        path.startsWith(QLatin1Char('/')) ? path : CurrentFolder() + QLatin1Char('/') + path;
    return QDir::cleanPath(ResolveParentParts(absolute));
}

// The folder the program was started in; "." when its path can't be told
// (it was removed), so that the page never lands elsewhere.
QString startFolder() {
    char* here = ::getcwd(nullptr, 0);
    if (!here)
        return QStringLiteral(".");
    const QString folder = DecodeFileName(here, qsizetype(std::strlen(here)));
    std::free(here);
    return folder;
}

int badUsage(const QString& problem) {
    ConsoleUi(stderr, false).warn(problem);
    std::fputs("Try 'palavine list --help' for more information.\n", stderr);
    return ListExit::BadUsage;
}

// The text on standard output, whose failure (a full disk) is an error.
int printOut(const QString& text) {
    try {
        writeAll(STDOUT_FILENO, text.toUtf8());
    } catch (const AppError& e) {
        ConsoleUi(stderr, false).warn(StandardOutput, e.description());
        return ListExit::Failure;
    }
    return ListExit::Success;
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

// The arguments of the program without "list": --help or --version (any
// unambiguous start of them, or -h) among Qt's window options; the first of
// them counts.
std::optional<ListOptions> parseProgramArguments(const QList<QByteArray>& arguments,
                                                 QString* error) {
    ListOptions o;
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
        } else if (!onlyOperands && a.startsWith('-') && a != "-") {
            if (a.at(1) != 'h') {
                *error = QStringLiteral("unknown option -%1").arg(QChar(a.at(1)));
                return std::nullopt;
            }
            o.help = true;
            return o;
        } else {
            *error = QStringLiteral("unknown command %1 (to list folders: palavine list FOLDER...)")
                         .arg(DisplayFileName(DecodeFileName(a)));
            return std::nullopt;
        }
    }
    *error = QStringLiteral("no command given");
    return std::nullopt;
}

} // namespace

QString ListUsage() {
    return QStringLiteral(
        "Usage: palavine list [OPTION]... FOLDER...\n"
        "  or:  palavine list [OPTION]... --folders-from FILE [FOLDER]...\n"
        "  or:  palavine --help | --version\n"
        "  or:  palavine [WINDOW-OPTION]...      (starts the window)\n"
        "\n"
        "Writes FileList.html, a page of links to the files directly inside each FOLDER\n"
        "and every folder below it, as the window's \"1. Add Folders and Subfolders\",\n"
        "\"2. Start Creating List\" and \"3. Save Results As HTML File\" do. No display is\n"
        "needed. Folders are read level by level, each folder's files and sub-folders\n"
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
        "                           \"*\" for all files (the default)\n"
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

std::optional<ListOptions> ParseListArguments(const QList<QByteArray>& arguments, QString* error) {
    ListOptions o;
    auto fail = [&](const QString& reason) -> std::optional<ListOptions> {
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
            o.filter = value;
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
            ListOptions::Prune p;
            p.folders = c == RemoveFoldersContaining || c == RemoveFoldersNotContaining;
            p.containing = c == RemoveContaining || c == RemoveFoldersContaining;
            p.text = value;
            o.prunes.push_back(p);
        }
        }
    }
    for (int i = optind; i < argc; ++i) // after "--"
        o.inputs.push_back({false, DecodeFileName(QByteArray(argv[size_t(i)]))});
    if (o.inputs.empty())
        return fail(QStringLiteral("no FOLDER and no --folders-from FILE given"));
    if (o.open && o.output == QStringLiteral("-"))
        return fail(QStringLiteral("--open can't open a page sent to standard output (-o -)"));
    return o;
}

int RunList(const ListOptions& options) {
    ConsoleUi ui(stderr, !options.quiet && ::isatty(STDERR_FILENO));
    const bool toStandardOutput = options.output == QStringLiteral("-");

    // Only the appearance comes from the store, as a preference: what is
    // listed, and where the page goes, never depend on what was last typed in
    // the window.
    PageStyle style; // the window's defaults
    if (!options.noSettings) {
        if (options.settings) {
            if (!FileExists(*options.settings))
                return badUsage(DisplayFileName(*options.settings) +
                                QStringLiteral(": Settings file not found"));
            qputenv("PALAVINE_SETTINGS", EncodeFileName(*options.settings));
        }
        // Read once: a store given as a pipe can't be read again.
        const StoredOptions stored =
            ReadStoredOptions(options.settings.has_value()).value_or(StoredOptions{});
        if (!options.font)
            style.fontName = stored.find(Option::FontName).value_or(style.fontName);
        if (!options.textColour)
            style.textColour = storedColour(ui, stored, Option::TextColour, style.textColour);
        if (!options.backgroundColour)
            style.backgroundColour =
                storedColour(ui, stored, Option::BackgroundColour, style.backgroundColour);
    }
    style.fontName = options.font.value_or(style.fontName);
    style.textColour = options.textColour.value_or(style.textColour);
    style.backgroundColour = options.backgroundColour.value_or(style.backgroundColour);
    const QString filter = options.filter.value_or(QStringLiteral("*"));

    QString pagePath = StandardOutput;
    if (!toStandardOutput) {
        const QString output = options.output.value_or(startFolder());
        if (output.isEmpty() || !IsFolder(output)) {
            ui.warn(output.isEmpty() ? QStringLiteral("no output folder") : output,
                    QStringLiteral("Folder does not exist. Please select another folder."));
            return ListExit::Failure;
        }
        pagePath = PagePath(output);
    }
    const ListSeparator separator =
        options.nulSeparated ? ListSeparator::Nul : ListSeparator::Lines;

    try {
        // Until the commit, any earlier page stays as it was.
        std::optional<PageFile> file;
        std::function<void(const QByteArray&)> sink = [](const QByteArray& bytes) {
            writeAll(STDOUT_FILENO, bytes);
        };
        if (!toStandardOutput) {
            file.emplace(pagePath);
            sink = [&file](const QByteArray& bytes) { file->write(bytes); };
        }
        QByteArray page;
        page.reserve(ChunkBytes + (qsizetype(512) << 10));
        PageBody body(page, style);
        ListRun run(options, filter, ui, sink, file ? file->temporaryPath() : QByteArray(), page,
                    body);
        const auto line = [&](QString&& text) { run.folder(text, nullptr); };

        for (const ListOptions::Input& input : options.inputs) {
            if (input.listFile) {
                const bool standardInput = input.path == QStringLiteral("-");
                try {
                    if (standardInput)
                        ReadListLines(ui, STDIN_FILENO, StandardInput, CurrentFolder(), line,
                                      separator);
                    else
                        ReadListFileLines(ui, input.path, line, separator);
                } catch (const AppError& e) {
                    ui.fault(standardInput ? StandardInput : input.path,
                             e.number() == ErrorNumber::PathNotFound
                                 ? QStringLiteral("File not found")
                                 : e.description());
                }
                continue;
            }
            if (input.path.isEmpty()) { // not the current folder: a script's unset variable
                ui.fault(QStringLiteral("an empty FOLDER names no folder"));
                continue;
            }
            const QString folder = absoluteFolder(input.path);
            const QByteArray bytes = EncodeFileName(folder);
            struct stat info {};
            if (::stat(bytes.constData(), &info) != 0) {
                ui.fault(folder, AppError::fromErrno(errno).description());
                continue;
            }
            if (!S_ISDIR(info.st_mode)) {
                ui.fault(folder, QStringLiteral("Not a folder"));
                continue;
            }
            const QString start = folder + QLatin1Char('/');
            if (!options.subfolders) {
                run.folder(NormalizeBackslashes(start), nullptr);
                continue;
            }
            FolderWalk walk;
            walk.collectFiles = true;
            walk.folder = [&](const QString& entry, const FileNameList* files) {
                run.folder(NormalizeBackslashes(entry), files);
            };
            walk.failed = [&](const QString& entry, const AppError& e) {
                ui.fault(NormalizeBackslashes(entry), e.description());
            };
            walk.run({start}, ui);
        }
        ui.endProgress();

        if (run.written() == 0) {
            ui.warn(pagePath, QStringLiteral("not written: no file was found (No list of files "
                                             "created.)"));
            return ListExit::Failure;
        }
        body.finish();
        run.flush();
        if (file)
            file->commit();
        if (!options.quiet) {
            ui.warn(QStringLiteral("%1 file%2 written to %3")
                        .arg(run.written())
                        .arg(run.written() == 1 ? "" : "s")
                        .arg(DisplayFileName(pagePath)));
        }
    } catch (const PageNotWritten& e) {
        ui.endProgress();
        ui.warn(pagePath, e.reason);
        return ListExit::Failure;
    } catch (const AppError& e) { // opening or committing the page
        ui.endProgress();
        ui.warn(pagePath, e.description());
        return ListExit::Failure;
    } catch (const std::bad_alloc&) {
        ui.endProgress();
        ui.warn(pagePath, QStringLiteral("not written: Out of memory"));
        return ListExit::Failure;
    }
    if (options.open)
        ui.openUrl(PageUrl(pagePath));
    return ui.faults() > 0 ? ListExit::Failure : ListExit::Success;
}

bool IsCommandLine(int argc, char* argv[]) {
    if (argc >= 2 && QByteArray(argv[1]) == "list")
        return true;
    for (int i = 1; i < argc; ++i) {
        bool takesValue = false;
        if (!isWindowOption(QByteArray(argv[i]), &takesValue) || (takesValue && ++i == argc))
            return true;
    }
    return false;
}

int RunCommandLine(int argc, char* argv[]) {
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    QString error;
    std::optional<ListOptions> options;
    if (!arguments.isEmpty() && arguments.first() == "list")
        options = ParseListArguments(arguments.mid(1), &error);
    else
        options = parseProgramArguments(arguments, &error);
    if (!options)
        return badUsage(error);
    if (options->help)
        return printOut(ListUsage());
    if (options->version)
        return printOut(QStringLiteral("palavine %1\n").arg(AppInfo::Version));
    return RunList(*options);
}
