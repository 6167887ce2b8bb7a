// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// Fixes how many helper threads read folders ahead of a walk or the build, for
// one scope: 0 for none (the command reads every folder itself), -1 for the
// number the pool chooses.
#pragma once

#include <QByteArray>
#include <QtGlobal>

class ReadAheadHelpers {
  public:
    explicit ReadAheadHelpers(int helpers) {
        if (helpers >= 0)
            qputenv("PALAVINE_READ_AHEAD", QByteArray::number(helpers));
        else
            qunsetenv("PALAVINE_READ_AHEAD");
    }
    ~ReadAheadHelpers() { qunsetenv("PALAVINE_READ_AHEAD"); }
    ReadAheadHelpers(const ReadAheadHelpers&) = delete;
    ReadAheadHelpers& operator=(const ReadAheadHelpers&) = delete;
};
