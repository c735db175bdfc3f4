// The marble simulation: 8 substeps of 1/480 s per tick, semi-implicit Euler, capsule contacts against
// the collision cache resolved by projection and impulses, friction coupled to spin as for a solid
// ball, rolling drag, and marble-to-marble hits. All arithmetic is 32-bit float, and the order of
// operations below is part of the behaviour: it decides how stacks settle, and replays depend on it.
//
// Sections: materials and surfaces · square root · spawn and pool · segment contact · substep ·
// end of tick · sim_step.
#include <cmath>

#include "app/world/world.hpp"

namespace {

// ---- materials and surfaces

struct Material {
    float radius;
    float density;
    float bounce;
};
constexpr Material kMaterials[kMarbleKindCount] = {
    {16.0f, 1.0f, 1.0f},   // glass
    {15.0f, 3.1f, 1.08f},  // steel
    {17.0f, 0.8f, 0.55f},  // clay
};

struct Surface {
    float restitution;
    float friction;
    float drag;  // rolling drag coefficient
};
constexpr Surface kSurfaces[kSurfaceCount] = {
    {0.46f, 0.45f, 0.012f},  // 0 maple ramps
    {0.40f, 0.45f, 0.012f},  // 1 turnaround
    {0.56f, 0.24f, 0.004f},  // 2 steel rail
    {0.50f, 0.30f, 0.008f},  // 3 clear chute, funnel
    {0.56f, 0.30f, 0.006f},  // 4 chime
    {0.52f, 0.45f, 0.012f},  // 5 wood block
    {0.58f, 0.24f, 0.004f},  // 6 pins
    {0.36f, 0.45f, 0.008f},  // 7 tray
    {0.30f, 0.45f, 0.018f},  // 8 side frames
};

constexpr float kDtG = kSubstepDt * kGravity;  // velocity gravity adds per substep
constexpr int32_t kNoOwner = -1;

int32_t kind_index(int32_t kind) { return clampi(kind, 0, kMarbleKindCount - 1); }
int32_t surface_index(int32_t surface) { return clampi(surface, 0, kSurfaceCount - 1); }

// One marble while it meets the world within a substep, held in locals and written back after.
struct Body {
    float x, y, vx, vy, spin, radius;
    int32_t kind;
    int32_t prev_a, prev_b, cur_a, cur_b;
    float best_jn;
    int32_t touch_surface, touch_owner;
    float roll_speed, slip, load_sum;
};

Body load_body(int32_t i) {
    return {app_sim_marbles_x[i],
            app_sim_marbles_y[i],
            app_sim_marbles_vx[i],
            app_sim_marbles_vy[i],
            app_sim_marbles_spin[i],
            app_sim_marbles_radius[i],
            kind_index(app_sim_marbles_kind[i]),
            app_sim_marbles_prev_owner_a[i],
            app_sim_marbles_prev_owner_b[i],
            app_sim_marbles_cur_owner_a[i],
            app_sim_marbles_cur_owner_b[i],
            app_sim_marbles_touch_best_jn[i],
            app_sim_marbles_touch_surface[i],
            app_sim_marbles_touch_owner[i],
            app_sim_marbles_roll_speed[i],
            app_sim_marbles_slip[i],
            app_sim_marbles_load_sum[i]};
}

void store_body(int32_t i, const Body& b) {
    app_sim_marbles_x[i] = b.x;
    app_sim_marbles_y[i] = b.y;
    app_sim_marbles_vx[i] = b.vx;
    app_sim_marbles_vy[i] = b.vy;
    app_sim_marbles_spin[i] = b.spin;
    app_sim_marbles_cur_owner_a[i] = b.cur_a;
    app_sim_marbles_cur_owner_b[i] = b.cur_b;
    app_sim_marbles_touch_best_jn[i] = b.best_jn;
    app_sim_marbles_touch_surface[i] = b.touch_surface;
    app_sim_marbles_touch_owner[i] = b.touch_owner;
    app_sim_marbles_roll_speed[i] = b.roll_speed;
    app_sim_marbles_slip[i] = b.slip;
    app_sim_marbles_load_sum[i] = b.load_sum;
}

// ---- segment contact

bool segment_contact(Body& b, int32_t s, int32_t k) {
    const float x1 = app_cache_segs_x1[s];
    const float y1 = app_cache_segs_y1[s];
    const float dx = app_cache_segs_x2[s] - x1;
    const float dy = app_cache_segs_y2[s] - y1;
    const float l2 = dx * dx + dy * dy;
    const float t = l2 > 0.0001f ? clampf(((b.x - x1) * dx + (b.y - y1) * dy) / l2, 0.0f, 1.0f) : 0.0f;
    const float cx = x1 + t * dx;
    const float cy = y1 + t * dy;

    const float ox = b.x - cx;
    const float oy = b.y - cy;
    const float d2 = ox * ox + oy * oy;
    const float rr = b.radius + app_cache_segs_r[s];
    if (d2 >= rr * rr) return false;

    const float dist = sqrt_approx(d2);
    float nx = 0.0f;
    float ny = -1.0f;
    if (dist > 0.0001f) {
        nx = ox / dist;
        ny = oy / dist;
    }
    b.x += nx * (rr - dist);
    b.y += ny * (rr - dist);

    const int32_t surface = surface_index(app_cache_segs_surface[s]);
    const int32_t owner = app_cache_segs_owner[s];
    const Surface& sf = kSurfaces[surface];

    const float vn = b.vx * nx + b.vy * ny;
    float jn = 0.0f;
    if (vn < 0.0f) {
        const float a = -vn;
        // Slow contacts do not bounce.
        const float e = a > 60.0f ? clampf(sf.restitution * kMaterials[b.kind].bounce, 0.0f, 0.8f) *
                                        clampf(a / 400.0f + 0.55f, 0.55f, 1.0f)
                                  : 0.0f;
        jn = (1.0f + e) * a;
        b.vx += jn * nx;
        b.vy += jn * ny;
        const bool fresh = owner != b.prev_a && owner != b.prev_b;
        if ((fresh && a > 40.0f) || a > 240.0f) {
            const int32_t piece = owner >= 0 && owner < kPieceCapacity ? owner : -1;
            events_push(surface, b.kind, -1, a, cx, cy, 100 * k, piece);
        }
    }

    // Friction: 3.5 and 2.5 are the effective-mass factors of a solid ball (inertia 2/5 m r^2); one
    // impulse can at most cancel the sliding, and a resting contact (jn 0) gets none.
    const float tx = -ny;
    const float ty = nx;
    const float vt = b.vx * tx + b.vy * ty;
    const float u = vt - b.spin * b.radius;
    const float jt = clampf(-u / 3.5f, -sf.friction * jn, sf.friction * jn);
    b.vx += jt * tx;
    b.vy += jt * ty;
    b.spin -= 2.5f * jt / b.radius;

    // Rolling drag, scaled by how much the surface faces up; it slows rolling without making slip.
    const float support = clampf(-ny, 0.0f, 1.0f);
    const float kappa = sf.drag * kGravity * kSubstepDt * support;
    const float vt2 = b.vx * tx + b.vy * ty;
    const float jr = clampf(vt2, -kappa, kappa);
    b.vx -= jr * tx;
    b.vy -= jr * ty;
    b.spin -= jr / b.radius;

    if (owner != b.cur_a && owner != b.cur_b) {
        if (b.cur_a < 0) {
            b.cur_a = owner;
        } else {
            b.cur_b = owner;
        }
    }
    if (jn >= b.best_jn) {
        b.best_jn = jn;
        b.touch_surface = surface;
        b.touch_owner = owner;
        b.roll_speed = std::fabs(vt2 - jr);
        b.slip = std::fabs(u);
    }
    b.load_sum += jn;
    return true;
}

bool world_contacts(Body& b, int32_t k) {
    // cache_ensure has checked every count and box against the segment list.
    bool touched = false;
    const int32_t fixed = app_cache_fixed_count;
    for (int32_t s = 0; s < fixed; ++s) touched = segment_contact(b, s, k) || touched;
    const int32_t boxes = app_cache_active_box_count;
    for (int32_t bx = 0; bx < boxes; ++bx) {
        const int32_t count = app_cache_boxes_count[bx];
        if (count <= 0) continue;
        const float r = b.radius;
        if (!(app_cache_boxes_min_x[bx] <= b.x + r && b.x - r <= app_cache_boxes_max_x[bx] &&
              app_cache_boxes_min_y[bx] <= b.y + r && b.y - r <= app_cache_boxes_max_y[bx])) {
            continue;
        }
        const int32_t first = app_cache_boxes_first[bx];
        for (int32_t s = first; s < first + count; ++s) touched = segment_contact(b, s, k) || touched;
    }
    return touched;
}

// ---- marble against marble

void marble_contact(int32_t i, int32_t j, int32_t k) {
    const float dx = app_sim_marbles_x[j] - app_sim_marbles_x[i];
    const float dy = app_sim_marbles_y[j] - app_sim_marbles_y[i];
    const float d2 = dx * dx + dy * dy;
    const float ri = app_sim_marbles_radius[i];
    const float rr = ri + app_sim_marbles_radius[j];
    // Marbles at the same point have no direction to part along.
    if (d2 >= rr * rr || d2 < 0.000001f) return;

    const float dist = sqrt_approx(d2);
    const float nx = dx / dist;
    const float ny = dy / dist;
    const float pen = rr - dist;
    const float mi = app_sim_marbles_mass[i];
    const float mj = app_sim_marbles_mass[j];
    const float m = mi + mj;
    // The lighter marble moves more.
    app_sim_marbles_x[i] -= nx * pen * mj / m;
    app_sim_marbles_y[i] -= ny * pen * mj / m;
    app_sim_marbles_x[j] += nx * pen * mi / m;
    app_sim_marbles_y[j] += ny * pen * mi / m;

    const float vrel = (app_sim_marbles_vx[j] - app_sim_marbles_vx[i]) * nx +
                       (app_sim_marbles_vy[j] - app_sim_marbles_vy[i]) * ny;
    if (!(vrel < 0.0f)) return;
    const float a = -vrel;
    const int32_t ki = kind_index(app_sim_marbles_kind[i]);
    const int32_t kj = kind_index(app_sim_marbles_kind[j]);
    const float e = a > 60.0f ? (ki == kMarbleClay || kj == kMarbleClay ? 0.55f : 0.88f) : 0.0f;
    const float jimp = (1.0f + e) * a / (1.0f / mi + 1.0f / mj);
    app_sim_marbles_vx[i] -= jimp / mi * nx;
    app_sim_marbles_vy[i] -= jimp / mi * ny;
    app_sim_marbles_vx[j] += jimp / mj * nx;
    app_sim_marbles_vy[j] += jimp / mj * ny;
    if (a > 40.0f) {
        events_push(kSoundMarbles, ki, kj, a, app_sim_marbles_x[i] + nx * ri, app_sim_marbles_y[i] + ny * ri,
                    100 * k, -1);
    }
}

}  // namespace

// ---- square root

float sqrt_approx(float v) {
    if (v <= 0.0f) return 0.0f;
    float s = 1.0f;
    for (int32_t i = 0; i < 20 && v > 4.0f; ++i) {
        v *= 0.25f;
        s *= 2.0f;
    }
    for (int32_t i = 0; i < 20 && v < 0.25f; ++i) {
        v *= 4.0f;
        s *= 0.5f;
    }
    float g = 0.5f * v + 0.5f;
    for (int32_t i = 0; i < 4; ++i) g = 0.5f * (g + v / g);
    return g * s;
}

// ---- spawn and pool

float marble_radius(int32_t kind) { return kMaterials[kind_index(kind)].radius; }

int32_t sim_spawn_marble(int32_t kind, int32_t tint, float x, float y, float vx, float vy) {
    int32_t i = 0;
    while (i < kMarbleCapacity && app_sim_marbles_active[i] != 0) ++i;
    if (i == kMarbleCapacity) return -1;

    app_sim_next_id = wrap_add(app_sim_next_id, 1);
    const int32_t id = app_sim_next_id;
    const Material& mat = kMaterials[kind_index(kind)];
    const float q = mat.radius / 16.0f;
    app_sim_marbles_active[i] = 1;
    app_sim_marbles_id[i] = id;
    app_sim_marbles_kind[i] = kind_index(kind);
    app_sim_marbles_tint[i] = tint;
    app_sim_marbles_x[i] = x;
    app_sim_marbles_y[i] = y;
    app_sim_marbles_vx[i] = vx;
    app_sim_marbles_vy[i] = vy;
    app_sim_marbles_spin[i] = 0.0f;
    app_sim_marbles_angle[i] = static_cast<float>(wrap_mul(id, 37) % 360) * kDegToRad;
    app_sim_marbles_radius[i] = mat.radius;
    app_sim_marbles_mass[i] = mat.density * (q * q * q);
    app_sim_marbles_anchor_x[i] = x;
    app_sim_marbles_anchor_y[i] = y;
    app_sim_marbles_still_ticks[i] = 0;
    app_sim_marbles_fading[i] = 0;
    app_sim_marbles_fade[i] = 1.0f;
    app_sim_marbles_prev_owner_a[i] = kNoOwner;
    app_sim_marbles_prev_owner_b[i] = kNoOwner;
    app_sim_marbles_cur_owner_a[i] = kNoOwner;
    app_sim_marbles_cur_owner_b[i] = kNoOwner;
    app_sim_marbles_touching[i] = 0;
    app_sim_marbles_touch_surface[i] = -1;
    app_sim_marbles_touch_owner[i] = kNoOwner;
    app_sim_marbles_touch_substeps[i] = 0;
    app_sim_marbles_touch_best_jn[i] = 0.0f;
    app_sim_marbles_roll_speed[i] = 0.0f;
    app_sim_marbles_slip[i] = 0.0f;
    app_sim_marbles_load[i] = 0.0f;
    app_sim_marbles_load_sum[i] = 0.0f;
    app_sim_marbles_air_ticks[i] = 0;
    return i;
}

void sim_clear_marbles() {
    for (int32_t i = 0; i < kMarbleCapacity; ++i) app_sim_marbles_active[i] = 0;
    app_fx_shown_count = 0;
}

int32_t sim_live_count() {
    int32_t live = 0;
    for (int32_t i = 0; i < kMarbleCapacity; ++i) {
        if (app_sim_marbles_active[i] != 0 && app_sim_marbles_fading[i] == 0) ++live;
    }
    return live;
}

int32_t sim_active_span() {
    for (int32_t i = kMarbleCapacity; i > 0; --i) {
        if (app_sim_marbles_active[i - 1] != 0) return i;
    }
    return 0;
}

// ---- substep

void sim_substep(int32_t k, int32_t n) {
    n = clampi(n, 0, kMarbleCapacity);
    for (int32_t i = 0; i < n; ++i) {
        if (app_sim_marbles_active[i] == 0) continue;
        Body b = load_body(i);
        b.vy += kDtG;
        b.x += kSubstepDt * b.vx;
        b.y += kSubstepDt * b.vy;
        app_sim_marbles_angle[i] += kSubstepDt * b.spin;
        b.cur_a = kNoOwner;
        b.cur_b = kNoOwner;
        if (world_contacts(b, k)) {
            app_sim_marbles_touch_substeps[i] = wrap_add(app_sim_marbles_touch_substeps[i], 1);
        }
        store_body(i, b);
        app_sim_marbles_prev_owner_a[i] = b.cur_a;
        app_sim_marbles_prev_owner_b[i] = b.cur_b;
    }
    for (int32_t i = 0; i < n; ++i) {
        if (app_sim_marbles_active[i] == 0) continue;
        for (int32_t j = i + 1; j < n; ++j) {
            if (app_sim_marbles_active[j] != 0) marble_contact(i, j, k);
        }
    }
}

// ---- end of tick

void sim_after_step(int32_t n) {
    n = clampi(n, 0, kMarbleCapacity);
    const float load_unit = kDtG * static_cast<float>(kSubsteps);  // impulse gravity gives in a tick
    for (int32_t i = 0; i < n; ++i) {
        if (app_sim_marbles_active[i] == 0) continue;
        const int32_t touching = app_sim_marbles_touch_substeps[i] > 2 ? 1 : 0;
        app_sim_marbles_touching[i] = touching;
        app_sim_marbles_load[i] = app_sim_marbles_load_sum[i] / load_unit;
        app_sim_marbles_air_ticks[i] = touching != 0 ? 0 : wrap_add(app_sim_marbles_air_ticks[i], 1);
        const float angle = app_sim_marbles_angle[i];
        if (angle > 1000.0f || angle < -1000.0f || std::isnan(angle)) app_sim_marbles_angle[i] = 0.0f;

        const float x = app_sim_marbles_x[i];
        const float y = app_sim_marbles_y[i];
        const float ax = x - app_sim_marbles_anchor_x[i];
        const float ay = y - app_sim_marbles_anchor_y[i];
        if (ax * ax + ay * ay < 100.0f) {
            app_sim_marbles_still_ticks[i] = wrap_add(app_sim_marbles_still_ticks[i], 1);
        } else {
            app_sim_marbles_anchor_x[i] = x;
            app_sim_marbles_anchor_y[i] = y;
            app_sim_marbles_still_ticks[i] = 0;
        }
        if (app_sim_marbles_fading[i] == 0 && app_sim_marbles_still_ticks[i] > kStillTicksBeforeFade) {
            app_sim_marbles_fading[i] = 1;
        }
        if (app_sim_marbles_fading[i] != 0) {
            // In floats 45 steps leave a sliver above 0, so the 46th ends the marble.
            app_sim_marbles_fade[i] -= kFadeStep;
            if (app_sim_marbles_fade[i] <= 0.0f) app_sim_marbles_active[i] = 0;
        }

        // Draining and losing run even for a marble that has just faded out.
        const float h = app_wall_height;
        if (y > h + 40.0f) {
            events_push(kSoundDrain, kind_index(app_sim_marbles_kind[i]), -1,
                        clampf(app_sim_marbles_vy[i], 100.0f, 1400.0f), x, h, 0, -1);
            app_sim_drained = wrap_add(app_sim_drained, 1);
            app_sim_marbles_active[i] = 0;
        }
        // A position that is not a number can never leave by the bounds; it is lost as well.
        if (x < -200.0f || x > app_wall_width + 200.0f || y < -2000.0f || !std::isfinite(x) ||
            !std::isfinite(y)) {
            app_sim_marbles_active[i] = 0;
        }
    }
}

// ---- sim_step

void sim_step() {
    cache_ensure();
    app_sim_tick = wrap_add(app_sim_tick, 1);
    hopper_update();
    const int32_t n = sim_active_span();
    for (int32_t i = 0; i < n; ++i) {
        app_sim_marbles_touch_substeps[i] = 0;
        app_sim_marbles_touch_best_jn[i] = 0.0f;
        app_sim_marbles_touch_surface[i] = -1;
        app_sim_marbles_touch_owner[i] = kNoOwner;
        app_sim_marbles_load_sum[i] = 0.0f;
        app_sim_marbles_roll_speed[i] = 0.0f;
        app_sim_marbles_slip[i] = 0.0f;
    }
    for (int32_t k = 0; k < kSubsteps; ++k) sim_substep(k, n);
    sim_after_step(n);
}
