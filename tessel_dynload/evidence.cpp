// The seam-evidence recorder of the asset services.
#include "tessel_dynload/internal/evidence.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>

#include "tessel_dynload/internal/text_bytes.hpp"

namespace tessel::internal {

const char* evidence_file() noexcept { return std::getenv("TESSEL_ASSET_EXTERN_SEAM_EVIDENCE"); }

bool record_evidence(const char* file, std::string_view service, std::initializer_list<EvidenceArg> args,
                     std::string_view result) {
    std::string line = "tessel.asset_extern.v1\t";
    line.append(service);
    for (const EvidenceArg& arg : args) {
        line.push_back('\t');
        line.append(arg.is_text() ? lowercase_hex(arg.bytes()) : std::to_string(arg.value()));
    }
    line.push_back('\t');
    line.append(result);
    line.push_back('\n');

    const int fd = ::open(file, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        const std::string reason = std::error_code(errno, std::generic_category()).message();
        std::fprintf(stderr, "asset extern seam recorder failed to open %s: %s\n", file, reason.c_str());
        return false;
    }
    // One write call per line keeps concurrent recorders from interleaving inside a line.
    std::size_t written = 0;
    bool ok = true;
    while (written < line.size()) {
        const ssize_t n = ::write(fd, line.data() + written, line.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) ok = false;
    return ok;
}

}  // namespace tessel::internal
