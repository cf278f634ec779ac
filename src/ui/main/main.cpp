// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/main/main.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QLineEdit>
#include <algorithm>
#include <cerrno>
#include <stdexcept>

#include "ui/main/card_grid_model.h"
#include "ui/ctrlForm/ctrlForm.h"
#include "ui/journal/journal_window.h"
#include "ui/main/card_split.h"
#include "ui/main/database_folders.h"
#include "ui/main/screen_fit.h"
#include "ui/main/window_state.h"
#include "ui_main.h"
#include "ui/main/user_dialogs.h"
#include "ui/main/typed_numbers.h"
#include "ui/main/typed_text_validator.h"
#include "ui/main/write_error.h"
#include "program_version.h"

namespace gsmprog {

namespace {
const int GridColumnWidths[CardGridModel::ColumnCount] = {64, 222, 96, 279, 144, 131};
constexpr int GridRowHeight = 20;
constexpr int HeaderTextMargin = 16;
}  // namespace

TForm1::TForm1(UserDialogs& dialogs, Hardware hardware, std::filesystem::path directory,
               QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      dialogs_(dialogs),
      database_(std::make_unique<CardDatabase>(std::move(directory))),
      lock_(database_->Directory()),
      ui(std::make_unique<Ui::TForm1>()),
      editor_(std::make_unique<CardEditor>(*this, *ui, *database_, dialogs)),
      search_(std::make_unique<CardSearch>(*this, *ui, *database_)),
      operations_(std::make_unique<HardwareOperations>(*this, *ui, *database_, dialogs, *editor_,
                                                       hardware)),
      EditMode(editor_->EditMode()),
      DatabaseChanged(editor_->DatabaseChanged()),
      SearchRow(search_->SearchRow()),
      UoEditBuffer(editor_->UoEditBuffer()),
      FtdiSerial(operations_->FtdiSerial()),
      ProgRunning(*operations_, HardwareOperations::Operation::Programming,
                  HardwareOperations::Operation::UoWriting),
      ReadRunning(*operations_, HardwareOperations::Operation::Reading) {
    if (!TakeDatabase()) {
        declined_ = true;
        return;
    }
    ui->setupUi(this);
    for (int i = 1; i <= UoSlotCount; ++i) ui->UooTab->addTab(QStringLiteral("УОО %1").arg(i));

    for (QWidget* group :
         {static_cast<QWidget*>(ui->GroupBox1), static_cast<QWidget*>(ui->GroupBox5)})
        for (QLineEdit* edit : group->findChildren<QLineEdit*>())
            TypedTextValidator::Install(edit, edit == ui->CodeUoo || edit == ui->balCritical);

    // The program version replaces the placeholder of the designed caption.
    QString caption = windowTitle();
    const qsizetype at = caption.indexOf(QLatin1String("VERSION"));
    if (at >= 0) caption.replace(at, 7, QLatin1String(gsmprog::ProgramVersion));
    // Which of the user's card databases this is.
    caption += QStringLiteral(" — ") + FolderName(database_->Directory());
    if (readOnly_) caption += QStringLiteral(" — только просмотр");
    setWindowTitle(caption);
    if (readOnly_) ShowReadOnlyBanner();

    // The grid reads the database; its header and row numbers come with the model.
    gridModel_ = new CardGridModel(*database_, this);
    ui->SetsGrid->setModel(gridModel_);
    ui->SetsGrid->verticalHeader()->hide();
    ui->SetsGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ui->SetsGrid->verticalHeader()->setDefaultSectionSize(GridRowHeight);
    ui->SetsGrid->horizontalHeader()->setHighlightSections(false);
    // The designed widths, widened where this platform's font needs more for a header.
    QHeaderView* header = ui->SetsGrid->horizontalHeader();
    for (int c = 0; c < CardGridModel::ColumnCount; ++c)
        ui->SetsGrid->setColumnWidth(
            c, std::max(GridColumnWidths[c],
                        header->fontMetrics().horizontalAdvance(
                            gridModel_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()) +
                            HeaderTextMargin));
    header->setStretchLastSection(true);

    // The GSM group is shown; the card's groups start disabled, outside edit mode.
    ui->GroupBox5->setVisible(true);
    // The activity bar and the device button keep their places while hidden, so the buttons
    // never move under the pointer: "Остановить" is where the start button was.
    for (QWidget* control :
         {static_cast<QWidget*>(ui->Progress), static_cast<QWidget*>(ui->ProgUoBtn)}) {
        QSizePolicy policy = control->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        control->setSizePolicy(policy);
    }
    for (QPushButton* button : {ui->ProgBtn, ui->SpeedButton1, ui->ProgUoBtn})
        button->setMinimumWidth(
            button->sizeHint().width());  // the designed captions are the longest
    editor_->SetCardControlsEnabled(false);
    search_->Attach(*gridModel_);
    operations_->Attach();
    // A large journal is read aside at first: its line follows when it is in.
    operations_->History().OnReady([this] { ShowCardHistory(); });

    SetUpFolderButton();
    ConnectHandlers();
    KeepSizeForEveryState();
    // The toolbar, the list's rows and the button rows stay in view: on a low screen the card
    // scrolls inside its own area.
    SizeCardSplit(*this, {ui->cardSplit, ui->SetsGrid, ui->cardScroll}, ScreenRoomForWindow(*this));
    cardSplit_ = ui->cardSplit;
    // Centred on the screen with the title bar above it, unless the user's last place is
    // remembered.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() -
             QPoint(width() / 2, (height() + TitleBarAllowance(*this)) / 2));
    RestorePlace();

    // Nothing is selected until the database is loaded and the first row is shown.
    database_->SelectedIndex = -1;
    FillCardGrid();
    KeepReadOnly();
}

TForm1::~TForm1() { FormDestroy(); }

void TForm1::RestorePlace() {
    if (!RestoreWindowState(*this, *cardSplit_, *ui->SetsGrid->horizontalHeader()))
        DefaultCardSplit(*this, {ui->cardSplit, ui->SetsGrid, ui->cardScroll});
}

void TForm1::KeepSizeForEveryState() {
    // Room is kept for the largest device type and for the longer caption of the edit
    // button, so nothing moves when they change.
    for (QWidget* w :
         {static_cast<QWidget*>(ui->uoCordsGroup), static_cast<QWidget*>(ui->uoModeGroup),
          static_cast<QWidget*>(ui->uoProgHintLabel)})
        w->setVisible(true);
    ui->uoSettingsPanel->setMinimumSize(ui->uoSettingsPanel->sizeHint());
    // The card's column keeps that width whatever a card shows; the GSM pages take the rest.
    RefreshSizeHints(*ui->GroupBox1);
    ui->GroupBox1->setFixedWidth(ui->GroupBox1->sizeHint().width());
    const QString caption = ui->BitBtn1->text();
    ui->BitBtn1->setText(QStringLiteral("Отменить редактирование"));
    const int width = ui->BitBtn1->sizeHint().width();
    ui->BitBtn1->setText(caption);
    ui->BitBtn1->setMinimumWidth(std::max(width, ui->BitBtn1->sizeHint().width()));
}

void TForm1::ConnectHandlers() {
    connect(ui->ExitBtn, &QPushButton::clicked, this, &TForm1::ExitBtnClick);
    connect(ui->ctrlBtn, &QPushButton::clicked, this, &TForm1::ctrlBtnClick);
    connect(ui->ProgBtn, &QPushButton::clicked, this, &TForm1::ProgBtnClick);
    connect(ui->SpeedButton1, &QPushButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(ui->ProgUoBtn, &QPushButton::clicked, this, &TForm1::ProgUoBtnClick);
    connect(ui->BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
    connect(ui->BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
    connect(ui->BitBtn3, &QPushButton::clicked, this, &TForm1::BitBtn3Click);
    connect(ui->SpeedButton4, &QPushButton::clicked, this, &TForm1::SpeedButton4Click);
    connect(ui->journalBtn, &QPushButton::clicked, this, &TForm1::journalBtnClick);
    connect(ui->ChangesBtn, &QPushButton::clicked, this, &TForm1::ChangesBtnClick);
    connect(ui->SearchEdit, &QLineEdit::textChanged, this, &TForm1::SearchEditChange);
    connect(ui->SearchEdit, &QLineEdit::returnPressed, this, &TForm1::SearchEditKeyDown);
    connect(ui->SpeedButton3, &QToolButton::clicked, this, &TForm1::SpeedButton3Click);
    connect(ui->SetsGrid, &QAbstractItemView::clicked, this, &TForm1::SetsGridClick);
    connect(ui->SetsGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { SetsGridClick(); });  // keyboard moves select like a click

    connect(ui->VersionCombo, &QComboBox::currentIndexChanged, this, &TForm1::VersionComboChange);
    connect(ui->balEnable, &QCheckBox::toggled, this, &TForm1::balEnableClick);
    connect(ui->sendSMS1Check, &QCheckBox::toggled, this, &TForm1::sendSMS1CheckClick);
    connect(ui->sendSMS2Check, &QCheckBox::toggled, this, &TForm1::sendSMS1CheckClick);
    connect(ui->allowUpdateCheck, &QCheckBox::toggled, this, &TForm1::allowUpdateCheckClick);
    connect(ui->allowParamsUpdate, &QCheckBox::toggled, this, &TForm1::allowUpdateCheckClick);
    connect(ui->defaultUpdSettings, &QPushButton::clicked, this, &TForm1::defaultUpdSettingsClick);
    connect(ui->UseSim1, &QCheckBox::toggled, this, &TForm1::UseSim1Click);
    connect(ui->UseSim2, &QCheckBox::toggled, this, &TForm1::UseSim2Click);
    connect(ui->UooTab, &QTabBar::currentChanged, this, &TForm1::UooTabChange);
    ConnectDeviceHandlers();
}

void TForm1::ConnectDeviceHandlers() {
    // Only what the user does writes the device buffer; showing a card sets these controls
    // without touching it.
    connect(ui->uoTypeCombo, &QComboBox::activated, this, &TForm1::uoTypeComboChange);
    connect(ui->CodeUoo, &QLineEdit::textEdited, this, &TForm1::CodeUooChange);
    connect(ui->numLine, &QLineEdit::textEdited, this, &TForm1::numLineChange);
    for (int loop = 0; loop < 6; ++loop)
        connect(editor_->Cord(loop), &QComboBox::activated, this,
                [this, loop] { CordChange(loop); });
    connect(ui->uoIndicCheck, &QCheckBox::clicked, this, &TForm1::uoIndicCheckClick);
    connect(ui->uoBatteryCheck, &QCheckBox::clicked, this, &TForm1::uoBatteryCheckClick);
    connect(ui->fireWoGuard, &QCheckBox::clicked, this, &TForm1::fireWoGuardClick);
}

void TForm1::FillCardGrid() {
    // Missing or short contents are silent; a file that is there but cannot be read ends
    // the start with its error.
    database_->LoadDatabase();
    if (database_->LastLoadState() == CardDatabase::LoadState::CannotOpen)
        throw std::runtime_error(QStringLiteral("Не удается открыть файл базы данных %1")
                                     .arg(QString::fromStdString(database_->LoadedFile().string()))
                                     .toStdString());
    gridModel_->RefreshAll();
    ui->SetsGrid->setCurrentIndex(gridModel_->index(0, 0));
    SelectCard(CurrentGridRow());
}

int TForm1::CurrentGridRow() const {
    const QModelIndex current = ui->SetsGrid->currentIndex();
    return current.isValid() ? current.row() + 1 : 1;
}

void TForm1::RefreshCardRow() { RefreshCardRow(database_->SelectedIndex); }

void TForm1::RefreshCardRow(int slot) {
    if (slot < 0) return;
    gridModel_->RefreshRow(slot);
    // The identifiers on the form belong to the shown card only.
    if (slot != database_->SelectedIndex) return;
    const CardRecord& card = database_->cards[slot];
    const std::uint16_t id1 = card.ProgID1;
    const std::uint16_t id2 = card.ProgID2;
    ui->ProgID1->setText(ProgIdText(id1));
    ui->ProgID2->setText(ProgIdText(id2));
}

void TForm1::SelectCard(int row) {
    search_->ContinueAfter(row);
    if (row - 1 == database_->SelectedIndex) return;
    database_->SelectedIndex = row - 1;

    // A loop is never guard and fire at once: the guard bit wins and the repair is saved.
    CardRecord& card = database_->cards[row - 1];
    for (int i = 0; i < UoSlotCount; ++i) {
        const std::uint8_t both = card.UoGuardCords[i] & card.UoFireCords[i];
        if (both != 0) {
            card.UoFireCords[i] = card.UoFireCords[i] & ~both;
            SaveDatabase();
        }
    }
    editor_->LoadUoSlots(row - 1);
    ui->UooTab->setCurrentIndex(0);
    editor_->ShowCard(row - 1);
    ShowCardHistory();
}

void TForm1::ShowRow(int row) {
    const QModelIndex index = gridModel_->index(row - 1, 0);
    ui->SetsGrid->setCurrentIndex(index);
    ui->SetsGrid->scrollTo(index);
    SelectCard(row);
}

void TForm1::EditUnsavedCard(int row, const CardRecord& card) {
    ShowRow(row);
    editor_->EditUnsavedCard(card);
    // In place of the card's history, which it has none of yet, until the edit ends.
    ui->cardHistoryLabel->setText(QString::fromUtf8(NewCardHint));
}

void TForm1::SetsGridClick() { SelectCard(CurrentGridRow()); }

void TForm1::ExitBtnClick() { close(); }

void TForm1::ctrlBtnClick() {
    if (!form4_) return;
    // The cable of the programming operations, asked for only when several are attached.
    operations_->ChooseCable();
    form4_->UseCable(operations_->FtdiSerial());
    dialogs_.ShowModal(*form4_);
}

bool TForm1::SaveDatabase() {
    if (StoreDatabase()) return true;
    ReportWriteFailure();
    return false;
}

bool TForm1::StoreDatabase() {
    if (readOnly_) return true;  // changes stay in memory: another program writes this file
    lastWriteFailed_ = !database_->SaveDatabase();
    writeError_ = lastWriteFailed_ ? errno : 0;
    // Other names of the file keep the old database from now on: said once, at the split.
    if (!lastWriteFailed_ && !hardLinksTold_ && database_->LastLoadDetail().names > 1) {
        hardLinksTold_ = true;
        dialogs_.ShowMessage(this, QStringLiteral("Внимание"),
                             QString::fromUtf8(CardDatabase::HardLinksText));
    }
    return !lastWriteFailed_;
}

void TForm1::ReportWriteFailure() {
    ShowWriteError(dialogs_, this, database_->DatabasePath(), writeError_);
}

}  // namespace gsmprog
