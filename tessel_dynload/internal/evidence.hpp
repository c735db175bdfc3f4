// Internal to tessel_dynload: the seam-evidence recorder. While TESSEL_ASSET_EXTERN_SEAM_EVIDENCE
// names a file, the asset services append one line per call to it instead of reaching a provider:
// "tessel.asset_extern.v1", the service's short name, each argument and the fixed result, separated
// by tabs, then a newline. Text arguments are written as lowercase hexadecimal, integers in decimal.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace tessel::internal {

/** The evidence file named by TESSEL_ASSET_EXTERN_SEAM_EVIDENCE (read at every call), or null when
 *  evidence mode is off. */
const char* evidence_file() noexcept;

/** One recorded argument: text bytes (written as hex) or an integer. */
class EvidenceArg {
public:
    static EvidenceArg text(std::string_view bytes) noexcept { return EvidenceArg(bytes, 0, true); }
    EvidenceArg(int32_t value) noexcept : EvidenceArg({}, value, false) {}

    std::string_view bytes() const noexcept { return bytes_; }
    int32_t value() const noexcept { return value_; }
    bool is_text() const noexcept { return is_text_; }

private:
    EvidenceArg(std::string_view bytes, int32_t value, bool is_text) noexcept
        : bytes_(bytes), value_(value), is_text_(is_text) {}
    std::string_view bytes_;
    int32_t value_;
    bool is_text_;
};

/** Appends the line of one call to file (created with permissions 0666 when missing). False when the
 *  file cannot be opened (reported on standard error) or the line cannot be written. */
bool record_evidence(const char* file, std::string_view service, std::initializer_list<EvidenceArg> args,
                     std::string_view result);

}  // namespace tessel::internal
