// Internal to tessel_dynload: the file operations of preference saves, replaceable so that tests can
// make each step fail, and the save itself on plain bytes.
#pragma once

#include <sys/types.h>

#include <string_view>

#include "tessel/export.h"

namespace tessel::internal {

/** The system calls a save makes, in the order it makes them. */
struct PreferenceFileOps {
    int (*openat)(int dir, const char* name, int flags, mode_t mode);
    ssize_t (*write)(int fd, const void* data, size_t size);
    int (*fsync)(int fd);
    int (*renameat)(int from_dir, const char* from, int to_dir, const char* to);
};

/** The operations of the real file system. */
TESSEL_EXPORT PreferenceFileOps system_preference_file_ops() noexcept;

/** Installs ops for every later save and returns the previous ones. For tests. */
TESSEL_EXPORT PreferenceFileOps replace_preference_file_ops(PreferenceFileOps ops) noexcept;

/** Saves content as the value (ns, key, kind): true when the new value is in place; otherwise the old
 *  value is untouched and no temporary file is left. */
TESSEL_EXPORT bool save_preference_bytes(std::string_view ns, std::string_view key, std::string_view kind,
                                         std::string_view content);

}  // namespace tessel::internal
