// Golden runs: long simulations hashed tick by tick. The arithmetic, its order and every threshold
// are part of the behaviour (walls, sounds and replays depend on them bit for bit), so any change of
// the numbers below must be a deliberate one.
#include <cstring>

#include "app/persist/persist.hpp"
#include "world_support.hpp"

namespace {

class Fnv {
public:
    void add(const void* data, size_t n) {
        const auto* p = static_cast<const uint8_t*>(data);
        for (size_t i = 0; i < n; ++i) hash_ = (hash_ ^ p[i]) * 16777619u;
    }
    void add_i32(int32_t v) { add(&v, sizeof v); }
    void add_f32(float v) { add(&v, sizeof v); }
    uint32_t value() const { return hash_; }

private:
    uint32_t hash_ = 2166136261u;
};

/** Runs the world for ticks ticks, hashing every marble position and every event of every tick. */
uint32_t run_and_hash(int32_t ticks) {
    Fnv h;
    for (int32_t t = 0; t < ticks; ++t) {
        events_clear();
        sim_step();
        for (int32_t i = 0; i < kMarbleCapacity; ++i) {
            h.add_i32(app_sim_marbles_active[i]);
            if (app_sim_marbles_active[i] == 0) continue;
            h.add_f32(app_sim_marbles_x[i]);
            h.add_f32(app_sim_marbles_y[i]);
        }
        h.add_i32(app_events_count);
        for (int32_t e = 0; e < app_events_count; ++e) {
            h.add_i32(app_events_items_sound[e]);
            h.add_i32(app_events_items_marble_kind[e]);
            h.add_i32(app_events_items_other_kind[e]);
            h.add_f32(app_events_items_strength[e]);
            h.add_f32(app_events_items_x[e]);
            h.add_f32(app_events_items_y[e]);
            h.add_i32(app_events_items_delay[e]);
            h.add_i32(app_events_items_piece[e]);
            h.add_i32(app_events_items_note[e]);
        }
    }
    return h.value();
}

/** A wall with every kind, flips, turns, a chime and a few marbles placed by hand. */
void build_test_wall() {
    wall_add_piece(kKindLongRamp, 330, 200, 6, 0, 0);
    wall_add_piece(kKindTurnaround, 584, 250, 0, 0, 0);
    wall_add_piece(kKindLongRamp, 380, 330, 354, 0, 0);
    wall_add_piece(kKindTurnaround, 126, 380, 0, 1, 0);
    wall_add_piece(kKindMapleRamp, 330, 460, 8, 0, 0);
    wall_add_piece(kKindSteelRail, 640, 540, 6, 0, 0);
    wall_add_piece(kKindPinCluster, 900, 470, 0, 0, 0);
    wall_add_piece(kKindChime, 1000, 640, 15, 0, 2);
    wall_add_piece(kKindFunnel, 1250, 400, 0, 0, 0);
    wall_add_piece(kKindClearChute, 1200, 560, 352, 1, 0);
    wall_add_piece(kKindWoodBlock, 1400, 660, 12, 0, 0);
    place_marble_at(900, 300);
    place_marble_at(905, 200);
    place_marble_at(1240, 250);
    place_marble_at(1260, 150);
}

TEST(GoldenRun, TestWallFor1200Ticks) {
    app_init();
    build_test_wall();
    const uint32_t hash = run_and_hash(1200);
    // Regenerate after a deliberate change of the simulation: run this test and copy the hash it prints.
    EXPECT_EQ(hash, 4172188682u) << "hash " << hash;
    EXPECT_EQ(app_sim_next_id, 12);  // 4 placed, 8 from the hopper
    EXPECT_EQ(app_sim_drained, 10);
}

TEST(GoldenRun, StarterWall0For1200TicksFromStartUp) {
    app_init();
    starter_wall_load(0);
    const uint32_t hash = run_and_hash(1200);
    // Regenerate after a deliberate change of the simulation or of starter wall 0: copy the printed hash.
    EXPECT_EQ(hash, 2809055533u) << "hash " << hash;
}

TEST(GoldenRun, RunsAreRepeatable) {
    app_init();
    build_test_wall();
    const uint32_t first = run_and_hash(300);
    app_init();
    build_test_wall();
    EXPECT_EQ(run_and_hash(300), first);
}

}  // namespace
