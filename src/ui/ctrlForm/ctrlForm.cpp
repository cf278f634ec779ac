#include "ctrlForm.h"

namespace gsmprog {

TForm4::TForm4(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Контроль"));
    setModal(true);
}

}  // namespace gsmprog
