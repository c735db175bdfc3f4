// Wall world and simulation: the part catalog, the wall and its hopper, the collision cache, the
// marble simulation and the contact events it emits.
//
// Sections: shared numbers · catalog · wall · hopper · collision cache · marbles · contact events.
//
// Every index read from state (piece slots, kinds, segment and box counts, marble kinds, surfaces) is
// checked before use: the state may have been restored from arbitrary bytes, and a tick must stay in
// bounds whatever it holds.
#pragma once

#include <cstdint>
#include <iterator>

#include "app/state/state.hpp"

// ---------------------------------------------------------------------------------------------------
// Shared numbers

/** Degrees to radians, as the world converts every part angle. */
inline constexpr float kDegToRad = 0.017453292f;

/** Clamp of the application: below lo gives lo, above hi gives hi, lo winning when the bounds cross. */
constexpr float clampf(float v, float lo, float hi) {
    const float r = v > hi ? hi : v;
    return r < lo ? lo : r;
}
/** Integer clamp with the same rule. */
constexpr int32_t clampi(int32_t v, int32_t lo, int32_t hi) {
    const int32_t r = v > hi ? hi : v;
    return r < lo ? lo : r;
}
/** Counters held in state may hold anything after a restore; they wrap instead of overflowing. */
constexpr int32_t wrap_add(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
/** Product that wraps in 32 bits instead of overflowing. */
constexpr int32_t wrap_mul(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
/** a mod m in 0..m-1 for m > 0, also for negative a. */
constexpr int32_t mod_floor(int32_t a, int32_t m) {
    const int32_t r = a % m;
    return r < 0 ? r + m : r;
}

// ---------------------------------------------------------------------------------------------------
// Piece catalog (app.catalog)

inline constexpr int32_t kKindCount = 9;
inline constexpr int32_t kKindSegCapacity = 10;  // segments per kind: kind k owns slots 10k..10k+9
inline constexpr int32_t kCatalogSegCapacity = kKindCount * kKindSegCapacity;
static_assert(std::size(app_catalog_kinds_half_w) == kKindCount);
static_assert(std::size(app_catalog_kinds_seg_count) == kKindCount);
static_assert(std::size(app_catalog_segs_x1) == kCatalogSegCapacity);
static_assert(std::size(app_catalog_segs_r) == kCatalogSegCapacity);

/** Part kinds; the numbers are stored in wall codes and never change. */
enum PartKind : int32_t {
    kKindMapleRamp = 0,
    kKindLongRamp = 1,
    kKindSteelRail = 2,
    kKindClearChute = 3,
    kKindTurnaround = 4,
    kKindFunnel = 5,
    kKindChime = 6,
    kKindWoodBlock = 7,
    kKindPinCluster = 8,
};

/** Surface materials; they pick bounce, grip, rolling drag and sound. */
inline constexpr int32_t kSurfaceCount = 9;
inline constexpr int32_t kSurfaceTray = 7;
inline constexpr int32_t kSurfaceFrame = 8;

inline constexpr int32_t kNoteCount = 6;  // a chime's note is 0..5

/** Fills both catalog tables in kind order 0..8 and sets app.catalog.ready to 1. */
void catalog_build();
/** Writes the record of one kind and resets its segment count to 0; a kind outside 0..8 is ignored. */
void catalog_set_kind(int32_t kind, int32_t surface, int32_t default_angle, float half_w, float half_h);
/** Appends one capsule segment (local coordinates) to a kind; ignored when the kind already has 10
 *  segments or is outside 0..8. */
void catalog_add_seg(int32_t kind, float x1, float y1, float x2, float y2, float r);
/** Segments of a kind as the cache may use them: seg_count clamped to 0..10, 0 for an unknown kind. */
int32_t catalog_seg_count(int32_t kind);
/** Text id of a kind's display name; "Marble" for any number that is not a part kind. */
int32_t kind_display_name(int32_t kind);
/** Bar length of a chime with this note: 95 - 8 x (note clamped to 0..5), so 95 down to 55. */
float chime_length(int32_t note);
/** Angle in degrees brought into 0..359. */
int32_t angle_normalize(int32_t a);

// ---------------------------------------------------------------------------------------------------
// Wall and pieces (app.wall)

inline constexpr int32_t kPieceCapacity = 100;
static_assert(std::size(app_wall_pieces_active) == kPieceCapacity);
static_assert(std::size(app_wall_pieces_x) == kPieceCapacity);
static_assert(std::size(app_fx_wobble) == kPieceCapacity);

inline constexpr int32_t kWallStepMax = 6;          // both size steps run 0..6
inline constexpr float kWallBaseWidth = 1600.0f;    // width = 1600 + 400 x width_step
inline constexpr float kWallWidthPerStep = 400.0f;
inline constexpr float kWallBaseHeight = 800.0f;    // height = 800 + 200 x height_step
inline constexpr float kWallHeightPerStep = 200.0f;

/** A point in wall coordinates (origin top left of the wall, y down). */
struct WallPoint {
    float x;
    float y;
};

/** 1 when slot is 0..99 and holds a part. */
int32_t piece_valid(int32_t slot);
/** Every slot free (active 0, held 0); revision + 1. */
void wall_clear_pieces();
/** Sets both size steps (each clamped to 0..6), width and height, and clamps every active part and
 *  the hopper into the new bounds; revision + 1. Returns 1 when a step changed or the width was below 1,
 *  else 0. */
int32_t wall_set_size(int32_t width_step, int32_t height_step);
/** User command: moves the width step (axis 0) or height step (axis 1) by delta, as one undoable
 *  change; arms the save countdown when the size changed, else takes the undo snapshot back. */
void wall_step_size(int32_t axis, int32_t delta);
/** Puts a part into the first free slot: kind clamped to 0..8, position clamped to the part bounds,
 *  angle normalised, flipped stored as given, note clamped to 0..5. Returns the slot, or -1 when all
 *  100 slots are taken (nothing changes then, not even the revision). */
int32_t wall_add_piece(int32_t kind, float x, float y, int32_t angle, int32_t flipped, int32_t note);
/** Frees a slot; a slot outside 0..99 is ignored. Revision + 1. */
void wall_remove_piece(int32_t slot);
/** Stores the part's position, clamped to the part bounds; revision + 1 unless the part is held. */
void wall_move_piece(int32_t slot, float x, float y);
/** Stores the part's angle, normalised; revision + 1. */
void piece_set_angle(int32_t slot, int32_t angle);
/** Flips the part left to right in its own frame; revision + 1. */
void piece_toggle_flip(int32_t slot);
/** Moves a chime to its next note, (note + 1) mod 6; revision + 1. */
void piece_cycle_note(int32_t slot);
/** Marks the part held (out of the collision world while dragged) or put down; revision + 1. */
void piece_set_held(int32_t slot, int32_t held);
/** After a wall was replaced from a slot or a code: clears the marbles, deselects, lets the hopper
 *  drip 20 ticks later, resets the view centred 300 units below the hopper and arms the save. */
void wall_after_load();
/** Clamps a point into the bounds of part centres: x 20..width-20, y 30..height-100. */
WallPoint wall_clamp_piece_point(float x, float y);
/** Where a part sits: centre, cosine and sine of its angle, mirrored or not. */
struct PiecePose {
    float x;
    float y;
    float cos;
    float sin;
    int32_t flipped;
};
/** The pose of a slot (not checked for being active); outside 0..99 the identity at the origin. */
PiecePose piece_pose(int32_t slot);
/** A point of a part's own frame in wall coordinates: flip, then rotate, then translate. */
WallPoint pose_to_wall(const PiecePose& pose, float lx, float ly);
/** A point of the slot's own frame in wall coordinates. */
WallPoint piece_local_to_wall(int32_t slot, float lx, float ly);
/** A wall point in a part's own frame (the inverse of piece_local_to_wall), used for picking. */
WallPoint piece_wall_to_local(int32_t slot, float wx, float wy);

// ---------------------------------------------------------------------------------------------------
// Hopper (app.wall.hopper)

inline constexpr int32_t kHopperLiveLimit = 14;  // no drop while this many marbles are live
inline constexpr float kHopperHitHalfW = 52.0f;
inline constexpr float kHopperHitHalfH = 58.0f;

/** Material and colour of a marble the hopper (or a tap on the wall) makes. */
struct MarbleLook {
    int32_t kind;
    int32_t tint;
};
/** The marble made as number sequence: material from the marble mode (mixed: by sequence), tint by
 *  sequence. */
MarbleLook marble_look(int32_t sequence);

/** Stores the hopper position clamped to x 50..width-50, y 50..height-240. No revision change. */
void hopper_move(float x, float y);
/** 1 when the wall point lies within the hopper's pick box (|dx| <= 52, |dy| <= 58). */
int32_t hopper_hit(float wx, float wy);
/** The drip step, once per tick inside sim_step before the substeps. */
void hopper_update();
/** Makes one marble at the hopper's mouth, with its drop event and bump; the slot, or -1 when the
 *  marble pool is full (the sequence then stays). */
int32_t hopper_drop();
/** A marble placed by the user at a wall point, at rest; the slot, or -1 when the point is off the
 *  usable wall (x 20..width-20, y 0..height-82) or the pool is full. */
int32_t place_marble_at(float wx, float wy);
/** Dripping switch: toggles dripping and lets the first marble come 10 ticks later. The caller arms
 *  the save countdown. */
void hopper_toggle_dripping();

// ---------------------------------------------------------------------------------------------------
// Collision cache (app.cache)

inline constexpr int32_t kCacheSegCapacity = 1010;
inline constexpr int32_t kCacheBoxCapacity = 100;
static_assert(std::size(app_cache_segs_x1) == kCacheSegCapacity);
static_assert(std::size(app_cache_segs_owner) == kCacheSegCapacity);
static_assert(std::size(app_cache_boxes_first) == kCacheBoxCapacity);
static_assert(kCacheBoxCapacity == kPieceCapacity);
static_assert(3 + kPieceCapacity * kKindSegCapacity <= kCacheSegCapacity);

/** Owners of the frame segments; part segments are owned by their slot 0..99. */
inline constexpr int32_t kOwnerLeftFrame = 100;
inline constexpr int32_t kOwnerRightFrame = 101;
inline constexpr int32_t kOwnerTray = 102;

/** Rebuilds the cache when the wall's revision moved, when it is empty, or when its counts or boxes
 *  are not consistent (a restored state). Called at the start of every sim_step. */
void cache_ensure();
/** Rebuilds the frame segments and the segments and box of every active, not held part. */
void cache_rebuild();
/** Appends one segment in wall coordinates; dropped without notice when the cache is full. */
void cache_add_seg(int32_t surface, int32_t owner, float x1, float y1, float x2, float y2, float r);
/** Appends one part's segments and its bounding box; an invalid slot or kind adds nothing. */
void cache_add_piece(int32_t slot);

// ---------------------------------------------------------------------------------------------------
// Marble simulation (app.sim)

inline constexpr int32_t kMarbleCapacity = 24;
static_assert(std::size(app_sim_marbles_active) == kMarbleCapacity);
static_assert(std::size(app_sim_marbles_x) == kMarbleCapacity);
static_assert(std::size(app_sim_marbles_air_ticks) == kMarbleCapacity);

inline constexpr int32_t kSubsteps = 8;
inline constexpr float kSubstepDt = 0.0020833334f;  // 1/480 s
inline constexpr float kGravity = 13700.0f;          // wall units / s^2, downward

/** Marble materials. */
enum MarbleKind : int32_t { kMarbleGlass = 0, kMarbleSteel = 1, kMarbleClay = 2 };
inline constexpr int32_t kMarbleKindCount = 3;

inline constexpr int32_t kStillTicksBeforeFade = 420;  // 7 s within 10 units
inline constexpr float kFadeStep = 0.022222223f;       // 1/45 per tick

/** Square root of the simulation: 0 for v <= 0, else range reduction by powers of 4 and four
 *  Newton steps. The exact arithmetic is part of the simulation's behaviour. */
float sqrt_approx(float v);
/** One tick: cache up to date, hopper, 8 substeps, then fading, draining and losing of marbles. */
void sim_step();
/** One substep k over the marble slots below n: integration, world contacts, marble pairs. */
void sim_substep(int32_t k, int32_t n);
/** End of tick for the marble slots below n: touch state, load, fading, drains and losses. */
void sim_after_step(int32_t n);
/** Makes a marble in the lowest free slot (kind clamped to 0..2); the slot, or -1 when all 24 are
 *  taken (next_id is then unchanged). */
int32_t sim_spawn_marble(int32_t kind, int32_t tint, float x, float y, float vx, float vy);
/** Ends every marble at once; also forgets the marbles the effects last showed. */
void sim_clear_marbles();
/** Marbles active and not fading. */
int32_t sim_live_count();
/** The highest active marble slot plus one, 0 when none. */
int32_t sim_active_span();
/** Radius of a marble material (16 glass, 15 steel, 17 clay); kind clamped to 0..2. */
float marble_radius(int32_t kind);

// ---------------------------------------------------------------------------------------------------
// Contact events (app.events)

inline constexpr int32_t kEventCapacity = 64;
static_assert(std::size(app_events_items_sound) == kEventCapacity);
static_assert(std::size(app_events_items_note) == kEventCapacity);

/** Event classes besides the surface hits 0..8. */
enum EventSound : int32_t {
    kSoundMarbles = 16,   // two marbles struck each other
    kSoundPutDown = 17,   // part or hopper put down, part placed or flipped
    kSoundLift = 18,      // part or hopper lifted, part removed, shelf item taken
    kSoundSelect = 19,    // part selected or turned
    kSoundDrain = 20,     // marble drained out of the bottom
    kSoundHopper = 21,    // hopper dropped a marble
    kSoundUiTap = 22,     // interface control tapped
};

/** Empties the list: count 0, dropped 0. Runs at the start of every tick. */
void events_clear();
/** Appends one event; when 64 are in the list the event is lost and dropped grows. note is copied from
 *  the piece when piece is 0..99, else 0. */
void events_push(int32_t sound, int32_t marble_kind, int32_t other_kind, float strength, float x, float y,
                 int32_t delay, int32_t piece);
/** An interface sound: events_push with marble kind 0, other kind -1, delay 0, piece -1. */
void ui_event_sound(float strength, float x, float y, int32_t sound);
