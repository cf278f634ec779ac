#pragma once
// The read-result window: shows the settings read back out of a modem. Nothing in it can be
// edited; it is refilled for every read.

#include <QDialog>
#include <memory>

#include "link/modem_image.h"

namespace Ui {
class TForm2;
}

namespace gsmprog {

class TForm2 : public QDialog {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    // Sets every control from the image read; the "Баланс" group shows only for a long image.
    void Fill(const WideImage& image);
    // The device version as the link reported it ("Н/Д" when the modem gave none).
    void SetVersion(const QString& version);
    // The line that names the card the modem belongs to.
    void SetCardMatch(const QString& text);
    // The line under it: the last programming of that card in the operations journal.
    void SetCardHistory(const QString& text);

private:
    std::unique_ptr<Ui::TForm2> ui;
};

}  // namespace gsmprog
