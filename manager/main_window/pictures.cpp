#include "manager/main_window/pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace trevalon {
namespace {

constexpr int kToolSize = 32;
const QColor kNavy(0x00, 0x00, 0x80);
const QColor kBanner(0x5A, 0x55, 0x57);

void DrawScheduling(QPainter& p) {
    p.setPen(QPen(kNavy, 1.5));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(3, 5, 26, 24), 2, 2);
    p.fillRect(QRectF(3.75, 5.75, 24.5, 6), QColor(0xC0, 0x20, 0x20));
    p.setPen(QPen(kNavy, 1));
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 4; ++column) {
            p.drawRect(QRectF(6 + column * 5.5, 14 + row * 4.8, 3.5, 3));
        }
    }
}

void DrawStart(QPainter& p) {
    QPainterPath play;
    play.moveTo(9, 5);
    play.lineTo(27, 16);
    play.lineTo(9, 27);
    play.closeSubpath();
    p.setPen(QPen(QColor(0x00, 0x60, 0x00), 1.5));
    p.setBrush(QColor(0x20, 0xB0, 0x20));
    p.drawPath(play);
}

void DrawStop(QPainter& p) {
    p.setPen(QPen(QColor(0x80, 0x00, 0x00), 1.5));
    p.setBrush(QColor(0xD0, 0x20, 0x20));
    p.drawRoundedRect(QRectF(7, 7, 18, 18), 2, 2);
}

void DrawClearLog(QPainter& p) {
    p.setPen(QPen(kNavy, 1.5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5, 3, 18, 24));
    p.setPen(QPen(Qt::gray, 1));
    for (int line = 0; line < 5; ++line) {
        p.drawLine(QPointF(8, 8 + line * 4), QPointF(20, 8 + line * 4));
    }
    p.setPen(QPen(QColor(0xD0, 0x20, 0x20), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(17, 17), QPointF(28, 28));
    p.drawLine(QPointF(28, 17), QPointF(17, 28));
}

void DrawAlarm(QPainter& p) {
    QPainterPath bell;
    bell.moveTo(6, 24);
    bell.cubicTo(10, 20, 8, 6, 16, 6);
    bell.cubicTo(24, 6, 22, 20, 26, 24);
    bell.closeSubpath();
    p.setPen(QPen(QColor(0x80, 0x60, 0x00), 1.5));
    p.setBrush(QColor(0xF0, 0xC0, 0x20));
    p.drawPath(bell);
    p.drawEllipse(QPointF(16, 26.5), 2.5, 2.5);
    p.drawEllipse(QPointF(16, 4.5), 1.5, 1.5);
}

void DrawFiltering(QPainter& p) {
    QPainterPath funnel;
    funnel.moveTo(4, 5);
    funnel.lineTo(28, 5);
    funnel.lineTo(19, 16);
    funnel.lineTo(19, 27);
    funnel.lineTo(13, 24);
    funnel.lineTo(13, 16);
    funnel.closeSubpath();
    p.setPen(QPen(kNavy, 1.5));
    p.setBrush(QColor(0x40, 0x80, 0xD0));
    p.drawPath(funnel);
}

void DrawChart(QPainter& p) {
    p.setPen(QPen(kNavy, 1.5));
    p.drawLine(QPointF(4, 4), QPointF(4, 28));
    p.drawLine(QPointF(4, 28), QPointF(29, 28));
    const QColor colours[] = {QColor(0xD0, 0x20, 0x20), QColor(0x20, 0xB0, 0x20),
                              QColor(0x40, 0x80, 0xD0), QColor(0xF0, 0xC0, 0x20)};
    const int heights[] = {10, 18, 13, 22};
    for (int bar = 0; bar < 4; ++bar) {
        p.setPen(Qt::NoPen);
        p.setBrush(colours[bar]);
        p.drawRect(QRectF(7 + bar * 5.5, 27 - heights[bar], 4, heights[bar]));
    }
}

void DrawGeneral(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::gray);
    p.translate(16, 16);
    for (int tooth = 0; tooth < 8; ++tooth) {
        p.drawRect(QRectF(-2.5, -14, 5, 6));
        p.rotate(45);
    }
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.5));
    p.drawEllipse(QPointF(0, 0), 9.5, 9.5);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(0, 0), 3.5, 3.5);
}

// A navy disc with a white "T" and a syslog wave under it.
void DrawEmblem(QPainter& p, const QRectF& area) {
    p.save();
    p.translate(area.topLeft());
    p.scale(area.width() / 32.0, area.height() / 32.0);
    p.setPen(Qt::NoPen);
    p.setBrush(kNavy);
    p.drawEllipse(QRectF(1, 1, 30, 30));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(8, 7, 16, 4));
    p.drawRect(QRectF(14, 7, 4, 14));
    QPainterPath wave;
    wave.moveTo(7, 25);
    wave.cubicTo(11, 21, 13, 29, 16, 25);
    wave.cubicTo(19, 21, 21, 29, 25, 25);
    p.setPen(QPen(QColor(0xF0, 0xC0, 0x20), 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);
    p.restore();
}

}  // namespace

QIcon DrawToolPicture(ToolPicture picture) {
    QPixmap pixmap(kToolSize, kToolSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // In the order of ToolPicture.
    constexpr void (*kDrawings[])(QPainter&) = {DrawScheduling, DrawStart,  DrawStop,
                                                DrawClearLog,   DrawAlarm,  DrawFiltering,
                                                DrawChart,      DrawGeneral};
    kDrawings[static_cast<int>(picture)](painter);
    return QIcon(pixmap);
}

QIcon DrawApplicationIcon() {
    QIcon icon;
    for (const int size : {16, 32, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        DrawEmblem(painter, QRectF(0, 0, size, size));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPixmap DrawBannerPicture(QSize size, const QString& version) {
    QPixmap pixmap(size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient background(0, 0, 0, size.height());
    background.setColorAt(0, kBanner.lighter(130));
    background.setColorAt(1, kBanner.darker(140));
    painter.fillRect(pixmap.rect(), background);
    const qreal emblem = size.height() * 0.6;
    const qreal top = (size.height() - emblem) / 2;
    DrawEmblem(painter, QRectF(top, top, emblem, emblem));
    const qreal left = top * 2 + emblem;
    const qreal middle = size.height() / 2.0;
    painter.setPen(Qt::white);
    QFont title = painter.font();
    title.setPointSize(26);
    title.setBold(true);
    painter.setFont(title);
    painter.drawText(QRectF(left, middle - 52, size.width() - left, 48),
                     Qt::AlignLeft | Qt::AlignVCenter, "Trevalon");
    QFont line = painter.font();
    line.setPointSize(10);
    line.setBold(false);
    painter.setFont(line);
    painter.drawText(QRectF(left + 2, middle, size.width() - left, 24),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     QString("Syslog server with alarming, v%1").arg(version));
    return pixmap;
}

}  // namespace trevalon
