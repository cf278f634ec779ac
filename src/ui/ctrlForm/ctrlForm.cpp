// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ctrlForm/ctrlForm.h"

#include <QElapsedTimer>
#include <QTimer>

#include "prog/ctrl_reader_pace.h"
#include "prog/ctrl_status.h"
#include "prog/ctrl_texts.h"
#include "prog/ftdi_korvel_ctrl.h"
#include "ui/ctrlForm/traffic_log.h"
#include "ui_ctrlForm.h"

namespace gsmprog {

namespace {
constexpr std::time_t SilenceLimitSeconds = 5;
const char* const StaleHint = "Последнее полученное значение: модем с тех пор не ответил";

std::int64_t SteadyMs() {
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.elapsed();
}
}  // namespace

TForm4::TForm4(UserDialogs& dialogs, Hardware hardware, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      ui(std::make_unique<Ui::TForm4>()),
      cable_(hardware.cable),
      link_(std::make_unique<FTDI_KorvelCtrl>(hardware.cable, hardware.clock)) {
    ui->setupUi(this);
    ismLog_ = new TrafficLog(*ui->ismLog, dialogs, QStringLiteral("Обмен УОО.txt"));
    gsmLog_ = new TrafficLog(*ui->gsmLog, dialogs, QStringLiteral("Обмен GSM.txt"));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(CtrlReadIntervalMs);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(CtrlStatusIntervalMs);
    connect(Timer1, &QTimer::timeout, this, &TForm4::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &TForm4::Timer2Timer);
    connect(ui->sim1Btn, &QPushButton::clicked, this, &TForm4::sim1BtnClick);
    connect(ui->Button1, &QPushButton::clicked, this, &TForm4::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &TForm4::Button2Click);
    // The timers do nothing while the window is hidden, so they only run while it is shown:
    // the idle main window, which keeps this one, wakes for nothing.
}

TForm4::~TForm4() = default;

void TForm4::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow();
}

void TForm4::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous()) FormClose();
}

void TForm4::FormShow() {
    ismLog_->Clear();
    ui->voltChart->Restart(QDateTime::currentDateTime());
    stateLine_.Opened(cableSerial_);
    ShowLinkState();
    // The figures of an earlier opening are not the modem's state now.
    if (!ui->batVolt1->text().isEmpty()) SetFieldsStale(true);
    if (!link_->IsRunning()) link_->Start(cableSerial_);
    Timer1->start();
    Timer2->start();
}

void TForm4::FormClose() {
    Timer1->stop();
    Timer2->stop();
    link_->Stop();
}

void TForm4::Timer1Timer() {
    if (!isVisible()) return;
    QString time;  // of this tick, made when first needed: most ticks bring nothing
    link_->FetchResults(CtrlEventsPerRead, [&](const CtrlResult& result) {
        LastActivity = std::time(nullptr);
        if (time.isEmpty()) time = TimeOfDay();
        ShowEvent(result, time);
    });
    // The tick's lines go to each log in one append.
    ismLog_->Flush();
    gsmLog_->Flush();
    // A modem restarted or a cable plugged in again is found without closing the window.
    recovery_.Keep(*link_, CableRecovery::Clock::now());
    ShowLinkState();
}

void TForm4::ShowLinkState() {
    const QString state = stateLine_.Text(link_->InControlMode(), SteadyMs());
    if (state != ui->linkStateLabel->text()) {
        ui->linkStateLabel->setText(state);
        ui->linkStateLabel->setStyleSheet(stateLine_.Failing()
                                              ? QStringLiteral("QLabel { color: #b00000; }")
                                              : QString());
    }
    // The lost modem's line stays the same; what each retry runs into is under the pointer.
    if (stateLine_.Failure() != ui->linkStateLabel->toolTip())
        ui->linkStateLabel->setToolTip(stateLine_.Failure());
    // A switch asked without a link would go out at some later handshake, unexpectedly.
    ui->sim1Btn->setEnabled(stateLine_.LinkUp());
}

void TForm4::ShowEvent(const CtrlResult& result, const QString& time) {
    const std::string& text = result.text;
    switch (result.code) {
    case CtrlError:
        stateLine_.Failed(time, text, result.errorState, cable_.LastFailure());
        SetFieldsStale(true);
        ui->voltChart->Interrupt();
        return;
    case CtrlBytesSent:
    case CtrlBytesReceived:
        // The raw bytes would bury the traces under a status poll every second.
        return;
    case CtrlGsmTrace:
        if (ui->CheckBox1->isChecked() && !text.empty())
            gsmLog_->Add(time, QString::fromStdString(text));
        break;
    case CtrlIButtonKey: {
        const std::string key = KeyCodeText(*result.packet);
        stateLine_.KeyRead(time, key);
        if (ui->uooViewCheck->isChecked()) ismLog_->Add(time, QString::fromStdString(key));
        break;
    }
    case CtrlDeviceTrace:
    case CtrlOutputsSet:
        if (ui->uooViewCheck->isChecked() && !text.empty())
            ismLog_->Add(time, QString::fromStdString(text));
        break;
    case CtrlStatus: ShowStatus(*result.packet); break;
    default: break;
    }
    stateLine_.Replied();
}

void TForm4::ShowStatus(const CtrlPacket& reply) {
    const CtrlStatusFields status = StatusFields(reply);
    ui->simNumEdit->setText(QString::number(status.simNumber));
    ui->batVolt1->setText(QString::number(status.batVolt1));
    ui->batVolt2->setText(QString::number(status.batVolt2));
    ui->pwrVolt->setText(QString::number(status.pwrVolt));
    SetFieldsStale(false);
    ui->voltChart->AddStatus(QDateTime::currentDateTime(), status);
}

void TForm4::SetFieldsStale(bool stale) {
    for (QLineEdit* field : {ui->simNumEdit, ui->batVolt1, ui->batVolt2, ui->pwrVolt}) {
        QPalette colours = palette();
        if (stale)
            colours.setColor(QPalette::Text, colours.color(QPalette::Disabled, QPalette::Text));
        field->setPalette(colours);
        field->setToolTip(stale ? QString::fromUtf8(StaleHint) : QString());
    }
}

void TForm4::Timer2Timer() {
    if (ui->CheckBox2->isChecked() && link_->PendingCount() == 0 && link_->IsRunning())
        link_->RequestStatus();
    // More than five whole seconds without any event: control mode is entered anew.
    const std::time_t now = std::time(nullptr);
    if (now - LastActivity > SilenceLimitSeconds) {
        LastActivity = now;
        link_->ResetCtrlMode();
    }
}

void TForm4::sim1BtnClick() {
    link_->Reset();
    link_->RequestSimSwitch();
    link_->ResetCtrlMode();
}

void TForm4::Button1Click() { ismLog_->Clear(); }

void TForm4::Button2Click() { gsmLog_->Clear(); }

}  // namespace gsmprog
