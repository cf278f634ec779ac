#include "read_frm.h"

namespace gsmprog {

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Считанные данные"));
    setModal(true);
}

}  // namespace gsmprog
