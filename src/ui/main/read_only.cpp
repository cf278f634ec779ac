// One writer per database: the window holds the database's lock from start to end. When another
// program holds it, the user may still view the cards; nothing is then ever written.

#include "ui/main/main.h"
#include "ui_main.h"
#include "ui/main/user_dialogs.h"

namespace gsmprog {

bool TForm1::TakeDatabase() {
    if (lock_.Take(ProgramName) == DatabaseLock::Outcome::Taken) return true;
    readOnly_ = dialogs_.AskYesNo(nullptr, QStringLiteral("Внимание"),
                                  QString::fromStdString(lock_.Refusal()) +
                                      QStringLiteral(". Открыть только для просмотра?"));
    return readOnly_;
}

// Editing and the operations that record their result in the card stay off; viewing, search,
// export, reading a modem and the control window stay usable.
void TForm1::KeepReadOnly() {
    if (!readOnly_) return;
    for (QWidget* control : {ui->BitBtn1, ui->ProgBtn, ui->ProgUoBtn}) control->setEnabled(false);
}

}  // namespace gsmprog
