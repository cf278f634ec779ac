#include "cards/error_text.h"

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
    case ENOLCK: return "файловая система не поддерживает блокировку файлов";
    case EBUSY:
    case ETXTBSY: return "файл занят";
    default: return "ошибка " + std::to_string(error) + " (" + std::strerror(error) + ")";
    }
}

}  // namespace gsmprog
