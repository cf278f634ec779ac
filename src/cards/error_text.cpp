// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cards/error_text.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace gsmprog {

std::string ErrorText(int error) {
    switch (error) {
    case EACCES: return "нет прав на запись";
    case EPERM: return "изменение запрещено (файл или каталог защищён от изменений)";
    case EROFS: return "файловая система доступна только для чтения";
    case ENOSPC: return "на диске нет места";
    case EDQUOT: return "исчерпана дисковая квота";
    case EFBIG: return "файл больше допустимого размера";
    case EIO: return "ошибка ввода-вывода";
    case ENOENT: return "нет такого каталога";
    case EISDIR: return "это каталог";
    case EINVAL: return "это не обычный файл";
    // A folder that takes no new files, such as those of /proc and /sys.
    case EOPNOTSUPP: return "в этом каталоге файлы создавать нельзя";
    case ELOOP: return "символические ссылки замкнуты в кольцо";
    case ENAMETOOLONG: return "слишком длинное имя";
    case EMEDIUMTYPE: return "ссылка ведёт к файлу, который не является базой карточек";
    case ENOLCK: return "файловая система не поддерживает блокировку файлов";
    case EBUSY:
    case ETXTBSY: return "файл занят";
    default: return "ошибка " + std::to_string(error) + " (" + std::strerror(error) + ")";
    }
}

std::string ReadErrorText(int error) {
    switch (error) {
    case EACCES: return "нет прав доступа";
    case ENOENT: return "нет такого файла или каталога";
    case ENOTDIR: return "это не каталог";
    default: return ErrorText(error);
    }
}

namespace {

// Whether `file` is there and is no regular file: then EINVAL meant that.
template <typename Text>
std::string FileText(const std::filesystem::path& file, int error, Text text) {
    struct stat info {};
    if (error == EINVAL && ::stat(file.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        return "это " + FileKindText(info.st_mode) + ", а не обычный файл";
    return text(error);
}

}  // namespace

std::string ErrorText(const std::filesystem::path& file, int error) {
    return FileText(file, error, [](int e) { return ErrorText(e); });
}

std::string ReadErrorText(const std::filesystem::path& file, int error) {
    return FileText(file, error, [](int e) { return ReadErrorText(e); });
}

std::string FileKindText(unsigned mode) {
    if (S_ISDIR(mode)) return "каталог";
    if (S_ISFIFO(mode)) return "именованный канал";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "устройство";
    if (S_ISSOCK(mode)) return "сокет";
    if (S_ISLNK(mode)) return "символическая ссылка";
    return "особый файл";
}

}  // namespace gsmprog
