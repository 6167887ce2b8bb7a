// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "cli/ListCommand.h"

#include "cli/ConsoleUi.h"
#include "cli/ListArguments.h"
#include "cli/ListRun.h"
#include "core/AppInfo.h"
#include "core/ErrorReport.h"
#include "core/WriteAll.h"

#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace {

const QString StandardOutput = QStringLiteral("standard output");

int badUsage(const QString& problem) {
    ConsoleUi(stderr, false).warn(problem);
    std::fputs("Try 'palavine list --help' for more information.\n", stderr);
    return ListExit::BadUsage;
}

// The text on standard output, whose failure (a full disk) is an error.
int printOut(const QString& text) {
    try {
        const QByteArray bytes = text.toUtf8();
        if (!WriteAll(STDOUT_FILENO, bytes.constData(), bytes.size()))
            throw AppError::fromErrno(errno);
    } catch (const AppError& e) {
        ConsoleUi(stderr, false).warn(StandardOutput, e.systemReason());
        return ListExit::Failure;
    }
    return ListExit::Success;
}

} // namespace

int RunCommandLine(int argc, char* argv[]) {
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QByteArray(argv[i]));
    QString error;
    std::optional<ListConfig> options;
    if (!arguments.isEmpty() && arguments.first() == "list")
        options = ParseListArguments(arguments.mid(1), &error);
    else
        options = ParseProgramArguments(arguments, &error);
    if (!options)
        return badUsage(error);
    if (options->help)
        return printOut(ListUsage());
    if (options->version)
        return printOut(QStringLiteral("palavine %1\n").arg(AppInfo::Version));
    return RunList(*options);
}
