// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "cli/ListRun.h"

#include "cli/ConsoleUi.h"
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
#include "core/AtomicFile.h"
#include "report/PageWriter.h"

#include <QDir>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
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
    ListRun(const ListConfig& options, const QString& filter, ConsoleUi& ui,
            std::function<void(const QByteArray&)> sink, const QByteArray& pageTemporary,
            QByteArray& page, PageBody& body)
        : filter_(filter), ui_(ui), sink_(std::move(sink)), temporary_(pageTemporary),
          temporaryName_(pageTemporary.mid(pageTemporary.lastIndexOf('/') + 1)), page_(page),
          body_(body) {
        for (const ListConfig::Prune& p : options.prunes) {
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
                ui_.fault(entry, e.systemReason());
                return;
            }
            // A folder that is not there reads as empty; one that was named is told.
            if (own.size() == 0 && !IsFolder(entry)) {
                ui_.fault(entry,
                          AppError::fromErrno(FileExists(entry) ? ENOTDIR : ENOENT).systemReason());
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
            throw PageNotWritten{e.systemReason()};
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
        return StatPath(EncodeFileName(path_), &found) == 0 &&
               StatPath(temporary_, &temporary) == 0 && found.st_dev == temporary.st_dev &&
               found.st_ino == temporary.st_ino;
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

} // namespace

int RunList(const ListConfig& options) {
    ConsoleUi ui(stderr, !options.quiet && ::isatty(STDERR_FILENO));
    const bool toStandardOutput = options.output == QStringLiteral("-");

    // Only the appearance comes from the store, as a preference: what is
    // listed, and where the page goes, never depend on what was last typed in
    // the window.
    PageStyle style; // the window's defaults
    if (!options.noSettings) {
        if (options.settings && !FileExists(*options.settings)) {
            ui.warn(DisplayFileName(*options.settings) +
                    QStringLiteral(": Settings file not found"));
            std::fputs("Try 'palavine list --help' for more information.\n", stderr);
            return ListExit::BadUsage;
        }
        // Read once: a store given as a pipe can't be read again.
        const StoredOptions stored =
            ReadStoredOptions(options.settings.value_or(QString()), options.settings.has_value())
                .value_or(StoredOptions{});
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
    QString outputFolder;
    if (!toStandardOutput) {
        const QString output = options.output.value_or(CurrentFolder());
        int error = 0;
        struct stat info {};
        if (output.isEmpty())
            error = ENOENT;
        else if (StatPath(EncodeFileName(output), &info) != 0)
            error = errno;
        else if (!S_ISDIR(info.st_mode))
            error = ENOTDIR;
        if (error != 0) {
            ui.warn(output.isEmpty() ? QStringLiteral("an empty output folder") : output,
                    AppError::fromErrno(error).systemReason());
            return ListExit::Failure;
        }
        pagePath = PagePath(output);
        outputFolder = absoluteFolder(output);
    }
    const ListSeparator separator =
        options.nulSeparated ? ListSeparator::Nul : ListSeparator::Lines;

    try {
        // Until the commit, any earlier page stays as it was.
        std::optional<AtomicFile> file;
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
        if (options.relativeLinks)
            body.setLinkFolder(outputFolder);
        ListRun run(options, filter, ui, sink, file ? file->temporaryPath() : QByteArray(), page,
                    body);
        const auto line = [&](QString&& text) { run.folder(text, nullptr); };

        for (const ListConfig::Input& input : options.inputs) {
            if (input.listFile) {
                const bool standardInput = input.path == QStringLiteral("-");
                try {
                    if (standardInput)
                        ReadListLines(ui, STDIN_FILENO, StandardInput, CurrentFolder(), line,
                                      separator);
                    else
                        ReadListFileLines(ui, input.path, line, separator);
                } catch (const AppError& e) {
                    ui.fault(standardInput ? StandardInput : input.path, e.systemReason());
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
            if (StatPath(bytes, &info) != 0) {
                ui.fault(folder, AppError::fromErrno(errno).systemReason());
                continue;
            }
            if (!S_ISDIR(info.st_mode)) {
                ui.fault(folder, AppError::fromErrno(ENOTDIR).systemReason());
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
                ui.fault(NormalizeBackslashes(entry), e.systemReason());
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
        ui.warn(pagePath, e.systemReason());
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
