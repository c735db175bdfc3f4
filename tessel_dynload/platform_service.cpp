// The platform service channel: a bounded queue of requests from the compiled code to its host and of
// the host's responses. Fixed-size tables behind one mutex; the handler runs with the lock released.
#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "tessel/fnv1a.h"
#include "tessel/jit.h"
#include "tessel/services.h"
#include "tessel_dynload/internal/platform_service_reset.hpp"
#include "tessel_dynload/internal/tables.hpp"
#include "tessel_dynload/internal/text_bytes.hpp"
#include "tessel_dynload/internal/utf8.hpp"
#include "tessel_dynload/tessel_dynload.hpp"

using namespace tessel;

namespace {

constexpr int32_t capacity = TESSEL_PLATFORM_SERVICE_CAPACITY;
constexpr int32_t request_payload_max = TESSEL_PLATFORM_SERVICE_REQUEST_PAYLOAD_MAX;
constexpr int32_t response_payload_max = TESSEL_PLATFORM_SERVICE_RESPONSE_PAYLOAD_MAX;

/** Both tables, the last id and the handler. Responses are kept in arrival order. */
struct Channel {
    std::array<TesselPlatformServiceRequest, capacity> pending{};
    int32_t pending_count = 0;
    std::array<TesselPlatformServiceResponse, capacity> responses{};
    int32_t response_count = 0;
    uint64_t last_id = 0;
    TesselPlatformServiceHandler handler = nullptr;
    void* handler_context = nullptr;

    TesselPlatformServiceRequest* find_pending(uint64_t id) {
        for (int32_t i = 0; i < pending_count; ++i) {
            if (pending[static_cast<std::size_t>(i)].id == id) return &pending[static_cast<std::size_t>(i)];
        }
        return nullptr;
    }

    bool is_answered(const TesselPlatformServiceRequest& request) const {
        for (int32_t i = 0; i < response_count; ++i) {
            const TesselPlatformServiceResponse& r = responses[static_cast<std::size_t>(i)];
            if (r.kind == request.kind && r.operation == request.operation &&
                r.request_number == request.request_number)
                return true;
        }
        return false;
    }

    void clear() {
        pending_count = 0;
        response_count = 0;
        last_id = 0;
    }
};

internal::Table<Channel>& channel() {
    static auto* table = new internal::Table<Channel>("platform service mutex poisoned");
    return *table;
}

std::string_view view_of(const uint8_t* bytes, int32_t length) {
    return {reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length)};
}

}  // namespace

namespace tessel::internal {

void reset_platform_service_state() { channel().lock()->clear(); }

}  // namespace tessel::internal

int32_t tessel_platform_service_submit(int32_t kind, int32_t operation, int32_t request_number, const uint8_t* payload,
                                       int32_t length) noexcept {
    if (kind < 1 || operation < 1 || request_number < 1 || payload == nullptr) return -1;
    if (length < 1 || length > request_payload_max || !internal::is_printable_ascii(view_of(payload, length)))
        return -1;

    TesselPlatformServiceRequest request{};
    TesselPlatformServiceHandler handler = nullptr;
    void* context = nullptr;
    {
        auto locked = channel().lock();
        Channel& ch = *locked;
        for (int32_t i = 0; i < ch.pending_count; ++i) {
            if (ch.pending[static_cast<std::size_t>(i)].request_number == request_number) return -1;
        }
        if (ch.pending_count == capacity) return 0;
        uint64_t id = ch.last_id + 1;
        while (id == 0 || ch.find_pending(id) != nullptr) ++id;
        request.kind = kind;
        request.operation = operation;
        request.request_number = request_number;
        request.id = id;
        request.payload_length = length;
        std::memcpy(request.payload, payload, static_cast<std::size_t>(length));
        ch.pending[static_cast<std::size_t>(ch.pending_count++)] = request;
        ch.last_id = id;
        handler = ch.handler;
        context = ch.handler_context;
    }
    // A request the handler does not take is answered at once, so that none waits forever.
    const int32_t accepted = handler != nullptr ? handler(&request, context) : 0;
    if (accepted != 1) {
        const int32_t status =
            accepted == 0 ? TESSEL_PLATFORM_SERVICE_STATUS_DECLINED : TESSEL_PLATFORM_SERVICE_STATUS_FAILED;
        (void)tessel_platform_service_publish_response(request.id, status, 0, nullptr, 0);
    }
    return 1;
}

int32_t tessel_platform_service_publish_response(uint64_t id, int32_t status, int32_t code, const uint8_t* payload,
                                                 int32_t length) noexcept {
    if (id == 0 || status < 1 || status > 5 || length < 0 || length > response_payload_max) return -1;
    if (length > 0 && payload == nullptr) return -1;
    const std::string_view text = length > 0 ? view_of(payload, length) : std::string_view();
    if (!internal::is_valid_utf8(text) || text.find('\0') != std::string_view::npos) return -1;

    auto locked = channel().lock();
    Channel& ch = *locked;
    const TesselPlatformServiceRequest* request = ch.find_pending(id);
    // One response per request: it keeps the response table within its capacity.
    if (request == nullptr || ch.is_answered(*request) || ch.response_count == capacity) return -1;
    TesselPlatformServiceResponse& response = ch.responses[static_cast<std::size_t>(ch.response_count++)];
    response = TesselPlatformServiceResponse{};
    response.kind = request->kind;
    response.operation = request->operation;
    response.request_number = request->request_number;
    response.status = status;
    response.code = code;
    response.payload_length = length;
    response.char_count = static_cast<int32_t>(internal::utf8_scalar_count(text));
    if (!text.empty()) std::memcpy(response.payload, text.data(), text.size());
    response.payload[text.size()] = 0;
    return 1;
}

int32_t tessel_platform_service_poll(TesselPlatformServiceResponse* out, int32_t payload_capacity) noexcept {
    if (out == nullptr || payload_capacity < 0) return 0;
    auto locked = channel().lock();
    Channel& ch = *locked;
    if (ch.response_count == 0) return 0;
    const TesselPlatformServiceResponse oldest = ch.responses[0];
    if (oldest.payload_length > payload_capacity) return -1;
    *out = oldest;
    std::copy(ch.responses.begin() + 1, ch.responses.begin() + ch.response_count, ch.responses.begin());
    --ch.response_count;
    for (int32_t i = 0; i < ch.pending_count; ++i) {
        const TesselPlatformServiceRequest& r = ch.pending[static_cast<std::size_t>(i)];
        if (r.kind == oldest.kind && r.operation == oldest.operation && r.request_number == oldest.request_number) {
            std::copy(ch.pending.begin() + i + 1, ch.pending.begin() + ch.pending_count, ch.pending.begin() + i);
            --ch.pending_count;
            break;
        }
    }
    return 1;
}

void tessel_platform_service_set_handler(TesselPlatformServiceHandler handler, void* context) noexcept {
    auto locked = channel().lock();
    locked->handler = handler;
    locked->handler_context = context;
}

void tessel_platform_service_reset(void) noexcept { internal::reset_platform_service_state(); }

int32_t tessel_jit_platform_service_submit(int32_t kind, int32_t operation, int32_t request_number, int32_t text,
                                           int32_t length) noexcept {
    const std::optional<std::string> bytes = jit_text_arg_bytes(text);
    if (!bytes || length < 1 || static_cast<std::size_t>(length) > bytes->size()) return -1;
    const auto* payload = reinterpret_cast<const uint8_t*>(bytes->data());
    if (!internal::is_printable_ascii(view_of(payload, length))) return -1;
    return tessel_platform_service_submit(kind, operation, request_number, payload, length);
}

int32_t tessel_jit_platform_service_poll(int32_t header, int32_t header_capacity, int32_t text,
                                         int32_t payload_capacity) noexcept {
    if (header_capacity < 5 || payload_capacity < 1) return -1;
    const int32_t text_length = name_hash_extend(text, ".length");
    const int32_t text_chars = name_hash_extend(text, ".char_length");
    tessel_jit_global_i32_store(text_length, 0);
    tessel_jit_global_i32_store(text_chars, 0);

    TesselPlatformServiceResponse response;
    const int32_t polled = tessel_platform_service_poll(&response, payload_capacity);
    if (polled != 1) return polled;
    const int32_t words[5] = {response.kind, response.operation, response.request_number, response.status,
                              response.code};
    for (int32_t i = 0; i < 5; ++i) tessel_jit_global_i32_array_store(header, 0, i, words[i]);
    for (int32_t i = 0; i < response.payload_length; ++i)
        tessel_jit_global_i32_array_store(text, 0, i, response.payload[i]);
    tessel_jit_global_i32_store(text_length, response.payload_length);
    tessel_jit_global_i32_store(text_chars, response.char_count);
    return 1;
}
