#pragma once

// The manager's own pictures, drawn rather than shipped: the application icon, the tool-bar
// pictures and the banner.

#include <QIcon>
#include <QPixmap>

namespace trevalon {

enum class ToolPicture {
    kScheduling,
    kStart,
    kStop,
    kClearLog,
    kAlarm,
    kFiltering,
    kChart,
    kGeneral
};

// 32 x 32, as the tool buttons show them.
QIcon DrawToolPicture(ToolPicture picture);
// The window's and the tray's icon.
QIcon DrawApplicationIcon();
// The product's banner with the program's version: the splash window's and the About window's.
QPixmap DrawBannerPicture(QSize size, const QString& version);

}  // namespace trevalon
