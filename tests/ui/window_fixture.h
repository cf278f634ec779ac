// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Drives the real main window: a database directory of its own, dialogs answered by the test,
// and user input sent to the controls as a person would give it.

#include <QComboBox>
#include <QLineEdit>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cards/card_database.h"
#include "ui/ctrlForm/ctrlForm.h"
#include "ui/main/main.h"
#include "ui/main/main_window_host.h"
#include "cable/serial_cable.h"
#include "ui/main/user_dialogs.h"
#include "support/vmodem_process.h"

namespace gsmprog::test {

// Records every dialog and answers questions from a queue the test fills.
class ScriptedDialogs final : public UserDialogs {
public:
    struct Shown {
        QString caption;
        QString text;
        bool question;
        QString detail;
        QString action;  // the extra button offered beside OK, if any
    };
    std::vector<Shown> shown;
    std::deque<bool> answers;       // Yes = true; a question with no answer left fails the test
    std::deque<QString> fileNames;  // answers of the save-file dialog
    std::deque<QString> folders;    // answers of the folder dialog; none left: cancelled
    bool chooseAction = false;      // a message offering a button beyond OK is answered with it
    std::deque<QString> texts;      // typed answers; none left: cancelled, and counted unanswered
    QStringList textPrompts;        // "caption: label [proposed]" of each text asked for
    QStringList proposedNames;
    int unansweredQuestions = 0;

    bool AskYesNo(QWidget*, const QString& caption, const QString& text) override;
    void ShowMessage(QWidget*, const QString& caption, const QString& text) override;
    void ShowMessageWithDetail(QWidget*, const QString& caption, const QString& text,
                               const QString& detail) override;
    bool ShowMessageWithAction(QWidget*, const QString& caption, const QString& text,
                               const QString& detail, const QString& actionText) override;
    QString AskSaveFileName(QWidget*, const QString& proposedName) override;
    QString AskDirectory(QWidget*, const QString& caption, const QString& start) override;
    QString AskText(QWidget*, const QString& caption, const QString& label,
                    const QString& proposed) override;
    void ShowModal(QDialog& dialog) override;
    QStringList Texts() const;

    // Called as each message is shown, and as each of the program's dialogs is shown
    // (it is closed when the hook returns).
    std::function<void(const Shown&)> onMessage;
    std::function<void(QDialog&)> onModal;
    QStringList modals;  // window titles of the dialogs shown
};

// The main window as the tests hold it: what a user set earlier by hand (the row the search
// continues after, the cable chosen in an earlier dialog) can also be set directly.
class FixtureWindow final : public TForm1 {
public:
    using TForm1::TForm1;

    class SearchRowSetter {
    public:
        explicit SearchRowSetter(FixtureWindow& window) : window_(window) {}
        operator int() const { return window_.Search().SearchRow(); }
        SearchRowSetter& operator=(int row) {
            window_.Search().ContinueAfter(row);
            return *this;
        }

    private:
        FixtureWindow& window_;
    };
    class CableSetter {
    public:
        explicit CableSetter(FixtureWindow& window) : window_(window) {}
        operator const std::string&() const { return window_.Operations().FtdiSerial(); }
        CableSetter& operator=(std::string serial) {
            window_.Operations().UseCable(std::move(serial));
            return *this;
        }

    private:
        FixtureWindow& window_;
    };
    SearchRowSetter SearchRow{*this};
    CableSetter FtdiSerial{*this};
};

// A database directory with a card file written by the test, and the window started on it.
class WindowFixture {
public:
    WindowFixture();
    ~WindowFixture();

    std::filesystem::path Dir() const;
    // Where the window keeps the user's settings in this test.
    QString ConfigDir() const { return configDir_.path(); }
    // Starts the window on the database directory of `other`, as a second program would.
    void ShareDirectory(const WindowFixture& other) { sharedDir_ = other.Dir(); }
    std::filesystem::path DatabaseFile() const;
    // The window's private cable directory, where the virtual modems announce their cables.
    std::filesystem::path CableDirectory() const;
    // Writes `cards` (slot, card) into a fresh database file before the window starts.
    void WriteDatabase(const std::vector<std::pair<int, CardRecord>>& cards,
                       const CardRecord& templateRecord = {});
    // The cards as the file on disk holds them now.
    std::unique_ptr<CardDatabase> ReadBack() const;

    // Where the window's cable looks for USB adapters and the programs holding them (the
    // system's sysfs, /proc and udev rules below it); / unless set before Start.
    void UseSystemRoot(const std::filesystem::path& root) { systemRoot_ = root; }
    // The window reaches the modem through `cable` instead of the private cable directory;
    // set before Start.
    void UseCable(std::shared_ptr<Cable> cable) { givenCable_ = std::move(cable); }
    TForm1& Start();
    // The main window with the control window handed to it, as the program starts them.
    TForm4& StartWithControl();
    TForm4& Control() { return *form4_; }
    // A virtual modem on the window's private cable directory.
    std::unique_ptr<VmodemProcess> StartModem(std::vector<std::string> args = {},
                                              const std::string& serial = "VMODEM1");
    FixtureWindow& Form() { return *form_; }
    // The windows as the program opens them, one card database folder at a time.
    MainWindowHost& Host();

    template <typename T>
    T* Find(const char* name) const {
        T* control = form_->findChild<T*>(QString::fromLatin1(name));
        if (!control) qFatal("no control %s", name);
        return control;
    }
    QString Text(const char* edit) const { return Find<QLineEdit>(edit)->text(); }
    QString Cell(int row, int column) const;  // the grid's text, row 1..9000
    bool Enabled(const char* name) const;
    bool Visible(const char* name) const;

    // User input.
    void Type(const char* edit, const QString& text);  // replaces the text by typing
    void Choose(const char* combo, int item);          // picks an item from the list
    void Click(const char* button);                    // a button or a check box
    void ClickRow(int row);                            // grid row 1..9000
    void ChooseTab(int tab);                           // device tab 0..3
    void StartEditing();               // "Включить редактирование"
    void Save();                       // "Сохранить изменения"
    void Search(const QString& text);  // types into the search box

    ScriptedDialogs dialogs;

private:
    QTemporaryDir dir_;
    std::filesystem::path sharedDir_;
    QTemporaryDir runtimeDir_;  // the cable directory lives here, apart from the database
    QTemporaryDir configDir_;   // the user's settings: never the real user's
    std::filesystem::path systemRoot_ = "/";
    std::unique_ptr<SerialCable> cable_;
    std::shared_ptr<Cable> givenCable_;
    std::unique_ptr<FixtureWindow> form_;
    std::unique_ptr<TForm4> form4_;
    std::unique_ptr<MainWindowHost> host_;
};

// A card in use with the given number and object.
CardRecord MakeCard(const QString& number, const QString& object);
// A card that passes every check of a save.
CardRecord ValidCard(const QString& number, const QString& object);
// Connects device `i` with a type, code and line address.
void Connect(CardRecord& card, int i, std::uint8_t type, std::uint32_t code, std::uint8_t line);

}  // namespace gsmprog::test
