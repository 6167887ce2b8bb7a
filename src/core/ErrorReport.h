// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The uniform error report: a failure carries a number and a description; a
// guarded procedure runs its numbered steps through an ErrorTrap, which shows
// the "Application Error" box for a failing step and lets the procedure go on.
#pragma once

#include <QString>
#include <exception>
#include <new>
#include <stdexcept>

class Ui;

// Error numbers the logic tests for.
namespace ErrorNumber {
constexpr int InvalidArgument = 5;
constexpr int Overflow = 6;
constexpr int OutOfMemory = 7;
constexpr int TypeMismatch = 13;
constexpr int BadFileName = 52;
constexpr int DiskFull = 61;
constexpr int PermissionDenied = 70;
constexpr int PathFileAccess = 75;
constexpr int PathNotFound = 76;
constexpr int DeviceIo = 57;
} // namespace ErrorNumber

class AppError : public std::exception {
  public:
    AppError(int number, QString description);

    int number() const { return number_; }
    const QString& description() const { return description_; }
    // The system's own words for a failed system call ("No such file or
    // directory"), as a command line says it; the description otherwise.
    const QString& systemReason() const {
        return systemReason_.isEmpty() ? description_ : systemReason_;
    }
    const char* what() const noexcept override { return utf8_.constData(); }

    static AppError invalidArgument();
    static AppError typeMismatch();
    static AppError overflow();
    // A failed system call, from its errno value.
    static AppError fromErrno(int error);

  private:
    static AppError fromErrnoNumber(int error);

    int number_;
    QString description_;
    QString systemReason_;
    QByteArray utf8_;
};

// The report's text: description, CR LF, location, "at line ", the line, CR CR,
// and the request to e-mail a screenshot.
QString ReportErrorText(const QString& description, const QString& location, int line);

// Shows the report box for a failure at the given location and line.
void ReportError(Ui& ui, const QString& description, const QString& location, int line);

class ErrorTrap {
  public:
    ErrorTrap(Ui& ui, QString location) : ui_(ui), location_(std::move(location)) {}

    // Runs one numbered step. A failure is reported with this procedure's
    // location and the step's line, and false comes back; the caller goes on.
    template <class Step> bool at(int line, Step&& step) {
        line_ = line;
        try {
            step();
            return true;
        } catch (const AppError& e) {
            report(e.description());
        } catch (const std::bad_alloc&) {
            reportOutOfMemory();
        } catch (const std::exception& e) {
            report(e.what());
        }
        return false;
    }

    int line() const { return line_; }
    const QString& location() const { return location_; }
    Ui& ui() const { return ui_; }

  private:
    // Reports the failure; when memory runs out while it is reported, that is
    // reported instead.
    void report(const QString& description);
    void report(const char* description);
    // Reports "Out of memory" with the memory kept back for it: the report of
    // an allocation failure must not fail the same way. When even that can't
    // be shown, the words go to standard error.
    void reportOutOfMemory() noexcept;

    Ui& ui_;
    QString location_;
    int line_ = 0;
};
