// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The hardware operations of the main window: programming the modem, reading it back and
// writing one object device, each run by a worker; the choice of the cable; the activity bar;
// and the end of the workers when the window goes. One operation runs at a time: its button
// reads "Остановить" and stops it, the buttons of the others are off meanwhile.

#include <QObject>
#include <QString>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "ops/operation_journal.h"
#include "ports/cable_check.h"
#include "ui/main/card_history_source.h"
#include "ui/main/hardware.h"
#include "ui/main/prog_workers.h"
#include "ui/main/qt_handover.h"
#include "ui/main/read_comparison.h"

namespace Ui {
class TForm1;
}
class QPushButton;
class QTimer;

namespace gsmprog {

class CardDatabase;
class CardEditor;
class TForm1;
class TForm2;
class TftdiDialog;
class UserDialogs;
struct CardRecord;

class HardwareOperations final : public QObject {
public:
    enum class Operation { None, Programming, Reading, UoWriting };

    HardwareOperations(TForm1& window, Ui::TForm1& ui, CardDatabase& database, UserDialogs& dialogs,
                       CardEditor& editor, Hardware hardware);
    ~HardwareOperations() override;
    // Builds the dialogs and the activity bar's timer once the window's controls exist.
    void Attach();

    // The operation whose button reads "Остановить", if any.
    Operation Running() const { return running_.operation; }
    // True while any worker, a stopped one included, has not ended yet.
    bool WorkersAlive() const;
    // A completion step is on the stack, e.g. under its message.
    bool CompletionRunning() const { return completionsRunning_ > 0; }
    // The cable chosen for programming; empty: the first one.
    const std::string& FtdiSerial() const { return ftdiSerial_; }
    // The cable to use for the next operation while it is attached.
    void UseCable(std::string serial) { ftdiSerial_ = std::move(serial); }
    // Where "Проверить кабель" looks for the system's files and the virtual cables.
    void UseCablePlaces(CheckPlaces places) { cablePlaces_ = std::move(places); }
    // The journal every operation of this window appends to, and its cards' histories.
    const OperationJournal& Journal() const { return journal_; }
    CardHistorySource& History() { return history_; }

    // A click on an operation's button: starts it, or stops it when it runs.
    void ProgBtnClick();
    void SpeedButton1Click();
    void ProgUoBtnClick();
    void Timer1Timer();
    // Fixes FtdiSerial, asking the user only when several cables are attached.
    void ChooseCable();
    // No worker starts any more: the window is ending without questions.
    void RefuseStarts() { refuseStarts_ = true; }
    // Stops every running worker and waits for each (at most 2 s) before the window goes.
    void FormDestroy();

private:
    // The running operation and its worker: the one record of what runs. The worker is null
    // when the start was refused at the window's end.
    struct RunningOperation {
        Operation operation = Operation::None;
        ProgWorker* worker = nullptr;
    };
    using Completion = void (HardwareOperations::*)(ProgWorker&);
    using RecordWrite = void (*)(CardRecord& card, std::uint16_t newProgId);

    bool HasData(int slot) const;
    QPushButton* Button(Operation operation) const;
    void SetOperationButtons(QPushButton* running, bool on);
    void ShowProgress(bool on);
    // A start or an end of the operation of `button`: its caption ("Остановить" while it runs),
    // the other operations' controls and the activity bar.
    void ShowOperationRunning(QPushButton* button, bool running, const QString& idleCaption = {});
    void Start(Operation operation, std::unique_ptr<ProgWorker> worker, Completion completion);
    // Stops the running operation as its button does, without the stop message.
    void StopRunning();
    void CompleteProgramming(ProgWorker& worker);
    void CompleteRead(ProgWorker& worker);
    void CompleteUoWrite(ProgWorker& worker);
    // The completion of both writes: a confirmed one is recorded in the card it started from.
    void CompleteWrite(ProgWorker& worker, const RecordWrite& record, const char* doneText,
                       const QString& caption);
    void ReapFinishedWorkers();
    // Journals a worker the closing window no longer waits for, which never hands over.
    void JournalLeftAtClose(const ProgWorker& worker);
    // Ends the journal entry of an operation as the user is told and appends it; the warning
    // of a journal that cannot be written (once per run), empty otherwise.
    QString Journal(ExchangeRecord& record, JournalResult result, const QString& message);
    // The warning of an operation the user stopped, whose message is already gone.
    void TellJournalWarning(const QString& warning);
    // The failure of an operation: a cable that is missing or cannot be opened gets the cable
    // check's remedy line and offers "Проверить кабель".
    void ShowFailure(const char* header, const ProgWorker::Result& result, const QString& warning);
    void ShowCableCheck();

    TForm1& window_;
    Ui::TForm1& ui_;
    CardDatabase& database_;
    UserDialogs& dialogs_;
    CardEditor& editor_;
    Hardware hardware_;
    QtHandover handover_{*this};
    // Windows of their own, not children of the main window: their controls share names with it.
    std::unique_ptr<TForm2> form2_;
    ReadComparison readComparison_;
    std::unique_ptr<TftdiDialog> ftdiDialog_;
    QTimer* Timer1 = nullptr;
    std::string ftdiSerial_;
    RunningOperation running_;
    // Every worker not yet ended, the stopped ones included.
    std::vector<std::unique_ptr<ProgWorker>> workers_;
    OperationJournal journal_;
    CardHistorySource history_{journal_.File()};
    CheckPlaces cablePlaces_;
    bool waitingForWorkers_ = false;
    bool refuseStarts_ = false;
    int completionsRunning_ = 0;
};

}  // namespace gsmprog
