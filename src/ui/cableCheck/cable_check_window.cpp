// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/cableCheck/cable_check_window.h"

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextEdit>
#include <QVBoxLayout>
#include <cerrno>

#include "cards/file_writes.h"
#include "diag/debug_log.h"
#include "ops/journal_append.h"
#include "ops/support_report.h"
#include "ports/cable_check_text.h"
#include "program_version.h"
#include "ui/main/user_dialogs.h"
#include "ui/main/write_error.h"

namespace gsmprog {

namespace {

constexpr const char* Caption = "Проверка кабеля";
constexpr const char* ProposedReportName = "gsmprog-report.txt";
constexpr const char* LogNote =
    "Диагностический журнал этого запуска — в конце отчёта; байты, что прошли по кабелю, в нём "
    "скрыты, кроме слов протокола.";

// The check's text line by line; a verdict ("! …") stands out in bold red.
QString CheckHtml(const std::string& text) {
    QString html = QStringLiteral("<div style=\"white-space: pre-wrap\">");
    for (const QString& line :
         QString::fromStdString(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString escaped = line.toHtmlEscaped();
        html += line.startsWith(QLatin1String("! "))
                    ? QStringLiteral("<b style=\"color:#b00000\">%1</b><br>").arg(escaped)
                    : escaped + QStringLiteral("<br>");
    }
    return html + QStringLiteral("</div>");
}

}  // namespace

CableCheckWindow::CableCheckWindow(UserDialogs& dialogs, CheckPlaces places,
                                   std::filesystem::path databaseDirectory, QWidget* parent)
    : QDialog(parent),
      dialogs_(dialogs),
      places_(std::move(places)),
      databaseDirectory_(std::move(databaseDirectory)) {
    setWindowTitle(QString::fromUtf8(Caption));
    text_ = new QTextEdit(this);
    text_->setObjectName(QStringLiteral("checkText"));
    text_->setReadOnly(true);
    refresh_ = new QPushButton(QString::fromUtf8(RefreshText), this);
    refresh_->setObjectName(QStringLiteral("refreshButton"));
    save_ = new QPushButton(QString::fromUtf8(SaveReportText), this);
    save_->setObjectName(QStringLiteral("saveReportButton"));
    auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(refresh_);
    buttons->addWidget(save_);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addLayout(buttons);
    // Wide enough for the verdicts' lines, small enough for 1366x768 at 125 %.
    resize(760, 480);
    connect(refresh_, &QPushButton::clicked, this, &CableCheckWindow::Refresh);
    connect(save_, &QPushButton::clicked, this, &CableCheckWindow::SaveReport);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    Refresh();
}

CableCheckWindow::~CableCheckWindow() {
    // The check reads files only: it ends soon. Its text is then dropped with the window.
    if (worker_.joinable()) worker_.join();
}

bool CableCheckWindow::Busy() const { return !refresh_->isEnabled(); }

void CableCheckWindow::Refresh() {
    if (Busy()) return;
    text_->setPlainText(QStringLiteral("Проверка…"));
    RunAside([places = places_] { return CableCheckText(CheckCables(places)); },
             [this](const std::string& text) { ShowCheck(text); });
}

void CableCheckWindow::SaveReport() {
    if (Busy()) return;
    const QString fileName = dialogs_.AskSaveFileName(this, QString::fromUtf8(ProposedReportName));
    if (fileName.isEmpty()) return;
    const std::filesystem::path file = QFile::encodeName(fileName).toStdString();
    if (RefuseProtectedOutput(dialogs_, this, file, databaseDirectory_)) return;
    SupportReportInput input{std::string("gsmprog ") + ProgramVersion, LogNote, places_,
                             JournalFile(databaseDirectory_), DebugRingLines()};
    RunAside([input = std::move(input)] { return SupportReportText(input); },
             [this, file](const std::string& report) { WriteReport(file, report); });
}

void CableCheckWindow::RunAside(std::function<std::string()> work,
                                std::function<void(const std::string&)> done) {
    if (worker_.joinable()) worker_.join();
    refresh_->setEnabled(false);
    save_->setEnabled(false);
    setCursor(Qt::BusyCursor);
    worker_ = std::thread([this, work = std::move(work), done = std::move(done)] {
        std::string text = work();
        // Queued to the window's thread; dropped if the window is gone by then.
        QMetaObject::invokeMethod(
            this, [this, text = std::move(text), done] { Finished(text, done); },
            Qt::QueuedConnection);
    });
}

void CableCheckWindow::Finished(const std::string& text,
                                const std::function<void(const std::string&)>& done) {
    if (worker_.joinable()) worker_.join();
    refresh_->setEnabled(true);
    save_->setEnabled(true);
    unsetCursor();
    done(text);
}

void CableCheckWindow::ShowCheck(const std::string& text) { text_->setHtml(CheckHtml(text)); }

void CableCheckWindow::WriteReport(const std::filesystem::path& file, const std::string& report) {
    const ByteChunk chunk{report.data(), report.size()};
    if (!ReplaceRegularFile(file, {&chunk, 1})) {
        ShowWriteError(dialogs_, this, file, errno);
        return;
    }
    dialogs_.ShowMessage(
        this, QString::fromUtf8(Caption),
        QStringLiteral("Отчёт для поддержки сохранён в %1.").arg(QFile::decodeName(file.c_str())));
}

}  // namespace gsmprog
