#pragma once
// The cable choice dialog: asks which cable to use when several are attached.

#include <QDialog>

namespace gsmprog {

class TftdiDialog : public QDialog {
    Q_OBJECT
public:
    explicit TftdiDialog(QWidget* parent = nullptr);
};

}  // namespace gsmprog
