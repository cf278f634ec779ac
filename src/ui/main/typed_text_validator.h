#pragma once
// What a user may type into an edit of a card:
// - only characters that have a Windows-1251 byte, so the text is stored as it was entered
//   (typed or pasted text with any other character is refused whole);
// - at most the edit's designed length. The limit binds typing only: a longer value shown
//   from a card (a ten-digit device code, a critical balance of 1000) is shown whole and
//   kept unless the user changes it, so showing a card never changes it.

#include <QValidator>

class QLineEdit;

namespace gsmprog {

class TypedTextValidator final : public QValidator {
    Q_OBJECT
public:
    // Takes the edit's designed maximum length as its limit and lifts the edit's own one,
    // which would cut shown values.
    static void Install(QLineEdit* edit);
    // Shows a value from a card in `edit`, whole, whatever its length.
    static void ShowValue(QLineEdit* edit, const QString& text);

    State validate(QString& input, int& pos) const override;

private:
    TypedTextValidator(QObject* parent, int limit);

    const int limit_;
    int allowed_;  // the limit, or the length of a longer value shown
};

}  // namespace gsmprog
