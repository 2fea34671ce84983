#pragma once

// "Application is closing, it may take a few seconds...": shown while the deliveries still
// running end at shutdown, with eight pictures taking turns.

#include <QDialog>

class QStackedLayout;
class QTimer;

namespace trevalon {

class ClosingWindow final : public QDialog {
  public:
    explicit ClosingWindow(QWidget* parent);

    // 0 to 7: the picture now shown.
    int Picture() const { return picture_; }

  private:
    void ShowNext();

    QStackedLayout* pictures_;
    int picture_ = 0;
    QTimer* turns_;
};

}  // namespace trevalon
