// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Ошибка записи на диск" as the windows show it: the specified caption and text, and under
// them the file and the system's reason, so a full disk is told from a read-only stick.

#include <filesystem>

class QWidget;

namespace gsmprog {

class UserDialogs;

// `error` is the errno value the failed write left.
void ShowWriteError(UserDialogs& dialogs, QWidget* parent, const std::filesystem::path& file,
                    int error);

// Before a save the user chose: true, with the reason shown, when `file` is a file of the card
// database of `databaseDirectory` (empty: the current one), which the save would destroy.
bool RefuseProtectedOutput(UserDialogs& dialogs, QWidget* parent, const std::filesystem::path& file,
                           const std::filesystem::path& databaseDirectory = {});

}  // namespace gsmprog
