// Internal to tessel_dynload: the search for the graphics runtime library, with its inputs explicit
// so that tests can lay out directories of their own, and the identity checks shared by the facade
// and the service binding.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tessel/export.h"
#include "tessel_dynload/dynamic_library.hpp"
#include "tessel_dynload/result.hpp"

namespace tessel::internal {

/** What the candidate search looks at. */
struct CandidateInputs {
    std::optional<std::filesystem::path> executable_dir;
    std::optional<std::string> library_path_env;  // TESSEL_RUNTIME_LIBRARY_PATH
    std::optional<std::string> dll_path_env;      // TESSEL_RUNTIME_DLL_PATH
    std::optional<std::filesystem::path> source_root;
};

/** The inputs of this process: its executable's directory, the environment, this build's source tree. */
CandidateInputs process_candidate_inputs();

/** The candidate paths for the given inputs, in search order. */
TESSEL_EXPORT std::vector<std::filesystem::path> runtime_library_candidate_paths_for(const CandidateInputs& inputs);

/** Reads the identity string function symbol of library: trimmed, non-empty UTF-8, or
 *  "incompatible tessel graphics runtime " + path + ": missing " / ": empty " + label, or
 *  ": " + label + " is not UTF-8". */
Result<std::string> read_graphics_identity_string(const Library& library, const std::filesystem::path& path,
                                                  const char* symbol, const char* label);

}  // namespace tessel::internal
