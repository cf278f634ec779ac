// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a user may type into an edit of a card: only characters that have a Windows-1251 byte,
// so the text is stored as it was entered (typed or pasted text with any other character is
// refused whole, with a hint at the field).
//
// The edit's designed maximum length limits typing. For the few numeric edits whose stored
// value can be longer than what may be typed (a ten-digit device code, a critical balance of
// 1000), the limit moves into the validator so that it binds typing only: such a value is
// shown whole and kept unless the user changes it, so showing a card never changes it.

#include <QValidator>

class QLineEdit;

namespace gsmprog {

class TypedTextValidator final : public QValidator {
    Q_OBJECT
public:
    static void Install(QLineEdit* edit, bool storedValuesMayBeLonger = false);
    // Shows a value from a card in `edit`, whole, whatever its length.
    static void ShowValue(QLineEdit* edit, const QString& text);

    State validate(QString& input, int& pos) const override;

private:
    TypedTextValidator(QObject* parent, int limit);

    const int limit_;  // 0: the edit's own maximum length applies
    int allowed_;      // the limit, or the length of a longer value shown
};

}  // namespace gsmprog
