// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything the main window asks or tells the user goes through this interface, so that the
// answers can be given by the code that drives the window (the tests) instead of a person.

#include <QString>

class QDialog;
class QWidget;

namespace gsmprog {

class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // A question with the buttons Yes and No and no icon; true when the answer is Yes.
    virtual bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) = 0;
    // The same question where Enter means No: for answers that lose a card or edits.
    virtual bool AskYesNoDefaultNo(QWidget* parent, const QString& caption, const QString& text) {
        return AskYesNo(parent, caption, text);
    }
    // A report with a single OK button and no icon.
    virtual void ShowMessage(QWidget* parent, const QString& caption, const QString& text) = 0;
    // The same with a detail under the text (e.g. the file and the system's reason).
    virtual void ShowMessageWithDetail(QWidget* parent, const QString& caption, const QString& text,
                                       const QString& detail) = 0;
    // The same with a button `actionText` beside OK offering the next step (e.g. checking the
    // cable); true when the user chose it. Without such a button the report is shown as is.
    virtual bool ShowMessageWithAction(QWidget* parent, const QString& caption, const QString& text,
                                       const QString& detail, const QString& actionText) {
        (void)actionText;
        ShowMessageWithDetail(parent, caption, text, detail);
        return false;
    }
    // The save-file dialog proposing `proposedName`: no file-type filter, no default extension,
    // no question before replacing a file. Empty when cancelled.
    virtual QString AskSaveFileName(QWidget* parent, const QString& proposedName) = 0;
    // A folder chosen in the standard folder dialog, starting at `start`; empty when cancelled
    // (as where no one is there to choose).
    virtual QString AskDirectory(QWidget* /*parent*/, const QString& /*caption*/,
                                 const QString& /*start*/) {
        return {};
    }
    // One line typed by the user, `proposed` in the edit at first; null when cancelled.
    virtual QString AskText(QWidget* parent, const QString& caption, const QString& label,
                            const QString& proposed) = 0;
    // Shows one of the program's own dialogs modally and returns when it is closed.
    virtual void ShowModal(QDialog& dialog) = 0;
};

// The dialogs a person answers: modal message boxes and the standard file and folder dialogs.
class QtUserDialogs final : public UserDialogs {
public:
    bool AskYesNo(QWidget* parent, const QString& caption, const QString& text) override;
    bool AskYesNoDefaultNo(QWidget* parent, const QString& caption, const QString& text) override;
    void ShowMessage(QWidget* parent, const QString& caption, const QString& text) override;
    void ShowMessageWithDetail(QWidget* parent, const QString& caption, const QString& text,
                               const QString& detail) override;
    bool ShowMessageWithAction(QWidget* parent, const QString& caption, const QString& text,
                               const QString& detail, const QString& actionText) override;
    QString AskSaveFileName(QWidget* parent, const QString& proposedName) override;
    QString AskDirectory(QWidget* parent, const QString& caption, const QString& start) override;
    QString AskText(QWidget* parent, const QString& caption, const QString& label,
                    const QString& proposed) override;
    void ShowModal(QDialog& dialog) override;
};

}  // namespace gsmprog
