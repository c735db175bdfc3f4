// The platform service channel: submitting, the handler's answers, publishing, polling, capacity, and
// the module's text-id forms.
#include <array>
#include <cstring>
#include <thread>

#include "services_support.hpp"

namespace tessel::testing {
namespace {

const uint8_t* bytes(std::string_view text) { return reinterpret_cast<const uint8_t*>(text.data()); }
int32_t size_of(std::string_view text) { return static_cast<int32_t>(text.size()); }

int32_t submit(int32_t number, std::string_view payload = "get") {
    return tessel_platform_service_submit(3, 1, number, bytes(payload), size_of(payload));
}

int32_t publish(uint64_t id, int32_t status, std::string_view payload = "") {
    return tessel_platform_service_publish_response(id, status, 0, payload.empty() ? nullptr : bytes(payload),
                                                    size_of(payload));
}

std::optional<TesselPlatformServiceResponse> poll(int32_t capacity = 512) {
    TesselPlatformServiceResponse response{};
    const int32_t result = tessel_platform_service_poll(&response, capacity);
    if (result != 1) return std::nullopt;
    return response;
}

/** What the handler saw and how it answers. */
struct HandlerLog {
    std::vector<TesselPlatformServiceRequest> requests;
    int32_t answer = 1;
    bool publish_inside = false;
};

int32_t logging_handler(const TesselPlatformServiceRequest* request, void* context) {
    auto* log = static_cast<HandlerLog*>(context);
    log->requests.push_back(*request);
    if (log->publish_inside) {
        EXPECT_EQ(publish(request->id, 1, "inside"), 1);  // the lock is not held here
    }
    return log->answer;
}

class PlatformService : public ServicesTest {
protected:
    void SetUp() override {
        ServicesTest::SetUp();
        tessel_platform_service_reset();
        tessel_platform_service_set_handler(nullptr, nullptr);
    }
    void TearDown() override {
        tessel_platform_service_set_handler(nullptr, nullptr);
        tessel_platform_service_reset();
        ServicesTest::TearDown();
    }
};

TEST_F(PlatformService, WithoutAHandlerARequestIsDeclinedAtOnce) {
    EXPECT_EQ(submit(7, "open settings"), 1);
    auto response = poll();
    ASSERT_TRUE(response.has_value());
    EXPECT_EQ(response->kind, 3);
    EXPECT_EQ(response->operation, 1);
    EXPECT_EQ(response->request_number, 7);
    EXPECT_EQ(response->status, TESSEL_PLATFORM_SERVICE_STATUS_DECLINED);
    EXPECT_EQ(response->code, 0);
    EXPECT_EQ(response->payload_length, 0);
    EXPECT_EQ(response->char_count, 0);
    EXPECT_EQ(response->payload[0], 0);
    EXPECT_FALSE(poll().has_value());
    EXPECT_EQ(submit(7), 1);  // retired: the number is free again
}

TEST_F(PlatformService, TheHandlerAcceptsDeclinesOrFails) {
    HandlerLog log;
    tessel_platform_service_set_handler(&logging_handler, &log);
    EXPECT_EQ(submit(1, "a"), 1);
    ASSERT_EQ(log.requests.size(), 1u);
    EXPECT_EQ(log.requests[0].id, 1u);
    EXPECT_EQ(log.requests[0].payload_length, 1);
    EXPECT_EQ(log.requests[0].payload[0], 'a');
    EXPECT_FALSE(poll().has_value());  // accepted: the host answers later

    EXPECT_EQ(publish(1, 2, "h\xC3\xA9llo"), 1);
    auto answer = poll();
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->status, 2);
    EXPECT_EQ(answer->payload_length, 6);
    EXPECT_EQ(answer->char_count, 5);
    EXPECT_STREQ(reinterpret_cast<const char*>(answer->payload), "h\xC3\xA9llo");

    log.answer = 0;
    EXPECT_EQ(submit(2), 1);
    EXPECT_EQ(poll()->status, TESSEL_PLATFORM_SERVICE_STATUS_DECLINED);
    log.answer = 9;
    EXPECT_EQ(submit(3), 1);
    EXPECT_EQ(poll()->status, TESSEL_PLATFORM_SERVICE_STATUS_FAILED);

    log.answer = 1;
    log.publish_inside = true;
    EXPECT_EQ(submit(4), 1);
    auto inside = poll();
    ASSERT_TRUE(inside.has_value());
    EXPECT_EQ(inside->request_number, 4);
    EXPECT_EQ(inside->status, 1);
    EXPECT_FALSE(poll().has_value());  // one response per request, not a second one for declining
}

TEST_F(PlatformService, SubmitChecksItsArguments) {
    const std::string long_payload(129, 'p');
    const struct {
        const char* name;
        int32_t kind, operation, number;
        const uint8_t* payload;
        int32_t length;
    } cases[] = {
        {"kind 0", 0, 1, 1, bytes("x"), 1},           {"operation 0", 1, 0, 1, bytes("x"), 1},
        {"negative number", 1, 1, -1, bytes("x"), 1}, {"null payload", 1, 1, 1, nullptr, 1},
        {"empty payload", 1, 1, 1, bytes("x"), 0},    {"129 bytes", 1, 1, 1, bytes(long_payload), 129},
        {"tab", 1, 1, 1, bytes("a\tb"), 3},           {"non-ASCII", 1, 1, 1, bytes("\xC3\xA9"), 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tessel_platform_service_submit(c.kind, c.operation, c.number, c.payload, c.length), -1) << c.name;
    EXPECT_EQ(tessel_platform_service_submit(1, 1, 1, bytes(long_payload), 128), 1);
}

TEST_F(PlatformService, SixteenPendingRequestsFillTheTable) {
    HandlerLog log;
    tessel_platform_service_set_handler(&logging_handler, &log);
    for (int32_t n = 1; n <= 16; ++n) EXPECT_EQ(submit(n), 1);
    EXPECT_EQ(submit(17), 0);  // full
    EXPECT_EQ(submit(5), -1);  // pending number reused
    EXPECT_EQ(log.requests.back().id, 16u);

    EXPECT_EQ(publish(3, 1), 1);
    EXPECT_EQ(poll()->request_number, 3);
    EXPECT_EQ(submit(17), 1);  // room again; ids go on from the last one
    EXPECT_EQ(log.requests.back().id, 17u);
}

TEST_F(PlatformService, PublishChecksItsArguments) {
    HandlerLog log;
    tessel_platform_service_set_handler(&logging_handler, &log);
    ASSERT_EQ(submit(1), 1);
    const std::string long_payload(513, 'p');
    EXPECT_EQ(publish(0, 1), -1);
    EXPECT_EQ(publish(2, 1), -1);  // not pending
    EXPECT_EQ(publish(1, 0), -1);
    EXPECT_EQ(publish(1, 6), -1);
    EXPECT_EQ(publish(1, 1, long_payload), -1);
    EXPECT_EQ(tessel_platform_service_publish_response(1, 1, 0, nullptr, 3), -1);
    EXPECT_EQ(tessel_platform_service_publish_response(1, 1, 0, bytes("a\0b"), 3), -1);
    EXPECT_EQ(publish(1, 1, "\xC3\x28"), -1);
    EXPECT_EQ(publish(1, 5, std::string(512, 'p')), 1);
    EXPECT_EQ(publish(1, 1, "again"), -1);  // already answered
    EXPECT_EQ(poll()->payload_length, 512);
}

TEST_F(PlatformService, PollingTooSmallLeavesTheResponseQueued) {
    HandlerLog log;
    tessel_platform_service_set_handler(&logging_handler, &log);
    ASSERT_EQ(submit(1), 1);
    ASSERT_EQ(submit(2), 1);
    ASSERT_EQ(publish(2, 1, "second"), 1);
    ASSERT_EQ(publish(1, 1, "first!"), 1);

    TesselPlatformServiceResponse response{};
    EXPECT_EQ(tessel_platform_service_poll(&response, 5), -1);
    EXPECT_EQ(tessel_platform_service_poll(nullptr, 512), 0);
    EXPECT_EQ(tessel_platform_service_poll(&response, -1), 0);
    EXPECT_EQ(poll(6)->request_number, 2);  // arrival order, not request order
    EXPECT_EQ(poll(6)->request_number, 1);
    EXPECT_FALSE(poll().has_value());
}

TEST_F(PlatformService, ResetDropsEverythingAndRestartsIds) {
    HandlerLog log;
    tessel_platform_service_set_handler(&logging_handler, &log);
    ASSERT_EQ(submit(1), 1);
    ASSERT_EQ(submit(2), 1);
    ASSERT_EQ(publish(1, 1), 1);
    tessel_platform_service_reset();
    EXPECT_FALSE(poll().has_value());
    EXPECT_EQ(publish(2, 1), -1);
    ASSERT_EQ(submit(2), 1);
    EXPECT_EQ(log.requests.back().id, 1u);

    clear_registered_global_memory();  // clearing the registry resets the channel too
    EXPECT_EQ(publish(1, 1), -1);
}

int32_t answering_handler(const TesselPlatformServiceRequest* request, void*) {
    const std::string payload = std::to_string(request->request_number);
    return publish(request->id, 1, payload) == 1 ? 1 : 5;
}

TEST_F(PlatformService, ThreadsSubmitWhileTheHostAnswersAndPolls) {
    tessel_platform_service_set_handler(&answering_handler, nullptr);
    constexpr int32_t per_thread = 300;
    std::vector<std::thread> submitters;
    for (int32_t t = 0; t < 2; ++t) {
        submitters.emplace_back([t] {
            for (int32_t n = 1; n <= per_thread; ++n) {
                const int32_t number = t * per_thread + n;
                while (submit(number) == 0) std::this_thread::yield();  // full: wait for the poller
            }
        });
    }
    std::vector<bool> seen(2 * per_thread + 1, false);
    for (int32_t received = 0; received < 2 * per_thread;) {
        if (auto response = poll()) {
            EXPECT_EQ(response->status, 1);
            EXPECT_EQ(std::to_string(response->request_number), reinterpret_cast<const char*>(response->payload));
            EXPECT_FALSE(seen[static_cast<std::size_t>(response->request_number)]);
            seen[static_cast<std::size_t>(response->request_number)] = true;
            ++received;
        } else {
            std::this_thread::yield();
        }
    }
    for (std::thread& submitter : submitters) submitter.join();
    EXPECT_FALSE(poll().has_value());
}

TEST_F(PlatformService, TheModuleSubmitsTextAndPollsIntoItsState) {
    std::array<int32_t, 5> header{};
    std::array<int32_t, 32> text{};
    int32_t length = 77, char_length = 77;
    const int32_t header_name = name_hash("app.platform.header");
    const int32_t text_name = name_hash("app.platform.text");
    tessel_jit_register_global_i32_array(header_name, 0, header.data(), 5);
    tessel_jit_register_global_i32_array(text_name, 0, text.data(), 32);
    tessel_jit_register_global_i32_ptr(name_hash_extend(text_name, ".length"), &length);
    tessel_jit_register_global_i32_ptr(name_hash_extend(text_name, ".char_length"), &char_length);

    const int32_t payload = literal("share\twall|MW2");
    EXPECT_EQ(tessel_jit_platform_service_submit(2, 4, 9, payload, 5), 1);
    EXPECT_EQ(tessel_jit_platform_service_submit(2, 4, 10, payload, 6), -1);  // the tab
    EXPECT_EQ(tessel_jit_platform_service_submit(2, 4, 10, payload, 0), -1);
    EXPECT_EQ(tessel_jit_platform_service_submit(2, 4, 10, payload, 15), -1);  // longer than the text
    EXPECT_EQ(tessel_jit_platform_service_submit(2, 4, 10, 5150, 1), -1);

    EXPECT_EQ(tessel_jit_platform_service_poll(header_name, 4, text_name, 32), -1);
    EXPECT_EQ(tessel_jit_platform_service_poll(header_name, 5, text_name, 0), -1);
    EXPECT_EQ(length, 77);  // bad arguments touch nothing

    EXPECT_EQ(tessel_jit_platform_service_poll(header_name, 5, text_name, 32), 1);
    EXPECT_EQ(header, (std::array<int32_t, 5>{2, 4, 9, TESSEL_PLATFORM_SERVICE_STATUS_DECLINED, 0}));
    EXPECT_EQ(length, 0);
    EXPECT_EQ(char_length, 0);

    HandlerLog log;
    tessel_platform_service_set_handler(&logging_handler, &log);
    EXPECT_EQ(tessel_jit_platform_service_submit(2, 4, 11, payload, 5), 1);
    ASSERT_EQ(publish(log.requests.back().id, 1, "caf\xC3\xA9"), 1);
    length = char_length = 77;
    EXPECT_EQ(tessel_jit_platform_service_poll(header_name, 5, text_name, 3), -1);  // 5 bytes waiting
    EXPECT_EQ(length, 0);                                                           // zeroed first
    EXPECT_EQ(tessel_jit_platform_service_poll(header_name, 5, text_name, 32), 1);
    EXPECT_EQ(header[2], 11);
    EXPECT_EQ(length, 5);
    EXPECT_EQ(char_length, 4);
    EXPECT_EQ((std::array{text[0], text[3], text[4]}), (std::array{int32_t{'c'}, 0xC3, 0xA9}));
    EXPECT_EQ(tessel_jit_platform_service_poll(header_name, 5, text_name, 32), 0);
}

}  // namespace
}  // namespace tessel::testing
