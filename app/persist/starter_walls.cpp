// The four starter walls, built by adding their parts to the wall.
#include <cstdint>
#include <span>

#include "app/persist/persist.hpp"
#include "app/world/world.hpp"

namespace {

struct StarterPart {
    float x, y;
    int32_t kind, angle, flipped, note;
};

struct StarterWall {
    int32_t name;
    int32_t subtitle;
    float hopper_x, hopper_y;
    std::span<const StarterPart> parts;
};

// Kinds: 0 ramp, 1 long ramp, 2 rail, 3 chute, 4 turnaround, 5 funnel, 6 chime, 7 block, 8 pins.
constexpr StarterPart kCascade[] = {
    {330, 200, 1, 6, 0, 0}, {584, 250, 4, 0, 0, 0},  {380, 330, 1, 354, 0, 0}, {126, 380, 4, 0, 1, 0},
    {350, 460, 1, 6, 0, 0}, {700, 560, 6, 15, 0, 0}, {880, 640, 6, 15, 0, 3},
};

constexpr StarterPart kChimeGarden[] = {
    {800, 230, 8, 0, 0, 0},   {640, 350, 0, 352, 0, 0}, {960, 350, 0, 8, 0, 0},
    {430, 450, 6, 345, 0, 1}, {1170, 450, 6, 15, 0, 4}, {300, 560, 7, 340, 0, 0},
    {1300, 560, 7, 20, 0, 0}, {200, 660, 6, 345, 0, 0}, {1400, 660, 6, 15, 0, 5},
};

constexpr StarterPart kWorkshop[] = {
    {300, 190, 2, 7, 0, 0},   {640, 300, 5, 0, 0, 0},   {770, 440, 3, 8, 0, 0},
    {1030, 590, 7, 12, 0, 0}, {1150, 640, 7, 12, 0, 0}, {1270, 690, 7, 12, 0, 0},
};

constexpr int32_t kEmptyWall = kStarterWallCount - 1;

const StarterWall kStarterWalls[kStarterWallCount] = {
    {text_id("Cascade"), text_id("Maple zigzag"), 150, 70, kCascade},
    {text_id("Chime garden"), text_id("Pins and bells"), 800, 70, kChimeGarden},
    {text_id("Workshop"), text_id("Steel, glass, wood"), 150, 70, kWorkshop},
    {text_id("Empty wall"), text_id("Start fresh"), 150, 70, {}},
};

/** Any index but 0, 1 or 2 is the empty wall. */
int32_t starter_index(int32_t index) { return index >= 0 && index < kEmptyWall ? index : kEmptyWall; }

}  // namespace

void starter_wall_load(int32_t index) {
    const int32_t loaded = starter_index(index);
    const StarterWall& wall = kStarterWalls[loaded];
    wall_clear_pieces();
    wall_set_size(0, 0);
    sim_clear_marbles();
    hopper_move(wall.hopper_x, wall.hopper_y);
    for (const StarterPart& part : wall.parts) {
        wall_add_piece(part.kind, part.x, part.y, part.angle, part.flipped, part.note);
    }
    app_wall_hopper_timer = app_wall_hopper_interval - 20;  // the first marble drips 20 ticks later
    // The panel highlights the wall that was loaded, so an unknown index shows the empty wall.
    app_ui_preset = loaded;
    app_wall_revision = wrap_add(app_wall_revision, 1);
}

int32_t starter_wall_name(int32_t index) { return kStarterWalls[starter_index(index)].name; }

int32_t starter_wall_subtitle(int32_t index) { return kStarterWalls[starter_index(index)].subtitle; }
