// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The hardware operations of the main window: programming the modem, reading it back and
// writing one object device, each run by a worker; the choice of the cable; the activity bar;
// and the end of the workers when the window goes.

#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

#include "cable/serial_cable.h"
#include "cards/card_dates.h"
#include "ops/card_match.h"
#include "ops/read_result.h"
#include "ops/card_history.h"
#include "ports/cable_directory.h"
#include "ports/cable_verdicts.h"
#include "ports/latency_timer.h"
#include "ui/cableCheck/cable_check_window.h"
#include "ui/read_frm/card_match_text.h"
#include "ui/ftiDialog/ftiDialog.h"
#include "ops/link_outcome.h"
#include "ui/main/card_editor.h"
#include "ui/main/hardware_operations.h"
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
const QString ProgramCaption = QStringLiteral("Программировать");
const QString ReadCaption = QStringLiteral("Считать");
const QString UoDoneCaption = QStringLiteral("Программировать УО");
constexpr std::chrono::milliseconds WorkerEndWait{2000};

// The caption a button takes back when its operation is stopped.
QString StoppedCaption(HardwareOperations::Operation operation) {
    switch (operation) {
    case HardwareOperations::Operation::Programming: return ProgramCaption;
    case HardwareOperations::Operation::Reading: return ReadCaption;
    case HardwareOperations::Operation::UoWriting:
        return QStringLiteral("Записать настройки в УОО");
    case HardwareOperations::Operation::None: break;
    }
    return {};
}

// Lines shown one under the other, the empty ones left out.
QString Lines(const QString& first, const QString& second) {
    if (first.isEmpty()) return second;
    if (second.isEmpty()) return first;
    return first + QLatin1Char('\n') + second;
}

// The message the user was given when stopping `operation`.
const char* StoppedText(JournalOperation operation) {
    switch (operation) {
    case JournalOperation::Program: return ProgramStoppedText;
    case JournalOperation::Read: return ReadStoppedText;
    case JournalOperation::WriteUo: return UoStoppedText;
    }
    return "";
}

// The cable check's verdict for the failure `reason`: a verdict names its problem before its
// remedy, and a problem the reason already names is not said twice.
QString Remedy(const std::string& verdict, const std::string& reason) {
    QString remedy = QString::fromStdString(verdict);
    QString named = QString::fromStdString(reason);
    if (named.endsWith(QLatin1Char('.'))) named.chop(1);
    named += QStringLiteral(": ");
    if (!remedy.startsWith(named) || remedy.size() == named.size()) return remedy;
    remedy.remove(0, named.size());
    remedy[0] = remedy[0].toUpper();
    return remedy;
}

// The failure as the user is told it: the header, the reason and what the cable told.
QString FailureMessage(const char* header, const ProgWorker::Result& result) {
    return Lines(QString::fromUtf8(header) + QString::fromStdString(result.FailReason),
                 QString::fromStdString(result.FailDetail));
}
}  // namespace

HardwareOperations::HardwareOperations(TForm1& window, Ui::TForm1& ui, CardDatabase& database,
                                       UserDialogs& dialogs, CardEditor& editor, Hardware hardware)
    : window_(window),
      ui_(ui),
      database_(database),
      dialogs_(dialogs),
      editor_(editor),
      hardware_(hardware),
      readComparison_(window, database, dialogs),
      journal_(database.Directory()),
      cablePlaces_{"/", DefaultCableDirectory()} {}

HardwareOperations::~HardwareOperations() { FormDestroy(); }

void HardwareOperations::Attach() {
    form2_ = std::make_unique<TForm2>();
    connect(form2_.get(), &TForm2::CompareRequested, this,
            [this] { readComparison_.CompareWithChosenCard(*form2_); });
    ftdiDialog_ = std::make_unique<TftdiDialog>();
    Timer1 = new QTimer(this);
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, &window_, &TForm1::Timer1Timer);
}

bool HardwareOperations::HasData(int slot) const {
    return slot >= 0 && slot < CardDatabase::SlotCount &&
           database_.cards[std::size_t(slot)].DateChanged >= 0.001;
}

bool HardwareOperations::WorkersAlive() const {
    return std::any_of(workers_.begin(), workers_.end(),
                       [](const std::unique_ptr<ProgWorker>& w) { return !w->Finished(); });
}

QPushButton* HardwareOperations::Button(Operation operation) const {
    switch (operation) {
    case Operation::Programming: return ui_.ProgBtn;
    case Operation::Reading: return ui_.SpeedButton1;
    case Operation::UoWriting: return ui_.ProgUoBtn;
    case Operation::None: break;
    }
    return nullptr;
}

void HardwareOperations::ShowProgress(bool on) {
    ui_.Progress->setValue(0);
    ui_.Progress->setVisible(on);
    if (on) Timer1->start();
    else Timer1->stop();
}

// While one operation runs, the buttons of the other two, the list, the edit button and the
// folder button are off; the search stays usable.
void HardwareOperations::SetOperationButtons(QPushButton* running, bool on) {
    for (QWidget* control :
         {static_cast<QWidget*>(ui_.ProgBtn), static_cast<QWidget*>(ui_.SpeedButton1),
          static_cast<QWidget*>(ui_.ProgUoBtn), static_cast<QWidget*>(ui_.BitBtn1),
          static_cast<QWidget*>(ui_.SetsGrid), static_cast<QWidget*>(ui_.folderBtn)})
        if (control != running) control->setEnabled(on);
    window_.KeepReadOnly();
}

void HardwareOperations::ShowOperationRunning(QPushButton* button, bool running,
                                              const QString& idleCaption) {
    button->setText(running ? StopCaption : idleCaption);
    SetOperationButtons(button, !running);
    ShowProgress(running);
}

void HardwareOperations::Start(Operation operation, std::unique_ptr<ProgWorker> worker,
                               Completion completion) {
    running_ = {operation, nullptr};
    if (refuseStarts_) return;  // the cable choice was dismissed by the window's end
    ReapFinishedWorkers();
    running_.worker = worker.get();
    worker->Begin(handover_, [this, completion](ProgWorker& done) {
        ++completionsRunning_;
        (this->*completion)(done);
        --completionsRunning_;
        QTimer::singleShot(0, this, [this] { ReapFinishedWorkers(); });
    });
    workers_.push_back(std::move(worker));
}

void HardwareOperations::StopRunning() {
    // The stopped worker ends on its own; the record is free for the next start.
    const RunningOperation stopped = std::exchange(running_, {});
    ShowOperationRunning(Button(stopped.operation), false, StoppedCaption(stopped.operation));
    if (stopped.worker) stopped.worker->Stop();
}

void HardwareOperations::ReapFinishedWorkers() {
    if (waitingForWorkers_) return;
    std::erase_if(workers_, [](const std::unique_ptr<ProgWorker>& w) { return w->Finished(); });
}

void HardwareOperations::ProgBtnClick() {
    if (running_.operation == Operation::Programming) {
        StopRunning();
        dialogs_.ShowMessage(&window_, NotCompleted, QString::fromUtf8(ProgramStoppedText));
        return;
    }
    if (running_.operation != Operation::None) return;  // the button is off meanwhile
    if (!HasData(database_.SelectedIndex)) {
        dialogs_.ShowMessage(
            &window_, Attention,
            QStringLiteral(
                "Текущая запись НЕ СОДЕРЖИТ ДАННЫХ!\nВыберите запись с данными или создайте новую"));
        return;
    }
    ShowOperationRunning(ui_.ProgBtn, true);
    ChooseCable();
    const int slot = database_.SelectedIndex;
    Start(Operation::Programming,
          std::make_unique<TProgThread>(hardware_, ftdiSerial_, slot,
                                        database_.cards[std::size_t(slot)]),
          &HardwareOperations::CompleteProgramming);
}

void HardwareOperations::CompleteProgramming(ProgWorker& worker) {
    CompleteWrite(
        worker,
        [](CardRecord& card, std::uint16_t newProgId) {
            RecordModemProgrammed(card, newProgId, CurrentDays());
        },
        ProgramDoneText, ProgramCaption);
}

void HardwareOperations::CompleteWrite(ProgWorker& worker, const RecordWrite& record,
                                       const char* doneText, const QString& caption) {
    const ProgWorker::Result result = worker.TakeResult();
    ExchangeRecord exchange = worker.TakeRecord();
    const int slot = worker.Slot();
    const auto recordInCard = [&] {
        record(database_.cards[std::size_t(slot)], result.NewProgID);
        window_.RefreshCardRow(slot);
    };
    if (worker.Terminated()) {
        // Stopped after the device had already confirmed: it holds the new settings, so the
        // card says so; the user has had the stop message and hears nothing more.
        if (result.OpSucceeded) {
            recordInCard();
            window_.SaveDatabase();
        }
        const JournalResult ended = result.OpSucceeded ? JournalResult::Ok : JournalResult::Stopped;
        TellJournalWarning(
            Journal(exchange, ended, QString::fromUtf8(StoppedText(exchange.Facts().operation))));
        return;
    }
    ShowProgress(false);
    if (result.OpSucceeded) {
        recordInCard();
        // On disk before the message waits for the user: a session ended meanwhile (a logout,
        // a stop signal) must not leave the modem with an ID the card does not know.
        const bool stored = window_.StoreDatabase();
        const QString done = QString::fromUtf8(doneText);
        dialogs_.ShowMessageWithDetail(&window_, Completed, done,
                                       Journal(exchange, JournalResult::Ok, done));
        if (!stored) window_.ReportWriteFailure();
    } else if (result.OpFailed) {
        ShowFailure(
            ProgramFailedHeader, result,
            Journal(exchange, JournalResult::Failed, FailureMessage(ProgramFailedHeader, result)));
    } else {
        TellJournalWarning(Journal(exchange, JournalResult::Stopped, {}));
    }
    ShowOperationRunning(Button(running_.operation), false, caption);
    running_ = {};
}

void HardwareOperations::SpeedButton1Click() {
    if (running_.operation == Operation::Reading) {
        StopRunning();
        dialogs_.ShowMessage(&window_, Attention, QString::fromUtf8(ReadStoppedText));
        return;
    }
    if (running_.operation != Operation::None) return;
    ShowOperationRunning(ui_.SpeedButton1, true);
    ChooseCable();
    Start(Operation::Reading, std::make_unique<TReadThread>(hardware_, ftdiSerial_),
          &HardwareOperations::CompleteRead);
}

void HardwareOperations::CompleteRead(ProgWorker& worker) {
    const ProgWorker::Result result = worker.TakeResult();
    ExchangeRecord exchange = worker.TakeRecord();
    // The card the modem was programmed from, as far as the database tells.
    const ModemCard found =
        result.OpSucceeded ? FindModemCard(database_, result.ReadImage) : ModemCard{};
    if (result.OpSucceeded) {
        OperationFacts& facts = exchange.Facts();
        facts.imageCrc =
            std::uint16_t(std::stoul(DescribeReadImage(result.ReadImage).ProgID1, nullptr, 16));
        if (found.match != CardMatch::None) {
            facts.card = database_.cards[std::size_t(found.slot)];
            facts.slot = found.slot;
        }
    }
    if (worker.Terminated()) {
        TellJournalWarning(
            Journal(exchange, JournalResult::Stopped, QString::fromUtf8(ReadStoppedText)));
        return;
    }
    ShowProgress(false);
    if (result.OpSucceeded) {
        const QString match = CardMatchText(database_, result.ReadImage);
        const QString warning = Journal(exchange, JournalResult::Ok, match);
        form2_->Fill(result.ReadImage);
        form2_->SetVersion(QString::fromStdString(result.ReadVersion));
        form2_->SetCardMatch(match);
        const QString history =
            found.match == CardMatch::None
                ? QString()
                : QString::fromStdString(CardHistoryText(history_.Current().LastProgramming(
                      found.slot, database_.cards[std::size_t(found.slot)])));
        form2_->SetCardHistory(Lines(history, warning));
        readComparison_.Present(*form2_, result.ReadImage);
        dialogs_.ShowModal(*form2_);
    } else if (result.OpFailed) {
        ShowFailure(
            ReadFailedHeader, result,
            Journal(exchange, JournalResult::Failed, FailureMessage(ReadFailedHeader, result)));
    } else {
        TellJournalWarning(Journal(exchange, JournalResult::Stopped, {}));
    }
    ShowOperationRunning(ui_.SpeedButton1, false, ReadCaption);
    editor_.EndEditing();
    running_ = {};
    // After the read has ended, so that the new card's edit mode stays.
    if (result.OpSucceeded && form2_->NewCardChosen()) readComparison_.MakeCard();
}

void HardwareOperations::ProgUoBtnClick() {
    if (running_.operation == Operation::UoWriting) {
        StopRunning();
        dialogs_.ShowMessage(&window_, NotCompleted, QString::fromUtf8(UoStoppedText));
        return;
    }
    if (running_.operation != Operation::None || !HasData(database_.SelectedIndex)) return;
    ShowOperationRunning(ui_.ProgUoBtn, true);
    ChooseCable();
    const int slot = database_.SelectedIndex;
    Start(Operation::UoWriting,
          std::make_unique<TProgUoThread>(hardware_, ftdiSerial_, slot,
                                          database_.cards[std::size_t(slot)],
                                          ui_.UooTab->currentIndex()),
          &HardwareOperations::CompleteUoWrite);
}

void HardwareOperations::CompleteUoWrite(ProgWorker& worker) {
    CompleteWrite(
        worker, [](CardRecord& card, std::uint16_t) { RecordUoProgrammed(card, CurrentDays()); },
        UoDoneText, UoDoneCaption);
}

void HardwareOperations::Timer1Timer() {
    const int position = ui_.Progress->value() + 1;
    ui_.Progress->setValue(position > 9 ? 0 : position);
}

void HardwareOperations::ChooseCable() {
    std::uint32_t count = 0;
    if (hardware_.cable.CreateDeviceInfoList(&count) != CableOk || count == 0) return;
    CableInfo list[DevListCapacity];
    std::uint32_t listed = 0;
    if (hardware_.cable.GetDeviceInfoList(list, DevListCapacity, &listed) != CableOk || listed == 0)
        return;
    QStringList serials;
    for (std::uint32_t i = 0; i < std::min(listed, DevListCapacity); ++i)
        serials << QString::fromLatin1(
            list[i].SerialNumber,
            qsizetype(strnlen(list[i].SerialNumber, sizeof list[i].SerialNumber)));
    // The cable chosen earlier stays in use while it is attached; once it is gone the
    // choice is made again instead of failing until a restart.
    if (!ftdiSerial_.empty() && serials.contains(QString::fromStdString(ftdiSerial_))) return;
    if (serials.size() == 1) {
        ftdiSerial_ = serials.front().toStdString();
        return;
    }
    ftdiDialog_->SetSerials(serials);
    dialogs_.ShowModal(*ftdiDialog_);
    ftdiSerial_ = ftdiDialog_->ChosenSerial().toStdString();
}

QString HardwareOperations::Journal(ExchangeRecord& record, JournalResult result,
                                    const QString& message) {
    OperationFacts& facts = record.Facts();
    // The cable's device and latency timer as the cable list shows them now.
    const auto* serialCable = dynamic_cast<const SerialCable*>(&hardware_.cable);
    if (serialCable && !facts.cable.empty())
        for (const ListedCable& listed : serialCable->ListCables())
            if (listed.serialNumber == facts.cable) {
                facts.port = listed.device.string();
                facts.latencyMs = ReadLatencyTimer(listed);
                break;
            }
    record.End(result, message.toStdString());
    const QString warning = QString::fromStdString(journal_.Record(record));
    window_.OperationJournalled();
    return warning;
}

void HardwareOperations::TellJournalWarning(const QString& warning) {
    // Not while the window is going: nobody would read it.
    if (!warning.isEmpty() && !waitingForWorkers_)
        dialogs_.ShowMessage(&window_, Attention, warning);
}

void HardwareOperations::ShowFailure(const char* header, const ProgWorker::Result& result,
                                     const QString& warning) {
    const QString text = QString::fromUtf8(header) + QString::fromStdString(result.FailReason) +
                         QStringLiteral("\n\n");
    const QString told = QString::fromStdString(result.FailDetail);
    if (!result.CableFailed) {
        dialogs_.ShowMessageWithDetail(&window_, Attention, text, Lines(told, warning));
        return;
    }
    // What to do next, as the cable check words it for the cable the operation meant to use.
    const QString remedy =
        Remedy(CableRemedy(CheckCables(cablePlaces_), ftdiSerial_), result.FailReason);
    if (dialogs_.ShowMessageWithAction(&window_, Attention, text,
                                       Lines(Lines(told, remedy), warning),
                                       QStringLiteral("Проверить кабель")))
        ShowCableCheck();
}

void HardwareOperations::JournalLeftAtClose(const ProgWorker& worker) {
    ExchangeRecord record = worker.TakeRecord();
    if (!record.Begun()) return;
    Journal(record, JournalResult::Stopped,
            Lines(QString::fromUtf8(StoppedText(record.Facts().operation)) + QLatin1Char('\n'),
                  QString::fromUtf8(LeftAtCloseText)));
}

void HardwareOperations::ShowCableCheck() {
    CableCheckWindow check(dialogs_, cablePlaces_, database_.Directory(), &window_);
    dialogs_.ShowModal(check);
}

void HardwareOperations::FormDestroy() {
    if (workers_.empty()) return;
    // Stopped as by its button, but without the stop message: the window is going.
    if (running_.worker) StopRunning();
    waitingForWorkers_ = true;
    for (std::unique_ptr<ProgWorker>& worker : workers_) {
        if (worker->Finish(WorkerEndWait)) continue;
        JournalLeftAtClose(*worker);
        ProgWorker::Abandon(std::move(worker));
    }
    workers_.clear();
    waitingForWorkers_ = false;
}

}  // namespace gsmprog
