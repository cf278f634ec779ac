#include "ftiDialog.h"

namespace gsmprog {

TftdiDialog::TftdiDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Выбор FTDI"));
    setModal(true);
}

}  // namespace gsmprog
