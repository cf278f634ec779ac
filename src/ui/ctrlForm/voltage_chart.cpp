// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ctrlForm/voltage_chart.h"

#include <QDateTimeAxis>
#include <QLineSeries>
#include <QValueAxis>
#include <algorithm>
#include <cmath>
#include <limits>

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
        lines_[i] = new QLineSeries(chart);
        lines_[i]->setName(QString::fromUtf8(LineNames[i]));
        chart->addSeries(lines_[i]);
        lines_[i]->attachAxis(timeAxis_);
        lines_[i]->attachAxis(voltAxis_);
    }
    setRenderHint(QPainter::Antialiasing);
    Restart(QDateTime::currentDateTime());
}

void VoltageChart::Restart(const QDateTime& opened) {
    openedMs_ = opened.toMSecsSinceEpoch();
    for (QLineSeries* line : lines_) line->clear();
    FitAxes(openedMs_);
}

void VoltageChart::AddStatus(const QDateTime& at, const CtrlStatusFields& status) {
    const qint64 ms = at.toMSecsSinceEpoch();
    const std::uint16_t millivolts[LineCount] = {status.batVolt1, status.batVolt2, status.pwrVolt};
    for (int i = 0; i < LineCount; ++i) {
        QLineSeries* line = lines_[i];
        int old = 0;
        while (old < line->count() && line->at(old).x() < double(ms - SpanMs)) ++old;
        if (old > 0) line->removePoints(0, old);
        line->append(double(ms), millivolts[i] / 1000.0);
    }
    FitAxes(ms);
}

int VoltageChart::PointCount() const { return int(lines_[0]->count()); }

void VoltageChart::FitAxes(qint64 latestMs) {
    // Ten minutes from the opening, then the last ten minutes.
    const qint64 begin = std::max(openedMs_, latestMs - SpanMs);
    if (begin != timeBeginMs_) {
        timeBeginMs_ = begin;
        timeAxis_->setRange(QDateTime::fromMSecsSinceEpoch(begin),
                            QDateTime::fromMSecsSinceEpoch(begin + SpanMs));
    }

    double low = std::numeric_limits<double>::max(), high = std::numeric_limits<double>::lowest();
    for (const QLineSeries* line : lines_)
        for (const QPointF& point : line->points()) {
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
