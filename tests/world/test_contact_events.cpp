// Contact events: the per-tick list, its capacity and the note of the struck piece.
#include "world_support.hpp"

namespace {

using ContactEvents = WorldTest;

TEST_F(ContactEvents, PushStoresEveryField) {
    const int32_t chime = wall_add_piece(kKindChime, 500, 300, 0, 0, 4);
    events_push(4, 2, -1, 333.5f, 501, 302, 300, chime);
    events_push(16, 1, 2, 90, 10, 20, 700, -1);
    ASSERT_EQ(app_events_count, 2);
    EXPECT_EQ(app_events_items_sound[0], 4);
    EXPECT_EQ(app_events_items_marble_kind[0], 2);
    EXPECT_EQ(app_events_items_other_kind[0], -1);
    EXPECT_EQ(app_events_items_strength[0], 333.5f);
    EXPECT_EQ(app_events_items_x[0], 501.0f);
    EXPECT_EQ(app_events_items_y[0], 302.0f);
    EXPECT_EQ(app_events_items_delay[0], 300);
    EXPECT_EQ(app_events_items_piece[0], chime);
    EXPECT_EQ(app_events_items_note[0], 4);
    EXPECT_EQ(app_events_items_other_kind[1], 2);
    EXPECT_EQ(app_events_items_note[1], 0);
}

TEST_F(ContactEvents, NoteOnlyForPieceSlots) {
    for (int32_t i = 0; i < kPieceCapacity; ++i) app_wall_pieces_note[i] = 3;
    const int32_t pieces[] = {-1, 0, 99, 100, 101, 102, 5000};
    const int32_t notes[] = {0, 3, 3, 0, 0, 0, 0};
    for (size_t i = 0; i < std::size(pieces); ++i) {
        events_clear();
        events_push(0, 0, -1, 100, 0, 0, 0, pieces[i]);
        EXPECT_EQ(app_events_items_note[0], notes[i]) << pieces[i];
    }
}

TEST_F(ContactEvents, SeventyPushesKeepSixtyFour) {
    for (int32_t i = 0; i < 70; ++i) events_push(i % 9, 0, -1, static_cast<float>(i), 0, 0, 0, -1);
    EXPECT_EQ(app_events_count, kEventCapacity);
    EXPECT_EQ(app_events_dropped, 6);
    EXPECT_EQ(app_events_items_strength[63], 63.0f);
    events_clear();
    EXPECT_EQ(app_events_count, 0);
    EXPECT_EQ(app_events_dropped, 0);
}

TEST_F(ContactEvents, UiEventSound) {
    ui_event_sound(620, 40, 50, kSoundPutDown);
    ASSERT_EQ(app_events_count, 1);
    EXPECT_EQ(app_events_items_sound[0], kSoundPutDown);
    EXPECT_EQ(app_events_items_marble_kind[0], 0);
    EXPECT_EQ(app_events_items_other_kind[0], -1);
    EXPECT_EQ(app_events_items_strength[0], 620.0f);
    EXPECT_EQ(app_events_items_x[0], 40.0f);
    EXPECT_EQ(app_events_items_y[0], 50.0f);
    EXPECT_EQ(app_events_items_delay[0], 0);
    EXPECT_EQ(app_events_items_piece[0], -1);
}

TEST_F(ContactEvents, RestoredCountsStayInTheList) {
    app_events_count = -5;
    events_push(1, 0, -1, 1, 0, 0, 0, -1);
    EXPECT_EQ(app_events_count, 1);
    app_events_count = 500;
    app_events_dropped = 0;
    events_push(1, 0, -1, 1, 0, 0, 0, -1);
    EXPECT_EQ(app_events_count, 500);
    EXPECT_EQ(app_events_dropped, 1);
    app_events_dropped = INT32_MAX;
    events_push(1, 0, -1, 1, 0, 0, 0, -1);  // wraps instead of overflowing
    EXPECT_EQ(app_events_dropped, INT32_MIN);
}

}  // namespace
