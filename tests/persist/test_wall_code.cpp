// Wall codes: digits, the version 2 encoder, the scanner of versions 1 and 2 and the loader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "app/entry/entry.hpp"
#include "app/persist/persist.hpp"
#include "app/world/world.hpp"

namespace {

void set_code(std::string_view text) {
    ASSERT_LE(text.size(), static_cast<size_t>(kCodeCapacity));
    std::memcpy(app_persist_code, text.data(), text.size());
    if (text.size() < static_cast<size_t>(kCodeCapacity)) app_persist_code[text.size()] = 0;
    app_persist_code_length = static_cast<int32_t>(text.size());
}

std::string code_text() {
    const int32_t n = std::clamp(app_persist_code_length, 0, kCodeCapacity);
    return std::string(reinterpret_cast<const char*>(app_persist_code), static_cast<size_t>(n));
}

/** Everything of the wall a code load may change. */
struct WallImage {
    std::vector<int32_t> ints;
    std::vector<float> floats;
    bool operator==(const WallImage&) const = default;
};

WallImage wall_image() {
    WallImage w;
    for (const int32_t* a : {app_wall_pieces_active, app_wall_pieces_kind, app_wall_pieces_angle,
                             app_wall_pieces_flipped, app_wall_pieces_note, app_wall_pieces_held}) {
        w.ints.insert(w.ints.end(), a, a + kPieceCapacity);
    }
    for (const float* a : {app_wall_pieces_x, app_wall_pieces_y})
        w.floats.insert(w.floats.end(), a, a + kPieceCapacity);
    w.ints.insert(w.ints.end(), {app_wall_width_step, app_wall_height_step, app_wall_revision, app_wall_hopper_dripping,
                                 app_wall_hopper_timer, app_wall_hopper_sequence});
    w.floats.insert(w.floats.end(), {app_wall_width, app_wall_height, app_wall_hopper_x, app_wall_hopper_y});
    return w;
}

std::string code_of_records(int32_t count) {
    std::string code = "MW2AACWBGB";
    for (int32_t k = 0; k < count; ++k) code += "GAtGQEs";
    return code;
}

std::string v1_of_records(int32_t count) {
    std::string code = "MW1|150,70,1|";
    for (int32_t k = 0; k < count; ++k) code += "3,400,300,45,0,0;";
    return code;
}

class WallCode : public ::testing::Test {
protected:
    void SetUp() override { app_init(); }
};

// ---------------------------------------------------------------------------------------------
// Digits and numbers

TEST_F(WallCode, DigitAlphabetIsBase64Url) {
    struct Case {
        int32_t c;
        int32_t value;
    };
    const Case cases[] = {{'A', 0},  {'Z', 25}, {'a', 26}, {'z', 51}, {'0', 52}, {'9', 61}, {'-', 62},
                          {'_', 63}, {'+', -1}, {'/', -1}, {'=', -1}, {' ', -1}, {0, -1},   {-1, -1},
                          {200, -1}, {'@', -1}, {'[', -1}, {'`', -1}, {'{', -1}};
    for (const Case& c : cases) EXPECT_EQ(code_digit_value(c.c), c.value) << c.c;
    for (int32_t v = 0; v < 64; ++v) EXPECT_EQ(code_digit_value(code_digit_char(v)), v);
    EXPECT_EQ(code_digit_char(-7), 'A');
    EXPECT_EQ(code_digit_char(64), '_');
}

TEST_F(WallCode, PutDigitsWritesFixedWidthMostSignificantFirst) {
    struct Case {
        int32_t value;
        int32_t count;
        const char* text;
    };
    const Case cases[] = {{150, 2, "CW"},  {70, 2, "BG"}, {4095, 2, "__"}, {0, 3, "AAA"},
                          {4096, 2, "AA"}, {1, 1, "B"},   {0, 0, ""}};
    for (const Case& c : cases) {
        set_code("");
        code_put_digits(c.value, c.count);
        EXPECT_EQ(code_text(), c.text) << c.value;
        EXPECT_EQ(app_persist_code[app_persist_code_length], 0);
    }
}

TEST_F(WallCode, ReadDigitsStopsAtBadCharacterOrEnd) {
    set_code("CW_");
    app_persist_cursor = 0;
    app_persist_ok = 1;
    EXPECT_EQ(code_read_digits(2), 150);
    EXPECT_EQ(app_persist_ok, 1);
    EXPECT_EQ(code_read_digits(2), 0);  // one digit, then the end
    EXPECT_EQ(app_persist_ok, 0);

    set_code("A*");
    app_persist_cursor = 0;
    app_persist_ok = 1;
    EXPECT_EQ(code_read_digits(2), 0);
    EXPECT_EQ(app_persist_ok, 0);
}

TEST_F(WallCode, ReadIntTakesSignAndAtMostNineDigits) {
    struct Case {
        const char* text;
        int32_t value;
        int32_t ok;
        int32_t cursor;
    };
    const Case cases[] = {
        {"150,", 150, 1, 3},
        {"-12;", -12, 1, 3},
        {"0", 0, 1, 1},
        {"1234567890", 123456789, 1, 9},
        {"-999999999", -999999999, 1, 10},
        {"-", 0, 0, 1},
        {",", 0, 0, 0},
        {"", 0, 0, 0},
        {"--1", 0, 0, 1},
    };
    for (const Case& c : cases) {
        set_code(c.text);
        app_persist_cursor = 0;
        app_persist_ok = 1;
        EXPECT_EQ(code_read_int(), c.value) << c.text;
        EXPECT_EQ(app_persist_ok, c.ok) << c.text;
        EXPECT_EQ(app_persist_cursor, c.cursor) << c.text;
    }
}

TEST_F(WallCode, ExpectAndPeek) {
    set_code("|,");
    app_persist_cursor = 0;
    app_persist_ok = 1;
    EXPECT_EQ(code_peek(), '|');
    code_expect('|');
    EXPECT_EQ(app_persist_cursor, 1);
    code_expect(';');
    EXPECT_EQ(app_persist_ok, 0);
    EXPECT_EQ(app_persist_cursor, 1);
    app_persist_cursor = 2;
    EXPECT_EQ(code_peek(), -1);
    app_persist_cursor = -3;
    EXPECT_EQ(code_peek(), -1);
}

// ---------------------------------------------------------------------------------------------
// Encoding

TEST_F(WallCode, DefaultWallEncodes) {
    wall_code_encode();
    EXPECT_EQ(code_text(), "MW2AACWBGB");
    ASSERT_GE(wall_add_piece(3, 400, 300, 45, 0, 0), 0);
    wall_code_encode();
    EXPECT_EQ(code_text(), "MW2AACWBGBGAtGQEs");
    EXPECT_EQ(app_persist_code[app_persist_code_length], 0);
}

TEST_F(WallCode, EncoderTruncatesAndClamps) {
    const int32_t slot = wall_add_piece(3, 400, 300, 45, 0, 0);
    ASSERT_EQ(slot, 0);
    struct Case {
        float x;
        int32_t written;
    };
    // Positions written straight into the state, as a host restore may leave them.
    const Case cases[] = {{399.8f, 399}, {-3.5f, 0}, {5000.0f, 4095}, {4095.9f, 4095}, {0.99f, 0}};
    for (const Case& c : cases) {
        app_wall_pieces_x[slot] = c.x;
        wall_code_encode();
        app_persist_cursor = 13;
        app_persist_ok = 1;
        EXPECT_EQ(code_read_digits(2), c.written) << c.x;
    }
    app_wall_pieces_x[slot] = 400;
    app_wall_pieces_kind[slot] = 12;
    app_wall_pieces_note[slot] = 9;
    app_wall_pieces_angle[slot] = 400;
    app_wall_pieces_flipped[slot] = 5;
    app_wall_width_step = 9;
    app_wall_height_step = -2;
    wall_code_encode();
    EXPECT_EQ(wall_code_scan(), 1);
    EXPECT_EQ(app_persist_scan_width_step, 6);
    EXPECT_EQ(app_persist_scan_height_step, 0);
    app_persist_cursor = 10;
    app_persist_ok = 1;
    EXPECT_EQ(code_read_digits(3), ((8 * 2 + 1) * 8 + 7) * 512 + 359);
}

TEST_F(WallCode, EncoderSkipsFreeSlotsAndKeepsSlotOrder) {
    wall_add_piece(0, 100, 100, 0, 0, 0);
    wall_add_piece(1, 200, 200, 0, 0, 0);
    wall_add_piece(2, 300, 300, 0, 0, 0);
    wall_remove_piece(1);
    wall_code_encode();
    EXPECT_EQ(app_persist_code_length, 10 + 2 * 7);
    ASSERT_EQ(wall_code_load(), 1);
    EXPECT_EQ(app_wall_pieces_kind[0], 0);
    EXPECT_EQ(app_wall_pieces_kind[1], 2);
    EXPECT_EQ(app_wall_pieces_active[2], 0);
}

// ---------------------------------------------------------------------------------------------
// Scanning

TEST_F(WallCode, ValidCodesScan) {
    struct Case {
        std::string code;
        int32_t version, width_step, height_step, hopper_x, hopper_y, drip, count;
    };
    const Case cases[] = {
        {"MW2AACWBGB", 2, 0, 0, 150, 70, 1, 0},
        {"MW2AACWBGBGAtGQEs", 2, 0, 0, 150, 70, 1, 1},
        {"MW2GG____A", 2, 6, 6, 4095, 4095, 0, 0},
        {code_of_records(100), 2, 0, 0, 150, 70, 1, 100},
        {"MW1|150,70,1|", 1, 0, 0, 150, 70, 1, 0},
        {"MW1|150,70,1|3,400,300,45,0,0;", 1, 0, 0, 150, 70, 1, 1},
        {"MW1|-5,99999,2|", 1, 0, 0, -5, 99999, 0, 0},
        {"MW1|1,2,0|8,-1,-1,-720,7,-9;0,0,0,0,1,0;", 1, 0, 0, 1, 2, 0, 2},
        {v1_of_records(100), 1, 0, 0, 150, 70, 1, 100},
    };
    for (const Case& c : cases) {
        set_code(c.code);
        ASSERT_EQ(wall_code_scan(), 1) << c.code;
        EXPECT_EQ(app_persist_scan_version, c.version) << c.code;
        EXPECT_EQ(app_persist_scan_width_step, c.width_step) << c.code;
        EXPECT_EQ(app_persist_scan_height_step, c.height_step) << c.code;
        EXPECT_EQ(app_persist_scan_hopper_x, c.hopper_x) << c.code;
        EXPECT_EQ(app_persist_scan_hopper_y, c.hopper_y) << c.code;
        EXPECT_EQ(app_persist_scan_drip, c.drip) << c.code;
        EXPECT_EQ(app_persist_scan_count, c.count) << c.code;
        EXPECT_EQ(app_persist_scan_start, c.version == 2 ? 10 : static_cast<int32_t>(c.code.find('|', 4)) + 1);
    }
}

TEST_F(WallCode, EveryRejectionOfTheScanner) {
    // clang-format off
    const std::string cases[] = {
        // Header.
        "", "M", "MW2", "MW1", "mw2AACWBGB", "MX2AACWBGB", "MW3AACWBGB", "MW0AACWBGB", "XW2AACWBGB",
        // Version 2 length: not 10 + 7n, or more than 100 records.
        "MW2AACWBG", "MW2AACWBGB\n", "MW2AACWBGBGAtGQE", "MW2AACWBGBGAtGQEsA", code_of_records(101),
        // Version 2 fields: size steps above 6, drip above 1, characters outside the alphabet.
        "MW2HACWBGB", "MW2AHCWBGB", "MW2__CWBGB", "MW2AACWBGC", "MW2AACWBG_", "MW2AAC*BGB", "MW2AACWBG=",
        "MW2AACW GB", std::string("MW2AACW\0GB", 10),
        // Version 2 records: angle 360..511, kind 9 and above, a bad digit.
        "MW2AACWBGBAFoAAAA", "MW2AACWBGBAH_AAAA", "MW2AACWBGBSAAAAAA", "MW2AACWBGB___AAAA", "MW2AACWBGBGAtGQE+",
        // Version 1 header.
        "MW1150,70,1|", "MW1|150,70,1", "MW1|150,70|", "MW1|150;70,1|", "MW1|,70,1|", "MW1|-,70,1|",
        "MW1|150,70,1;", "MW1|1234567890,70,1|", "MW1|+150,70,1|", "MW1| 150,70,1|",
        // Version 1 records: missing ";", missing field, bad kind, trailing text, too many records.
        "MW1|150,70,1|3,400,300,45,0,0", "MW1|150,70,1|3,400,300,45,0;", "MW1|150,70,1|9,400,300,45,0,0;",
        "MW1|150,70,1|-1,400,300,45,0,0;", "MW1|150,70,1|;", "MW1|150,70,1|3,400,300,45,0,0;;",
        "MW1|150,70,1|3,400,300,45,0,0;\n", "MW1|150,70,1| ", "MW1|150,70,1|3,4000000000,300,45,0,0;",
        "MW1|150,70,1|3,400,300,45,0,0;3", v1_of_records(101),
    };
    // clang-format on
    for (const std::string& code : cases) {
        set_code(code);
        app_persist_scan_version = 77;
        EXPECT_EQ(wall_code_scan(), 0) << code;
        EXPECT_EQ(app_persist_scan_version, 77) << code;  // scan results only change on success
    }
}

TEST_F(WallCode, LengthOutsideTheArrayIsNotAWallCode) {
    set_code("MW2AACWBGB");
    for (int32_t length : {-1, -10, kCodeCapacity + 1, 5000, INT32_MAX, INT32_MIN}) {
        app_persist_code_length = length;
        EXPECT_EQ(wall_code_scan(), 0) << length;
        EXPECT_EQ(wall_code_load(), 0) << length;
    }
}

TEST_F(WallCode, FullArrayWithoutTerminatorIsReadWithinBounds) {
    // Records of 9-digit numbers, the last one cut off by the end of the array in its fifth number.
    std::string code = "MW1|150,70,1|";
    while (code.size() + 60 <= static_cast<size_t>(kCodeCapacity)) {
        code += "000000003,000000400,000000300,000000045,000000000,000000000;";
    }
    code += std::string("000000003,000000400,000000300,000000045,0000000000").substr(0, kCodeCapacity - code.size());
    ASSERT_EQ(code.size(), static_cast<size_t>(kCodeCapacity));
    set_code(code);
    EXPECT_EQ(wall_code_scan(), 0);
    EXPECT_EQ(app_persist_cursor, kCodeCapacity);

    set_code(code.substr(0, 13 + 29 * 60));
    EXPECT_EQ(wall_code_scan(), 1);
    EXPECT_EQ(app_persist_scan_count, 29);
}

TEST_F(WallCode, ScanLeavesTheWall) {
    wall_add_piece(5, 500, 400, 10, 1, 0);
    const WallImage before = wall_image();
    for (const std::string& code : {std::string("MW2GG____A") + "GAtGQEs", std::string("MW1|9,9,0|1,1,1,1,1,1;"),
                                    std::string("MW2AACWBGBGAtGQE")}) {
        set_code(code);
        wall_code_scan();
        EXPECT_EQ(wall_image(), before) << code;
    }
}

// ---------------------------------------------------------------------------------------------
// Loading

TEST_F(WallCode, RejectedLoadLeavesTheWall) {
    wall_add_piece(5, 500, 400, 10, 1, 0);
    wall_set_size(3, 2);
    app_wall_hopper_dripping = 0;
    const WallImage before = wall_image();
    for (const char* code : {"MW2AACWBGB\n", "MW1|150,70,1|3,400,300,45,0,0", "MW2", "MW2AACWBGBAFoAAAA"}) {
        set_code(code);
        EXPECT_EQ(wall_code_load(), 0) << code;
        EXPECT_EQ(wall_image(), before) << code;
    }
}

TEST_F(WallCode, LoadVersion2) {
    wall_add_piece(0, 100, 100, 0, 0, 0);
    app_wall_hopper_dripping = 0;
    const int32_t revision = app_wall_revision;
    set_code("MW2AACWBGBGAtGQEs");
    ASSERT_EQ(wall_code_load(), 1);
    EXPECT_GT(app_wall_revision, revision);
    EXPECT_EQ(app_wall_pieces_active[0], 1);
    EXPECT_EQ(app_wall_pieces_active[1], 0);
    EXPECT_EQ(app_wall_pieces_kind[0], 3);
    EXPECT_EQ(app_wall_pieces_x[0], 400.0f);
    EXPECT_EQ(app_wall_pieces_y[0], 300.0f);
    EXPECT_EQ(app_wall_pieces_angle[0], 45);
    EXPECT_EQ(app_wall_pieces_flipped[0], 0);
    EXPECT_EQ(app_wall_pieces_note[0], 0);
    EXPECT_EQ(app_wall_hopper_x, 150.0f);
    EXPECT_EQ(app_wall_hopper_y, 70.0f);
    EXPECT_EQ(app_wall_hopper_dripping, 1);
}

TEST_F(WallCode, LoadVersion1AppliesTheWallLimits) {
    set_code("MW1|-5,99999,2|3,400,300,45,0,0;8,99999,-4,-5,2,9;6,500,500,370,1,3;");
    ASSERT_EQ(wall_code_load(), 1);
    EXPECT_EQ(app_wall_width, 1600.0f);
    EXPECT_EQ(app_wall_hopper_x, 50.0f);
    EXPECT_EQ(app_wall_hopper_y, 800.0f - 240.0f);
    EXPECT_EQ(app_wall_hopper_dripping, 0);
    struct Part {
        int32_t kind;
        float x, y;
        int32_t angle, flipped, note;
    };
    const Part parts[] = {{3, 400, 300, 45, 0, 0}, {8, 1580, 30, 355, 0, 5}, {6, 500, 500, 10, 1, 3}};
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(app_wall_pieces_active[i], 1) << i;
        EXPECT_EQ(app_wall_pieces_kind[i], parts[i].kind) << i;
        EXPECT_EQ(app_wall_pieces_x[i], parts[i].x) << i;
        EXPECT_EQ(app_wall_pieces_y[i], parts[i].y) << i;
        EXPECT_EQ(app_wall_pieces_angle[i], parts[i].angle) << i;
        EXPECT_EQ(app_wall_pieces_flipped[i], parts[i].flipped) << i;
        EXPECT_EQ(app_wall_pieces_note[i], parts[i].note) << i;
    }
    EXPECT_EQ(app_wall_pieces_active[3], 0);
}

TEST_F(WallCode, LoadResetsTheSizeAndClampsToIt) {
    wall_set_size(6, 6);
    set_code("MW2BA____A");  // width step 1: 2000 by 800
    ASSERT_EQ(wall_code_load(), 1);
    EXPECT_EQ(app_wall_width_step, 1);
    EXPECT_EQ(app_wall_height_step, 0);
    EXPECT_EQ(app_wall_width, 2000.0f);
    EXPECT_EQ(app_wall_height, 800.0f);
    EXPECT_EQ(app_wall_hopper_x, 1950.0f);
    EXPECT_EQ(app_wall_hopper_y, 560.0f);
}

TEST_F(WallCode, EncodeLoadRoundTrip) {
    wall_set_size(4, 5);
    hopper_move(1234.0f, 777.0f);
    app_wall_hopper_dripping = 0;
    struct Part {
        int32_t kind;
        float x, y;
        int32_t angle, flipped, note;
    };
    const Part parts[] = {{0, 20, 30, 0, 0, 0},    {8, 3180, 1700, 359, 1, 5}, {6, 999.5f, 512.25f, 185, 1, 3},
                          {4, 2047, 64, 90, 0, 0}, {1, 4000, 4000, 271, 0, 0}, {7, 1, 1, 1, 1, 1}};
    for (const Part& p : parts) ASSERT_GE(wall_add_piece(p.kind, p.x, p.y, p.angle, p.flipped, p.note), 0);
    wall_remove_piece(2);
    wall_code_encode();
    const std::string code = code_text();
    EXPECT_EQ(code.size(), 10u + 7u * 5u);

    starter_wall_load(1);
    app_wall_hopper_dripping = 1;
    set_code(code);
    ASSERT_EQ(wall_code_load(), 1);
    EXPECT_EQ(app_wall_width_step, 4);
    EXPECT_EQ(app_wall_height_step, 5);
    EXPECT_EQ(app_wall_hopper_x, 1234.0f);
    EXPECT_EQ(app_wall_hopper_y, 777.0f);
    EXPECT_EQ(app_wall_hopper_dripping, 0);
    int32_t slot = 0;
    for (int32_t i = 0; i < 6; ++i) {
        if (i == 2) continue;
        const Part& p = parts[i];
        EXPECT_EQ(app_wall_pieces_kind[slot], p.kind) << i;
        EXPECT_EQ(app_wall_pieces_x[slot], static_cast<float>(static_cast<int32_t>(std::clamp(p.x, 20.0f, 3180.0f))));
        EXPECT_EQ(app_wall_pieces_y[slot], static_cast<float>(static_cast<int32_t>(std::clamp(p.y, 30.0f, 1700.0f))));
        EXPECT_EQ(app_wall_pieces_angle[slot], p.angle) << i;
        EXPECT_EQ(app_wall_pieces_flipped[slot], p.flipped) << i;
        EXPECT_EQ(app_wall_pieces_note[slot], p.note) << i;
        ++slot;
    }
    EXPECT_EQ(app_wall_pieces_active[5], 0);
    wall_code_encode();
    EXPECT_EQ(code_text(), code);
}

TEST_F(WallCode, HundredPartsRoundTrip) {
    for (int32_t i = 0; i < kPieceCapacity; ++i) {
        ASSERT_EQ(wall_add_piece(i % 9, 20.0f + 15.0f * i, 30.0f + 6.0f * i, (i * 37) % 360, i % 2, i % 6), i);
    }
    wall_code_encode();
    EXPECT_EQ(app_persist_code_length, 710);
    const std::string code = code_text();
    wall_clear_pieces();
    ASSERT_EQ(wall_code_load(), 1);
    EXPECT_EQ(app_persist_scan_count, 100);
    wall_code_encode();
    EXPECT_EQ(code_text(), code);
}

}  // namespace
