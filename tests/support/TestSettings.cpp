// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "support/TestSettings.h"

#include "core/Settings.h"

TestSettings::TestSettings() : previous_(qgetenv("PALAVINE_SETTINGS")) {
    path_ = dir_.path() + QStringLiteral("/Varnokel.conf");
    qputenv("PALAVINE_SETTINGS", path_.toLocal8Bit());
    ResetSettingsFailureNotice();
}

TestSettings::~TestSettings() {
    qputenv("PALAVINE_SETTINGS", previous_);
    ResetSettingsFailureNotice();
}
