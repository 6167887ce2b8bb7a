// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// Points the settings store at a fresh file in a temporary folder for one test,
// so that nothing a test does touches the real user's store.
#pragma once

#include <QString>
#include <QTemporaryDir>

class TestSettings {
  public:
    TestSettings();
    ~TestSettings();
    QString path() const { return path_; }

  private:
    QTemporaryDir dir_;
    QString path_;
    QByteArray previous_;
};
