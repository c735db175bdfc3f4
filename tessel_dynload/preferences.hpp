// Preference storage: small persistent values of the compiled code, one file per value under a
// storage root, <root>/<namespace>/<key>.<kind>, written through a temporary file, flushed to the
// device and renamed over the old value so that a reader never sees half of one. The C ABI for
// compiled code (tessel_jit_storage_*) is in include/tessel/services.h.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "tessel/export.h"
#include "tessel_dynload/dynamic_library.hpp"

namespace tessel {

/** Fixes the storage root (none: find it from the environment again). Every later call uses it. */
TESSEL_EXPORT void set_preference_storage_root(std::optional<std::filesystem::path> root);

/** The file of a value: the storage root (the configured one, else TESSEL_STORAGE_DIR, else
 *  XDG_DATA_HOME/TesselLang, else HOME/.local/share/TesselLang), the namespace directory, and
 *  key + "." + kind. None when there is no root, namespace or key break the rules (1 to 63 bytes of
 *  ASCII letters, digits, '_' and '-') or the kind is not a UTF-8 file name extension. */
TESSEL_EXPORT std::optional<std::filesystem::path> preference_path(std::string_view ns, std::string_view key,
                                                                   std::string_view kind);

/** True when name can be a namespace or key: 1 to 63 bytes of ASCII letters, digits, '_' and '-'. */
TESSEL_EXPORT bool is_valid_preference_name(std::string_view name) noexcept;

}  // namespace tessel
