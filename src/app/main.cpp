// gsmprog: the desktop utility. Works on the card database in the current directory.

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <exception>

#include "ctrlForm.h"
#include "main.h"
#include "russian_ui.h"
#include "serial_cable.h"
#include "user_dialogs.h"

namespace {

// An error that escapes an event handler ends the program after it has been shown.
class Application final : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            Fail(QString::fromLocal8Bit(e.what()));
        } catch (...) {
            Fail(QString());
        }
        return false;
    }

    // Shows the error with the application's standard error display.
    static void ShowError(const QString& text) {
        QMessageBox::critical(nullptr, QApplication::applicationName(), text);
    }

private:
    void Fail(const QString& text) {
        ShowError(text);
        exit(1);
    }
};

}  // namespace

int main(int argc, char* argv[]) {
    Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("gsmprog"));
    QApplication::setDesktopFileName(QStringLiteral("gsmprog"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/gsmprog.png")));
    gsmprog::InstallRussianTranslation(app);

    try {
        gsmprog::QtUserDialogs dialogs;
        gsmprog::SerialCable cable;
        const gsmprog::Hardware hardware{cable, gsmprog::SystemClock()};
        gsmprog::TForm1 form1(dialogs, hardware);
        gsmprog::TForm4 form4(dialogs, hardware);
        form1.SetControlWindow(form4);
        form1.show();
        return app.exec();
    } catch (const std::exception& e) {
        Application::ShowError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        Application::ShowError(QString());
    }
    return 1;
}
