#pragma once
// The read-result window: shows the settings read back out of a modem.

#include <QDialog>

namespace gsmprog {

class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
};

}  // namespace gsmprog
