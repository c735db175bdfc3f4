// The state table: agreement with the list of globals, the registration counts and order, and what
// binding leaves in the runtime registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "app/state/state.hpp"
#include "tessel/jit.h"
#include "tessel_dynload/tessel_dynload.hpp"

namespace {

using state::Global;
using state::Kind;
using state::Type;

std::string type_name(Type t) {
    switch (t) {
        case Type::i32: return "i32";
        case Type::f32: return "f32";
        case Type::u8: return "u8";
    }
    return "?";
}

TEST(StateTable, MatchesTheListOfGlobals) {
    std::ifstream in(TESSEL_SOURCE_DIR "/../shared/state-globals.tsv");
    if (!in) GTEST_SKIP() << "state-globals.tsv is not beside the checkout";
    std::map<std::string, std::string> expected;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#' || line.starts_with("kind\t")) continue;
        std::istringstream cols(line);
        std::string kind, path, type, cap, flag, record;
        std::getline(cols, kind, '\t');
        std::getline(cols, path, '\t');
        std::getline(cols, type, '\t');
        std::getline(cols, cap, '\t');
        std::getline(cols, flag, '\t');
        std::getline(cols, record, '\t');
        expected[path] = kind + " " + type + " " + cap + " " + flag + " " + record;
    }
    std::map<std::string, std::string> actual;
    for (const Global& g : state::globals) {
        actual[std::string(g.path)] = std::string(g.kind == Kind::array ? "array" : "scalar") + " " +
            type_name(g.type) + " " + std::to_string(g.capacity) + " " + (g.is_bool ? "bool" : "") + " " +
            std::string(g.record);
    }
    EXPECT_EQ(actual, expected);
}

TEST(StateTable, RegistersTheDocumentedCounts) {
    std::map<std::string, int> counts;
    int length_pairs = 0;
    for (const Global& g : state::globals) {
        counts[std::string(g.kind == Kind::array ? "array " : "scalar ") + type_name(g.type)] += 1;
        if (g.path.ends_with(".max_length")) ++length_pairs;
    }
    EXPECT_EQ(counts["array i32"], 80);
    EXPECT_EQ(counts["array f32"], 88);
    EXPECT_EQ(counts["array u8"], 3);
    EXPECT_EQ(counts["scalar i32"], 291);
    EXPECT_EQ(counts["scalar f32"], 123);
    EXPECT_EQ(counts["scalar u8"], 0);
    EXPECT_EQ(length_pairs, 75);
}

TEST(StateTable, RegistrationOrderPutsHostAndStreamFirstThenPaths) {
    auto order = state_registration_order();
    ASSERT_EQ(order.size(), state::global_count);
    const char* first[] = {"host_i32", "host_f32", "gfx_cmd_i32", "gfx_cmd_f32", "gfx_cmd_u8",
                           "host_req_seq", "host_req_flags", "host_req_window_w_px", "host_req_window_h_px"};
    for (std::size_t i = 0; i < std::size(first); ++i) EXPECT_EQ(order[i]->path, first[i]) << i;
    std::set<const Global*> seen(order.begin(), order.end());
    EXPECT_EQ(seen.size(), order.size());
    std::size_t i = std::size(first);
    for (; i < order.size() && order[i]->kind == Kind::array; ++i) {
        if (i > std::size(first)) {
            EXPECT_LT(order[i - 1]->path, order[i]->path);
        }
    }
    for (std::size_t j = i; j < order.size(); ++j) {
        EXPECT_EQ(order[j]->kind, Kind::scalar) << order[j]->path;
        if (j > i) {
            EXPECT_LT(order[j - 1]->path, order[j]->path);
        }
    }
}

TEST(StateTable, MaxLengthStartsAtCapacity) {
    EXPECT_EQ(app_sim_marbles_max_length, 24);
    EXPECT_EQ(app_persist_code_max_length, 1800);
    EXPECT_EQ(gfx_cmd_i32_max_length, 67888);
    EXPECT_EQ(app_persist_code_length, 0);
    EXPECT_EQ(app_frame_keys_max_length, 512);
}

class Bound : public ::testing::Test {
protected:
    void SetUp() override {
        tessel::clear_registered_global_memory();
        state_bind_runtime_globals();
    }
};

TEST_F(Bound, EveryGlobalIsReachableByItsHash) {
    for (const Global& g : state::globals) {
        SCOPED_TRACE(std::string(g.path));
        if (g.kind == Kind::scalar) {
            int32_t name = tessel::name_hash(g.path);
            if (g.type == Type::f32) {
                *static_cast<float*>(g.address) = 1.5f;
                EXPECT_EQ(tessel_jit_global_f32_load(name), 1.5f);
            } else {
                int32_t old = *static_cast<int32_t*>(g.address);
                tessel_jit_global_i32_store(name, 77);
                EXPECT_EQ(*static_cast<int32_t*>(g.address), 77);
                *static_cast<int32_t*>(g.address) = old;
            }
            continue;
        }
        int32_t name = tessel::name_hash(g.record.empty() ? g.path : g.record);
        int32_t field = g.record.empty() ? 0 : tessel::name_hash(g.field);
        auto kind = g.type == Type::f32 ? TESSEL_JIT_F32 : g.type == Type::u8 ? TESSEL_JIT_U8 : TESSEL_JIT_I32;
        auto storage = tessel::registered_storage(kind, name, field);
        ASSERT_TRUE(storage.ok()) << storage.error();
        EXPECT_EQ(storage.value().address, g.address);
        EXPECT_EQ(storage.value().count, static_cast<std::size_t>(g.capacity));
    }
}

TEST_F(Bound, HostReadsInputAndRequestWordsThroughTheRegistry) {
    host_req_seq = 3;
    EXPECT_EQ(tessel_jit_global_i32_load(tessel::name_hash("host_req_seq")), 3);
    tessel_jit_global_i32_array_store(tessel::name_hash("host_i32"), 0, 7, 5);
    EXPECT_EQ(host_i32[7], 5);
    tessel_jit_global_f32_array_store(tessel::name_hash("host_f32"), 0, 50, 1600.0f);
    EXPECT_EQ(host_f32[50], 1600.0f);
    host_i32[7] = 0;
    host_f32[50] = 0;
    host_req_seq = 0;
}

TEST_F(Bound, EveryLiteralIsInTheTableOnceAndBindingTwiceKeepsOne) {
    state_bind_runtime_globals();
    std::set<int32_t> ids;
    for (std::string_view text : state::literals) {
        int32_t id = tessel::name_hash(text);
        EXPECT_TRUE(ids.insert(id).second) << "two literals share id " << id;
        auto value = tessel::jit_string_literal_value(id);
        ASSERT_TRUE(value.has_value()) << text;
        EXPECT_EQ(*value, text);
    }
    // The bytes of a literal are readable as a collection.
    int32_t slot4 = text_id("slot4");
    EXPECT_EQ(tessel_jit_collection_i32_load(slot4, TESSEL_COLLECTION_LENGTH), 5);
    EXPECT_EQ(tessel_jit_global_i32_array_load(slot4, 0, 1), 'l');
}

}  // namespace
