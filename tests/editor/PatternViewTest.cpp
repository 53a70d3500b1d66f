// Cursor movement, frames, geometry, scrolling and redraw flags of the pattern view.
#include "EditorTestSupport.h"

using namespace keys;

TEST(PatternView, ResetValues) {
    EditorRig rig;
    const PatternView& v = *rig.view;
    EXPECT_EQ(v.step, 1);
    EXPECT_EQ(v.octave, 3);
    EXPECT_EQ(v.volume, 15);
    EXPECT_EQ(v.testMode, 0);
    EXPECT_EQ(v.channelMask, 0xFFFFFFFFu);
    EXPECT_EQ(v.lineColours[0], 7);
    EXPECT_EQ(v.lineColours[255], 7);
    EXPECT_EQ(v.dirty, 511u);
    EXPECT_EQ(v.visibleLines, 32);
    EXPECT_STREQ(v.lineText, v.geometry.layoutTemplate);
}

TEST(PatternView, CursorStopsAtEdgesAndEndGoesToLastLine) {
    EditorRig rig;
    rig.Key(kUp);
    rig.Key(kLeft);
    EXPECT_EQ(rig.view->cursorLine, 0);
    EXPECT_EQ(rig.view->cursorColumn, 0);
    rig.Key(kEnd);
    EXPECT_EQ(rig.view->cursorLine, 63);
    EXPECT_EQ(rig.view->scrollTop, 32);
    rig.Key(kHome);
    EXPECT_EQ(rig.view->cursorLine, 0);
    EXPECT_EQ(rig.view->scrollTop, 0);
    for (int i = 0; i < 20; ++i) rig.Key(kRight);
    EXPECT_EQ(rig.view->cursorColumn, 13);
}

TEST(PatternView, ChannelJumps) {
    EditorRig rig;
    const struct {
        int from;
        uint8_t key;
        int to;
    } cases[] = {{10, kRight, 12}, {12, kRight, 13}, {13, kLeft, 12}, {12, kLeft, 9},
                 {0, kRight, 3},   {8, kRight, 11},  {9, kRight, 12}, {13, kRight, 13},
                 {2, kLeft, 0}};
    for (const auto& c : cases) {
        rig.Cursor(c.from, 0);
        rig.Key(c.key, kModCtrl);
        EXPECT_EQ(rig.view->cursorColumn, c.to) << "from " << c.from;
    }
}

TEST(PatternView, ShiftExtendsTheFrame) {
    EditorRig rig;
    rig.Cursor(4, 5);
    rig.Key(kDown, 1);
    rig.Key(kDown, 2);
    const Frame f = rig.view->GetSelection();
    EXPECT_EQ(f.y, 5);
    EXPECT_EQ(f.height, 3);
    EXPECT_EQ(f.x, 4);
    EXPECT_EQ(f.width, 1);
    EXPECT_EQ(rig.view->anchorLine, 5);
    rig.Key(kDown);
    EXPECT_EQ(rig.view->GetSelection().height, 1);
    EXPECT_EQ(rig.view->anchorLine, 8);
}

TEST(PatternView, StepJumpsSelectAllAndPageKeys) {
    EditorRig rig;
    rig.view->step = 4;
    rig.Key(kDown, kModCtrl);
    EXPECT_EQ(rig.view->cursorLine, 4);
    rig.Key(kSpace);
    EXPECT_EQ(rig.view->cursorLine, 8);
    rig.Key(kUp, kModCtrl);
    EXPECT_EQ(rig.view->cursorLine, 4);
    rig.Key(kPageDown);
    EXPECT_EQ(rig.view->cursorLine, 36);
    rig.Key(kSpace, 1);
    const Frame f = rig.view->GetSelection();
    EXPECT_EQ(f.y, 0);
    EXPECT_EQ(f.height, 64);
}

TEST(PatternView, GeometryPerScreen) {
    const ColumnGeometry narrow = ColumnGeometry::ForScreen(640);
    EXPECT_TRUE(narrow.narrow);
    EXPECT_EQ(narrow.channelWidth, 120);
    EXPECT_EQ(narrow.areaWidth, 608);
    EXPECT_EQ(narrow.layoutTemplate[narrow.fields.global1Letters], 'S');
    EXPECT_EQ(narrow.layoutTemplate[narrow.fields.global2Letters + 1], 'T');
    for (int w : {800, 848, 960, 1024, 1280}) {
        const ColumnGeometry g = ColumnGeometry::ForScreen(w);
        EXPECT_FALSE(g.narrow);
        EXPECT_EQ(g.channelWidth, 156);
        EXPECT_EQ(g.areaWidth, 768);
        EXPECT_EQ(g.layoutTemplate[g.fields.global1Letters], 'S');
        EXPECT_EQ(g.layoutTemplate[g.fields.global2Value + 2], 'F');
        // Every channel's fields lie 24 characters apart.
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(g.layoutTemplate[g.fields.note + 24 * c], 'D');
            EXPECT_EQ(g.layoutTemplate[g.fields.effect + 24 * c], 'P');
            EXPECT_EQ(g.layoutTemplate[g.fields.param + 24 * c], 'a');
        }
    }
    const int heights[][2] = {{400, 16}, {480, 22}, {600, 32}, {768, 46}, {1024, 66}};
    for (const auto& h : heights) EXPECT_EQ(VisibleLinesForHeight(h[0]), h[1]);
}

TEST(PatternView, MouseColumnsFollowTheGeometry) {
    const ColumnGeometry g = ColumnGeometry::ForScreen(800);
    EXPECT_EQ(g.ColumnAt(32), 0);
    EXPECT_EQ(g.ColumnAt(32 + 55), 0);
    EXPECT_EQ(g.ColumnAt(32 + 56), 1);
    EXPECT_EQ(g.ColumnAt(32 + 104), 2);
    EXPECT_EQ(g.ColumnAt(32 + 156 * 3 + 60), 10);
    EXPECT_EQ(g.ColumnAt(32 + 156 * 4), 12);
    EXPECT_EQ(g.ColumnAt(32 + 156 * 4 + 56), 13);
    EXPECT_EQ(g.ColumnAt(767), 13);
}

TEST(PatternView, MouseSelectionIsRecordedAsAMove) {
    EditorRig rig;
    std::vector<EditCommand> recorded;
    rig.view->hooks.recordCommand = [](void* ctx, const EditCommand& cmd) {
        static_cast<std::vector<EditCommand>*>(ctx)->push_back(cmd);
    };
    rig.view->hooks.recordContext = &recorded;
    rig.Cursor(1, 2);
    rig.view->SetSelectionFromMouse(1, 2, 4, 9);  // drag from the anchor
    rig.view->SetSelectionFromMouse(6, 3, 6, 3);  // a new click
    ASSERT_EQ(recorded.size(), 2u);
    EXPECT_EQ(recorded[0].code, kCmdMove);
    EXPECT_EQ(recorded[0].a, 1);
    EXPECT_EQ(recorded[0].c, 3);
    EXPECT_EQ(recorded[0].d, 7);
    EXPECT_EQ(recorded[1].a, 0);
    EXPECT_EQ(recorded[1].c, 2);
    EXPECT_EQ(recorded[1].d, -6);
    // Replaying them gives the same frames.
    EditorRig replay;
    replay.Cursor(1, 2);
    replay.view->ExecuteCommand(recorded[0]);
    EXPECT_EQ(replay.view->GetSelection().height, 8);
    replay.view->ExecuteCommand(recorded[1]);
    EXPECT_EQ(replay.view->GetViewState().anchorColumn, 6);
    EXPECT_EQ(replay.view->GetViewState().cursorLine, 3);
}

TEST(PatternView, ShortPatternKeepsScrollTopAtZero) {
    EditorRig rig;
    rig.module->SetPatternLength(0, 10);
    rig.view->Clamp();
    rig.Key(kPageDown);
    EXPECT_EQ(rig.view->cursorLine, 9);
    EXPECT_EQ(rig.view->scrollTop, 0);
}

TEST(PatternView, ClampAfterThePatternShrank) {
    EditorRig rig;
    rig.Select(2, 10, 5, 60);
    rig.view->ScrollTo(32);
    rig.module->SetPatternLength(0, 20);
    rig.view->Clamp();
    EXPECT_EQ(rig.view->cursorLine, 19);
    EXPECT_EQ(rig.view->anchorLine, 10);
    EXPECT_EQ(rig.view->scrollTop, 0);
}

TEST(PatternView, MovingTheCursorRedrawsNoLine) {
    EditorRig rig;
    rig.view->dirty = 0;
    rig.Key(kDown);
    rig.Key(kRight);
    EXPECT_EQ(rig.view->dirty, static_cast<uint32_t>(kRedrawOverlay));
}

TEST(PatternView, ScrollingByOneLineRedrawsOneRow) {
    EditorRig rig;
    rig.Cursor(0, 31);
    rig.view->dirty = 0;
    rig.Key(kDown);
    EXPECT_EQ(rig.view->scrollTop, 1);
    EXPECT_EQ(rig.view->dirty, static_cast<uint32_t>(kRedrawOverlay | kRedrawRange));
    EXPECT_EQ(rig.view->redrawFirst, 32);
    EXPECT_EQ(rig.view->redrawCount, 1);
    rig.view->dirty = 0;
    rig.view->ScrollBy(-1);
    EXPECT_EQ(rig.view->redrawFirst, 0);
    EXPECT_EQ(rig.view->redrawCount, 1);
    rig.view->dirty = 0;
    rig.view->ScrollBy(40);
    EXPECT_TRUE(rig.view->dirty & kRedrawLines);
}

TEST(PatternView, FollowPlaybackScrollsByExposedLines) {
    EditorRig rig;
    rig.view->following = 1;
    rig.view->FollowPlayback(16, 0);
    EXPECT_EQ(rig.view->scrollTop, 0);
    rig.view->dirty = 0;
    rig.view->FollowPlayback(17, 0);
    EXPECT_EQ(rig.view->scrollTop, 1);
    EXPECT_EQ(rig.view->playLine, 17);
    EXPECT_TRUE(rig.view->dirty & kRedrawRange);
    EXPECT_FALSE(rig.view->dirty & kRedrawLines);
    EXPECT_EQ(rig.view->redrawFirst, 32);
    EXPECT_EQ(rig.view->redrawCount, 1);
    rig.view->dirty = 0;
    rig.view->FollowPlayback(5, 0);
    EXPECT_EQ(rig.view->scrollTop, 0);
    EXPECT_EQ(rig.view->dirty & (kRedrawLines | kRedrawOverlay), kRedrawLines | kRedrawOverlay);
}

TEST(PatternView, FollowPlaybackRedrawsAllOnANewSongPosition) {
    EditorRig rig;
    rig.module->MakePattern(1);
    rig.module->SetPatternLength(0, 8);
    rig.module->SetPatternLength(1, 8);
    rig.module->orderList[1] = 1;
    rig.module->songLength = 2;
    rig.view->Clamp();
    rig.view->FollowPlayback(7, 0);
    rig.view->dirty = 0;
    rig.view->FollowPlayback(0, 1);
    EXPECT_EQ(rig.view->scrollTop, 0);
    EXPECT_EQ(rig.view->currentPattern, 1);
    EXPECT_TRUE(rig.view->dirty & kRedrawLines);
    EXPECT_TRUE(rig.view->dirty & kRedrawOrderList);
}

TEST(PatternView, SoloAndMute) {
    EditorRig rig;
    Player player;
    std::recursive_mutex lock;
    player.Bind(*rig.module);
    rig.view->BindPlayer(&player, &lock);
    rig.view->SoloChannel(2);
    EXPECT_EQ(rig.view->channelMask & 15, 4u);
    EXPECT_EQ(player.GetMuteMask() & 15, 4);
    rig.view->SoloChannel(2);
    EXPECT_EQ(rig.view->channelMask & 15, 15u);
    EXPECT_EQ(player.GetMuteMask() & 15, 15);
    rig.view->dirty = 0;
    rig.view->ToggleChannel(1);
    EXPECT_EQ(rig.view->channelMask & 15, 13u);
    EXPECT_TRUE(rig.view->dirty & kRedrawTitles);
}

TEST(PatternView, ViewStateRoundTripsAndSelectsThePattern) {
    EditorRig rig;
    rig.module->MakePattern(3);
    rig.module->orderList[1] = 3;
    rig.module->songLength = 2;
    ViewState s{1, 2, 5, 40, 1};
    rig.view->SetViewState(s);
    EXPECT_EQ(rig.view->currentPattern, 3);
    const ViewState got = rig.view->GetViewState();
    EXPECT_EQ(got.cursorLine, 40);
    EXPECT_EQ(got.anchorColumn, 1);
    EXPECT_EQ(got.songPosition, 1);
}
