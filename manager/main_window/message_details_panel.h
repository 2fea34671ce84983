#pragma once

// "Message Details", beside the live message list: one row's time, source, facility and
// severity, and its message. A double click anywhere on the panel hides it.

#include <QGroupBox>
#include <QStringList>

#include <array>

class QLabel;
class QPlainTextEdit;

namespace trevalon {

class MessageDetailsPanel final : public QGroupBox {
  public:
    MessageDetailsPanel();

    // `row` as the live list holds it: time, source, facility, severity, message.
    void ShowRow(const QStringList& row);

  private:
    bool eventFilter(QObject* watched, QEvent* event) override;

    std::array<QLabel*, 4> values_{};
    QPlainTextEdit* message_;
};

}  // namespace trevalon
