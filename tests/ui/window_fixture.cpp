// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/window_fixture.h"

#include <QAbstractItemView>
#include <QDialog>
#include <QSettings>
#include <QCheckBox>
#include <QTabBar>
#include <QTest>
#include <QTableView>

#include "cable/system_listing.h"
#include "cards/card_dates.h"
#include "text/win1251.h"

namespace gsmprog::test {

bool ScriptedDialogs::AskYesNo(QWidget*, const QString& caption, const QString& text) {
    shown.push_back({caption, text, true, {}, {}});
    if (answers.empty()) {
        ++unansweredQuestions;
        return false;
    }
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
}

void ScriptedDialogs::ShowMessage(QWidget* parent, const QString& caption, const QString& text) {
    ShowMessageWithDetail(parent, caption, text, QString());
}

void ScriptedDialogs::ShowMessageWithDetail(QWidget*, const QString& caption, const QString& text,
                                            const QString& detail) {
    shown.push_back({caption, text, false, detail, {}});
    if (onMessage) onMessage(shown.back());
}

bool ScriptedDialogs::ShowMessageWithAction(QWidget*, const QString& caption, const QString& text,
                                            const QString& detail, const QString& actionText) {
    shown.push_back({caption, text, false, detail, actionText});
    if (onMessage) onMessage(shown.back());
    return chooseAction;
}

void ScriptedDialogs::ShowModal(QDialog& dialog) {
    modals << dialog.windowTitle();
    if (onModal) onModal(dialog);
}

QString ScriptedDialogs::AskSaveFileName(QWidget*, const QString& proposedName) {
    proposedNames << proposedName;
    if (fileNames.empty()) return {};
    const QString name = fileNames.front();
    fileNames.pop_front();
    return name;
}

QString ScriptedDialogs::AskDirectory(QWidget*, const QString&, const QString&) {
    if (folders.empty()) return {};
    const QString folder = folders.front();
    folders.pop_front();
    return folder;
}

QString ScriptedDialogs::AskText(QWidget*, const QString& caption, const QString& label,
                                 const QString& proposed) {
    textPrompts << caption + QStringLiteral(": ") + label + QStringLiteral(" [") + proposed +
                       QLatin1Char(']');
    if (texts.empty()) {
        ++unansweredQuestions;
        return {};
    }
    const QString text = texts.front();
    texts.pop_front();
    return text;
}

WindowFixture::WindowFixture() {
    QVERIFY2(dir_.isValid() && runtimeDir_.isValid() && configDir_.isValid(),
             "temporary directories");
    // Each test starts with no remembered window and leaves the user's settings alone.
    qputenv("XDG_CONFIG_HOME", configDir_.path().toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configDir_.path());
}

WindowFixture::~WindowFixture() {
    if (form_) {
        if (form_->EditMode) dialogs.answers.push_front(true);  // leave whatever edit the test left
        form_->close();
    }
}

std::filesystem::path WindowFixture::Dir() const {
    return sharedDir_.empty() ? std::filesystem::path(dir_.path().toStdString()) : sharedDir_;
}

std::filesystem::path WindowFixture::CableDirectory() const {
    return std::filesystem::path(runtimeDir_.path().toStdString()) / "gsmprog" / "cables";
}

std::filesystem::path WindowFixture::DatabaseFile() const {
    return Dir() / CardDatabase::DatabaseFileName;
}

void WindowFixture::WriteDatabase(const std::vector<std::pair<int, CardRecord>>& cards,
                                  const CardRecord& templateRecord) {
    auto database = std::make_unique<CardDatabase>(Dir());
    for (const auto& [slot, card] : cards) database->cards[slot] = card;
    database->TemplateRecord = templateRecord;
    if (!database->SaveDatabase()) qFatal("cannot write the test database");
}

std::unique_ptr<CardDatabase> WindowFixture::ReadBack() const {
    auto database = std::make_unique<CardDatabase>(Dir());
    database->LoadDatabase();
    return database;
}

TForm1& WindowFixture::Start() {
    cable_ = std::make_unique<SerialCable>(
        std::make_unique<SystemListing>(CableDirectory(), systemRoot_));
    const Hardware hardware = givenCable_ ? Hardware{*givenCable_, SystemClock(), givenCable_}
                                          : Hardware{*cable_, SystemClock()};
    form_ = std::make_unique<FixtureWindow>(dialogs, hardware, Dir());
    if (form_->Declined()) return *form_;
    form_->SetCablePlaces({systemRoot_, CableDirectory()});
    form_->show();
    form_->activateWindow();
    if (!QTest::qWaitForWindowActive(form_.get())) qWarning("the window did not become active");
    return *form_;
}

TForm4& WindowFixture::StartWithControl() {
    Start();
    form4_ = std::make_unique<TForm4>(dialogs, Hardware{*cable_, SystemClock()});
    form_->SetControlWindow(*form4_);
    return *form4_;
}

MainWindowHost& WindowFixture::Host() {
    if (!host_) {
        cable_ = std::make_unique<SerialCable>(
            std::make_unique<SystemListing>(CableDirectory(), systemRoot_));
        host_ = std::make_unique<MainWindowHost>(dialogs, Hardware{*cable_, SystemClock()});
    }
    return *host_;
}

std::unique_ptr<VmodemProcess> WindowFixture::StartModem(std::vector<std::string> args,
                                                         const std::string& serial) {
    VmodemSetup setup;
    setup.serial = serial;
    setup.args = std::move(args);
    setup.runtimeDir = runtimeDir_.path().toStdString();
    auto modem = std::make_unique<VmodemProcess>(setup);
    if (!modem->Started()) qWarning("the virtual modem did not start: %s", modem->Log().c_str());
    return modem;
}

QString WindowFixture::Cell(int row, int column) const {
    QAbstractItemModel* model = Find<QTableView>("SetsGrid")->model();
    return model->data(model->index(row - 1, column)).toString();
}

bool WindowFixture::Enabled(const char* name) const { return Find<QWidget>(name)->isEnabled(); }

bool WindowFixture::Visible(const char* name) const {
    QWidget* control = Find<QWidget>(name);
    return control->isVisibleTo(form_.get());
}

void WindowFixture::Type(const char* edit, const QString& text) {
    QLineEdit* line = Find<QLineEdit>(edit);
    line->setFocus();
    line->selectAll();
    QTest::keyClick(line, Qt::Key_Delete);
    // Character by character: keyClicks cannot send Cyrillic.
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, line, Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

void WindowFixture::Choose(const char* combo, int item) {
    QComboBox* box = Find<QComboBox>(combo);
    box->setCurrentIndex(item);
    Q_EMIT box->activated(item);
}

void WindowFixture::Click(const char* button) {
    QAbstractButton* control = Find<QAbstractButton>(button);
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, QPoint(6, control->height() / 2));
}

void WindowFixture::ClickRow(int row) {
    QTableView* grid = Find<QTableView>("SetsGrid");
    const QModelIndex index = grid->model()->index(row - 1, 2);
    grid->scrollTo(index);
    const QRect cell = grid->visualRect(index);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
}

void WindowFixture::ChooseTab(int tab) {
    QTabBar* tabs = Find<QTabBar>("UooTab");
    QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(tab).center());
}

void WindowFixture::StartEditing() {
    Click("BitBtn1");
    QVERIFY(form_->EditMode);
}

void WindowFixture::Save() { Click("BitBtn2"); }

void WindowFixture::Search(const QString& text) { Type("SearchEdit", text); }

QStringList ScriptedDialogs::Texts() const {
    QStringList texts;
    for (const Shown& s : shown) texts << s.text;
    return texts;
}

CardRecord MakeCard(const QString& number, const QString& object) {
    CardRecord card{};
    StoreField(number, card.NCardEdit);
    StoreField(object, card.Edit1);
    card.DateChanged = DaysFromDate({2024, 3, 15, 10, 20, 30, 0});
    card.VersionCombo = 1;
    return card;
}

CardRecord ValidCard(const QString& number, const QString& object) {
    CardRecord card = MakeCard(number, object);
    StoreField("1111", card.Pin1Edit);
    StoreField("2222", card.Pin2Edit);
    StoreField("10.1.1.1", card.Ip1GsmEdit);
    StoreField("10.1.1.2", card.Ip2GsmEdit);
    StoreField("5000", card.Port1GsmEdit);
    StoreField("65535", card.Port2GsmEdit);
    StoreField("internet", card.APN1Edit);
    StoreField("internet2", card.APN2Edit);
    StoreField("upd.example.org", card.ipUpdateEdit);
    StoreField("25001", card.portUpdateEdit);
    StoreField("25002", card.portParamsEdit);
    return card;
}

void Connect(CardRecord& card, int i, std::uint8_t type, std::uint32_t code, std::uint8_t line) {
    card.UoType[i] = type;
    card.UoCode[i] = code;
    card.UoLineAddress[i] = line;
}

}  // namespace gsmprog::test
