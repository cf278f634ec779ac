// SPDX-FileCopyrightText: The gsmprog developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writes of user data that never leave a half-written file behind, nor a temporary one that
// outlives its writer. Every function that fails returns false with errno saying why.

#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <span>

namespace gsmprog {

struct ByteChunk {
    const void* data;
    std::size_t size;
};

// A file written aside in the directory of its final name, which it gets only once whole and
// synced. It has no name while it is written (O_TMPFILE) where the file system allows; elsewhere
// it is a hidden ".NAME.tmp-..." file locked by its writer, so that RemoveLeftovers can tell the
// leftover of a killed writer from a file still being written.
class AsideFile {
public:
    // `mode`: the access rights of the new file (the umask applies to them).
    AsideFile(const std::filesystem::path& target, mode_t mode);
    ~AsideFile();  // an unpublished file goes
    AsideFile(const AsideFile&) = delete;
    AsideFile& operator=(const AsideFile&) = delete;

    bool Opened() const { return fd_ >= 0; }
    int Descriptor() const { return fd_; }
    bool Write(std::span<const ByteChunk> chunks);
    // Syncs the file and gives it its final name, replacing a file of that name or, with
    // `replace` false, only when there is none (EEXIST otherwise); then syncs the directory.
    bool Publish(bool replace);

private:
    bool NameIt(const std::filesystem::path& name);

    std::filesystem::path target_;
    std::filesystem::path hiddenName_;  // empty while it has none
    int fd_ = -1;
};

// The file a write to `path` replaces or makes: symbolic links are followed so that the rename
// replaces the linked file, not the link (a link that leads nowhere is replaced itself).
std::filesystem::path ResolveLinks(const std::filesystem::path& path);

// Removes the hidden temporary files that no living writer holds any more: those of `target`
// and those of the files named after it (the copies a save keeps of it), on every file system.
void RemoveLeftovers(const std::filesystem::path& target);

// Replaces the regular file at `path` (or creates it) by the bytes of `chunks` through an
// AsideFile; the old file is untouched on failure. A symbolic link is followed, so the file
// it names is replaced, keeping its access rights. Refuses (EINVAL) a path naming anything
// but a regular file, without opening it (a named pipe would wait for a reader), and a file
// this process may not write (read-only, immutable).
bool ReplaceRegularFile(const std::filesystem::path& path, std::span<const ByteChunk> chunks);

// Whether ReplaceRegularFile of `size` bytes at `path` could succeed now, as far as can be told
// without writing it: the file may be replaced and the disk has the room.
bool CanReplaceRegularFile(const std::filesystem::path& path, std::size_t size);

// Keeps the file `from` under the new name `to` (never replacing an existing `to`): a second
// name for the same file where the file system allows, else a copy written aside, readable by
// no one the file is not.
bool KeepUnderNewName(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace gsmprog
