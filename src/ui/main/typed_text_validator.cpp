#include "typed_text_validator.h"

#include <QLineEdit>
#include <algorithm>

#include "win1251.h"

namespace gsmprog {

void TypedTextValidator::Install(QLineEdit* edit) {
    auto* validator = new TypedTextValidator(edit, edit->maxLength());
    edit->setMaxLength(32767);
    edit->setValidator(validator);
}

void TypedTextValidator::ShowValue(QLineEdit* edit, const QString& text) {
    if (auto* validator = qobject_cast<TypedTextValidator*>(const_cast<QValidator*>(edit->validator())))
        validator->allowed_ = std::max(validator->limit_, static_cast<int>(text.size()));
    edit->setText(text);
}

TypedTextValidator::TypedTextValidator(QObject* parent, int limit)
    : QValidator(parent), limit_(limit), allowed_(limit) {}

QValidator::State TypedTextValidator::validate(QString& input, int&) const {
    return IsWin1251(input) && input.size() <= allowed_ ? Acceptable : Invalid;
}

}  // namespace gsmprog
