#include "manager/history/history_chart.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QImageWriter>
#include <QValueAxis>

#include <algorithm>
#include <stdexcept>

namespace trevalon {

// The view owns the chart it is made with; one set later would leave the first to its maker.
HistoryChart::HistoryChart(QColor barColour) : QChartView(new QChart), barColour_(barColour) {
    QChart* chart = this->chart();
    chart->legend()->hide();
    chart->setBackgroundBrush(Qt::white);
    chart->setPlotAreaBackgroundBrush(Qt::white);
    chart->setPlotAreaBackgroundVisible(true);
    setRenderHint(QPainter::Antialiasing);
    SetBars({});
}

void HistoryChart::SetBars(const std::vector<ChartBar>& bars) {
    QChart* chart = this->chart();
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    auto* set = new QBarSet(QString());
    set->setColor(barColour_);
    set->setBorderColor(barColour_.darker(130));
    set->setLabelColor(Qt::black);
    QStringList labels;
    qreal highest = 0;
    for (const ChartBar& bar : bars) {
        set->append(static_cast<qreal>(bar.total));
        labels << QString::fromStdString(bar.label);
        highest = std::max(highest, static_cast<qreal>(bar.total));
    }
    auto* series = new QBarSeries;
    series->append(set);
    series->setLabelsVisible(true);
    series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    series->setLabelsPrecision(12);
    chart->addSeries(series);

    auto* categories = new QBarCategoryAxis;
    categories->append(labels);
    if (labels.size() > 12) {
        categories->setLabelsAngle(-90);
    }
    chart->addAxis(categories, Qt::AlignBottom);
    series->attachAxis(categories);
    auto* counts = new QValueAxis;
    counts->setLabelFormat("%d");
    // Room above the highest bar for its mark.
    counts->setRange(0, highest > 0 ? highest * 1.15 : 1);
    counts->applyNiceNumbers();
    chart->addAxis(counts, Qt::AlignLeft);
    series->attachAxis(counts);
    barCount_ = static_cast<int>(bars.size());
}

void HistoryChart::SaveBitmap(const QString& path) {
    QImageWriter writer(path, "bmp");
    if (!writer.write(grab().toImage())) {
        throw std::runtime_error(writer.errorString().toStdString());
    }
}

}  // namespace trevalon
