// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The card database folders the window worked on, kept per user beside the window's place,
// the most recent first. A start from the desktop's menu opens the last one; the first time
// ~/gsmprog, made for the user alone: the cards hold SIM PINs and access-point passwords.

#include <QString>
#include <QStringList>
#include <filesystem>

namespace gsmprog {

inline constexpr int RecentFolderCount = 5;

// The folders, most recent first, as absolute paths.
QStringList RecentFolders();
// `folder` becomes the most recent one.
void RememberFolder(const std::filesystem::path& folder);
void ForgetFolder(const std::filesystem::path& folder);

struct MenuStartFolder {
    std::filesystem::path folder;
    // Why the folder meant is not the one opened; empty when it is.
    QString problem;
};
// The folder a start from the menu opens: the last one used; the first time ~/gsmprog, or
// the home folder when it holds a card database already (the menu used to start there).
MenuStartFolder FolderForMenuStart();

// A folder's path as Qt shows it, and back, in the system's file name encoding.
QString FolderText(const std::filesystem::path& folder);
std::filesystem::path FolderPath(const QString& folder);
// `folder` made absolute, as it is remembered and named.
std::filesystem::path AbsoluteFolder(const std::filesystem::path& folder);
// How the window names a folder: the home folder as "~".
QString FolderName(const std::filesystem::path& folder);
// "Папки базы карточек … нет": a folder that is not there (or is no folder) is named so.
QString MissingFolderText(const std::filesystem::path& folder);

}  // namespace gsmprog
