// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/typed_text_validator.h"

#include <QLineEdit>
#include <QToolTip>
#include <algorithm>

#include "text/win1251.h"

namespace gsmprog {

namespace {
constexpr int Unlimited = 32767;  // QLineEdit's own default
}

void TypedTextValidator::Install(QLineEdit* edit, bool storedValuesMayBeLonger) {
    const int limit = storedValuesMayBeLonger ? edit->maxLength() : 0;
    if (storedValuesMayBeLonger) edit->setMaxLength(Unlimited);  // it would cut a shown value
    edit->setValidator(new TypedTextValidator(edit, limit));
}

void TypedTextValidator::ShowValue(QLineEdit* edit, const QString& text) {
    auto* validator = qobject_cast<TypedTextValidator*>(const_cast<QValidator*>(edit->validator()));
    if (validator && validator->limit_ > 0)
        validator->allowed_ = std::max(validator->limit_, static_cast<int>(text.size()));
    edit->setText(text);
}

TypedTextValidator::TypedTextValidator(QObject* parent, int limit)
    : QValidator(parent), limit_(limit), allowed_(limit) {}

QValidator::State TypedTextValidator::validate(QString& input, int&) const {
    const bool fits = limit_ == 0 || input.size() <= allowed_;
    if (!IsWin1251(input)) {
        // Said at the field, so a refused keystroke or paste is never a silent mystery.
        if (auto* edit = qobject_cast<QLineEdit*>(parent()))
            QToolTip::showText(edit->mapToGlobal(QPoint(0, edit->height())),
                               QStringLiteral("Символ не поддерживается"), edit);
        return Invalid;
    }
    return fits ? Acceptable : Invalid;
}

}  // namespace gsmprog
