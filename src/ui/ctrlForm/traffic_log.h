// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One traffic log of the control window: the lines "time > text" taken during a tick are
// shown together, the newest 10 000 are kept, and the context menu saves them to a file.

#include <QObject>
#include <QString>
#include <QStringList>

class QAction;
class QPlainTextEdit;

namespace gsmprog {

class UserDialogs;

class TrafficLog : public QObject {
    Q_OBJECT
public:
    static constexpr int MostLines = 10000;
    static constexpr const char* SaveActionText = "Сохранить в файл...";

    // `proposedName` is what the save dialog offers.
    TrafficLog(QPlainTextEdit& view, UserDialogs& dialogs, QString proposedName);

    void Add(const QString& time, const QString& text);
    // Shows the lines added since the last call.
    void Flush();
    void Clear();
    // Asks for a file name and writes the lines there as UTF-8 text.
    void Save();

private:
    void ShowMenu(const QPoint& at);

    QPlainTextEdit& view_;
    UserDialogs& dialogs_;
    const QString proposedName_;
    QStringList waiting_;
    QAction* save_ = nullptr;
};

// The current time of day in the regional long time format, without a time zone.
QString TimeOfDay();

}  // namespace gsmprog
