// gsmprog: the desktop utility. Works on the card database in the current directory.

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <cstdio>
#include <cstring>
#include <exception>

#include "ui/ctrlForm/ctrlForm.h"
#include "ui/main/main.h"
#include "ui/main/russian_ui.h"
#include "cable/serial_cable.h"
#include "diag/debug_log.h"
#include "ui/main/user_dialogs.h"
#include "program_version.h"

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

// Answers --help and --version without a display; false when the window is to open.
bool AnsweredOnTerminal(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("gsmprog %s\n", gsmprog::ProgramVersion);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf(
                "Использование: gsmprog [--help | --version]\n"
                "Утилита программирования GSM модема: открывает окно с базой карточек\n"
                "ProgInfo_12.GAD текущего каталога; программирует, считывает и контролирует\n"
                "модем через кабель FTDI. Без ключей открывает окно.\n"
                "  --help      эта справка\n"
                "  --version   версия программы\n"
                "Команды без окна: gsmprog-cli --help; виртуальный модем: gsmprog-vmodem --help.\n");
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (AnsweredOnTerminal(argc, argv)) return 0;
    // The window's last log lines go into a support report, GSMPROG_DEBUG or not.
    gsmprog::KeepDebugRing();
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
        if (form1.Declined()) return 0;  // another program writes the database; not viewed
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
