// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "help/Help.h"

#include "core/AppInfo.h"
#include "core/ErrorReport.h"
#include "core/Paths.h"
#include "core/Ui.h"

namespace {
const QString kLocation = QStringLiteral("in Palavine2021/08/31.Form1.PushButton11_Click ");
}

void ShowHelp(Ui& ui) {
    ErrorTrap trap(ui, kLocation);
    trap.at(100, [&] {
        ui.message(QStringLiteral("Questions? Please contact Team Varnokel at ") +
                       AppInfo::ContactPage,
                   AppTitle(), Ui::Icon::None);
    });
}
