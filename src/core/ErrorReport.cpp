// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "core/ErrorReport.h"

#include "core/AppInfo.h"
#include "core/Ui.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {
// Memory kept back for the report of an allocation failure: let go just
// before that report, taken again after it. Never touched, it costs address
// space only.
constexpr size_t ReserveBytes = size_t(32) << 20;
void* g_reserve = std::malloc(ReserveBytes);
} // namespace

AppError::AppError(int number, QString description)
    : number_(number), description_(std::move(description)), utf8_(description_.toUtf8()) {}

AppError AppError::invalidArgument() {
    return {ErrorNumber::InvalidArgument, QStringLiteral("Invalid procedure call or argument")};
}

AppError AppError::typeMismatch() {
    return {ErrorNumber::TypeMismatch, QStringLiteral("Type mismatch")};
}

AppError AppError::overflow() {
    return {ErrorNumber::Overflow, QStringLiteral("Overflow")};
}

AppError AppError::fromErrno(int error) {
    AppError e = fromErrnoNumber(error);
    e.systemReason_ = QString::fromLocal8Bit(std::strerror(error));
    return e;
}

AppError AppError::fromErrnoNumber(int error) {
    // The number and words the program uses for the failure, and the system's
    // own words where they say more.
    const QString reason = QString::fromLocal8Bit(std::strerror(error));
    const auto with = [&](int number, const QString& text) {
        return AppError(number, text + QStringLiteral(" (") + reason + QLatin1Char(')'));
    };
    switch (error) {
    case EACCES:
        return {ErrorNumber::PermissionDenied, QStringLiteral("Permission denied")};
    case EPERM:
    case EROFS:
        return with(ErrorNumber::PermissionDenied, QStringLiteral("Permission denied"));
    case ENOENT:
    case ENOTDIR:
        return {ErrorNumber::PathNotFound, QStringLiteral("Path not found")};
    case ENAMETOOLONG:
    case ELOOP:
        return {ErrorNumber::PathNotFound, reason};
    case ENOSPC:
        return {ErrorNumber::DiskFull, QStringLiteral("Disk full")};
    case EDQUOT:
        return with(ErrorNumber::DiskFull, QStringLiteral("Disk full"));
    case ENOMEM:
        return {ErrorNumber::OutOfMemory, QStringLiteral("Out of memory")};
    case EISDIR:
    case EBUSY:
    case ETXTBSY:
        return with(ErrorNumber::PathFileAccess, QStringLiteral("Path/File access error"));
    default:
        return with(ErrorNumber::DeviceIo, QStringLiteral("Device I/O error"));
    }
}

QString ReportErrorText(const QString& description, const QString& location, int line) {
    return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") +
           QString::number(line) + QStringLiteral("\r\r") +
           QStringLiteral("Please email screenshot of this message to ") + AppInfo::SupportEmail;
}

void ReportError(Ui& ui, const QString& description, const QString& location, int line) {
    ui.message(ReportErrorText(description, location, line), QStringLiteral("Application Error"),
               Ui::Icon::Warning);
}

void ErrorTrap::report(const QString& description) {
    try {
        ReportError(ui_, description, location_, line_);
    } catch (const std::bad_alloc&) {
        reportOutOfMemory();
    }
}

void ErrorTrap::report(const char* description) {
    try {
        report(QString::fromUtf8(description));
    } catch (const std::bad_alloc&) {
        reportOutOfMemory();
    }
}

void ErrorTrap::reportOutOfMemory() noexcept {
    std::free(g_reserve);
    g_reserve = nullptr;
    try {
        ReportError(ui_, QStringLiteral("Out of memory"), location_, line_);
    } catch (...) {
        static constexpr char Words[] = "palavine: Out of memory\n";
        if (::write(STDERR_FILENO, Words, sizeof Words - 1) < 0) {
        }
    }
    if (!g_reserve)
        g_reserve = std::malloc(ReserveBytes);
}
