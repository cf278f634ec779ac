// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The cable check window: why a cable does not work, as gsmprog-cli doctor tells it, with its
// verdicts marked; "Обновить" runs the check again (after replugging, say) and "Сохранить
// отчёт…" writes the support report. The check scans /proc, which takes a while on a busy
// system, so it runs aside and the window stays responsive.

#include <QDialog>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "ports/cable_check.h"

class QPushButton;
class QTextEdit;

namespace gsmprog {

class UserDialogs;

class CableCheckWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* RefreshText = "Обновить";
    static constexpr const char* SaveReportText = "Сохранить отчёт…";

    // `places`: where the system's files and the virtual cables are ("/" and the default cable
    // directory outside tests); `databaseDirectory`: the folder of the card database, whose
    // journal the report holds. The check starts at once.
    CableCheckWindow(UserDialogs& dialogs, CheckPlaces places,
                     std::filesystem::path databaseDirectory, QWidget* parent = nullptr);
    ~CableCheckWindow() override;

    // Runs the check again; ignored while a check or a report is being made.
    void Refresh();
    // Asks for a file name and writes the support report there.
    void SaveReport();
    // A check or a report is being made.
    bool Busy() const;

private:
    // Runs `work` off the window's thread and hands its text to `done` on it.
    void RunAside(std::function<std::string()> work, std::function<void(const std::string&)> done);
    void Finished(const std::string& text, const std::function<void(const std::string&)>& done);
    void ShowCheck(const std::string& text);
    void WriteReport(const std::filesystem::path& file, const std::string& report);

    UserDialogs& dialogs_;
    const CheckPlaces places_;
    const std::filesystem::path databaseDirectory_;
    QTextEdit* text_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QPushButton* save_ = nullptr;
    std::thread worker_;  // shares nothing with the window: it gets copies, hands back a text
};

}  // namespace gsmprog
