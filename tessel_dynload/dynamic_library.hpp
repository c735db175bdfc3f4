// Opening shared libraries at run time, and the no-replace rename of the file system.
#pragma once

#include <filesystem>
#include <string>

#include "tessel/export.h"
#include "tessel_dynload/result.hpp"

namespace tessel {

/** An open shared library; dropping the handle closes it. Move-only. */
class TESSEL_EXPORT Library {
public:
    /** Opens path with immediate symbol binding (dlopen with RTLD_NOW); a bare file name is taken
     *  relative to the working directory, never looked up on the loader's search path. Error: "failed
     *  to load dynamic library " + path + ": " + the loader's message, or "unknown dynamic loader
     *  error" when the loader gives none. */
    static Result<Library> open(const std::filesystem::path& path);

    Library(Library&& other) noexcept;
    Library& operator=(Library&& other) noexcept;
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    ~Library();

    /** Address of the symbol name, or null when the library lacks it. */
    void* find(const char* name) const noexcept;

    /** Address of the symbol name, or "failed to resolve symbol " + name + ": " + the loader's message
     *  (": null address" when the symbol's address is null). */
    Result<void*> resolve(const char* name) const;

    /** Gives up ownership: the library stays open for the life of the process. */
    void keep_open() noexcept;

private:
    explicit Library(void* handle) noexcept : handle_(handle) {}
    void* handle_ = nullptr;
};

/** Renames source to destination atomically, failing instead of replacing an existing destination
 *  (renameat2 with RENAME_NOREPLACE; relative paths are relative to the working directory). Errors:
 *  "recording source path contains NUL", "recording destination path contains NUL", and
 *  "atomic no-replace rename " + source + " -> " + destination + " failed: " + the system error text. */
TESSEL_EXPORT Status atomic_rename_no_replace(const std::filesystem::path& source,
                                              const std::filesystem::path& destination);

}  // namespace tessel
