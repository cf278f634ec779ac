// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/main_window_host.h"

#include <QGuiApplication>
#include <exception>

#include "ui/main/database_folders.h"
#include "ui/main/main.h"
#include "ui/main/user_dialogs.h"

namespace gsmprog {

MainWindowHost::MainWindowHost(UserDialogs& dialogs, Hardware hardware)
    : dialogs_(dialogs), hardware_(std::move(hardware)) {}

MainWindowHost::~MainWindowHost() = default;

std::unique_ptr<TForm1> MainWindowHost::Build(const std::filesystem::path& folder) {
    auto window = std::make_unique<TForm1>(dialogs_, hardware_, folder);
    if (window->Declined()) return nullptr;
    if (control_) window->SetControlWindow(*control_);
    // Queued: the window that asks is replaced only after its own handler has returned.
    connect(
        window.get(), &TForm1::FolderChosen, this,
        [this](const QString& chosen) { SwitchTo(FolderPath(chosen)); }, Qt::QueuedConnection);
    return window;
}

bool MainWindowHost::Open(const std::filesystem::path& folder) {
    window_ = Build(folder);
    if (window_) RememberFolder(folder);
    return window_ != nullptr;
}

void MainWindowHost::SetControlWindow(TForm4& form) {
    control_ = &form;
    if (window_) window_->SetControlWindow(form);
}

bool MainWindowHost::SwitchTo(const std::filesystem::path& folder) {
    TForm1& old = *window_;
    const QString attention = QStringLiteral("Внимание");
    std::error_code failed;
    if (!std::filesystem::is_directory(folder, failed)) {
        ForgetFolder(folder);
        dialogs_.ShowMessage(&old, attention, MissingFolderText(folder));
        return false;
    }
    if (std::filesystem::equivalent(folder, AbsoluteFolder(old.Database().Directory()), failed))
        return true;
    std::unique_ptr<TForm1> next;
    try {
        next = Build(folder);
    } catch (const std::exception& e) {
        dialogs_.ShowMessage(&old, attention, QString::fromLocal8Bit(e.what()));
        return false;
    }
    if (!next) return false;
    // Between the old window's close and the new one's show no window is open: that is no end.
    const bool quit = QGuiApplication::quitOnLastWindowClosed();
    QGuiApplication::setQuitOnLastWindowClosed(false);
    const bool closed = old.close();
    if (closed) {
        next->RestorePlace();  // as the old one left it
        next->show();
        next->activateWindow();
        window_.release()->deleteLater();
        window_ = std::move(next);
        RememberFolder(folder);
    }
    QGuiApplication::setQuitOnLastWindowClosed(quit);
    return closed;
}

}  // namespace gsmprog
