// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What the window's switches enable and what a device type shows.

#include <QAbstractButton>
#include <QCheckBox>
#include <QTabWidget>
#include <QTest>

#include "ui/window_fixture.h"

using namespace gsmprog;
using namespace gsmprog::test;

namespace {
bool ReadableWhenDisabled(WindowFixture& f, const char* name) {
    const QPalette colours = f.Find<QWidget>(name)->palette();
    for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        if (colours.color(QPalette::Disabled, role) != colours.color(QPalette::Active, role))
            return false;
    return true;
}
}  // namespace

class OptionRulesTest : public QObject {
    Q_OBJECT
private:
    static bool BalanceTabShown(WindowFixture& f) {
        auto* pages = f.Find<QTabWidget>("PageControl1");
        return pages->isTabVisible(pages->indexOf(f.Find<QWidget>("BalanceSheet")));
    }

private Q_SLOTS:
    void OldVersionHidesTheBalancePage() {
        WindowFixture f;
        CardRecord card = MakeCard("1", "x");
        card.balCritical = 77;
        f.WriteDatabase({{0, card}});
        f.Start();
        f.StartEditing();
        QVERIFY(BalanceTabShown(f));
        f.Choose("VersionCombo", 0);
        QVERIFY(!BalanceTabShown(f));
        f.Choose("VersionCombo", 1);
        QVERIFY(BalanceTabShown(f));
        QCOMPARE(f.Text("balCritical"), QStringLiteral("77"));
    }

    void BalanceSwitchEnablesItsFieldsAndKeepsTheirTexts() {
        WindowFixture f;
        CardRecord card = MakeCard("1", "x");
        card.BalanceFlags = BalanceEnable;
        card.balCritical = 55;
        f.WriteDatabase({{0, card}});
        f.Start();
        f.StartEditing();
        for (const char* name : {"balCritical", "balCodeSim1", "balCodeSim2", "balSendPcnCheck"})
            QVERIFY2(f.Enabled(name), name);
        QVERIFY(f.Find<QCheckBox>("balSendPcnCheck")->isChecked());  // the notice bit is inverted
        f.Click("balEnable");
        for (const char* name : {"balCritical", "balCodeSim1", "balCodeSim2", "balSendPcnCheck"})
            QVERIFY2(!f.Enabled(name), name);
        QCOMPARE(f.Text("balCritical"), QStringLiteral("55"));
    }

    void SmsSwitchesEnableNumbersAndEventTypes() {
        WindowFixture f;
        f.Start();
        f.StartEditing();
        const char* events[] = {"smsGuardModeCheck", "smsAlarmCheck", "smsFireCheck", "smsKtcCheck",
                                "saveSMSCheck"};
        for (const char* name : events) QVERIFY2(!f.Enabled(name), name);
        QVERIFY(!f.Enabled("smsNumber1Edit"));
        QVERIFY(!f.Enabled("smsNumber2Edit"));
        QVERIFY(f.Enabled("smsObjNameEdit"));
        f.Click("sendSMS2Check");
        for (const char* name : events) QVERIFY2(f.Enabled(name), name);
        QVERIFY(!f.Enabled("smsNumber1Edit"));
        QVERIFY(f.Enabled("smsNumber2Edit"));
        f.Click("sendSMS1Check");
        f.Click("sendSMS2Check");
        for (const char* name : events) QVERIFY2(f.Enabled(name), name);
        QVERIFY(f.Enabled("smsNumber1Edit"));
        QVERIFY(!f.Enabled("smsNumber2Edit"));
        f.Click("sendSMS1Check");
        for (const char* name : events) QVERIFY2(!f.Enabled(name), name);
        QVERIFY(f.Enabled("smsObjNameEdit"));
    }

    void OnlyFirmwareUpdateEnablesTheServerFields() {
        WindowFixture f;
        f.Start();
        f.StartEditing();
        QVERIFY(!f.Enabled("ipUpdateEdit"));
        QVERIFY(!f.Enabled("portUpdateEdit"));
        QVERIFY(f.Enabled("portParamsEdit"));
        f.Click("allowParamsUpdate");
        QVERIFY(!f.Enabled("ipUpdateEdit"));
        QVERIFY(!f.Enabled("portUpdateEdit"));
        f.Click("allowUpdateCheck");
        QVERIFY(f.Enabled("ipUpdateEdit"));
        QVERIFY(f.Enabled("portUpdateEdit"));
        QVERIFY(f.Enabled("portParamsEdit"));
    }

    void DefaultUpdateSettingsOverwriteTheFields() {
        WindowFixture f;
        f.Start();
        f.StartEditing();
        f.Click("allowUpdateCheck");
        f.Type("ipUpdateEdit", "my.host");
        f.Type("portUpdateEdit", "1234");
        f.Type("portParamsEdit", "4321");
        f.Click("defaultUpdSettings");
        QCOMPARE(f.Text("ipUpdateEdit"), QString::fromLatin1(TForm1::DefaultUpdateHost));
        QCOMPARE(f.Text("portUpdateEdit"), QStringLiteral("25001"));
        QCOMPARE(f.Text("portParamsEdit"), QStringLiteral("25002"));
        QVERIFY(f.Find<QCheckBox>("allowUpdateCheck")->isChecked());
        QVERIFY(!f.Find<QCheckBox>("allowParamsUpdate")->isChecked());
    }

    void SimSwitchesAreHiddenAndOnForEveryCard() {
        WindowFixture f;
        f.Start();
        f.StartEditing();
        QVERIFY(!f.Visible("UseSim1"));
        QVERIFY(!f.Visible("UseSim2"));
        QVERIFY(f.Find<QCheckBox>("UseSim1")->isChecked());
        QCOMPARE(f.Find<QCheckBox>("UseSim2")->toolTip(),
                 QStringLiteral("Использовать 2ю SIM карту"));
        const char* second[] = {"Pin2Edit", "Ip2GsmEdit",    "Port2GsmEdit",
                                "APN2Edit", "LoginGsm2Edit", "PassGsm2Edit"};
        for (const char* name : second) QVERIFY2(f.Enabled(name), name);
        f.Find<QCheckBox>("UseSim2")->setChecked(false);
        for (const char* name : second) QVERIFY2(!f.Enabled(name), name);
        QVERIFY(f.Enabled("Pin1Edit"));
        QVERIFY(f.Enabled("PassGsm1Edit"));
    }

    void DeviceTypeShowsItsControls_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("hint");
        QTest::addColumn<bool>("loops");
        QTest::addColumn<bool>("address");
        QTest::addColumn<bool>("sixLoops");
        QTest::newRow("Не подключено") << 0 << false << false << false << false;
        QTest::newRow("УОО 1Ш") << 1 << true << false << true << false;
        QTest::newRow("УОО 3Ш") << 2 << false << true << true << false;
        QTest::newRow("УОО 6ША") << 3 << false << true << true << true;
    }
    void DeviceTypeShowsItsControls() {
        QFETCH(int, type);
        QFETCH(bool, hint);
        QFETCH(bool, loops);
        QFETCH(bool, address);
        QFETCH(bool, sixLoops);
        WindowFixture f;
        CardRecord card = MakeCard("1", "x");
        Connect(card, 1, 3, 1, 1);  // the other tab starts on a different type
        f.WriteDatabase({{0, card}});
        f.Start();
        f.StartEditing();
        f.ChooseTab(1);
        f.Choose("uoTypeCombo", type);
        QCOMPARE(f.Visible("uoProgHintLabel"), hint);
        QCOMPARE(f.Visible("uoCordsGroup"), loops);
        QCOMPARE(f.Visible("uoModeGroup"), loops);
        QCOMPARE(f.Visible("ProgUoBtn"), loops);
        for (const char* name : {"numLine", "uoNumLineLabel", "CodeUoo", "codeUoLabel"})
            QVERIFY2(f.Visible(name) == address, name);
        for (const char* name :
             {"Cord4", "Cord5", "Cord6", "CordLabel4", "CordLabel5", "CordLabel6", "fireWoGuard"})
            QVERIFY2(f.Visible(name) == sixLoops, name);
        if (loops) {
            for (const char* name : {"Cord1", "Cord2", "Cord3", "uoIndicCheck", "uoBatteryCheck"})
                QVERIFY2(f.Visible(name), name);
        }
        QCOMPARE(int(f.Form().UoEditBuffer[1].type), type);
    }

    void EditModeSwitchesTheControls() {
        WindowFixture f;
        TForm1& form = f.Start();
        form.SetEditMode(true);
        for (const char* name : {"NCardEdit", "Edit1", "uoTypeCombo", "Pin1Edit", "PUK1_Edit",
                                 "balEnable", "sendSMS1Check", "allowUpdateCheck", "BitBtn2",
                                 "BitBtn3", "UooTab", "SpeedButton4", "ctrlBtn", "ExitBtn"})
            QVERIFY2(f.Enabled(name), name);
        for (const char* name :
             {"ProgBtn", "SpeedButton1", "ProgUoBtn", "SetsGrid", "SearchEdit", "SpeedButton3"})
            QVERIFY2(!f.Enabled(name), name);
        QCOMPARE(f.Find<QAbstractButton>("BitBtn1")->text(),
                 QStringLiteral("Отменить редактирование"));
        // In edit mode a field the rules turn off is greyed; the update server is off here.
        QVERIFY(!ReadableWhenDisabled(f, "ipUpdateEdit"));
        form.SetEditMode(false);
        for (const char* name :
             {"NCardEdit", "Edit1", "uoTypeCombo", "Pin1Edit", "BitBtn2", "BitBtn3"})
            QVERIFY2(!f.Enabled(name), name);
        // Outside it the card is read: its disabled fields keep the text colour.
        for (const char* name :
             {"NCardEdit", "Edit1", "uoTypeCombo", "Pin1Edit", "ipUpdateEdit", "Cord1"})
            QVERIFY2(ReadableWhenDisabled(f, name), name);
        for (const char* name : {"ProgBtn", "SpeedButton1", "ProgUoBtn", "SetsGrid", "SearchEdit",
                                 "SpeedButton3", "UooTab"})
            QVERIFY2(f.Enabled(name), name);
        QCOMPARE(f.Find<QAbstractButton>("BitBtn1")->text(),
                 QStringLiteral("Включить редактирование"));
    }
};

QTEST_MAIN(OptionRulesTest)
#include "option_rules_test.moc"
