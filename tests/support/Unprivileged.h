// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// Root reads every folder, so a test of a folder that denies access runs that
// part as an unprivileged user (nobody), or as itself when it is not root.
#pragma once

#include <QProcess>
#include <QStringList>

void StartUnprivileged(QProcess& process, const QString& program, const QStringList& arguments);
