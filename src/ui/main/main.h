// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window: the card list, the shown card with its device tabs, the edit mode and the
// buttons of the hardware operations. It owns the card database and its lock, and composes
// its parts: the card editor, the card search and the hardware operations; the handlers of
// its controls keep their names here and hand each event to its part.

#include <QWidget>
#include <filesystem>
#include <memory>
#include <string>

#include "cards/card_database.h"
#include "cards/database_lock.h"
#include "ui/main/card_editor.h"
#include "ui/main/card_search.h"
#include "ui/main/hardware.h"
#include "ui/main/hardware_operations.h"
#include "ui/main/running_flag.h"
#include "ui/main/uo_slot.h"

namespace Ui {
class TForm1;
}
class QCloseEvent;
class QSplitter;

namespace gsmprog {

class CardGridModel;
class JournalWindow;
class TForm4;
class UserDialogs;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    // No host by default: there is no server every installer could use, and the save check
    // asks for one as soon as updates are allowed.
    static constexpr const char* DefaultUpdateHost = "";
    static constexpr const char* DefaultUpdatePort = "25001";
    static constexpr const char* DefaultParamsPort = "25002";
    // How the window names itself as the holder of the database.
    static constexpr const char* ProgramName = "gsmprog";

    // Takes the right to write the database in `directory` (the current directory when empty),
    // loads it and shows slot 0. When another program holds that right, the user is asked
    // whether to view the cards read-only; on "Нет" the window is not built (Declined).
    // The hardware operations reach the modem through `hardware`.
    TForm1(UserDialogs& dialogs, Hardware hardware, std::filesystem::path directory = {},
           QWidget* parent = nullptr);
    ~TForm1() override;

    CardDatabase& Database() { return *database_; }
    // The user chose not to view a database another program holds: close at once, never show.
    bool Declined() const { return declined_; }
    // The cards are shown but never written: another program writes this database.
    bool ReadOnly() const { return readOnly_; }

    // True while any worker, a stopped one included, has not ended yet.
    bool WorkersAlive() const;

    // Card list.
    void FillCardGrid();
    void RefreshCardRow();
    void RefreshCardRow(int slot);
    void SelectCard(int row);
    // Selects `row` in the list, scrolled into view, and shows its card.
    void ShowRow(int row);
    // Shows `card`, which is not stored yet, in the empty `row` (scrolled into view) in edit
    // mode, with NewCardHint under the card's identifiers.
    void EditUnsavedCard(int row, const CardRecord& card);
    static constexpr const char* NewCardHint =
        "Новая карточка из настроек модема: проверьте «Имя карточки в базе ПЦН», введите "
        "«Объект» и «Адрес», затем нажмите «Сохранить изменения»";
    int CurrentGridRow() const;

    // Card form binding.
    void ReadCard(CardRecord& record);
    void SetEditMode(bool on);

    // Writes the whole database file; a failure is reported to the user.
    bool SaveDatabase();
    // The same write, its failure kept for ReportWriteFailure: for a result that must be on
    // disk before a message waits for the user.
    bool StoreDatabase();
    void ReportWriteFailure();
    // Editing and the operations that record their result stay off in a read-only window.
    void KeepReadOnly();

    // The handlers of the window's controls; each hands the event to the part it concerns.
    void VersionComboChange();
    void balEnableClick();
    void sendSMS1CheckClick();
    void allowUpdateCheckClick();
    void defaultUpdSettingsClick();
    void UseSim1Click();
    void UseSim2Click();
    void uoTypeComboChange();
    void UooTabChange();
    void CodeUooChange();
    void numLineChange();
    void CordChange(int loop);
    void uoIndicCheckClick();
    void uoBatteryCheckClick();
    void fireWoGuardClick();

    void SetsGridClick();
    void ExitBtnClick();
    // Ends the window as a close does, but without any question (a stop signal, a logout):
    // open dialogs are dismissed, workers stopped, and everything confirmed is stored.
    void EndWithoutQuestions();
    // "Контроль аппаратуры": the control window, modally.
    void ctrlBtnClick();
    // The control window is created at start beside this one and handed in.
    void SetControlWindow(TForm4& form) { form4_ = &form; }

    // Editing: enter or cancel, save, delete; the question at close while editing.
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    bool FormCloseQuery();

    // Search over the card list and the SIM data of the cards.
    void SearchEditClick();
    void SearchEditChange();
    void SearchEditKeyDown();
    void SpeedButton3Click();
    void SearchEditExit();

    // "Экспорт в CSV".
    void SpeedButton4Click();
    // "Что изменено после программирования": the selected card against the image last
    // written from it into a modem, as the operations journal keeps it.
    void ChangesBtnClick();

    // "Журнал операций": the journal window, one of it, raised when open.
    void journalBtnClick();
    // An operation's entry went to the journal: the journal window and the card's history show it.
    void OperationJournalled();
    // Where "Проверить кабель" looks for the system's files and the virtual cables.
    void SetCablePlaces(CheckPlaces places);

    // "Открыть папку базы…": another folder from the folder dialog; its arrow offers the
    // folders used last. The choice is handed on (FolderChosen); this window stays as it is.
    void folderBtnClick();
    // The window's size, place, split and column widths as the user left them last.
    void RestorePlace();

    // The hardware operations: program the modem, read it, write one object device. A second
    // click on the running operation's button stops it.
    void ProgBtnClick();
    void SpeedButton1Click();
    void ProgUoBtnClick();
    void Timer1Timer();
    // Stops every running worker and waits for each (at most 2 s) before the window goes.
    void FormDestroy();

Q_SIGNALS:
    // The user chose the card database in `folder`.
    void FolderChosen(const QString& folder);

protected:
    void closeEvent(QCloseEvent* event) override;
    // The parts, for code that drives the window as a user would.
    CardSearch& Search() { return *search_; }
    HardwareOperations& Operations() { return *operations_; }

private:
    bool TakeDatabase();
    void ShowReadOnlyBanner();
    void KeepSizeForEveryState();
    void SetUpFolderButton();
    void ConnectHandlers();
    void ConnectDeviceHandlers();
    bool FormClose();
    // The selected card's last programming in the journal, and the card the journal window keeps
    // to.
    void ShowCardHistory();

    UserDialogs& dialogs_;
    std::unique_ptr<CardDatabase> database_;
    DatabaseLock lock_;  // held from start to end unless read-only
    bool readOnly_ = false;
    bool declined_ = false;
    std::unique_ptr<Ui::TForm1> ui;
    // The parts use the controls of `ui`: declared after it, they go before it.
    std::unique_ptr<CardEditor> editor_;
    std::unique_ptr<CardSearch> search_;
    std::unique_ptr<HardwareOperations> operations_;
    CardGridModel* gridModel_ = nullptr;
    QSplitter* cardSplit_ = nullptr;  // between the card list and the card area
    bool lastWriteFailed_ = false;    // the file lacks changes the memory copy holds
    int writeError_ = 0;              // errno of the last failed write
    bool hardLinksTold_ = false;      // the file's other names were said

    TForm4* form4_ = nullptr;
    std::unique_ptr<JournalWindow> journalWindow_;
    bool endingQuietly_ = false;

public:
    // Read-only views of the window's state, kept by its parts (declared after the parts,
    // which they are bound to).
    const bool& EditMode;
    const bool& DatabaseChanged;
    const int& SearchRow;  // the grid row after which the search continues
    const UoSlots& UoEditBuffer;
    const std::string& FtdiSerial;  // the cable chosen for programming; empty: the first one
    const RunningFlag ProgRunning;  // a modem programming or an object-device write runs
    const RunningFlag ReadRunning;
};

}  // namespace gsmprog
