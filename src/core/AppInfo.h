// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The product's names and the maker's addresses, kept in one place.
#pragma once

#include <QString>

namespace AppInfo {

inline const QString ProductName = QStringLiteral("Palavine");
// Both come from the build: the project's version, and whether the maker's home
// page may open at start-up (a distribution can turn it off).
inline const QString Version = QStringLiteral(PALAVINE_VERSION);
inline constexpr bool StartupPage = PALAVINE_STARTUP_PAGE;

// Where the remembered options live: application and section of the store.
inline const QString SettingsApplication = QStringLiteral("Varnokel");
inline const QString SettingsSection = QStringLiteral("Palavine");

// The maker's addresses (reserved example domain until the product has its own).
inline const QString HomePage = QStringLiteral("https://www.palavine.example/");
inline const QString ContactPage = QStringLiteral("https://www.palavine.example/contact");
inline const QString SupportEmail = QStringLiteral("support@palavine.example");

} // namespace AppInfo
