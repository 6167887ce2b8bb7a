// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "support/Unprivileged.h"

#include <unistd.h>

void StartUnprivileged(QProcess& process, const QString& program, const QStringList& arguments) {
    if (::geteuid() != 0) {
        process.start(program, arguments);
        return;
    }
    process.start(QStringLiteral("setpriv"),
                  QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                              QStringLiteral("--clear-groups"), program} +
                      arguments);
}
