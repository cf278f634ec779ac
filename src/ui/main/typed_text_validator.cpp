#include "typed_text_validator.h"

#include <QLineEdit>
#include <algorithm>

#include "win1251.h"

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
    return IsWin1251(input) && fits ? Acceptable : Invalid;
}

}  // namespace gsmprog
