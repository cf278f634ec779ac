#include "modem_memory.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "checksums.h"

namespace gsmprog::vmodem {

namespace fs = std::filesystem;

namespace {
bool WriteAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Temp file in the same directory, fsync, rename over, fsync the directory.
bool ReplaceFile(const fs::path& file, const std::vector<std::uint8_t>& bytes, std::string& error) {
    const fs::path dir = file.has_parent_path() ? file.parent_path() : fs::path(".");
    std::string tmpl = (dir / (file.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
    if (!ok) error = std::strerror(errno);
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(tmpl.c_str(), file.c_str()) != 0) {
        error = std::strerror(errno);
        ok = false;
    }
    if (!ok) {
        ::unlink(tmpl.c_str());
        return false;
    }
    if (const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY); dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}
}  // namespace

bool IsValidImage(const std::vector<std::uint8_t>& image) {
    return (image.size() == 316 || image.size() == 444) &&
           Crc16(image.data(), image.size()) == 0;
}

ModemMemory::ModemMemory(fs::path imageFile) : imageFile_(std::move(imageFile)) {}

bool ModemMemory::Load(std::string& error) {
    std::error_code ec;
    if (imageFile_.empty() || !fs::exists(imageFile_, ec)) return true;
    std::ifstream in(imageFile_, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    if (!in.eof() && in.fail()) {
        error = "не удалось прочитать " + imageFile_.string();
        return false;
    }
    if (!IsValidImage(bytes)) {
        error = "в файле " + imageFile_.string() +
                " нет образа настроек (нужно 316 или 444 байта с верной CRC)";
        return false;
    }
    image_ = std::move(bytes);
    return true;
}

bool ModemMemory::Keep(const std::vector<std::uint8_t>& image, std::string& error) {
    image_ = image;
    if (imageFile_.empty()) return true;
    if (ReplaceFile(imageFile_, image, error)) return true;
    error = "не удалось записать " + imageFile_.string() + ": " + error;
    return false;
}

}  // namespace gsmprog::vmodem
