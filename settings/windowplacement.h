#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <optional>

// Where a program's window was when it last closed: key "Window" of the program's own section of
// setup.ini, "left,top,width,height" in pixels (the position of the frame, the size inside it).
void saveWindowPlacement(const QString& section, const QRect& placement, const QString& setupIniPath);
// The stored placement, if there is one and it still fits: a sane size, and its top edge on one of
// `screens` (available areas), so that the window can be grabbed and moved.
std::optional<QRect> savedWindowPlacement(const QString& section, const QList<QRect>& screens,
                                          const QString& setupIniPath);
