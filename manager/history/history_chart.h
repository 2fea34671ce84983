#pragma once

// One bar chart of the history window: a bar per group in one colour on a white back wall, each
// bar's count shown above it.

#include <QChartView>

#include <string>
#include <vector>

#include "manager/history/history_loader.h"

namespace trevalon {

class HistoryChart final : public QChartView {
  public:
    explicit HistoryChart(QColor barColour);

    // The bars in the given order; none empties the chart.
    void SetBars(const std::vector<ChartBar>& bars);
    int BarCount() const { return barCount_; }
    // The chart as a bitmap picture of its current size, written to `path` as it is named.
    // Raises std::runtime_error with the writer's reason.
    void SaveBitmap(const QString& path);

  private:
    QColor barColour_;
    int barCount_ = 0;
};

}  // namespace trevalon
