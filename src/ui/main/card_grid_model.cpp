// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/card_grid_model.h"

#include <QLocale>
#include <QDateTime>
#include <QGuiApplication>
#include <QPalette>
#include <algorithm>

#include "cards/card_dates.h"
#include "cards/card_fields.h"
#include "text/win1251.h"

namespace gsmprog {

namespace {

constexpr int IdleBuildDelayMs = 200;

const char* const HeaderTexts[CardGridModel::ColumnCount] = {
    "", "Код УО", "№ карточки", "Объект", "Дата изменений", "Дата программирования"};

// The user's regional formats; a system without regional settings (the C locale) gets the
// Russian ones, so a Russian window does not show English month names.
QLocale GridLocale() {
    const QLocale system = QLocale::system();
    return system.language() == QLocale::C ? QLocale(QLocale::Russian, QLocale::Russia) : system;
}

// The regional long time format without a time zone, as the grid has always shown it.
QString LongTimeFormat(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return format.trimmed();
}

}  // namespace

CardGridModel::CardGridModel(const CardDatabase& database, QObject* parent)
    : QAbstractTableModel(parent),
      database_(database),
      locale_(GridLocale()),
      rows_(CardDatabase::SlotCount) {
    dateFormat_ = locale_.dateFormat(QLocale::ShortFormat);
    dateTimeFormat_ = dateFormat_ + QLatin1Char(' ') + LongTimeFormat(locale_);
    // Month and day names, AM/PM and separators of these formats: sampled over a year.
    dateCharacters_ = QStringLiteral("0123456789");
    for (int month = 1; month <= 12; ++month)
        for (const QTime time : {QTime(1, 2, 3), QTime(13, 14, 15)}) {
            const QDateTime when(QDate(2024, month, month), time, Qt::UTC);
            for (const QString& format : {dateFormat_, dateTimeFormat_})
                for (const QChar c : locale_.toString(when, format).toLower())
                    if (!dateCharacters_.contains(c)) dateCharacters_ += c;
        }
    idleBuild_.setInterval(0);
    connect(&idleBuild_, &QTimer::timeout, this, &CardGridModel::BuildSomeRows);
}

int CardGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : CardDatabase::SlotCount;
}

int CardGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CardGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) {
        if (index.column() == 0) return QString::number(index.row() + 1);
        return CellText(index.row(), index.column());
    }
    // The row number is a fixed column, drawn like the header.
    if (index.column() == 0) {
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        if (role == Qt::BackgroundRole) return QGuiApplication::palette().button();
    }
    return {};
}

QVariant CardGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal && section >= 0 && section < ColumnCount)
        return QString::fromUtf8(HeaderTexts[section]);
    if (orientation == Qt::Vertical) return QString::number(section + 1);
    return {};
}

const QString& CardGridModel::CellText(int slot, int column) const {
    return Row(slot).cells[column - 1];
}

bool CardGridModel::RowContains(int slot, const QString& lowerText,
                                const std::optional<Win1251Needle>& needle) const {
    const CardRecord& card = database_.cards[slot];
    if (!card.InUse()) return false;  // every cell is empty
    // Every character a card can hold lower-cases within Windows-1251, so a text without a
    // Windows-1251 form is in none of its texts.
    if (needle &&
        (needle->FoundIn(UoCodesText(card)) || needle->FoundIn(FieldText(card.NCardEdit)) ||
         needle->FoundIn(FieldText(card.Edit1))))
        return true;
    if (!MayBeInDate(lowerText)) return false;
    for (const QString& date : Row(slot).lowerDates)
        if (date.contains(lowerText)) return true;
    return false;
}

bool CardGridModel::MayBeInDate(const QString& lowerText) const {
    return std::all_of(lowerText.begin(), lowerText.end(),
                       [this](QChar c) { return dateCharacters_.contains(c); });
}

void CardGridModel::RefreshRow(int slot) {
    rows_[slot].built = false;
    Q_EMIT dataChanged(index(slot, 1), index(slot, ColumnCount - 1));
}

void CardGridModel::RefreshAll() {
    beginResetModel();
    for (RowTexts& row : rows_) row.built = false;
    endResetModel();
    nextToBuild_ = 0;
    // Once the window is up: the start itself does not wait for this.
    QTimer::singleShot(IdleBuildDelayMs, &idleBuild_, qOverload<>(&QTimer::start));
}

void CardGridModel::BuildSomeRows() {
    constexpr int RowsPerStep = 250;  // about a millisecond: the window stays responsive
    const int end = std::min(nextToBuild_ + RowsPerStep, CardDatabase::SlotCount);
    for (; nextToBuild_ < end; ++nextToBuild_) Row(nextToBuild_);
    if (nextToBuild_ < CardDatabase::SlotCount) return;
    idleBuild_.stop();
    Q_EMIT AllRowsBuilt();
}

QString CardGridModel::DateText(double days) const {
    const std::optional<LocalDateTime> date = DateFromDays(days);
    if (!date) return {};
    // The stored value is wall-clock time already: shown as it is, never moved or dropped
    // because this computer's zone skips that hour (the formats carry no zone).
    const QDateTime when(QDate(date->year, date->month, date->day),
                         QTime(date->hour, date->minute, date->second, date->millisecond), Qt::UTC);
    // A value on midnight (to the millisecond) is a date without a time of day.
    const bool midnight =
        date->hour == 0 && date->minute == 0 && date->second == 0 && date->millisecond == 0;
    return locale_.toString(when, midnight ? dateFormat_ : dateTimeFormat_);
}

const CardGridModel::RowTexts& CardGridModel::Row(int slot) const {
    RowTexts& row = rows_[slot];
    if (row.built) return row;
    row.cells = {};
    const CardRecord& card = database_.cards[slot];
    if (card.InUse()) {
        const double changed = card.DateChanged;
        const double programmed = card.DateProgrammed;
        row.cells[0] = QString::fromStdString(UoCodesText(card));
        row.cells[1] = FromField(card.NCardEdit);
        row.cells[2] = FromField(card.Edit1);
        row.cells[3] = DateText(changed);
        if (programmed > CardRecord::InUseThreshold) row.cells[4] = DateText(programmed);
    }
    for (int d = 0; d < DateColumns; ++d)
        row.lowerDates[d] = row.cells[TextColumns - DateColumns + d].toLower();
    row.built = true;
    return row;
}

}  // namespace gsmprog
