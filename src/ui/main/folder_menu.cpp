// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
// "Открыть папку базы…": the folder dialog on a click, the folders used last under its arrow.

#include <QMenu>

#include "ui/main/database_folders.h"
#include "ui/main/main.h"
#include "ui_main.h"
#include "ui/main/user_dialogs.h"

namespace gsmprog {

void TForm1::SetUpFolderButton() {
    auto* menu = new QMenu(ui->folderBtn);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        menu->clear();
        const QString current = FolderName(database_->Directory());
        for (const QString& folder : RecentFolders()) {
            QAction* recent = menu->addAction(FolderName(FolderPath(folder)));
            recent->setCheckable(true);
            recent->setChecked(recent->text() == current);
            connect(recent, &QAction::triggered, this,
                    [this, folder] { Q_EMIT FolderChosen(folder); });
        }
        menu->addSeparator();
        connect(menu->addAction(ui->folderBtn->text()), &QAction::triggered, this,
                &TForm1::folderBtnClick);
    });
    ui->folderBtn->setMenu(menu);
    connect(ui->folderBtn, &QToolButton::clicked, this, &TForm1::folderBtnClick);
}

void TForm1::folderBtnClick() {
    const QString folder =
        dialogs_.AskDirectory(this, QStringLiteral("Папка базы карточек"),
                              FolderText(AbsoluteFolder(database_->Directory())));
    if (!folder.isEmpty()) Q_EMIT FolderChosen(folder);
}

}  // namespace gsmprog
