#include "manager/live_lists/live_message_model.h"

#include <QColor>
#include <QPainter>
#include <QPixmap>

#include "manager/live_lists/facility_colours.h"

namespace trevalon {
namespace {

// Emergency ... Informational, then Debug (and any other name).
constexpr std::array<std::string_view, 7> kSeverityNames = {
    "Emergency", "Alert", "Critical", "Error", "Warning", "Notice", "Informational",
};
constexpr std::array<QRgb, 8> kSeverityFill = {
    0x8B0000, 0xC00000, 0xFF0000, 0xFF6A00, 0xFFC000, 0x2E8B57, 0x1E6FD0, 0x808080,
};

std::size_t SeveritySlot(const QString& severityName) {
    for (std::size_t slot = 0; slot < kSeverityNames.size(); ++slot) {
        if (severityName == QLatin1String(kSeverityNames[slot].data(),
                                          static_cast<int>(kSeverityNames[slot].size()))) {
            return slot;
        }
    }
    return kSeverityNames.size();
}

// A round badge in the severity's colour; the more severe, the more of it is filled.
QIcon SeverityIcon(std::size_t slot) {
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(kSeverityFill[slot]).darker(140), 1));
    painter.setBrush(QColor(kSeverityFill[slot]));
    painter.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    if (slot <= 3) {
        painter.setPen(QPen(Qt::white, 2));
        painter.drawLine(QPointF(8, 5), QPointF(8, 9));
        painter.drawPoint(QPointF(8, 11.5));
    }
    return QIcon(picture);
}

}  // namespace

LiveMessageModel::LiveMessageModel(QObject* parent)
    : LiveMessageModel({"DateTime", "From IP", "Facility", "Severity", "Message"}, parent) {}

LiveMessageModel::LiveMessageModel(QStringList captions, QObject* parent)
    : ListRowsModel(std::move(captions), parent) {
    for (std::size_t slot = 0; slot < severityIcons_.size(); ++slot) {
        severityIcons_[slot] = SeverityIcon(slot);
    }
}

void LiveMessageModel::SetColours(const EngineSettings& settings) {
    colours_.MessageColours = settings.MessageColours;
    if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    }
}

QStringList LiveMessageModel::RowOf(const SyslogRecord& record) {
    return {QString::fromStdString(record.TimeStamp), QString::fromStdString(record.Source),
            QString::fromStdString(record.FacilityName),
            QString::fromStdString(record.SeverityName), QString::fromStdString(record.Content)};
}

QVariant LiveMessageModel::data(const QModelIndex& index, int role) const {
    if (index.isValid() && Row(index.row()).size() == 5) {
        if (role == Qt::ForegroundRole) {
            return QColor(
                static_cast<QRgb>(FacilityRowColour(colours_, Row(index.row())[2].toStdString())));
        }
        if (role == Qt::DecorationRole && index.column() == 0) {
            return severityIcons_[SeveritySlot(Row(index.row())[3])];
        }
    }
    return ListRowsModel::data(index, role);
}

}  // namespace trevalon
