// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// gsmprog: the desktop utility. Works on the card database in the current directory; started
// from the desktop's menu (--last-folder), on the one of the folder used last.

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>

#include "ui/ctrlForm/ctrlForm.h"
#include "ui/main/database_folders.h"
#include "ui/main/end_signals.h"
#include "ui/main/main.h"
#include "ui/main/main_window_host.h"
#include "ui/main/prog_workers.h"
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

constexpr int ExitUsage = 2;
// Longer than a cable write may block: an abandoned worker ends within it unless the
// adapter is wedged for good.
constexpr std::chrono::milliseconds AbandonedWorkerWait{3000};

// The main window and the control window on the one serial cable, until the main window ends.
int RunWindows(QApplication& app, bool lastFolder) {
    gsmprog::QtUserDialogs dialogs;
    const auto cable = std::make_shared<gsmprog::SerialCable>();
    const gsmprog::Hardware hardware{*cable, gsmprog::SystemClock(), cable};
    std::filesystem::path folder;  // the current directory
    if (lastFolder) {
        const gsmprog::MenuStartFolder start = gsmprog::FolderForMenuStart();
        if (!start.problem.isEmpty())
            dialogs.ShowMessage(nullptr, QStringLiteral("Внимание"), start.problem);
        folder = start.folder;
    }
    gsmprog::MainWindowHost windows(dialogs, hardware);
    if (!windows.Open(folder)) return 0;  // another program writes the database; not viewed
    gsmprog::TForm4 form4(dialogs, hardware);
    windows.SetControlWindow(form4);
    const gsmprog::EndSignals endSignals([&windows] { windows.Window().EndWithoutQuestions(); });
    windows.Window().show();
    return app.exec();
}

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

// Answers --help and --version without a display, and refuses anything but --last-folder.
// Returns the exit code, or -1 when the window is to open.
int AnsweredOnTerminal(int argc, char* argv[], bool& lastFolder) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("gsmprog %s\n", gsmprog::ProgramVersion);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf(
                "Использование: gsmprog [--last-folder | --help | --version]\n"
                "Утилита программирования GSM модема: открывает окно с базой карточек\n"
                "ProgInfo_12.GAD текущего каталога; программирует, считывает и контролирует\n"
                "модем через кабель FTDI. Без ключей открывает окно.\n"
                "  --last-folder  открыть папку базы, открытую последней (в первый раз ~/gsmprog);\n"
                "                 так окно запускается из меню\n"
                "  --help         эта справка\n"
                "  --version      версия программы\n"
                "Команды без окна: gsmprog-cli --help; виртуальный модем: gsmprog-vmodem --help.\n");
            return 0;
        }
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--last-folder") == 0) {
            lastFolder = true;
            continue;
        }
        const bool option = argv[i][0] == '-';
        std::fprintf(stderr, "gsmprog: %s «%s»\nСправка: gsmprog --help\n",
                     option ? "неизвестный ключ" : "лишний аргумент", argv[i]);
        return ExitUsage;
    }
    // Checked before Qt starts: without a screen it would abort with its own English text.
    if (!Set("DISPLAY") && !Set("WAYLAND_DISPLAY") && !Set("QT_QPA_PLATFORM")) {
        std::fprintf(stderr,
                     "gsmprog: окну нужен графический экран, а его нет (не заданы DISPLAY и "
                     "WAYLAND_DISPLAY).\n"
                     "Без экрана работает gsmprog-cli: те же карточки и операции с модемом из "
                     "командной строки (gsmprog-cli --help).\n");
        return ExitUsage;
    }
    return -1;
}

}  // namespace

int main(int argc, char* argv[]) {
    bool lastFolder = false;
    if (const int code = AnsweredOnTerminal(argc, argv, lastFolder); code >= 0) return code;
    // The window's last log lines go into a support report, GSMPROG_DEBUG or not.
    gsmprog::KeepDebugRing();
    Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("gsmprog"));
    QApplication::setDesktopFileName(QStringLiteral("gsmprog"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/gsmprog.png")));
    gsmprog::InstallRussianTranslation(app);

    int code = 1;
    try {
        code = RunWindows(app, lastFolder);
    } catch (const std::exception& e) {
        Application::ShowError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        Application::ShowError(QString());
    }
    // A worker left to end on its own (its cable wedged at close) keeps its cable alive; it
    // still needs the application and the program's statics until it ends. When it does not
    // end in time the program leaves without destroying what it could still be using.
    if (!gsmprog::ProgWorker::AbandonedEnded(AbandonedWorkerWait)) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
