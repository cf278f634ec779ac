// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The equipment-control window: while it is open the control link runs, the modem's state is
// asked for every second, its voltages and SIM card are shown as figures and on a chart, the
// SIM card can be switched, and the modem's GSM and object-device traffic fills two logs.

#include <QDialog>
#include <ctime>
#include <memory>
#include <string>

#include "prog/cable_recovery.h"
#include "ui/main/hardware.h"
#include "ui/ctrlForm/link_state_line.h"

namespace Ui {
class TForm4;
}
class QTimer;

namespace gsmprog {

class FTDI_KorvelCtrl;
class TrafficLog;
class UserDialogs;
struct CtrlPacket;
struct CtrlResult;

class TForm4 : public QDialog {
    Q_OBJECT
public:
    // Creates the link on `hardware`; its thread idles until the window is shown. The logs
    // are saved through `dialogs`.
    TForm4(UserDialogs& dialogs, Hardware hardware, QWidget* parent = nullptr);
    ~TForm4() override;

    // The cable the link opens from the next showing on: the one chosen in the main window
    // (empty: the first one listed).
    void UseCable(std::string serialNumber) { cableSerial_ = std::move(serialNumber); }

    void FormShow();
    void FormClose();
    void Timer1Timer();
    void Timer2Timer();
    void sim1BtnClick();
    void Button1Click();
    void Button2Click();

    // When the window last received an event from the link, in seconds of the system clock.
    std::time_t LastActivity = 0;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void ShowEvent(const CtrlResult& result, const QString& time);
    void ShowStatus(const CtrlPacket& reply);
    void ShowLinkState();
    // Stale fields keep their values, greyed, until the next status reply.
    void SetFieldsStale(bool stale);

    std::unique_ptr<Ui::TForm4> ui;
    const Cable& cable_;  // the link's, asked why it failed
    std::unique_ptr<FTDI_KorvelCtrl> link_;
    TrafficLog* ismLog_ = nullptr;
    TrafficLog* gsmLog_ = nullptr;
    LinkStateLine stateLine_;
    std::string cableSerial_;
    CableRecovery recovery_;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
};

}  // namespace gsmprog
