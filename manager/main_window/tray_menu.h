#pragma once

// The tray icon's menu, painted with the vendor's banner down its left edge.

#include <QMenu>

namespace trevalon {

class TrayMenu final : public QMenu {
  public:
    explicit TrayMenu(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace trevalon
