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

}  // namespace gsmprog
