// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/journal/journal_window.h"

#include <QCheckBox>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "cards/file_writes.h"
#include "ops/journal_append.h"
#include "ops/journal_place.h"
#include "ops/journal_table.h"
#include "ui/journal/journal_entry_dialog.h"
#include "ui/main/screen_fit.h"
#include "ui/main/user_dialogs.h"
#include "ui/main/write_error.h"

namespace gsmprog {

namespace {
constexpr const char* Caption = "Журнал операций";
}  // namespace

JournalWindow::JournalWindow(UserDialogs& dialogs, std::filesystem::path databaseDirectory,
                             QWidget* parent)
    : QWidget(parent, Qt::Window),
      dialogs_(dialogs),
      directory_(std::move(databaseDirectory)),
      journal_(JournalFile(directory_)),
      model_(new JournalTableModel(this)),
      filterEdit_(new QLineEdit(this)),
      onlyCardCheck_(new QCheckBox(QStringLiteral("Только эта карточка"), this)),
      reloadButton_(new QPushButton(QStringLiteral("Обновить"), this)),
      exportButton_(new QPushButton(QStringLiteral("Экспорт в CSV..."), this)),
      view_(new QTableView(this)),
      countsLabel_(new QLabel(this)) {
    setWindowTitle(QString::fromUtf8(Caption));
    filterEdit_->setObjectName(QStringLiteral("filterEdit"));
    filterEdit_->setPlaceholderText(QStringLiteral("Фильтр"));
    filterEdit_->setClearButtonEnabled(true);
    onlyCardCheck_->setObjectName(QStringLiteral("onlyCardCheck"));
    onlyCardCheck_->setEnabled(false);
    reloadButton_->setObjectName(QStringLiteral("reloadButton"));
    exportButton_->setObjectName(QStringLiteral("exportButton"));
    countsLabel_->setObjectName(QStringLiteral("countsLabel"));

    view_->setObjectName(QStringLiteral("journalView"));
    view_->setModel(model_);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setWordWrap(false);
    view_->verticalHeader()->hide();
    // Fixed row heights and column widths: measuring 100 000 rows would cost more than reading
    // them.
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(view_->fontMetrics().height() + 6);
    view_->horizontalHeader()->setStretchLastSection(true);
    // Each column as wide as its title or a typical text, whichever is wider; the cable takes the
    // rest. A long message is cut in its middle, which keeps the reason at its end in view; the
    // tooltip holds it whole.
    view_->setTextElideMode(Qt::ElideMiddle);
    const char* const typical[] = {"07.12.2026 10:42",
                                   "Программирование",
                                   "остановлено",
                                   "не записан",
                                   "Программирование НЕ проведено!",
                                   "000000",
                                   "Склад «Север»",
                                   "1234 + 40000000",
                                   "2.5.1",
                                   "ivanov"};
    for (int column = 0; column < int(std::size(typical)); ++column) {
        const QString title =
            model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        const int width =
            std::max(view_->fontMetrics().horizontalAdvance(QString::fromUtf8(typical[column])),
                     view_->horizontalHeader()->fontMetrics().horizontalAdvance(title));
        view_->setColumnWidth(column, width + 12);
    }

    auto* top = new QHBoxLayout;
    top->addWidget(filterEdit_, 1);
    top->addWidget(onlyCardCheck_);
    top->addWidget(reloadButton_);
    top->addWidget(exportButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(view_, 1);
    layout->addWidget(countsLabel_);

    connect(filterEdit_, &QLineEdit::textChanged, this, &JournalWindow::ApplyFilter);
    connect(onlyCardCheck_, &QCheckBox::toggled, this, &JournalWindow::ApplyFilter);
    connect(reloadButton_, &QPushButton::clicked, this, &JournalWindow::Reload);
    connect(exportButton_, &QPushButton::clicked, this, &JournalWindow::ExportCsv);
    connect(view_, &QTableView::doubleClicked, this, &JournalWindow::ShowEntry);

    // As wide as its columns want where there is room; on a laptop at 125 % with a desktop's
    // panels, inside the work area with its title bar.
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    resize(std::min(1060, room.width()), std::min(540, ScreenRoomForWindow(*this)));
    Reload();
}

JournalWindow::~JournalWindow() {
    // The rows of a read still running are dropped with the window.
    stopReading_ = true;
    if (reader_.joinable()) reader_.join();
}

void JournalWindow::SetSelectedCard(int slot, const CardRecord& card) {
    model_->SetCard(slot, card);
    const QSignalBlocker blocker(onlyCardCheck_);
    if (slot < 0) onlyCardCheck_->setChecked(false);
    onlyCardCheck_->setEnabled(slot >= 0);
    ApplyFilter();
}

void JournalWindow::Reload() {
    if (Reading()) {
        readAgain_ = true;
        return;
    }
    // A journal of 100 000 entries takes about half a second to read and parse.
    reader_ = std::thread([this, journal = journal_] {
        auto read = std::make_shared<JournalTableModel::ReadRows>(
            JournalTableModel::Read(journal, &stopReading_));
        // Queued to the window's thread, which joins this one before the window is gone.
        QMetaObject::invokeMethod(
            this, [this, read] { ShowRead(std::move(*read)); }, Qt::QueuedConnection);
    });
    ShowCounts();
}

void JournalWindow::ShowRead(JournalTableModel::ReadRows&& read) {
    reader_.join();
    skipped_ = read.stats.skipped;
    readProblem_.clear();
    if (read.stats.error != 0 && read.stats.error != ENOENT)
        readProblem_ = ReadProblemText(read.stats.error);
    model_->Take(std::move(read));
    ShowCounts();
    if (readAgain_) {
        readAgain_ = false;
        Reload();
    }
}

QString JournalWindow::ReadProblemText(int error) const {
    return QStringLiteral("Журнал операций не прочитан (%1): %2")
        .arg(QFile::decodeName(journal_.c_str()), QString::fromLocal8Bit(std::strerror(error)));
}

void JournalWindow::ApplyFilter() {
    model_->SetFilter(filterEdit_->text(), onlyCardCheck_->isChecked());
    ShowCounts();
}

void JournalWindow::ShowCounts() {
    if (Reading()) {
        countsLabel_->setText(QStringLiteral("читается журнал…"));
        return;
    }
    QString text = QStringLiteral("Показано записей: %1 из %2")
                       .arg(model_->rowCount())
                       .arg(model_->EntryCount());
    if (skipped_ > 0)
        text += QStringLiteral("; ") + QString::fromStdString(SkippedEntriesText(skipped_));
    if (!readProblem_.isEmpty()) text = readProblem_;
    countsLabel_->setText(text);
}

void JournalWindow::ShowEntry(const QModelIndex& index) {
    if (!index.isValid()) return;
    // Only the row's texts are kept: the entry is read from its place, if it is still there.
    const PlacedEntry placed = ReadEntryAt(journal_, model_->PlaceAt(index.row()));
    if (!placed.entry) {
        dialogs_.ShowMessage(
            this, QString::fromUtf8(Caption),
            placed.error != 0 && placed.error != ENOENT
                ? ReadProblemText(placed.error)
                : QStringLiteral("Запись изменилась в журнале; нажмите «Обновить»."));
        return;
    }
    JournalEntryDialog dialog(*placed.entry, this);
    dialogs_.ShowModal(dialog);
}

void JournalWindow::ExportCsv() {
    const QString fileName = dialogs_.AskSaveFileName(
        this, QStringLiteral("Export_%1.CSV").arg(QFile::decodeName(journal_.filename().c_str())));
    if (fileName.isEmpty()) return;
    const std::filesystem::path path = QFile::encodeName(fileName).toStdString();
    if (RefuseProtectedOutput(dialogs_, this, path, directory_)) return;
    std::string text = JournalCsvLine(JournalColumnTitles());
    for (int row = 0; row < model_->rowCount(); ++row)
        text += JournalCsvLine(model_->TextsAt(row).Unpacked());
    const ByteChunk chunks[] = {{text.data(), text.size()}};
    if (!ReplaceRegularFile(path, chunks)) ShowWriteError(dialogs_, this, path, errno);
}

}  // namespace gsmprog
