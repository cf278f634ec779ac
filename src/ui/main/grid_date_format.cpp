// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/grid_date_format.h"

#include <QDateTime>
#include <algorithm>

#include "ui/main/regional_formats.h"

namespace gsmprog {

namespace {

// Every month, every weekday, one- and two-digit days and hours, both halves of the day, the
// first and the last date a card can hold: what a compiled format must write as QLocale does,
// and where the characters of the shown dates are gathered.
constexpr LocalDateTime Samples[] = {
    {1899, 12, 30, 0, 0, 0, 0},   {1900, 1, 1, 1, 2, 3, 0},       {2009, 2, 9, 9, 9, 9, 0},
    {2024, 3, 10, 10, 10, 10, 0}, {2024, 4, 15, 11, 59, 59, 999}, {2024, 5, 20, 12, 0, 0, 0},
    {2024, 6, 25, 13, 14, 15, 0}, {2024, 7, 28, 19, 30, 45, 0},   {2024, 8, 31, 20, 1, 2, 0},
    {2025, 9, 30, 21, 40, 50, 0}, {2030, 10, 1, 22, 5, 6, 0},     {2099, 11, 11, 23, 59, 59, 0},
    {2024, 12, 12, 0, 0, 1, 0},   {2024, 12, 13, 8, 0, 0, 0},     {9999, 12, 31, 23, 59, 59, 999},
};

// The stored value is wall-clock time already: shown as it is, never moved or dropped because
// this computer's zone skips that hour (the formats carry no zone).
QDateTime WallClock(const LocalDateTime& date) {
    return {QDate(date.year, date.month, date.day),
            QTime(date.hour, date.minute, date.second, date.millisecond), Qt::UTC};
}

bool OnMidnight(const LocalDateTime& date) {
    return date.hour == 0 && date.minute == 0 && date.second == 0 && date.millisecond == 0;
}

}  // namespace

void GridDateFormat::Written::Append(QStringView text) {
    std::copy(text.utf16(), text.utf16() + text.size(), chars + size);
    size += text.size();
}

void GridDateFormat::Written::AppendNumber(int value, int width, char16_t zero) {
    char16_t digits[4];  // every field of a card's date has at most four
    int count = 0;
    do {
        digits[count++] = char16_t(zero + value % 10);
        value /= 10;
    } while (value > 0 && count < 4);
    for (int pad = count; pad < width; ++pad) chars[size++] = zero;
    while (count > 0) chars[size++] = digits[--count];
}

GridDateFormat::GridDateFormat(const QLocale& locale)
    : locale_(locale),
      dateFormat_(locale.dateFormat(QLocale::ShortFormat)),
      dateTimeFormat_(dateFormat_ + QLatin1Char(' ') + LongTimeFormat(locale)),
      date_(Compile(dateFormat_, locale)),
      dateTime_(Compile(dateTimeFormat_, locale)) {
    characters_ = QStringLiteral("0123456789");
    for (const LocalDateTime& sample : Samples) {
        Check(date_, sample, locale_.toString(WallClock(sample), dateFormat_));
        Check(dateTime_, sample, locale_.toString(WallClock(sample), dateTimeFormat_));
    }
}

void GridDateFormat::Check(std::optional<Pieces>& pieces, const LocalDateTime& sample,
                           const QString& expected) {
    const QString lower = expected.toLower();
    for (const QChar c : lower)
        if (!characters_.contains(c)) characters_ += c;
    if (!pieces) return;
    Written written, writtenLower;
    Write(pieces->shown, pieces->zero, sample, written);
    Write(pieces->lower, pieces->zero, sample, writtenLower);
    if (written.View() != expected || writtenLower.View() != lower) pieces.reset();
}

std::optional<GridDateFormat::Pieces> GridDateFormat::Compile(const QString& format,
                                                              const QLocale& locale) {
    using Kind = Piece::Kind;
    Pieces pieces;
    // Digits beyond the basic plane would take two units each: left to QLocale.
    const QString zero = locale.zeroDigit();
    if (zero.size() != 1) return std::nullopt;
    pieces.zero = zero[0].unicode();
    std::vector<Piece>& shown = pieces.shown;
    const auto appendLiteral = [&shown](const QString& text) {
        if (!shown.empty() && shown.back().kind == Kind::Literal) shown.back().text += text;
        else shown.push_back({Kind::Literal, 1, text, {}});
    };
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == u'\'') {
            // Quoted text is written as it stands; a doubled quote is a quote.
            QString text;
            for (++i; i < format.size(); ++i) {
                if (format[i] != u'\'') text += format[i];
                else if (i + 1 < format.size() && format[i + 1] == u'\'') text += format[++i];
                else break;
            }
            ++i;
            appendLiteral(text.isEmpty() ? QStringLiteral("'") : text);
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run] == c) ++run;
        Piece piece{Kind::Literal, int(run), {}, {}};
        switch (c.unicode()) {
        case u'd': piece.kind = Kind::Day; break;
        case u'M': piece.kind = Kind::Month; break;
        case u'y':
            if (run != 2 && run != 4) return std::nullopt;
            piece.kind = Kind::Year;
            break;
        case u'H': piece.kind = Kind::Hour; break;
        case u'h': piece.kind = Kind::Hour12; break;  // on the 24-hour clock without AM/PM
        case u'm': piece.kind = Kind::Minute; break;
        case u's': piece.kind = Kind::Second; break;
        case u'a':
        case u'A': {
            run = i + 1 < format.size() && (format[i + 1] == u'p' || format[i + 1] == u'P') ? 2 : 1;
            const QString token = format.mid(i, run);
            piece.kind = Kind::AmPm;
            piece.text = locale.toString(QTime(1, 0), token);
            piece.pmText = locale.toString(QTime(13, 0), token);
            break;
        }
        default:
            // Names (ddd, MMM), zones and other Latin letters Qt may read as fields stay with
            // QLocale; anything else is written as it stands.
            if (c.isLetter() && c.unicode() < 0x80) return std::nullopt;
            appendLiteral(QString(c));
            ++i;
            continue;
        }
        if (piece.kind != Kind::AmPm && piece.kind != Kind::Year && run > 2) return std::nullopt;
        shown.push_back(std::move(piece));
        i += run;
    }
    qsizetype longest = 0;
    for (const Piece& piece : shown)
        longest += std::max({qsizetype(4), piece.text.size(), piece.pmText.size()});
    if (longest > Written::Room) return std::nullopt;
    if (std::none_of(shown.begin(), shown.end(),
                     [](const Piece& piece) { return piece.kind == Kind::AmPm; }))
        for (Piece& piece : shown)
            if (piece.kind == Kind::Hour12) piece.kind = Kind::Hour;
    pieces.lower = shown;
    for (Piece& piece : pieces.lower) {
        piece.text = piece.text.toLower();
        piece.pmText = piece.pmText.toLower();
    }
    return pieces;
}

void GridDateFormat::Write(const std::vector<Piece>& pieces, char16_t zero,
                           const LocalDateTime& date, Written& out) {
    using Kind = Piece::Kind;
    for (const Piece& piece : pieces) switch (piece.kind) {
        case Kind::Literal: out.Append(piece.text); break;
        case Kind::Day: out.AppendNumber(date.day, piece.width, zero); break;
        case Kind::Month: out.AppendNumber(date.month, piece.width, zero); break;
        case Kind::Year:
            out.AppendNumber(piece.width == 2 ? date.year % 100 : date.year, piece.width, zero);
            break;
        case Kind::Hour: out.AppendNumber(date.hour, piece.width, zero); break;
        case Kind::Hour12:
            out.AppendNumber(date.hour % 12 == 0 ? 12 : date.hour % 12, piece.width, zero);
            break;
        case Kind::Minute: out.AppendNumber(date.minute, piece.width, zero); break;
        case Kind::Second: out.AppendNumber(date.second, piece.width, zero); break;
        case Kind::AmPm: out.Append(date.hour < 12 ? piece.text : piece.pmText); break;
        }
}

const std::optional<GridDateFormat::Pieces>& GridDateFormat::PiecesFor(
    const LocalDateTime& date) const {
    // A value on midnight (to the millisecond) is a date without a time of day.
    return OnMidnight(date) ? date_ : dateTime_;
}

QString GridDateFormat::LocaleText(const LocalDateTime& date) const {
    return locale_.toString(WallClock(date), OnMidnight(date) ? dateFormat_ : dateTimeFormat_);
}

QString GridDateFormat::Text(double days) const {
    const std::optional<LocalDateTime> date = DateFromDays(days);
    if (!date) return {};
    const std::optional<Pieces>& pieces = PiecesFor(*date);
    if (!pieces) return LocaleText(*date);
    Written text;
    Write(pieces->shown, pieces->zero, *date, text);
    return text.View().toString();
}

bool GridDateFormat::LowerTextContains(double days, QStringView lowerText) const {
    const std::optional<LocalDateTime> date = DateFromDays(days);
    if (!date) return false;  // shown empty
    const std::optional<Pieces>& pieces = PiecesFor(*date);
    if (!pieces) return LocaleText(*date).toLower().contains(lowerText);
    Written text;
    Write(pieces->lower, pieces->zero, *date, text);
    return text.View().contains(lowerText);
}

bool GridDateFormat::MayContain(QStringView lowerText) const {
    return std::all_of(lowerText.begin(), lowerText.end(),
                       [this](QChar c) { return characters_.contains(c); });
}

}  // namespace gsmprog
