// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ctrlForm/voltage_chart.h"

#include <QDateTimeAxis>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace gsmprog {

namespace {
// Short enough for the legend to show them whole beside each other.
const char* const LineNames[] = {"АКБ без заряда", "АКБ при заряде", "Внешнее питание"};
constexpr double MarginVolts = 0.5;
constexpr double EmptyTopVolts = 15.0;
}  // namespace

VoltageChart::VoltageChart(QWidget* parent) : QChartView(parent) {
    // The view's own chart: one set in its place would leave this one without an owner.
    QChart* chart = this->chart();
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    timeAxis_ = new QDateTimeAxis;
    timeAxis_->setFormat(QStringLiteral("HH:mm"));
    timeAxis_->setTickCount(6);  // every two minutes
    timeAxis_->setTitleText(QStringLiteral("Время"));
    voltAxis_ = new QValueAxis;
    voltAxis_->setLabelFormat(QStringLiteral("%.1f"));
    voltAxis_->setTitleText(QStringLiteral("Напряжение, В"));
    chart->addAxis(timeAxis_, Qt::AlignBottom);
    chart->addAxis(voltAxis_, Qt::AlignLeft);
    for (int i = 0; i < LineCount; ++i) {
        auto* line = new QLineSeries(chart);
        line->setName(QString::fromUtf8(LineNames[i]));
        chart->addSeries(line);
        line->attachAxis(timeAxis_);
        line->attachAxis(voltAxis_);
        runs_[i].push_back(line);
    }
    setRenderHint(QPainter::Antialiasing);
    Restart(QDateTime::currentDateTime());
}

void VoltageChart::Restart(const QDateTime& opened) {
    openedMs_ = opened.toMSecsSinceEpoch();
    interrupted_ = false;
    for (std::vector<QLineSeries*>& runs : runs_) {
        while (runs.size() > 1) {
            chart()->removeSeries(runs.back());
            delete runs.back();
            runs.pop_back();
        }
        runs.front()->clear();
    }
    FitAxes(openedMs_);
}

void VoltageChart::StartRun(int line) {
    QLineSeries* first = runs_[line].front();
    auto* run = new QLineSeries(chart());
    chart()->addSeries(run);
    run->attachAxis(timeAxis_);
    run->attachAxis(voltAxis_);
    run->setColor(first->color());
    for (QLegendMarker* marker : chart()->legend()->markers(run)) marker->setVisible(false);
    runs_[line].push_back(run);
}

void VoltageChart::DropOlderThan(qint64 ms) {
    for (std::vector<QLineSeries*>& runs : runs_)
        for (std::size_t r = 0; r < runs.size();) {
            QLineSeries* run = runs[r];
            int old = 0;
            while (old < run->count() && run->at(old).x() < double(ms)) ++old;
            if (old > 0) run->removePoints(0, old);
            if (r > 0 && run->count() == 0) {
                chart()->removeSeries(run);
                delete run;
                runs.erase(runs.begin() + std::ptrdiff_t(r));
            } else {
                ++r;
            }
        }
}

void VoltageChart::AddStatus(const QDateTime& at, const CtrlStatusFields& status) {
    const qint64 ms = at.toMSecsSinceEpoch();
    DropOlderThan(ms - SpanMs);
    const std::uint16_t millivolts[LineCount] = {status.batVolt1, status.batVolt2, status.pwrVolt};
    const bool newRun = std::exchange(interrupted_, false) && runs_[0].back()->count() > 0;
    for (int i = 0; i < LineCount; ++i) {
        if (newRun) StartRun(i);
        runs_[i].back()->append(double(ms), millivolts[i] / 1000.0);
    }
    FitAxes(ms);
}

int VoltageChart::PointCount() const {
    int points = 0;
    for (const QLineSeries* run : runs_[0]) points += int(run->count());
    return points;
}

int VoltageChart::RunCount() const {
    return int(std::count_if(runs_[0].begin(), runs_[0].end(),
                             [](const QLineSeries* run) { return run->count() > 0; }));
}

void VoltageChart::FitAxes(qint64 latestMs) {
    // Ten minutes from the opening, then the last ten minutes.
    const qint64 begin = std::max(openedMs_, latestMs - SpanMs);
    if (begin != timeBeginMs_) {
        timeBeginMs_ = begin;
        timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(begin),
                            QDateTime::fromMSecsSinceEpoch(begin + SpanMs));
    }

    double low = std::numeric_limits<double>::max(), high = std::numeric_limits<double>::lowest();
    for (const std::vector<QLineSeries*>& runs : runs_)
        for (const QLineSeries* run : runs)
            for (const QPointF& point : run->points()) {
                low = std::min(low, point.y());
                high = std::max(high, point.y());
            }
    if (low > high) {  // nothing yet: the range of a 12 V installation
        low = 0.0;
        high = EmptyTopVolts;
    }
    const std::pair volts{std::max(0.0, low - MarginVolts), high + MarginVolts};
    if (volts == volts_) return;
    volts_ = volts;
    voltAxis_->setRange(volts.first, volts.second);
    voltAxis_->applyNiceNumbers();
}

}  // namespace gsmprog
