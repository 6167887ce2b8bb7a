// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// Draws the application icon into icons/ (run once by hand: the pictures are
// kept in the repository): the window's own four pictures, and in icons/theme/
// the pictures installed in the desktop's icon theme, all with transparency,
// at the sizes panels and menus ask for.
//   g++ -std=c++20 -fPIC make-icons.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/make-icons
//   QT_QPA_PLATFORM=offscreen /tmp/make-icons icons
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace {
QImage draw(int size, bool onWhite) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(onWhite ? QColor(Qt::white) : QColor(Qt::transparent));
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 256.0, size / 256.0);
        // A folder...
        p.setPen(QPen(QColor(120, 80, 10), 6));
        p.setBrush(QColor(245, 190, 60));
        QPainterPath folder;
        folder.moveTo(16, 60);
        folder.lineTo(96, 60);
        folder.lineTo(114, 80);
        folder.lineTo(240, 80);
        folder.lineTo(240, 220);
        folder.lineTo(16, 220);
        folder.closeSubpath();
        p.drawPath(folder);
        // ...holding a page with a list of links.
        p.setPen(QPen(QColor(60, 60, 60), 5));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(70, 24, 150, 176), 10, 10);
        p.setPen(QPen(QColor(0, 0, 255), 12, Qt::SolidLine, Qt::RoundCap));
        for (int i = 0; i < 5; ++i)
            p.drawLine(QPointF(94, 58 + i * 28), QPointF(i % 2 ? 170 : 196, 58 + i * 28));
        // The front of the folder.
        p.setPen(QPen(QColor(120, 80, 10), 6));
        p.setBrush(QColor(250, 205, 90));
        p.drawRoundedRect(QRectF(16, 130, 224, 96), 8, 8);
        p.end();
    }
    return image;
}
} // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    // The window's own pictures; the smallest has no alpha channel: it sits on white.
    for (int size : {32, 48, 128, 256}) {
        QImage image = draw(size, size == 32);
        if (size == 32)
            image = image.convertToFormat(QImage::Format_RGB888);
        image.save(out + QStringLiteral("/palavine-%1.png").arg(size));
    }
    QDir(out).mkpath(QStringLiteral("theme"));
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        draw(size, false).save(out + QStringLiteral("/theme/palavine-%1.png").arg(size));
    return 0;
}
