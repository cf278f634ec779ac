#include "file_writes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <vector>

namespace gsmprog {

namespace {

bool WriteAll(int fd, const void* data, std::size_t size) {
    auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) return false;
        bytes += written;
        size -= std::size_t(written);
    }
    return true;
}

bool WriteChunks(int fd, std::span<const ByteChunk> chunks) {
    for (const ByteChunk& chunk : chunks)
        if (!WriteAll(fd, chunk.data, chunk.size)) return false;
    return true;
}

// A rename or a new name only lasts a power loss once the directory itself is synced.
// Some file systems refuse to sync a directory; the rename has happened all the same.
void SyncDirectory(const std::filesystem::path& directory) {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

std::filesystem::path DirectoryOf(const std::filesystem::path& path) {
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

// The file a path finally names: symbolic links are followed so that the rename replaces
// the linked file, not the link.
std::filesystem::path ResolveLinks(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, error))) return path;
    auto resolved = std::filesystem::weakly_canonical(path, error);
    return error ? path : resolved;
}

bool WriteInPlace(const std::filesystem::path& path, std::span<const ByteChunk> chunks) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return false;
    const bool written = WriteChunks(fd, chunks);
    return ::close(fd) == 0 && written;
}

int CreateTemporary(const std::filesystem::path& target, std::filesystem::path& temporary) {
    static std::atomic<unsigned> counter{0};
    const std::string base = "." + target.filename().string() + ".tmp-" + std::to_string(::getpid());
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = DirectoryOf(target) / (base + "-" + std::to_string(counter++));
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

bool WriteFileAtomically(const std::filesystem::path& path, std::span<const ByteChunk> chunks) {
    const std::filesystem::path target = ResolveLinks(path);
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) return WriteInPlace(target, chunks);
    // A rename needs only a writable directory: a file its owner made read-only would be
    // replaced all the same, where writing it in place is refused.
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return false;

    std::filesystem::path temporary;
    const int fd = CreateTemporary(target, temporary);
    if (fd < 0) return false;
    if (exists) ::fchmod(fd, old.st_mode & 07777);  // the replacement keeps the file's access rights
    bool ok = WriteChunks(fd, chunks) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncDirectory(DirectoryOf(target));
    return true;
}

bool CopyToNewFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (out < 0) {
        ::close(in);
        return false;
    }
    std::vector<char> buffer(1 << 20);
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        if (!WriteAll(out, buffer.data(), std::size_t(got))) {
            ok = false;
            break;
        }
    }
    ok = ok && ::fsync(out) == 0;
    ok = (::close(out) == 0) && ok;
    ::close(in);
    if (!ok) {
        ::unlink(to.c_str());
        return false;
    }
    SyncDirectory(DirectoryOf(to));
    return true;
}

}  // namespace gsmprog
