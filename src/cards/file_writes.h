#pragma once
// Writes of user data that never leave a half-written file behind.

#include <cstddef>
#include <filesystem>
#include <span>

namespace gsmprog {

struct ByteChunk {
    const void* data;
    std::size_t size;
};

// Replaces the file at `path` by the bytes of `chunks`, one after the other: they go to a
// temporary file in the same directory, which is flushed, synced and renamed over `path`,
// then the directory is synced. False when anything fails; the old file is then untouched.
// A symbolic link is followed, so the file it names is replaced; a path naming something
// other than a regular file (a terminal, a pipe) is written in place. A file this process may
// not write (read-only) is refused, as writing it in place would be.
bool WriteFileAtomically(const std::filesystem::path& path, std::span<const ByteChunk> chunks);

// Copies `from` to the new file `to` and syncs it. Never replaces an existing `to`: false when
// `to` exists or anything fails (a partial `to` is removed again).
bool CopyToNewFile(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace gsmprog
