// Where the graphics runtime library is looked for, and how it identifies its build.
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "tessel/build_identity.h"
#include "tessel/graphics.h"
#include "tessel_dynload/graphics_api.hpp"
#include "tessel_dynload/internal/graphics_search.hpp"
#include "tessel_dynload/internal/text_bytes.hpp"
#include "tessel_dynload/internal/utf8.hpp"

namespace tessel {

namespace fs = std::filesystem;

namespace {

constexpr const char* library_names[] = {TESSEL_GRAPHICS_LIBRARY_NAME, TESSEL_GRAPHICS_LIBRARY_ALT_NAME};
constexpr const char* build_subdirs[] = {"runtime/build/bin", "runtime/build/bin/Release", "runtime/build/bin/Debug"};
constexpr int parent_levels = 6;  // the executable's directory and five parents

// An identity string longer than this is not a fingerprint or release name; reading stops there.
constexpr std::size_t identity_string_limit = 4096;

void append_build_dirs(std::vector<fs::path>& out, const fs::path& base, bool only_existing) {
    for (const char* name : library_names) {
        for (const char* sub : build_subdirs) {
            fs::path candidate = base / sub / name;
            std::error_code ec;
            if (!only_existing || fs::exists(candidate, ec)) out.push_back(std::move(candidate));
        }
    }
}

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

}  // namespace

namespace internal {

CandidateInputs process_candidate_inputs() {
    CandidateInputs inputs;
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && exe.has_parent_path()) inputs.executable_dir = exe.parent_path();
    inputs.library_path_env = environment("TESSEL_RUNTIME_LIBRARY_PATH");
    inputs.dll_path_env = environment("TESSEL_RUNTIME_DLL_PATH");
    inputs.source_root = fs::path(TESSEL_BUILD_SOURCE_ROOT);
    return inputs;
}

std::vector<fs::path> runtime_library_candidate_paths_for(const CandidateInputs& inputs) {
    std::vector<fs::path> out;
    if (inputs.executable_dir) {
        for (const char* name : library_names) out.push_back(*inputs.executable_dir / name);
    }
    if (inputs.library_path_env) out.emplace_back(*inputs.library_path_env);
    if (inputs.dll_path_env) out.emplace_back(*inputs.dll_path_env);
    if (inputs.executable_dir) {
        fs::path dir = *inputs.executable_dir;
        for (int level = 0; level < parent_levels; ++level) {
            append_build_dirs(out, dir, false);
            if (!dir.has_parent_path() || dir.parent_path() == dir) break;
            dir = dir.parent_path();
        }
    }
    for (const char* name : library_names) out.emplace_back(name);
    if (inputs.source_root) append_build_dirs(out, *inputs.source_root, true);
    return out;
}

Result<std::string> read_graphics_identity_string(const Library& library, const fs::path& path, const char* symbol,
                                                  const char* label) {
    const std::string prefix = "incompatible tessel graphics runtime " + path.string() + ": ";
    using Fn = const char* (*)();
    auto fn = reinterpret_cast<Fn>(library.find(symbol));
    if (fn == nullptr) return Result<std::string>::failure(prefix + "missing " + label);
    const char* raw = fn();
    if (raw == nullptr) return Result<std::string>::failure(prefix + "empty " + label);
    const std::string_view text(raw, ::strnlen(raw, identity_string_limit));
    if (!is_valid_utf8(text)) return Result<std::string>::failure(prefix + label + " is not UTF-8");
    const std::string_view trimmed = trim_unicode_white_space(text);
    if (trimmed.empty()) return Result<std::string>::failure(prefix + "empty " + label);
    return std::string(trimmed);
}

}  // namespace internal

std::vector<fs::path> runtime_library_candidate_paths() {
    return internal::runtime_library_candidate_paths_for(internal::process_candidate_inputs());
}

bool is_verified_build_fingerprint(std::string_view text) {
    const std::string_view trimmed = internal::trim_unicode_white_space(text);
    if (trimmed.size() != 64) return false;
    for (char c : trimmed) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex) return false;
    }
    return true;
}

std::optional<std::string> compiled_build_fingerprint() {
    constexpr std::string_view compiled = TESSEL_BUILD_FINGERPRINT;
    if (!is_verified_build_fingerprint(compiled)) return std::nullopt;
    return std::string(internal::trim_unicode_white_space(compiled));
}

Status verify_graphics_runtime_abi(const Library& library, const fs::path& path) {
    using Fn = tessel_graphics_runtime_abi_version_fn;
    auto fn = reinterpret_cast<Fn>(library.find("tessel_graphics_runtime_abi_version"));
    const std::string prefix = "incompatible tessel graphics runtime " + path.string() + ": ";
    if (fn == nullptr) return Status::failure(prefix + "missing ABI version");
    const int32_t found = fn();
    if (found != graphics_runtime_abi_version) {
        return Status::failure(prefix + "expected ABI " + std::to_string(graphics_runtime_abi_version) + ", found " +
                               std::to_string(found));
    }
    return {};
}

namespace {

/** Opens path and runs the ABI check. */
Result<Library> open_checked(const fs::path& path) {
    auto library = Library::open(path);
    if (!library) return library;
    if (auto abi = verify_graphics_runtime_abi(library.value(), path); !abi)
        return Result<Library>::failure(abi.error());
    return library;
}

Result<std::string> read_one(const fs::path& path, const char* symbol, const char* label) {
    auto library = open_checked(path);
    if (!library) return Result<std::string>::failure(library.error());
    return internal::read_graphics_identity_string(library.value(), path, symbol, label);
}

}  // namespace

Status verify_graphics_runtime_build_fingerprint(const fs::path& path, std::string_view expected) {
    auto found = read_one(path, "tessel_graphics_build_fingerprint", "build fingerprint");
    if (!found) return Status::failure(found.error());
    const std::string_view want = internal::trim_unicode_white_space(expected);
    if (found.value() != want) {
        return Status::failure("toolchain build fingerprint mismatch: tessel is '" + std::string(want) + "' but " +
                               path.string() + " is '" + found.value() + "'");
    }
    return {};
}

Result<std::string> graphics_runtime_release_id(const fs::path& path) {
    return read_one(path, "tessel_graphics_release_id", "release identity");
}

Result<std::string> graphics_runtime_build_fingerprint(const fs::path& path) {
    return read_one(path, "tessel_graphics_build_fingerprint", "build fingerprint");
}

Result<GraphicsRuntimeIdentity> graphics_runtime_identity(const fs::path& path) {
    auto library = open_checked(path);
    if (!library) return Result<GraphicsRuntimeIdentity>::failure(library.error());
    auto fingerprint = internal::read_graphics_identity_string(
        library.value(), path, "tessel_graphics_build_fingerprint", "build fingerprint");
    if (!fingerprint) return Result<GraphicsRuntimeIdentity>::failure(fingerprint.error());
    auto release = internal::read_graphics_identity_string(library.value(), path, "tessel_graphics_release_id",
                                                           "release identity");
    if (!release) return Result<GraphicsRuntimeIdentity>::failure(release.error());
    return GraphicsRuntimeIdentity{std::move(fingerprint).value(), std::move(release).value()};
}

}  // namespace tessel
