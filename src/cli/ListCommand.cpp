#include "cli/ListCommand.h"

#include "app/AppInfo.h"
#include "app/ErrorReport.h"
#include "app/FileNames.h"
#include "app/Helpers.h"
#include "app/Settings.h"
#include "cli/ConsoleUi.h"
#include "folders/AddFolder.h"
#include "folders/ListFiles.h"
#include "listing/CreateList.h"
#include "listing/RemoveEntries.h"
#include "report/PageFile.h"
#include "report/PageWriter.h"

#include <QDir>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The page goes to the file in pieces of about this size.
constexpr qsizetype ChunkBytes = qsizetype(1) << 20;

// The page could not be written: the run ends.
struct PageNotWritten {
    QString reason;
};

struct LoweredPrune {
    bool containing;
    QString lowered;
};

// The folders of the folder list as they are found, each read, its files
// tested and written as link lines.
class ListRun {
  public:
    ListRun(const ListOptions& options, const QString& filter, ConsoleUi& ui, PageFile& file,
            QByteArray& page, PageBody& body)
        : filter_(filter), ui_(ui), file_(file), page_(page), body_(body) {
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
        FileNameList own;
        if (!files) {
            try {
                own = ReadFolderFiles(FolderEntryPrefix(entry));
            } catch (const AppError& e) {
                ui_.warn(entry, e.description());
                return;
            }
            files = &own;
        }
        ui_.folderRead();
        const QString prefix = FolderEntryPrefix(entry);
        for (qsizetype i = 0; i < files->size(); ++i) {
            const char* name = files->name(i);
            if (!IsListedFileName(name))
                continue;
            SetFilePath(path_, prefix, name, files->nameSize(i));
            if (!filter_.keeps(path_) || !passes(resultPrunes_, path_))
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
            file_.write(page_);
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

    ExtensionFilter filter_;
    ConsoleUi& ui_;
    PageFile& file_;
    QByteArray& page_;
    PageBody& body_;
    std::vector<LoweredPrune> folderPrunes_;
    std::vector<LoweredPrune> resultPrunes_;
    QString path_;
};

// A stored colour number, or the window's default when the store holds
// something else.
qint32 storedColour(ConsoleUi& ui, const QString& key, qint32 fallback) {
    const QString text = GetOption(key, fallback);
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

// A FOLDER argument as the folder picker would give it: absolute, clean.
QString absoluteFolder(const QString& path) {
    if (path.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(path);
    return QDir::cleanPath(CurrentFolder() + QLatin1Char('/') + path);
}

bool isOption(const QByteArray& argument, const char* name, QByteArray* inlineValue) {
    const qsizetype n = qsizetype(std::strlen(name));
    if (argument == name)
        return true;
    if (inlineValue && argument.startsWith(name) && argument.size() > n && argument.at(n) == '=' &&
        name[1] == '-') {
        *inlineValue = argument.mid(n + 1);
        return true;
    }
    return false;
}

void print(std::FILE* stream, const QString& text) {
    std::fputs(text.toUtf8().constData(), stream);
}

} // namespace

QString ListUsage() {
    return QStringLiteral(
        "Usage: palavine list [OPTIONS] FOLDER...\n"
        "       palavine                 (starts the window)\n"
        "\n"
        "Writes FileList.html, a page of links to the files directly inside each FOLDER\n"
        "and every folder below it, as the window's \"1. Add Folders and Subfolders\",\n"
        "\"2. Start Creating List\" and \"3. Save Results As HTML File\" do. No display is\n"
        "needed. The stored options are read, never written.\n"
        "\n"
        "Folders (taken in the order given):\n"
        "  --no-subfolders          read each FOLDER alone, not the folders below it\n"
        "  --folders-from FILE      also read the folders listed in FILE, one per line\n"
        "                           (repeatable)\n"
        "Files:\n"
        "  --filter EXT             only files with this extension, letter case ignored;\n"
        "                           \"*\" for all files (default: the stored filter)\n"
        "Pruning (repeatable; letter case ignored):\n"
        "  --remove-containing TEXT              leave out files whose path holds TEXT\n"
        "  --remove-not-containing TEXT          leave out files whose path lacks TEXT\n"
        "  --remove-folders-containing TEXT      leave out the files of folders whose\n"
        "                                        path holds TEXT\n"
        "  --remove-folders-not-containing TEXT  leave out the files of folders whose\n"
        "                                        path lacks TEXT\n"
        "Page:\n"
        "  -o, --output DIR         write DIR/FileList.html (default: the stored output\n"
        "                           folder)\n"
        "  --open                   open the page with the default browser when written\n"
        "  --font NAME              the page's font (default: the stored font)\n"
        "  --color COLOUR           the text colour, #RRGGBB or a colour number\n"
        "  --background COLOUR      the background colour, #RRGGBB or a colour number\n"
        "Other:\n"
        "  --settings FILE          read the stored options from FILE\n"
        "  -q, --quiet              no progress and no summary; errors only\n"
        "  --help                   show this text\n"
        "  --version                show the version\n"
        "\n"
        "Exit status: 0 when the page was written; 1 when it was not (an earlier page\n"
        "stays as it was; also when no file was found); 2 for bad usage.\n");
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
    bool onlyFolders = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QByteArray& a = arguments.at(i);
        if (onlyFolders || a.isEmpty() || a.at(0) != '-' || a == "-") {
            o.inputs.push_back({false, DecodeFileName(a)});
            continue;
        }
        if (a == "--") {
            onlyFolders = true;
            continue;
        }
        QByteArray inlineValue;
        bool hasInline = false;
        QString optionName;
        // The value of an option that takes one: after "=" or the next argument.
        auto takesValue = [&](const char* name, const char* shortName = nullptr) {
            inlineValue.clear();
            hasInline = false;
            if (shortName && a == shortName) {
                optionName = QString::fromLatin1(shortName);
                return true;
            }
            QByteArray v;
            if (!isOption(a, name, &v))
                return false;
            optionName = QString::fromLatin1(name);
            hasInline = a != name;
            inlineValue = v;
            return true;
        };
        std::optional<QString> value;
        auto readValue = [&]() -> bool {
            if (hasInline) {
                value = DecodeFileName(inlineValue);
                return true;
            }
            if (i + 1 >= arguments.size())
                return false;
            value = DecodeFileName(arguments.at(++i));
            return true;
        };

        if (a == "--no-subfolders") {
            o.subfolders = false;
        } else if (a == "--open") {
            o.open = true;
        } else if (a == "--quiet" || a == "-q") {
            o.quiet = true;
        } else if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else {
            struct Valued {
                const char* name;
                const char* shortName;
            };
            static const Valued valued[] = {
                {"--folders-from", nullptr},
                {"--filter", nullptr},
                {"--remove-containing", nullptr},
                {"--remove-not-containing", nullptr},
                {"--remove-folders-containing", nullptr},
                {"--remove-folders-not-containing", nullptr},
                {"--output", "-o"},
                {"--font", nullptr},
                {"--color", nullptr},
                {"--background", nullptr},
                {"--settings", nullptr},
            };
            const Valued* which = nullptr;
            for (const Valued& v : valued) {
                if (takesValue(v.name, v.shortName)) {
                    which = &v;
                    break;
                }
            }
            if (!which)
                return fail(QStringLiteral("unknown option %1").arg(DecodeFileName(a)));
            if (!readValue())
                return fail(QStringLiteral("%1 needs a value").arg(optionName));
            const QByteArray name(which->name);
            if (name == "--folders-from") {
                o.inputs.push_back({true, *value});
            } else if (name == "--filter") {
                o.filter = value;
            } else if (name == "--output") {
                o.output = value;
            } else if (name == "--font") {
                o.font = value;
            } else if (name == "--settings") {
                o.settings = value;
            } else if (name == "--color" || name == "--background") {
                const std::optional<qint32> colour = ParseColour(*value);
                if (!colour)
                    return fail(QStringLiteral("%1: \"%2\" is not a colour (#RRGGBB or a colour "
                                               "number from 0 to 16777215)")
                                    .arg(optionName, *value));
                (name == "--color" ? o.textColour : o.backgroundColour) = colour;
            } else {
                ListOptions::Prune p;
                p.folders = name.contains("folders");
                p.containing = !name.contains("not-containing");
                p.text = *value;
                o.prunes.push_back(p);
            }
        }
    }
    if (o.inputs.empty() && !o.help && !o.version)
        return fail(QStringLiteral("no FOLDER and no --folders-from FILE given"));
    return o;
}

int RunList(const ListOptions& options) {
    ConsoleUi ui(stderr, !options.quiet && ::isatty(STDERR_FILENO));

    if (options.settings) {
        if (!FileExists(*options.settings)) {
            ui.warn(*options.settings, QStringLiteral("Settings file not found"));
            std::fputc('\n', stderr);
            print(stderr, ListUsage());
            return ListExit::BadUsage;
        }
        qputenv("PALAVINE_SETTINGS", EncodeFileName(*options.settings));
    }

    // The options as the window would take them from the store.
    const QString filter =
        options.filter ? *options.filter : GetOption(QStringLiteral("Text1"), QStringLiteral("*"));
    const QString output =
        options.output ? *options.output : GetOption(QStringLiteral("Text2"), DesktopFolder());
    PageStyle style;
    style.fontName = options.font ? *options.font
                                  : GetOption(QStringLiteral("FontName"), QStringLiteral("Arial"));
    style.textColour = options.textColour
                           ? *options.textColour
                           : storedColour(ui, QStringLiteral("Font Color"), 16711680);
    style.backgroundColour = options.backgroundColour
                                 ? *options.backgroundColour
                                 : storedColour(ui, QStringLiteral("Background Color"), 16777215);

    if (output.isEmpty() || !IsFolder(output)) {
        ui.warn(output.isEmpty() ? QStringLiteral("no output folder") : output,
                QStringLiteral("Folder does not exist. Please select another folder."));
        return ListExit::NotWritten;
    }
    const QString pagePath = PagePath(output);

    try {
        // Until the commit, any earlier page stays as it was.
        PageFile file(pagePath);
        QByteArray page;
        page.reserve(ChunkBytes + (qsizetype(512) << 10));
        PageBody body(page, style);
        ListRun run(options, filter, ui, file, page, body);

        for (const ListOptions::Input& input : options.inputs) {
            if (input.listFile) {
                try {
                    ReadListFileLines(ui, input.path,
                                      [&](QString&& line) { run.folder(line, nullptr); });
                } catch (const AppError& e) {
                    ui.warn(input.path, e.number() == ErrorNumber::PathNotFound
                                            ? QStringLiteral("File not found")
                                            : e.description());
                }
                continue;
            }
            const QString folder = absoluteFolder(input.path);
            if (!IsFolder(folder))
                ui.warn(folder, FileExists(folder) ? QStringLiteral("Not a folder")
                                                   : QStringLiteral("Path not found"));
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
                ui.warn(NormalizeBackslashes(entry), e.description());
            };
            walk.run({start}, ui);
        }
        ui.endProgress();

        if (run.written() == 0) {
            ui.warn(pagePath, QStringLiteral("not written: no file was found (No list of files "
                                             "created.)"));
            return ListExit::NotWritten;
        }
        body.finish();
        run.flush();
        file.commit();
        if (!options.quiet) {
            ui.warn(QStringLiteral("%1 file%2 written to %3")
                        .arg(run.written())
                        .arg(run.written() == 1 ? "" : "s")
                        .arg(DisplayFileName(pagePath)));
        }
    } catch (const PageNotWritten& e) {
        ui.endProgress();
        ui.warn(pagePath, e.reason);
        return ListExit::NotWritten;
    } catch (const AppError& e) { // opening or committing the page
        ui.endProgress();
        ui.warn(pagePath, e.description());
        return ListExit::NotWritten;
    } catch (const std::bad_alloc&) {
        ui.endProgress();
        ui.warn(pagePath, QStringLiteral("not written: Out of memory"));
        return ListExit::NotWritten;
    }
    if (options.open)
        ui.openUrl(PageUrl(pagePath));
    return ListExit::Success;
}

bool IsCommandLine(int argc, char* argv[]) {
    if (argc < 2)
        return false;
    const QByteArray first(argv[1]);
    if (first == "list")
        return true;
    return argc == 2 && (first == "--help" || first == "-h" || first == "--version");
}

int RunCommandLine(int argc, char* argv[]) {
    QList<QByteArray> arguments;
    const int from = QByteArray(argv[1]) == "list" ? 2 : 1;
    for (int i = from; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    QString error;
    const std::optional<ListOptions> options = ParseListArguments(arguments, &error);
    if (!options) {
        print(stderr, QStringLiteral("palavine: %1\n\n").arg(error) + ListUsage());
        return ListExit::BadUsage;
    }
    if (options->help) {
        print(stdout, ListUsage());
        return ListExit::Success;
    }
    if (options->version) {
        print(stdout, QStringLiteral("palavine %1\n").arg(AppInfo::Version));
        return ListExit::Success;
    }
    return RunList(*options);
}
