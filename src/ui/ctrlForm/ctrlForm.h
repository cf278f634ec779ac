#pragma once
// The equipment-control window: watches the modem live over the control link.

#include <QDialog>

namespace gsmprog {

class TForm4 : public QDialog {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);
};

}  // namespace gsmprog
