// Preference storage: root resolution, value paths, the atomic save and the two loads, and the
// tessel_jit_storage_* services on top of them.
//
// Preference files are a trust boundary (a user can edit, replace or plant them): names are checked
// before any path is formed, saves never follow a planted symlink for the temporary file, loads read
// only regular files and never more than the value can hold.
#include "tessel_dynload/preferences.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

#include "tessel/jit.h"
#include "tessel/services.h"
#include "tessel_dynload/internal/preference_io.hpp"
#include "tessel_dynload/internal/tables.hpp"
#include "tessel_dynload/internal/text_bytes.hpp"
#include "tessel_dynload/internal/utf8.hpp"
#include "tessel_dynload/tessel_dynload.hpp"

namespace tessel {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t max_name_bytes = 63;
constexpr std::size_t i32_file_limit = 64;  // an i32 file of 64 bytes or more is not a value

internal::Table<std::optional<fs::path>>& configured_root() {
    static auto* table = new internal::Table<std::optional<fs::path>>("preference storage root mutex poisoned");
    return *table;
}

internal::Table<internal::PreferenceFileOps>& file_ops() {
    static auto* table = new internal::Table<internal::PreferenceFileOps>("preference file ops mutex poisoned");
    static bool initialised = [] {
        *table->lock() = internal::system_preference_file_ops();
        return true;
    }();
    (void)initialised;
    return *table;
}

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return std::nullopt;
    return std::string(value);
}

std::optional<fs::path> storage_root() {
    if (std::optional<fs::path> root = *configured_root().lock()) return root;
    if (auto dir = environment("TESSEL_STORAGE_DIR")) return fs::path(*dir);
    if (auto xdg = environment("XDG_DATA_HOME")) return fs::path(*xdg) / "TesselLang";
    if (auto home = environment("HOME")) return fs::path(*home) / ".local/share/TesselLang";
    return std::nullopt;
}

/** A file descriptor closed at the end of its scope. */
class Fd {
public:
    explicit Fd(int fd) noexcept : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const noexcept { return fd_; }
    bool valid() const noexcept { return fd_ >= 0; }

private:
    int fd_;
};

bool write_all(const internal::PreferenceFileOps& ops, int fd, std::string_view content) {
    std::size_t written = 0;
    while (written < content.size()) {
        const ssize_t n = ops.write(fd, content.data() + written, content.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

/** Reads at most limit bytes of the regular file at path; none when it cannot be read or holds more. */
std::optional<std::string> read_regular_file(const fs::path& path, std::size_t limit) {
    // Non-blocking so that a planted FIFO cannot stall the caller; only regular files are read.
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.valid()) return std::nullopt;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    if (info.st_size < 0 || static_cast<uint64_t>(info.st_size) > limit) return std::nullopt;
    // One byte more than the limit shows a file that grew since fstat.
    std::string content(static_cast<std::size_t>(info.st_size) + 1, '\0');
    std::size_t got = 0;
    while (got < content.size()) {
        const ssize_t n = ::read(fd.get(), content.data() + got, content.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    if (got > limit) return std::nullopt;
    content.resize(got);
    return content;
}

/** Parses a decimal i32: optional '+' or '-', one or more digits, nothing else. */
std::optional<int32_t> parse_i32(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    int64_t magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > int64_t{2147483648}) return std::nullopt;
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value > 2147483647) return std::nullopt;
    return static_cast<int32_t>(value);
}

/** The value path of two text ids, or none. */
std::optional<fs::path> value_path(int32_t ns, int32_t key, std::string_view kind) {
    const std::optional<std::string> ns_bytes = jit_text_arg_bytes(ns);
    const std::optional<std::string> key_bytes = jit_text_arg_bytes(key);
    if (!ns_bytes || !key_bytes) return std::nullopt;
    return preference_path(*ns_bytes, *key_bytes, kind);
}

}  // namespace

bool is_valid_preference_name(std::string_view name) noexcept {
    if (name.empty() || name.size() > max_name_bytes) return false;
    for (char c : name) {
        const bool ok =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
        if (!ok) return false;
    }
    return true;
}

void set_preference_storage_root(std::optional<fs::path> root) { *configured_root().lock() = std::move(root); }

std::optional<fs::path> preference_path(std::string_view ns, std::string_view key, std::string_view kind) {
    if (!is_valid_preference_name(ns) || !is_valid_preference_name(key)) return std::nullopt;
    // The kind becomes part of a file name: it must not name another directory.
    if (!internal::is_valid_utf8(kind) || kind.find('/') != std::string_view::npos ||
        kind.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    std::optional<fs::path> root = storage_root();
    if (!root) return std::nullopt;
    return *root / std::string(ns) / (std::string(key) + "." + std::string(kind));
}

namespace internal {

PreferenceFileOps system_preference_file_ops() noexcept {
    return {
        [](int dir, const char* name, int flags, mode_t mode) { return ::openat(dir, name, flags, mode); },
        [](int fd, const void* data, size_t size) { return ::write(fd, data, size); },
        [](int fd) { return ::fsync(fd); },
        [](int from_dir, const char* from, int to_dir, const char* to) {
            return ::renameat(from_dir, from, to_dir, to);
        },
    };
}

PreferenceFileOps replace_preference_file_ops(PreferenceFileOps ops) noexcept {
    auto locked = file_ops().lock();
    return std::exchange(*locked, ops);
}

bool save_preference_bytes(std::string_view ns, std::string_view key, std::string_view kind, std::string_view content) {
    const std::optional<fs::path> path = preference_path(ns, key, kind);
    if (!path) return false;
    const fs::path dir = path->parent_path();
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) return false;
    Fd dir_fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir_fd.valid()) return false;

    const PreferenceFileOps ops = *file_ops().lock();
    const std::string final_name = path->filename().native();
    const std::string temp_name = final_name + ".tmp";
    bool saved = false;
    {
        // Whatever sits at the temporary name (a stale file, a planted symlink) goes first.
        ::unlinkat(dir_fd.get(), temp_name.c_str(), 0);
        Fd file(
            ops.openat(dir_fd.get(), temp_name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
        saved = file.valid() && write_all(ops, file.get(), content) && ops.fsync(file.get()) == 0 &&
                ops.renameat(dir_fd.get(), temp_name.c_str(), dir_fd.get(), final_name.c_str()) == 0;
    }
    if (!saved) {
        ::unlinkat(dir_fd.get(), temp_name.c_str(), 0);
        return false;
    }
    ::fsync(dir_fd.get());  // makes the rename itself durable; the value is in place either way
    return true;
}

}  // namespace internal

}  // namespace tessel

using namespace tessel;

int32_t tessel_jit_storage_save_ascii(int32_t ns, int32_t key, int32_t text, int32_t length) noexcept {
    const std::optional<std::string> ns_bytes = jit_text_arg_bytes(ns);
    const std::optional<std::string> key_bytes = jit_text_arg_bytes(key);
    const std::optional<std::string> text_bytes = jit_text_arg_bytes(text);
    if (!ns_bytes || !key_bytes || !text_bytes) return 0;
    if (length < 0 || static_cast<std::size_t>(length) > text_bytes->size()) return 0;
    const std::string_view content(text_bytes->data(), static_cast<std::size_t>(length));
    if (!internal::is_printable_ascii(content)) return 0;
    return internal::save_preference_bytes(*ns_bytes, *key_bytes, "ascii", content) ? 1 : 0;
}

int32_t tessel_jit_storage_save_i32(int32_t ns, int32_t key, int32_t value) noexcept {
    const std::optional<std::string> ns_bytes = jit_text_arg_bytes(ns);
    const std::optional<std::string> key_bytes = jit_text_arg_bytes(key);
    if (!ns_bytes || !key_bytes) return 0;
    return internal::save_preference_bytes(*ns_bytes, *key_bytes, "i32", std::to_string(value) + "\n") ? 1 : 0;
}

int32_t tessel_jit_storage_load_ascii(int32_t ns, int32_t key, int32_t dest, int32_t capacity) noexcept {
    if (capacity < 1) return -1;
    const std::optional<std::filesystem::path> path = value_path(ns, key, "ascii");
    if (!path) return -1;
    const std::optional<std::string> content = read_regular_file(*path, static_cast<std::size_t>(capacity));
    if (!content || !internal::is_printable_ascii(*content)) return -1;
    for (std::size_t i = 0; i < content->size(); ++i) {
        tessel_jit_global_i32_array_store(dest, 0, static_cast<int32_t>(i), static_cast<uint8_t>((*content)[i]));
    }
    return static_cast<int32_t>(content->size());
}

int32_t tessel_jit_storage_load_i32(int32_t ns, int32_t key, int32_t fallback) noexcept {
    const std::optional<std::filesystem::path> path = value_path(ns, key, "i32");
    if (!path) return fallback;
    const std::optional<std::string> content = read_regular_file(*path, i32_file_limit - 1);
    if (!content || !internal::is_valid_utf8(*content)) return fallback;
    return parse_i32(internal::trim_unicode_white_space(*content)).value_or(fallback);
}
