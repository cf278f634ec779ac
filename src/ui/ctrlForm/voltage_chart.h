// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The "График" page of the control window: the three voltages of the status replies since
// the window was opened, over the last ten minutes, in volts. A time without replies is a gap
// in the lines: a line drawn across it would show voltages nobody measured.

#include <QChartView>
#include <QDateTime>
#include <utility>
#include <vector>

#include "prog/ctrl_status.h"

class QDateTimeAxis;
class QLineSeries;
class QValueAxis;

namespace gsmprog {

class VoltageChart : public QChartView {
    Q_OBJECT
public:
    static constexpr qint64 SpanMs = 10 * 60 * 1000;

    explicit VoltageChart(QWidget* parent = nullptr);

    // Empties the chart; the time axis begins at `opened`.
    void Restart(const QDateTime& opened);
    // One point per voltage for a status reply shown at `at`.
    void AddStatus(const QDateTime& at, const CtrlStatusFields& status);
    // The modem stopped answering: the next point starts the lines anew.
    void Interrupt() { interrupted_ = true; }
    // Points of each of the three lines.
    int PointCount() const;
    // The pieces each line is drawn in, gaps between them.
    int RunCount() const;

private:
    static constexpr int LineCount = 3;
    void StartRun(int line);
    void DropOlderThan(qint64 ms);
    void FitAxes(qint64 latestMs);

    // Each line's pieces, oldest first; the first one stays, it holds the line's legend.
    std::vector<QLineSeries*> runs_[LineCount];
    bool interrupted_ = false;
    QDateTimeAxis* timeAxis_ = nullptr;
    QValueAxis* voltAxis_ = nullptr;
    qint64 openedMs_ = 0;
    // The ranges last given to the axes: an axis given a range lays out its labels anew, even
    // the same range, which costs more than the point a status reply adds.
    qint64 timeBeginMs_ = -1;
    std::pair<double, double> volts_{-1.0, -1.0};
};

}  // namespace gsmprog
