// Opening shared libraries at run time, and the no-replace rename of the file system.
#include "tessel_dynload/dynamic_library.hpp"

#include <dlfcn.h>
#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <system_error>
#include <utility>

namespace tessel {

Result<Library> Library::open(const std::filesystem::path& path) {
    // A bare file name means the working directory, never the loader's search path.
    const std::filesystem::path target = path.has_parent_path() ? path : std::filesystem::path(".") / path;
    void* handle = ::dlopen(target.c_str(), RTLD_NOW);
    if (handle == nullptr) {
        const char* message = ::dlerror();
        return Result<Library>::failure("failed to load dynamic library " + path.string() + ": " +
                                        (message != nullptr ? message : "unknown dynamic loader error"));
    }
    return Library(handle);
}

Library::Library(Library&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

Library& Library::operator=(Library&& other) noexcept {
    if (this != &other) {
        if (handle_ != nullptr) ::dlclose(handle_);
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

Library::~Library() {
    if (handle_ != nullptr) ::dlclose(handle_);
}

void* Library::find(const char* name) const noexcept { return handle_ != nullptr ? ::dlsym(handle_, name) : nullptr; }

Result<void*> Library::resolve(const char* name) const {
    if (handle_ == nullptr)
        return Result<void*>::failure(std::string("failed to resolve symbol ") + name + ": library is closed");
    ::dlerror();  // a stale message must not be taken for this lookup's
    void* address = ::dlsym(handle_, name);
    if (address != nullptr) return address;
    const char* message = ::dlerror();
    return Result<void*>::failure(std::string("failed to resolve symbol ") + name + ": " +
                                  (message != nullptr ? message : "null address"));
}

void Library::keep_open() noexcept { handle_ = nullptr; }

Status atomic_rename_no_replace(const std::filesystem::path& source, const std::filesystem::path& destination) {
    const std::string& from = source.native();
    const std::string& to = destination.native();
    if (from.find('\0') != std::string::npos) return Status::failure("recording source path contains NUL");
    if (to.find('\0') != std::string::npos) return Status::failure("recording destination path contains NUL");
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) {
        const std::string reason = std::error_code(errno, std::generic_category()).message();
        return Status::failure("atomic no-replace rename " + from + " -> " + to + " failed: " + reason);
    }
    return {};
}

}  // namespace tessel
