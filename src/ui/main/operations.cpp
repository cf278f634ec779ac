// The hardware operations of the main window: programming the modem, reading it back and
// writing one object device, each run by a worker; the choice of the cable; the activity bar;
// and the end of the workers when the window goes.

#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstring>

#include "cards/card_dates.h"
#include "ui/read_frm/card_match_text.h"
#include "ui/ftiDialog/ftiDialog.h"
#include "link/link_outcome.h"
#include "ui/main/main.h"
#include "ui/main/prog_workers.h"
#include "ui/read_frm/read_frm.h"
#include "ui_main.h"
#include "ui/main/user_dialogs.h"

namespace gsmprog {

namespace {
const QString Attention = QStringLiteral("Внимание");
const QString Completed = QStringLiteral("Операция завершена");
const QString NotCompleted = QStringLiteral("Операция не завершена");
const QString StopCaption = QStringLiteral("Остановить");
constexpr std::chrono::milliseconds WorkerEndWait{2000};

// The header and the reason, and under them what the cable told of the failure, if anything.
void ShowFailure(UserDialogs& dialogs, QWidget* parent, const char* header,
                 const ProgWorker::Result& result) {
    dialogs.ShowMessageWithDetail(
        parent, Attention,
        QString::fromUtf8(header) + QString::fromStdString(result.FailReason) + QStringLiteral("\n\n"),
        QString::fromStdString(result.FailDetail));
}
}  // namespace

bool TForm1::HasData(int slot) const {
    return slot >= 0 && slot < CardDatabase::SlotCount &&
           database_->cards[std::size_t(slot)].DateChanged >= 0.001;
}

bool TForm1::WorkersAlive() const {
    return std::any_of(workers_.begin(), workers_.end(),
                       [](const std::unique_ptr<ProgWorker>& w) { return !w->Finished(); });
}

void TForm1::ShowProgress(bool on) {
    ui->Progress->setValue(0);
    ui->Progress->setVisible(on);
    if (on)
        Timer1->start();
    else
        Timer1->stop();
}

// While one operation runs, the buttons of the other two, the list and the edit button are
// off; the search stays usable.
void TForm1::SetOperationButtons(QPushButton* running, bool on) {
    for (QWidget* control : {static_cast<QWidget*>(ui->ProgBtn), static_cast<QWidget*>(ui->SpeedButton1),
                             static_cast<QWidget*>(ui->ProgUoBtn), static_cast<QWidget*>(ui->BitBtn1),
                             static_cast<QWidget*>(ui->SetsGrid)})
        if (control != running) control->setEnabled(on);
    KeepReadOnly();
}

void TForm1::ShowOperationRunning(QPushButton* button, bool running, const QString& idleCaption) {
    button->setText(running ? StopCaption : idleCaption);
    SetOperationButtons(button, !running);
    ShowProgress(running);
}

void TForm1::StartWorker(std::unique_ptr<ProgWorker> worker, ProgWorker*& reference,
                         void (TForm1::*completion)(ProgWorker&)) {
    if (endingQuietly_) return;   // the cable choice was dismissed by the window's end
    ReapFinishedWorkers();
    reference = worker.get();
    worker->Begin(this, [this, completion](ProgWorker& done) {
        ++completionsRunning_;
        (this->*completion)(done);
        --completionsRunning_;
        QTimer::singleShot(0, this, &TForm1::ReapFinishedWorkers);
    });
    workers_.push_back(std::move(worker));
}

void TForm1::StopWorker(ProgWorker*& reference) {
    // The stopped worker ends on its own; its reference is free for the next start.
    if (reference) reference->Stop();
    reference = nullptr;
}

void TForm1::ReapFinishedWorkers() {
    if (waitingForWorkers_) return;
    std::erase_if(workers_, [](const std::unique_ptr<ProgWorker>& w) { return w->Finished(); });
}

void TForm1::ProgBtnClick() {
    // Only a start needs a card: a stop must work whatever the search has selected since.
    if (!ProgRunning && !HasData(database_->SelectedIndex)) {
        dialogs_.ShowMessage(this, Attention,
                             QStringLiteral("Текущая запись НЕ СОДЕРЖИТ ДАННЫХ!\nВыберите запись с данными или создайте новую"));
        return;
    }
    ProgRunning = !ProgRunning;
    if (!ProgRunning) {
        StopProgramming();
        dialogs_.ShowMessage(this, NotCompleted, QString::fromUtf8(ProgramStoppedText));
        return;
    }
    ShowOperationRunning(ui->ProgBtn, true);
    ChooseCable();
    const int slot = database_->SelectedIndex;
    StartWorker(std::make_unique<TProgThread>(hardware_, FtdiSerial, slot,
                                              database_->cards[std::size_t(slot)]),
                progWorker_, &TForm1::CompleteProgramming);
}

void TForm1::StopProgramming() {
    ShowOperationRunning(ui->ProgBtn, false, QStringLiteral("Программировать"));
    StopWorker(progWorker_);
}

void TForm1::CompleteProgramming(ProgWorker& worker) {
    CompleteWrite(
        worker,
        [](CardRecord& card, std::uint16_t newProgId) {
            RecordModemProgrammed(card, newProgId, CurrentDays());
        },
        ProgramDoneText, ui->ProgBtn, QStringLiteral("Программировать"), progWorker_);
}

void TForm1::CompleteWrite(ProgWorker& worker, const RecordWrite& record, const char* doneText,
                           QPushButton* button, const QString& caption, ProgWorker*& reference) {
    const ProgWorker::Result result = worker.TakeResult();
    const int slot = worker.Slot();
    const auto recordInCard = [&] {
        record(database_->cards[std::size_t(slot)], result.NewProgID);
        RefreshCardRow(slot);
    };
    if (worker.Terminated()) {
        // Stopped after the device had already confirmed: it holds the new settings, so the
        // card says so; the user has had the stop message and hears nothing more.
        if (result.OpSucceeded) {
            recordInCard();
            SaveDatabase();
        }
        return;
    }
    ShowProgress(false);
    if (result.OpSucceeded) {
        recordInCard();
        // On disk before the message waits for the user: a session ended meanwhile (a logout,
        // a stop signal) must not leave the modem with an ID the card does not know.
        const bool stored = StoreDatabase();
        dialogs_.ShowMessage(this, Completed, QString::fromUtf8(doneText));
        if (!stored) ReportWriteFailure();
    } else if (result.OpFailed) {
        ShowFailure(dialogs_, this, ProgramFailedHeader, result);
    }
    ShowOperationRunning(button, false, caption);
    ProgRunning = false;
    reference = nullptr;
}

void TForm1::SpeedButton1Click() {
    ReadRunning = !ReadRunning;
    if (!ReadRunning) {
        StopRead();
        dialogs_.ShowMessage(this, Attention, QString::fromUtf8(ReadStoppedText));
        return;
    }
    ShowOperationRunning(ui->SpeedButton1, true);
    ChooseCable();
    StartWorker(std::make_unique<TReadThread>(hardware_, FtdiSerial), readWorker_,
                &TForm1::CompleteRead);
}

void TForm1::StopRead() {
    ShowOperationRunning(ui->SpeedButton1, false, QStringLiteral("Считать"));
    StopWorker(readWorker_);
}

void TForm1::CompleteRead(ProgWorker& worker) {
    if (worker.Terminated()) return;
    const ProgWorker::Result result = worker.TakeResult();
    ShowProgress(false);
    if (result.OpSucceeded) {
        form2_->Fill(result.ReadImage);
        form2_->SetVersion(QString::fromStdString(result.ReadVersion));
        form2_->SetCardMatch(CardMatchText(*database_, result.ReadImage));
        dialogs_.ShowModal(*form2_);
    } else if (result.OpFailed) {
        ShowFailure(dialogs_, this, ReadFailedHeader, result);
    }
    ShowOperationRunning(ui->SpeedButton1, false, QStringLiteral("Считать"));
    EditMode = false;
    SetEditMode(false);
    ReadRunning = false;
    readWorker_ = nullptr;
}

void TForm1::ProgUoBtnClick() {
    if (!ProgRunning && !HasData(database_->SelectedIndex)) return;
    ProgRunning = !ProgRunning;
    if (!ProgRunning) {
        StopUoWrite();
        dialogs_.ShowMessage(this, NotCompleted, QString::fromUtf8(UoStoppedText));
        return;
    }
    ShowOperationRunning(ui->ProgUoBtn, true);
    ChooseCable();
    const int slot = database_->SelectedIndex;
    StartWorker(std::make_unique<TProgUoThread>(hardware_, FtdiSerial, slot,
                                                database_->cards[std::size_t(slot)],
                                                ui->UooTab->currentIndex()),
                uoWorker_, &TForm1::CompleteUoWrite);
}

void TForm1::StopUoWrite() {
    ShowOperationRunning(ui->ProgUoBtn, false, QStringLiteral("Записать настройки в УОО"));
    StopWorker(uoWorker_);
}

void TForm1::CompleteUoWrite(ProgWorker& worker) {
    CompleteWrite(
        worker,
        [](CardRecord& card, std::uint16_t) { RecordUoProgrammed(card, CurrentDays()); },
        UoDoneText, ui->ProgUoBtn, QStringLiteral("Программировать УО"), uoWorker_);
}

void TForm1::Timer1Timer() {
    const int position = ui->Progress->value() + 1;
    ui->Progress->setValue(position > 9 ? 0 : position);
}

void TForm1::ChooseCable() {
    std::uint32_t count = 0;
    if (hardware_.cable.CreateDeviceInfoList(&count) != CableOk || count == 0) return;
    CableInfo list[DevListCapacity];
    std::uint32_t listed = 0;
    if (hardware_.cable.GetDeviceInfoList(list, DevListCapacity, &listed) != CableOk || listed == 0)
        return;
    QStringList serials;
    for (std::uint32_t i = 0; i < std::min(listed, DevListCapacity); ++i)
        serials << QString::fromLatin1(list[i].SerialNumber,
                                       qsizetype(strnlen(list[i].SerialNumber, sizeof list[i].SerialNumber)));
    // The cable chosen earlier stays in use while it is attached; once it is gone the
    // choice is made again instead of failing until a restart.
    if (!FtdiSerial.empty() && serials.contains(QString::fromStdString(FtdiSerial))) return;
    if (serials.size() == 1) {
        FtdiSerial = serials.front().toStdString();
        return;
    }
    ftdiDialog_->SetSerials(serials);
    dialogs_.ShowModal(*ftdiDialog_);
    FtdiSerial = ftdiDialog_->ChosenSerial().toStdString();
}

void TForm1::FormDestroy() {
    if (workers_.empty()) return;
    // Stopped as by their buttons, but without the stop messages: the window is going.
    if (progWorker_) {
        ProgRunning = false;
        StopProgramming();
    }
    if (uoWorker_) {
        ProgRunning = false;
        StopUoWrite();
    }
    if (readWorker_) {
        ReadRunning = false;
        StopRead();
    }
    waitingForWorkers_ = true;
    for (std::unique_ptr<ProgWorker>& worker : workers_)
        if (!worker->Finish(WorkerEndWait)) ProgWorker::Abandon(std::move(worker));
    workers_.clear();
    waitingForWorkers_ = false;
}

}  // namespace gsmprog
