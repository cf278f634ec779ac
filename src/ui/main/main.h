#pragma once
// The main window: the card list, the shown card with its device tabs, the edit mode and the
// buttons of the hardware operations. It owns the program-wide state: the card database, the
// device edit buffer and the edit flags.

#include <QWidget>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cards/card_database.h"
#include "cards/database_lock.h"
#include "ui/main/hardware.h"
#include "ui/main/uo_slot.h"

namespace Ui {
class TForm1;
}
class QCloseEvent;
class QComboBox;
class QPushButton;
class QTimer;

namespace gsmprog {

class CardGridModel;
class ProgWorker;
class TForm2;
class TForm4;
class TftdiDialog;
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
    UserDialogs& Dialogs() { return dialogs_; }

    // Program-wide state of the window.
    bool EditMode = false;
    bool DatabaseChanged = false;
    int SearchRow = 1;  // the grid row after which the search continues
    UoSlots UoEditBuffer{};

    // Card list.
    void FillCardGrid();
    void RefreshCardRow();
    void RefreshCardRow(int slot);
    void SelectCard(int row);
    int CurrentGridRow() const;

    // Card form binding.
    void ShowCard(int slot);
    void ReadCard(CardRecord& record);
    void LoadUoSlots(int slot);
    void ShowUoTab(int tab);
    void StoreUoSlots(CardRecord& record) const;
    void SetEditMode(bool on);

    // Writes the whole database file; a failure is reported to the user.
    bool SaveDatabase();
    // The same write, its failure kept for ReportWriteFailure: for a result that must be on
    // disk before a message waits for the user.
    bool StoreDatabase();
    void ReportWriteFailure();

    // Option rules of the window.
    void VersionComboChange();
    void balEnableClick();
    void sendSMS1CheckClick();
    void allowUpdateCheckClick();
    void defaultUpdSettingsClick();
    void UseSim1Click();
    void UseSim2Click();
    void uoTypeComboChange();
    void UooTabChange();

    // Device controls writing the entry of the selected tab while editing.
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
    // The checks before a save; the first that fails is shown and the save stops.
    bool ValidateCard();

    // Search over the card list and the SIM data of the cards.
    void SearchEditClick();
    void SearchEditChange();
    void SearchEditKeyDown();
    void SpeedButton3Click();
    void SearchEditExit();
    void FindNext();

    // "Экспорт в CSV".
    void SpeedButton4Click();

    // The hardware operations: program the modem, read it, write one object device. A second
    // click on the running operation's button stops it.
    void ProgBtnClick();
    void SpeedButton1Click();
    void ProgUoBtnClick();
    void Timer1Timer();
    // Fixes FtdiSerial, asking the user only when several cables are attached.
    void ChooseCable();
    // Stops every running worker and waits for each (at most 2 s) before the window goes.
    void FormDestroy();

    std::string FtdiSerial;     // the cable chosen for programming; empty: the first one
    bool ProgRunning = false;   // a modem programming or an object-device write runs
    bool ReadRunning = false;
    // True while any worker, a stopped one included, has not ended yet.
    bool WorkersAlive() const;
    TForm2& ReadForm() { return *form2_; }
    TftdiDialog& FtdiDialog() { return *ftdiDialog_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool TakeDatabase();
    void KeepReadOnly();
    void ShowReadOnlyBanner();
    void KeepSizeForEveryState();
    void ConnectHandlers();
    void ConnectDeviceHandlers();
    void SetCardControlsEnabled(bool on);
    void SetUseSimRule(int sim, bool on);
    void WriteModeBit(std::uint8_t bit, bool on);
    bool FormClose();
    UoSlot& CurrentUoSlot();
    QComboBox* Cord(int loop) const;
    QString ValidationFailure() const;
    int GridPass(int firstRow, int lastRow, const QString& lowerText) const;
    int SimPass(int firstRow, int lastRow, const std::string& text) const;

    // Hardware operations.
    bool HasData(int slot) const;
    void SetOperationButtons(QPushButton* running, bool on);
    void ShowProgress(bool on);
    // A start or an end of the operation of `button`: its caption ("Остановить" while it runs),
    // the other operations' controls and the activity bar.
    void ShowOperationRunning(QPushButton* button, bool running, const QString& idleCaption = {});
    void StartWorker(std::unique_ptr<ProgWorker> worker, ProgWorker*& reference,
                     void (TForm1::*completion)(ProgWorker&));
    void StopWorker(ProgWorker*& reference);
    void StopProgramming();
    void StopRead();
    void StopUoWrite();
    void CompleteProgramming(ProgWorker& worker);
    void CompleteRead(ProgWorker& worker);
    void CompleteUoWrite(ProgWorker& worker);
    // The completion of both writes: a confirmed one is recorded in the card it started from.
    using RecordWrite = void (*)(CardRecord& card, std::uint16_t newProgId);
    void CompleteWrite(ProgWorker& worker, const RecordWrite& record, const char* doneText,
                       QPushButton* button, const QString& caption, ProgWorker*& reference);
    void ReapFinishedWorkers();

    UserDialogs& dialogs_;
    Hardware hardware_;
    std::unique_ptr<CardDatabase> database_;
    DatabaseLock lock_;   // held from start to end unless read-only
    bool readOnly_ = false;
    bool declined_ = false;
    std::unique_ptr<Ui::TForm1> ui;
    CardGridModel* gridModel_ = nullptr;
    bool lastWriteFailed_ = false;  // the file lacks changes the memory copy holds
    int writeError_ = 0;            // errno of the last failed write

    // Windows of their own, not children of this one: their controls share names with it.
    std::unique_ptr<TForm2> form2_;
    std::unique_ptr<TftdiDialog> ftdiDialog_;
    TForm4* form4_ = nullptr;
    QTimer* Timer1 = nullptr;
    // Every worker not yet ended, the stopped ones included; the three references name the
    // running operation of each kind.
    std::vector<std::unique_ptr<ProgWorker>> workers_;
    ProgWorker* progWorker_ = nullptr;
    ProgWorker* readWorker_ = nullptr;
    ProgWorker* uoWorker_ = nullptr;
    bool waitingForWorkers_ = false;
    int completionsRunning_ = 0;    // completion steps on the stack, e.g. under their message
    bool endingQuietly_ = false;
};

}  // namespace gsmprog
