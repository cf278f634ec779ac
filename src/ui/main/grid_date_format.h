// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The dates of the card list: the regional short date with the long time, or the date alone
// on midnight. The regional formats are turned once into pieces (numbers, separators, AM/PM)
// so that a date is written straight from its stored value: the search compares 9000 rows of
// dates on a keystroke without asking QLocale to parse its format for each. A format with
// anything else (names of months or days, zones) is left to QLocale; every compiled format is
// checked against QLocale over sample dates before it is used.

#include <QLocale>
#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

#include "cards/card_dates.h"

namespace gsmprog {

class GridDateFormat {
public:
    explicit GridDateFormat(const QLocale& locale);

    // The text the grid shows for a stored value; empty when the value has no date.
    QString Text(double days) const;
    // True when the lower-cased text of the value contains `lowerText` (lower-cased).
    bool LowerTextContains(double days, QStringView lowerText) const;
    // False when `lowerText` holds a character no shown date has, so no date can contain it.
    bool MayContain(QStringView lowerText) const;
    // True when both formats are written from the values; otherwise QLocale writes them, about
    // ten times slower, which a date-like search then pays on each of 9000 rows.
    bool WritesDatesItself() const { return date_ && dateTime_; }

private:
    struct Piece {
        enum class Kind { Literal, Day, Month, Year, Hour, Hour12, Minute, Second, AmPm };
        Kind kind;
        int width = 1;  // digits at least, zero-padded; 2 for a two-digit year
        QString text;   // the literal, or the AM text
        QString pmText;
    };
    struct Pieces {
        std::vector<Piece> shown;
        std::vector<Piece> lower;  // the same with its texts lower-cased
        char16_t zero = u'0';      // the locale's digits follow it
    };
    // A date written on the stack: the search writes 18 000 of them on a keystroke.
    struct Written {
        static constexpr qsizetype Room = 64;  // a format that could write more is QLocale's
        char16_t chars[Room];
        qsizetype size = 0;
        void Append(QStringView text);
        void AppendNumber(int value, int width, char16_t zero);
        QStringView View() const { return {chars, size}; }
    };
    static std::optional<Pieces> Compile(const QString& format, const QLocale& locale);
    static void Write(const std::vector<Piece>& pieces, char16_t zero, const LocalDateTime& date,
                      Written& out);
    // Gathers the characters of a sample text and drops `pieces` that write it otherwise.
    void Check(std::optional<Pieces>& pieces, const LocalDateTime& sample, const QString& expected);
    const std::optional<Pieces>& PiecesFor(const LocalDateTime& date) const;
    QString LocaleText(const LocalDateTime& date) const;

    QLocale locale_;
    QString dateFormat_;
    QString dateTimeFormat_;
    std::optional<Pieces> date_;
    std::optional<Pieces> dateTime_;
    QString characters_;  // every character a shown date can hold, lower-cased
};

}  // namespace gsmprog
