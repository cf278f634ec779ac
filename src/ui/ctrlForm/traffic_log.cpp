#include "ui/ctrlForm/traffic_log.h"

#include <QAction>
#include <QFile>
#include <QLocale>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTime>
#include <cerrno>
#include <memory>

#include "cards/file_writes.h"
#include "ui/main/user_dialogs.h"
#include "ui/main/write_error.h"

namespace gsmprog {

TrafficLog::TrafficLog(QPlainTextEdit& view, UserDialogs& dialogs, QString proposedName)
    : QObject(&view), view_(view), dialogs_(dialogs), proposedName_(std::move(proposedName)) {
    view_.setMaximumBlockCount(MostLines);
    view_.setUndoRedoEnabled(false);   // nobody edits a log; an undo history would only grow
    save_ = new QAction(QString::fromUtf8(SaveActionText), &view_);
    connect(save_, &QAction::triggered, this, &TrafficLog::Save);
    view_.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&view_, &QWidget::customContextMenuRequested, this, &TrafficLog::ShowMenu);
}

void TrafficLog::Add(const QString& time, const QString& text) {
    waiting_ << time + QStringLiteral(" > ") + text;
}

void TrafficLog::Flush() {
    if (waiting_.isEmpty()) return;
    // One append per tick: a chatty modem costs one layout pass, not one per line.
    view_.appendPlainText(waiting_.join(QLatin1Char('\n')));
    waiting_.clear();
}

void TrafficLog::Clear() {
    waiting_.clear();
    view_.clear();
}

void TrafficLog::Save() {
    const QString fileName = dialogs_.AskSaveFileName(view_.window(), proposedName_);
    if (fileName.isEmpty()) return;
    QByteArray text = view_.toPlainText().toUtf8();
    if (!text.isEmpty()) text += '\n';
    const ByteChunk chunk{text.constData(), std::size_t(text.size())};
    const std::filesystem::path file = QFile::encodeName(fileName).toStdString();
    if (RefuseProtectedOutput(dialogs_, view_.window(), file)) return;
    if (!WriteFileAtomically(file, {&chunk, 1})) ShowWriteError(dialogs_, view_.window(), file, errno);
}

void TrafficLog::ShowMenu(const QPoint& at) {
    std::unique_ptr<QMenu> menu(view_.createStandardContextMenu(at));
    menu->addSeparator();
    menu->addAction(save_);
    menu->exec(view_.viewport()->mapToGlobal(at));
}

QString TimeOfDay() {
    static const QString format = [] {
        // A system without regional settings (the C locale) gets the Russian format.
        QLocale locale = QLocale::system();
        if (locale.language() == QLocale::C) locale = QLocale(QLocale::Russian, QLocale::Russia);
        QString long_ = locale.timeFormat(QLocale::LongFormat);
        long_.remove(QLatin1Char('t'));
        return long_.trimmed();
    }();
    return QTime::currentTime().toString(format);
}

}  // namespace gsmprog
