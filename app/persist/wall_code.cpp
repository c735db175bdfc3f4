// Wall codes: the version 2 encoder, the scanner of versions 1 and 2, and the loader.
//
// Sections: text access, records, encoding, scanning, then the public digits and numbers and the
// three operations encode, scan and load.
//
// The code array, its length and the cursor are module state that the clipboard, preference storage
// or a host may fill with anything, so every read goes through code_peek, which answers only for
// positions below a length that is itself within the array.
#include <algorithm>
#include <cstdint>
#include <iterator>

#include "app/persist/persist.hpp"
#include "app/world/world.hpp"

namespace {

constexpr int32_t kHeaderBytes = 10;  // "MW2", two size steps, hopper x and y, dripping
constexpr int32_t kRecordBytes = 7;
constexpr int32_t kMaxStep = kWallStepMax;
constexpr int32_t kMaxKind = kKindCount - 1;
constexpr int32_t kMaxNote = 7;
constexpr int32_t kMaxAngle = 359;
constexpr int32_t kMaxCoord = 4095;  // two digits
constexpr int32_t kMaxDigits = 5;    // 64^5 still fits a signed 32-bit value
constexpr int32_t kMaxDecimalDigits = 9;

static_assert(std::size(app_persist_code) == kCodeCapacity);
static_assert(kCodeMaxParts == kPieceCapacity);
static_assert(kHeaderBytes + kRecordBytes * kCodeMaxParts < kCodeCapacity);

// ---------------------------------------------------------------------------------------------
// Text access

/** The text length, or -1 when the stored length does not fit the array. */
int32_t text_length() {
    const int32_t length = app_persist_code_length;
    return length >= 0 && length <= kCodeCapacity ? length : -1;
}

/** Empties the code: length 0 and a 0 byte at position 0. */
void code_clear() {
    app_persist_code_length = 0;
    app_persist_code[0] = 0;
}

/** Appends one byte and the 0 byte after it; refused when the pair would not fit. */
void code_append(int32_t c) {
    const int32_t length = app_persist_code_length;
    if (length < 0 || length > kCodeCapacity - 2) return;
    app_persist_code[length] = static_cast<uint8_t>(c);
    app_persist_code[length + 1] = 0;
    app_persist_code_length = length + 1;
}

void code_advance() { app_persist_cursor += 1; }

// ---------------------------------------------------------------------------------------------
// Records

/** One part as a code holds it, before the wall applies its limits. */
struct PartRecord {
    int32_t kind;
    int32_t x;
    int32_t y;
    int32_t angle;
    int32_t flipped;
    int32_t note;
};

constexpr int32_t pack_part(int32_t kind, int32_t flipped, int32_t note, int32_t angle) {
    return ((kind * 2 + flipped) * 8 + note) * 512 + angle;
}

/** Reads one version 2 record at the cursor; false for a bad digit, an angle of 360 or more or a
 *  kind above 8. */
bool read_record_v2(PartRecord& part) {
    const int32_t packed = code_read_digits(3);
    part.x = code_read_digits(2);
    part.y = code_read_digits(2);
    part.kind = packed / 8192;
    part.flipped = (packed / 4096) % 2;
    part.note = (packed / 512) % 8;
    part.angle = packed % 512;
    return app_persist_ok == 1 && part.angle <= kMaxAngle && part.kind <= kMaxKind;
}

/** Reads one version 1 record "kind,x,y,angle,flipped,note;" at the cursor; false on a syntax error
 *  or a kind outside 0..8 (every other value is left to the wall's limits). */
bool read_record_v1(PartRecord& part) {
    part.kind = code_read_int();
    code_expect(',');
    part.x = code_read_int();
    code_expect(',');
    part.y = code_read_int();
    code_expect(',');
    part.angle = code_read_int();
    code_expect(',');
    part.flipped = code_read_int() == 1 ? 1 : 0;
    code_expect(',');
    part.note = code_read_int();
    code_expect(';');
    if (part.kind < 0 || part.kind > kMaxKind) app_persist_ok = 0;
    return app_persist_ok == 1;
}

// ---------------------------------------------------------------------------------------------
// Encoding

/** Truncates toward zero and clamps to 0..4095; anything that is not a number writes 0. */
int32_t code_coord(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= static_cast<float>(kMaxCoord)) return kMaxCoord;
    return static_cast<int32_t>(v);
}

// ---------------------------------------------------------------------------------------------
// Scanning

bool scan_v2(int32_t length) {
    app_persist_cursor = 3;
    app_persist_ok = 1;
    const int32_t body = length - kHeaderBytes;
    if (body < 0 || body % kRecordBytes != 0 || body / kRecordBytes > kCodeMaxParts) return false;
    const int32_t width_step = code_read_digits(1);
    const int32_t height_step = code_read_digits(1);
    const int32_t hopper_x = code_read_digits(2);
    const int32_t hopper_y = code_read_digits(2);
    const int32_t drip = code_read_digits(1);
    if (app_persist_ok != 1 || width_step > kMaxStep || height_step > kMaxStep || drip > 1) return false;
    const int32_t start = app_persist_cursor;
    const int32_t count = body / kRecordBytes;
    PartRecord part{};
    for (int32_t k = 0; k < count; ++k) {
        if (!read_record_v2(part)) return false;
    }
    app_persist_scan_version = 2;
    app_persist_scan_start = start;
    app_persist_scan_width_step = width_step;
    app_persist_scan_height_step = height_step;
    app_persist_scan_hopper_x = hopper_x;
    app_persist_scan_hopper_y = hopper_y;
    app_persist_scan_drip = drip == 1 ? 1 : 0;
    app_persist_scan_count = count;
    return true;
}

bool scan_v1() {
    app_persist_cursor = 3;
    app_persist_ok = 1;
    code_expect('|');
    const int32_t hopper_x = code_read_int();
    code_expect(',');
    const int32_t hopper_y = code_read_int();
    code_expect(',');
    const int32_t drip = code_read_int();
    code_expect('|');
    if (app_persist_ok != 1) return false;
    const int32_t start = app_persist_cursor;
    // One record more than a wall holds is read, so that a code with too many parts is refused
    // rather than cut short; the loop otherwise ends only at the end of the text or on an error,
    // so trailing text is refused too.
    int32_t count = 0;
    PartRecord part{};
    for (int32_t k = 0; k <= kCodeMaxParts; ++k) {
        if (app_persist_ok != 1 || code_peek() < 0) break;
        read_record_v1(part);
        count += 1;
    }
    if (app_persist_ok != 1 || count > kCodeMaxParts) return false;
    app_persist_scan_version = 1;
    app_persist_scan_start = start;
    app_persist_scan_width_step = 0;
    app_persist_scan_height_step = 0;
    app_persist_scan_hopper_x = hopper_x;
    app_persist_scan_hopper_y = hopper_y;
    app_persist_scan_drip = drip == 1 ? 1 : 0;
    app_persist_scan_count = count;
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Digits and numbers

int32_t code_peek() {
    const int32_t length = text_length();
    const int32_t cursor = app_persist_cursor;
    if (cursor < 0 || cursor >= length) return -1;
    return app_persist_code[cursor];
}

int32_t code_digit_value(int32_t c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '-') return 62;
    if (c == '_') return 63;
    return -1;
}

int32_t code_digit_char(int32_t value) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    return kAlphabet[clampi(value, 0, 63)];
}

void code_put_digits(int32_t value, int32_t count) {
    for (int32_t i = std::min(count, kMaxDigits) - 1; i >= 0; --i) {
        const int32_t place = 1 << (6 * i);
        code_append(code_digit_char(value / place % 64));
    }
}

int32_t code_read_digits(int32_t count) {
    int32_t value = 0;
    for (int32_t i = 0; i < std::min(count, kMaxDigits); ++i) {
        const int32_t digit = code_digit_value(code_peek());
        if (digit < 0) {
            app_persist_ok = 0;
            return 0;
        }
        value = value * 64 + digit;
        code_advance();
    }
    return value;
}

int32_t code_read_int() {
    const bool negative = code_peek() == '-';
    if (negative) code_advance();
    int32_t value = 0;
    int32_t digits = 0;
    for (int32_t c = code_peek(); digits < kMaxDecimalDigits && c >= '0' && c <= '9'; c = code_peek()) {
        value = value * 10 + (c - '0');
        digits += 1;
        code_advance();
    }
    if (digits == 0) app_persist_ok = 0;
    return negative ? -value : value;
}

void code_expect(int32_t c) {
    if (code_peek() == c) {
        code_advance();
    } else {
        app_persist_ok = 0;
    }
}

// ---------------------------------------------------------------------------------------------
// Encode, scan, load

void wall_code_encode() {
    code_clear();
    code_append('M');
    code_append('W');
    code_append('2');
    code_put_digits(clampi(app_wall_width_step, 0, kMaxStep), 1);
    code_put_digits(clampi(app_wall_height_step, 0, kMaxStep), 1);
    code_put_digits(code_coord(app_wall_hopper_x), 2);
    code_put_digits(code_coord(app_wall_hopper_y), 2);
    code_put_digits(app_wall_hopper_dripping != 0 ? 1 : 0, 1);
    for (int32_t i = 0; i < kCodeMaxParts; ++i) {
        if (app_wall_pieces_active[i] == 0) continue;
        const int32_t kind = clampi(app_wall_pieces_kind[i], 0, kMaxKind);
        const int32_t flipped = app_wall_pieces_flipped[i] != 0 ? 1 : 0;
        const int32_t note = clampi(app_wall_pieces_note[i], 0, kMaxNote);
        const int32_t angle = clampi(app_wall_pieces_angle[i], 0, kMaxAngle);
        code_put_digits(pack_part(kind, flipped, note, angle), 3);
        code_put_digits(code_coord(app_wall_pieces_x[i]), 2);
        code_put_digits(code_coord(app_wall_pieces_y[i]), 2);
    }
}

int32_t wall_code_scan() {
    const int32_t length = text_length();
    if (length < 4 || app_persist_code[0] != 'M' || app_persist_code[1] != 'W') return 0;
    switch (app_persist_code[2]) {
        case '1':
            return scan_v1() ? 1 : 0;
        case '2':
            return scan_v2(length) ? 1 : 0;
        default:
            return 0;
    }
}

int32_t wall_code_load() {
    if (wall_code_scan() == 0) return 0;
    wall_clear_pieces();
    wall_set_size(app_persist_scan_width_step, app_persist_scan_height_step);
    app_persist_cursor = app_persist_scan_start;
    app_persist_ok = 1;
    const bool version_2 = app_persist_scan_version == 2;
    PartRecord part{};
    for (int32_t k = 0; k < app_persist_scan_count; ++k) {
        if (!(version_2 ? read_record_v2(part) : read_record_v1(part))) break;
        wall_add_piece(part.kind, static_cast<float>(part.x), static_cast<float>(part.y), part.angle, part.flipped,
                       part.note);
    }
    hopper_move(static_cast<float>(app_persist_scan_hopper_x), static_cast<float>(app_persist_scan_hopper_y));
    app_wall_hopper_dripping = app_persist_scan_drip;
    return 1;
}
