#pragma once

// The manager's own pictures, drawn rather than shipped: the application icon, the tool-bar
// pictures and the splash picture.

#include <QIcon>
#include <QPixmap>

namespace trevalon {

enum class ToolPicture { kScheduling, kStart, kStop, kClearLog, kAlarm, kFiltering, kChart, kGeneral };

// 32 x 32, as the tool buttons show them.
QIcon DrawToolPicture(ToolPicture picture);
// The window's and the tray's icon.
QIcon DrawApplicationIcon();
// The start-up picture, with the program's version.
QPixmap DrawSplashPicture(const QString& version);

}  // namespace trevalon
