#include "manager/main_window/tray_menu.h"

#include <QPainter>

#include "manager/main_window/vendor_addresses.h"

namespace trevalon {
namespace {

constexpr int kBannerWidth = 20;

}  // namespace

TrayMenu::TrayMenu(QWidget* parent) : QMenu(parent) {
    // The items' text starts 25 pixels from the left edge, beside the banner.
    setStyleSheet(QString("QMenu { padding-left: %1px; } QMenu::item { padding-left: 5px; "
                          "min-width: 125px; min-height: 20px; }")
                      .arg(kBannerWidth));
}

void TrayMenu::paintEvent(QPaintEvent* event) {
    QMenu::paintEvent(event);
    QPainter painter(this);
    painter.fillRect(QRect(0, 0, kBannerWidth, height()), QColor(0x00, 0x00, 0x80));
    QFont font("Tahoma", 7);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.translate(2 + painter.fontMetrics().ascent(), height() - 15);
    painter.rotate(-90);
    painter.drawText(0, 0, kVendorAddress);
}

}  // namespace trevalon
