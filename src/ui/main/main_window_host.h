// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window on one card database folder at a time. Another folder chosen in the window
// opens through the checks of a start (another program holding its database, a folder that
// cannot be written, a card file that cannot be read); only once it has opened does the
// window on the old folder close, as the user closes it, and the new one take its place.
// Every folder opened becomes the most recent one.

#include <QObject>
#include <filesystem>
#include <memory>

#include "ui/main/hardware.h"

namespace gsmprog {

class TForm1;
class TForm4;
class UserDialogs;

class MainWindowHost final : public QObject {
    Q_OBJECT
public:
    MainWindowHost(UserDialogs& dialogs, Hardware hardware);
    ~MainWindowHost() override;

    // Opens the window on `folder` (empty: the current directory), not shown yet. False when
    // the user chose not to view a database another program holds; a card file that cannot
    // be read throws, as at a start.
    bool Open(const std::filesystem::path& folder);
    TForm1& Window() { return *window_; }
    // The control window, handed to every window opened from now on.
    void SetControlWindow(TForm4& form);
    // Opens `folder` in place of the shown window; true when the window shows it now.
    bool SwitchTo(const std::filesystem::path& folder);

private:
    std::unique_ptr<TForm1> Build(const std::filesystem::path& folder);

    UserDialogs& dialogs_;
    Hardware hardware_;
    TForm4* control_ = nullptr;
    std::unique_ptr<TForm1> window_;
};

}  // namespace gsmprog
