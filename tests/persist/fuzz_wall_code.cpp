// Fuzz target of the wall code reader. Wall codes arrive from the clipboard and from disk, so any
// bytes up to the code array's capacity must either load as a wall whose code loads back to the same
// wall, or be refused with the wall untouched.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "app/entry/entry.hpp"
#include "app/persist/persist.hpp"
#include "app/world/world.hpp"

namespace {

/** Everything of the wall a code load may change. */
struct WallImage {
    int32_t active[kPieceCapacity], kind[kPieceCapacity], angle[kPieceCapacity];
    int32_t flipped[kPieceCapacity], note[kPieceCapacity], held[kPieceCapacity];
    float x[kPieceCapacity], y[kPieceCapacity];
    int32_t width_step, height_step, revision, dripping, timer, sequence;
    float width, height, hopper_x, hopper_y;
};

WallImage wall_image() {
    WallImage w{};
    std::memcpy(w.active, app_wall_pieces_active, sizeof w.active);
    std::memcpy(w.kind, app_wall_pieces_kind, sizeof w.kind);
    std::memcpy(w.angle, app_wall_pieces_angle, sizeof w.angle);
    std::memcpy(w.flipped, app_wall_pieces_flipped, sizeof w.flipped);
    std::memcpy(w.note, app_wall_pieces_note, sizeof w.note);
    std::memcpy(w.held, app_wall_pieces_held, sizeof w.held);
    std::memcpy(w.x, app_wall_pieces_x, sizeof w.x);
    std::memcpy(w.y, app_wall_pieces_y, sizeof w.y);
    w.width_step = app_wall_width_step;
    w.height_step = app_wall_height_step;
    w.dripping = app_wall_hopper_dripping;
    w.timer = app_wall_hopper_timer;
    w.sequence = app_wall_hopper_sequence;
    w.width = app_wall_width;
    w.height = app_wall_height;
    w.hopper_x = app_wall_hopper_x;
    w.hopper_y = app_wall_hopper_y;
    w.revision = app_wall_revision;
    return w;
}

/** Byte equality; the revision only when asked, since a load always moves it. */
bool same_wall(WallImage a, WallImage b, bool with_revision) {
    if (!with_revision) a.revision = b.revision;
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void check(bool condition) {
    if (!condition) std::abort();
}

uint8_t encoded[kCodeCapacity];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool started = [] {
        app_init();
        return true;
    }();
    (void)started;

    // The text as the clipboard and storage services leave it: at most the capacity, 0 after it.
    const int32_t length = size < static_cast<size_t>(kCodeCapacity) ? static_cast<int32_t>(size) : kCodeCapacity;
    if (length > 0) std::memcpy(app_persist_code, data, static_cast<size_t>(length));
    if (length < kCodeCapacity) app_persist_code[length] = 0;
    app_persist_code_length = length;

    const WallImage before = wall_image();
    if (wall_code_load() == 0) {
        check(same_wall(before, wall_image(), true));
        return 0;
    }

    // Accepted: the wall encodes to a code that scans and loads back to the same wall, and encoding
    // that wall again gives the same code.
    const WallImage loaded = wall_image();
    int32_t parts = 0;
    for (int32_t i = 0; i < kPieceCapacity; ++i) parts += app_wall_pieces_active[i] != 0 ? 1 : 0;
    check(parts == app_persist_scan_count);
    wall_code_encode();
    const int32_t encoded_length = app_persist_code_length;
    check(encoded_length == 10 + 7 * parts);
    std::memcpy(encoded, app_persist_code, static_cast<size_t>(encoded_length));
    check(wall_code_load() == 1);
    check(app_persist_scan_version == 2);
    check(same_wall(loaded, wall_image(), false));
    wall_code_encode();
    check(app_persist_code_length == encoded_length);
    check(std::memcmp(encoded, app_persist_code, static_cast<size_t>(encoded_length)) == 0);
    return 0;
}
