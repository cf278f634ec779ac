// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ctrlForm/traffic_log.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTime>
#include <algorithm>
#include <cerrno>
#include <memory>
#include <utility>

#include "cards/file_writes.h"
#include "ui/ctrlForm/log_scroll_bar.h"
#include "ui/main/regional_formats.h"
#include "ui/main/user_dialogs.h"
#include "ui/main/write_error.h"

namespace gsmprog {

TrafficLog::TrafficLog(QPlainTextEdit& view, UserDialogs& dialogs, QString proposedName)
    : QObject(&view), view_(view), dialogs_(dialogs), proposedName_(std::move(proposedName)) {
    view_.setUndoRedoEnabled(false);  // nobody edits a log; an undo history would only grow
    view_.setVerticalScrollBar(new LogScrollBar(Qt::Vertical));
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
    if (waiting_.size() > MostLines) waiting_.erase(waiting_.begin(), waiting_.end() - MostLines);
    QTextDocument& document = *view_.document();
    QScrollBar& bar = *view_.verticalScrollBar();
    const int top = bar.value();  // in lines: a log does not wrap them
    const bool following = top == bar.maximum();
    QTextCursor cursor(&document);
    // The oldest lines give way in an edit of their own, and the new ones go in with a cursor
    // that never asks for a layout: the document's own line limit and appendPlainText lay out
    // lines at both ends, and each such layout of a line narrower than the widest one
    // measures the whole log again.
    const int lines = document.isEmpty() ? 0 : document.blockCount();
    const int excess = std::max(0, lines + int(waiting_.size()) - MostLines);
    if (excess > 0) {
        cursor.beginEditBlock();
        const int keptFrom = excess < lines ? document.findBlockByNumber(excess).position()
                                            : document.characterCount() - 1;
        cursor.setPosition(keptFrom, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        cursor.endEditBlock();
    }
    const auto append = [&](const QString& text) {
        cursor.beginEditBlock();
        cursor.setPosition(document.characterCount() - 1);
        cursor.insertText(document.isEmpty() ? text : QLatin1Char('\n') + text);
        cursor.endEditBlock();
    };
    // Shown, a line per edit: the view repaints just the lines added, where an edit that adds
    // several lines makes it repaint all it shows; still one repaint a tick. Hidden, one edit,
    // which costs less.
    if (view_.isVisible()) {
        for (const QString& line : std::as_const(waiting_)) append(line);
    } else {
        append(waiting_.join(QLatin1Char('\n')));
    }
    waiting_.clear();
    // A log scrolled to its end follows the newest lines; one scrolled back keeps its lines
    // in view as the oldest give way.
    bar.setValue(following ? bar.maximum() : std::max(0, top - excess));
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
    if (!ReplaceRegularFile(file, {&chunk, 1}))
        ShowWriteError(dialogs_, view_.window(), file, errno);
}

void TrafficLog::ShowMenu(const QPoint& at) {
    std::unique_ptr<QMenu> menu(view_.createStandardContextMenu(at));
    menu->addSeparator();
    menu->addAction(save_);
    menu->exec(view_.viewport()->mapToGlobal(at));
}

QString TimeOfDay() {
    static const QString format = LongTimeFormat(RegionalLocale());
    return QTime::currentTime().toString(format);
}

}  // namespace gsmprog
