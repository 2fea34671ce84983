#include "manager/main_window/closing_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QStackedLayout>
#include <QTimer>

namespace trevalon {
namespace {

constexpr const char* kClosing = "Application is closing, it may take a few seconds...";

// A ring of eight dots with one of them lit: together the pictures turn.
QPixmap TurnPicture(int lit) {
    QPixmap picture(48, 48);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(24, 24);
    for (int dot = 0; dot < 8; ++dot) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(dot == lit ? QColor(0x00, 0x00, 0x80) : QColor(0xB7, 0xB7, 0xFF));
        painter.drawEllipse(QPointF(0, -16), 4.5, 4.5);
        painter.rotate(45);
    }
    return picture;
}

}  // namespace

ClosingWindow::ClosingWindow(QWidget* parent)
    : QDialog(parent), pictures_(new QStackedLayout), turns_(new QTimer(this)) {
    setWindowTitle(kClosing);
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint);
    setFixedSize(436, 48);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    for (int at = 0; at < 8; ++at) {
        auto* picture = new QLabel;
        picture->setFixedSize(48, 48);
        picture->setPixmap(TurnPicture(at));
        pictures_->addWidget(picture);
    }
    layout->addLayout(pictures_);
    layout->addWidget(new QLabel(kClosing), 1);
    connect(turns_, &QTimer::timeout, this, [this] { ShowNext(); });
    turns_->start(500);
}

void ClosingWindow::ShowNext() {
    picture_ = (picture_ + 1) % pictures_->count();
    pictures_->setCurrentIndex(picture_);
}

}  // namespace trevalon
