// What the replayer writes into the chip frame by frame: periods with detune, vibrato and
// "PV" offsets, attenuations from volume and envelope, noise control, stereo, and the
// channels that test notes borrow. Expected values are worked out by hand in the comments.
#include <vector>

#include "PlayerTestSupport.h"

namespace {

using PlayerChannels = PlayerFixture;

}  // namespace

TEST(PlayerTables, VolumeTableRowsAndSpotValues) {
    const uint8_t* v = Player::kVolumeTable;
    for (int c = 0; c < 16; ++c) {
        EXPECT_EQ(v[c], 0) << "level 0 is silent";
        EXPECT_EQ(v[0xF0 + c], c) << "level 15 passes the volume through";
        EXPECT_EQ(v[c * 16], 0) << "volume 0 is silent";
        EXPECT_EQ(v[c * 16 + 15], c) << "volume 15 gives the level";
    }
    for (int e = 0; e < 16; ++e)
        for (int c = 1; c < 16; ++c) {
            EXPECT_LE(v[e * 16 + c - 1], v[e * 16 + c]);
            if (e > 0) {
                EXPECT_LE(v[(e - 1) * 16 + c], v[e * 16 + c]);
            }
        }
    EXPECT_EQ(v[0x17], 0);
    EXPECT_EQ(v[0x18], 1);
    EXPECT_EQ(v[0x25], 0);
    EXPECT_EQ(v[0x26], 1);
    EXPECT_EQ(v[0x2B], 2);
    EXPECT_EQ(v[0x8C], 6);
    EXPECT_EQ(v[0x9B], 7);
    EXPECT_EQ(v[0xAC], 8);
    EXPECT_EQ(v[0xDB], 9);
    EXPECT_EQ(v[0xE8], 7);
}

TEST(PlayerTables, VibratoEntriesTruncateTowardZero) {
    const auto& t = Player::VibratoTable();
    EXPECT_EQ(t[0][15][7], 35);    // 28 * 35 / 28
    EXPECT_EQ(t[0][15][23], -35);
    EXPECT_EQ(t[0][8][1], 2);      // 7 * 9 / 28 = 2.25
    EXPECT_EQ(t[0][8][17], -2);    // -2.25 truncates to -2, not -3
    EXPECT_EQ(t[0][12][2], 9);     // 13 * 21 / 28 = 9.75
    EXPECT_EQ(t[1][13][0], 3);     // 4 * 25 / 28 = 3.57
    EXPECT_EQ(t[1][13][16], 3);    // second cycle of wave 1
    EXPECT_EQ(t[1][15][11], -35);
    EXPECT_EQ(t[2][1][0], 0);      // 10 / 28
    EXPECT_EQ(t[2][11][5], -17);   // -28 * 17 / 28
    EXPECT_EQ(t[2][9][3], 3);      // 10 * 11 / 28 = 3.9
    EXPECT_EQ(t[3][15][1], 35);
    EXPECT_EQ(t[3][15][3], -35);
    EXPECT_EQ(t[3][15][2], 0);
    for (int w = 0; w < 4; ++w)
        for (int p = 0; p < 128; ++p) {
            EXPECT_EQ(t[w][0][p], 0) << "strength 0 switches vibrato off";
            EXPECT_EQ(t[w][15][p], t[w][15][p % 32]) << "positions repeat every 32";
        }
}

TEST(PlayerTables, PlayableNotesByChannel) {
    for (int c = 0; c < 3; ++c) {
        EXPECT_FALSE(Player::IsPlayable(c, 44));
        EXPECT_TRUE(Player::IsPlayable(c, 45));
        EXPECT_TRUE(Player::IsPlayable(c, 119));
        EXPECT_FALSE(Player::IsPlayable(c, 120));
        EXPECT_FALSE(Player::IsPlayable(c, 155));
        EXPECT_TRUE(Player::IsPlayable(c, 246));
        EXPECT_FALSE(Player::IsPlayable(c, 247));
        EXPECT_FALSE(Player::IsPlayable(c, 255));
    }
    EXPECT_FALSE(Player::IsPlayable(3, 69));
    EXPECT_FALSE(Player::IsPlayable(3, 246));
    EXPECT_TRUE(Player::IsPlayable(3, 247));
    EXPECT_TRUE(Player::IsPlayable(3, 254));
    EXPECT_FALSE(Player::IsPlayable(3, 255));
}

TEST_F(PlayerChannels, NotesDetuneAndVolumeReachTheChip) {
    Note(0, 0, 69, 0, 15, -5);  // 254 - 5
    Note(0, 1, 69, 0, 15, 99);  // 254 + 99
    Note(0, 2, 45, 0, 4);       // period 1017, attenuation 11
    Play(8);
    Frame();
    EXPECT_EQ(Regs().period[0], 249);
    EXPECT_EQ(Regs().period[1], 353);
    EXPECT_EQ(Regs().period[2], 1017);
    EXPECT_EQ(Regs().attenuation[0], 0);
    EXPECT_EQ(Regs().attenuation[2], 11);
    EXPECT_EQ(Regs().attenuation[3], 15);
    EXPECT_EQ(player->channels[0].basePeriod, 249);
    EXPECT_EQ(player->channels[2].outputVolume, 4);
    EXPECT_EQ(player->channels[0].started, 1);
    Frame();
    EXPECT_EQ(player->channels[0].started, 0);
    EXPECT_EQ(Regs().period[0], 249);
}

TEST_F(PlayerChannels, VolumeEffectOverridesTheNoteAndChangesARunningNote) {
    Note(0, 0, 69, 0, 15);
    Effect(0, 0, kEffectVO, 5);
    Effect(1, 0, kEffectVO, 3);
    Note(2, 0, 72, 0, 9);
    Play(8);
    Frame();
    EXPECT_EQ(Regs().attenuation[0], 10);
    Frame();
    EXPECT_EQ(Regs().attenuation[0], 12);
    EXPECT_EQ(player->channels[0].note, 69);
    Frame();
    EXPECT_EQ(Regs().attenuation[0], 6);
}

TEST_F(PlayerChannels, EnvelopeLevelScalesTheVolume) {
    module->instruments[1].startVolume = 0x8F;  // level 8
    Note(0, 0, 69, 1, 12);                      // row 8, column 12: 6
    Play(8);
    Frame();
    EXPECT_EQ(player->channels[0].outputVolume, 6);
    EXPECT_EQ(Regs().attenuation[0], 9);
}

TEST_F(PlayerChannels, PitchOffsetsFollowTheRotatingMask) {
    Note(0, 0, 69);
    Note(0, 1, 69);
    Note(0, 2, 69);
    Note(0, 3, 251);
    Effect(0, 0, kEffectPV, 5);
    Effect(0, 1, kEffectPV, 0xFB);
    Effect(0, 3, kEffectPV, 9);  // the noise channel has no offset
    Global(4, 0, kGlobalPV, 0xFF);
    Global(8, 1, kGlobalPV, 0x00);
    Global(12, 0, kGlobalPV, 0x01);
    Play(8);
    // Mask 0x55 after the start, rotated before each line: lines 1 and 3 get offsets.
    // 0xFF from line 4, 0x00 from line 8, 0x01 from line 12 (that line and line 20).
    const std::vector<int> withOffset = {0, 1, 0, 1, 1, 1, 1, 1, 0, 0, 0, 0,
                                         1, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    for (size_t f = 0; f < withOffset.size(); ++f) {
        Frame();
        const int on = withOffset[f];
        EXPECT_EQ(Regs().period[0], on ? 259 : 254) << "frame " << f;
        EXPECT_EQ(Regs().period[1], on ? 249 : 254) << "frame " << f;
        EXPECT_EQ(Regs().period[2], 254) << "frame " << f;
        EXPECT_EQ(player->channels[1].pitchOffset, on ? -5 : 0);
    }
    EXPECT_EQ(player->pvOffset[0], 5);
    EXPECT_EQ(player->pvOffset[1], 0xFB);
    EXPECT_EQ(player->pvOffset[2], 0);
    EXPECT_EQ(player->muteMask, 0xFF);
    EXPECT_EQ(player->channels[3].pitchOffset, 0);
}

TEST_F(PlayerChannels, VibratoPlusOffsetWrapsAsAByte) {
    Instrument& ins = module->instruments[1];
    ins.vibSpeed[0] = 3;
    ins.vibStrength[0] = 15;  // 0, +35, 0, -35, ...
    Note(0, 0, 69, 1);
    Effect(0, 0, kEffectPV, 127);
    Global(0, 0, kGlobalPV, 0xFF);
    Play(8);
    const int expected[] = {254 + 127, 254 - 94, 254 + 127, 254 + 92};  // 35 + 127 = 162 = -94
    for (int f = 0; f < 4; ++f) {
        Frame();
        EXPECT_EQ(Regs().period[0], expected[f]) << "frame " << f;
    }
}

TEST_F(PlayerChannels, VibratoWaveRunsFromThePhaseValues) {
    Instrument& ins = module->instruments[2];
    ins.delay[0] = 2;
    ins.vibStrength[1] = 8;  // wave 0 scaled by 9 / 28 from phase 1 on
    ins.delay[1] = 0;
    Note(0, 1, 69, 2);
    Play(48);
    // Phase 0 has no vibrato; the position runs on regardless, so phase 1 starts at 2.
    const int expected[] = {254, 254, 254 + 4, 254 + 5, 254 + 7};
    for (int f = 0; f < 5; ++f) {
        Frame();
        EXPECT_EQ(Regs().period[1], expected[f]) << "frame " << f;
    }
    Frames(13);  // position 17: -7 * 9 / 28 = -2
    EXPECT_EQ(Regs().period[1], 252);
}

TEST_F(PlayerChannels, PhaseWithDelayZeroLastsTwoHundredFiftySixFrames) {
    Instrument& ins = module->instruments[2];
    ins.delay[0] = 0;
    ins.volumeAdd[1] = 0xF0;  // one level down per frame
    Note(0, 1, 69, 2);
    Play(48);
    for (int f = 0; f <= 256; ++f) {
        Frame();
        ASSERT_EQ(Regs().attenuation[1], 0) << "frame " << f;
    }
    EXPECT_EQ(player->channels[1].phase, 1);
    Frame();
    EXPECT_EQ(Regs().attenuation[1], 1);
    Frame();
    EXPECT_EQ(Regs().attenuation[1], 2);
}

TEST_F(PlayerChannels, LastPhaseReloadsEveryTwoHundredFiftySixFrames) {
    Instrument& ins = module->instruments[3];
    for (auto& d : ins.delay) d = 1;
    Note(0, 0, 69, 3);
    Play(48);
    Frames(4);  // phases 1, 2, 3 and then 4, kept as 3
    EXPECT_EQ(player->channels[0].phase, 3);
    // The note reads the live instrument, so a change shows when phase 4 is loaded again.
    ins.volumeAdd[4] = 0xF0;
    Frames(255);
    EXPECT_EQ(player->channels[0].volumeAdd, 0);
    Frame();  // frame 259
    EXPECT_EQ(player->channels[0].volumeAdd, 0xF0);
    EXPECT_EQ(player->channels[0].phase, 3);
    Frame();
    EXPECT_EQ(Regs().attenuation[0], 0);
    Frame();
    EXPECT_EQ(Regs().attenuation[0], 1);
    EXPECT_EQ(player->channels[0].active, 1);
}

TEST_F(PlayerChannels, FallingEnvelopeWrapsBackToTheTop) {
    Instrument& ins = module->instruments[4];
    ins.startVolume = 0xFF;
    for (auto& a : ins.volumeAdd) a = 0xFF;  // one sixteenth of a level per frame
    Note(0, 2, 69, 4);
    Play(48);
    std::vector<int> att;
    for (int f = 0; f < 258; ++f) {
        Frame();
        att.push_back(Regs().attenuation[2]);
    }
    EXPECT_EQ(att[0], 0);
    EXPECT_EQ(att[15], 0);
    EXPECT_EQ(att[16], 1);
    EXPECT_EQ(att[239], 14);
    EXPECT_EQ(att[240], 15);  // level 0 after 240 frames
    EXPECT_EQ(att[255], 15);
    EXPECT_EQ(att[256], 0);  // and level 15 sixteen frames later
    EXPECT_EQ(att[257], 0);
}

TEST_F(PlayerChannels, NulNoteGivesPeriodOfItsDetune) {
    Note(0, 0, 246, 0, 15, 0);
    Note(0, 1, 246, 0, 7, 100);
    Note(0, 2, 246, 0, 15, -1);
    Play(8);
    Frame();
    EXPECT_EQ(Regs().period[0], 0);  // the chip's steady level
    EXPECT_EQ(Regs().attenuation[0], 0);
    EXPECT_EQ(Regs().period[1], 100);
    EXPECT_EQ(Regs().attenuation[1], 8);
    EXPECT_EQ(Regs().period[2], 1023);  // 0 - 1 in ten bits
}

TEST_F(PlayerChannels, UnplayableNotesSilenceUntilTheNextPlayableOne) {
    const uint8_t notes[] = {69, 44, 255, 72, 120, 247, 45, 119, 155, 246};
    for (int l = 0; l < 10; ++l) Note(l, 0, notes[l]);
    Note(0, 3, 69);  // a tone value on the noise channel
    Play(8);
    struct Expect {
        int attenuation, period;
    };
    const Expect expected[] = {{0, 254},  {15, 254}, {15, 254}, {0, 214}, {15, 214},
                               {15, 214}, {0, 1017}, {0, 14},   {15, 14}, {0, 0}};
    for (int f = 0; f < 10; ++f) {
        Frame();
        EXPECT_EQ(Regs().attenuation[0], expected[f].attenuation) << "frame " << f;
        EXPECT_EQ(Regs().period[0], expected[f].period) << "frame " << f;
    }
    EXPECT_EQ(player->channels[3].active, 0);
    EXPECT_EQ(Regs().attenuation[3], 15);
    EXPECT_EQ(Regs().noiseRate, 0);
    EXPECT_EQ(Regs().noisePeriod, 0);
}

TEST_F(PlayerChannels, NoiseNotesWriteTheControlByteOnce) {
    Note(0, 3, 251, 0, 15);  // WHi: 0xE4
    Note(2, 2, 69);
    Note(2, 3, 250, 0, 9);   // PC2: 0xE3, follows channel 2's period of this frame
    Note(3, 3, 248, 0, 9);   // PMd: 0xE1
    Play(8);
    Frame();
    EXPECT_EQ(Regs().noiseWhite, 1);
    EXPECT_EQ(Regs().noiseRate, 0);
    EXPECT_EQ(Regs().noisePeriod, 16);
    EXPECT_EQ(Regs().noiseResetPending, 1);
    EXPECT_EQ(Regs().attenuation[3], 0);
    Frame();
    EXPECT_EQ(Regs().noiseResetPending, 0);
    EXPECT_EQ(Regs().attenuation[3], 0);
    Frame();
    EXPECT_EQ(Regs().noiseWhite, 0);
    EXPECT_EQ(Regs().noiseRate, 3);
    EXPECT_EQ(Regs().noisePeriod, 254);
    EXPECT_EQ(Regs().noiseResetPending, 1);
    EXPECT_EQ(Regs().attenuation[3], 6);
    Frame();
    EXPECT_EQ(Regs().noiseRate, 1);
    EXPECT_EQ(Regs().noisePeriod, 32);
    EXPECT_EQ(Regs().noiseResetPending, 1);
    Frame();
    EXPECT_EQ(Regs().noiseResetPending, 0);
}

TEST_F(PlayerChannels, StereoByteReachesTheChipEvenWhenStopped) {
    Global(1, 0, kGlobalST, 0x5A);
    Play(8);
    Frame();
    EXPECT_EQ(Regs().stereo, 0xFF);
    Frame();
    EXPECT_EQ(Regs().stereo, 0x5A);
    player->Stop();
    player->SetStereo(0x0F);
    Frame();
    EXPECT_EQ(Regs().stereo, 0x0F);
}

TEST_F(PlayerChannels, TimedTestNoteHidesTheSongUntilItsNextNote) {
    Note(0, 0, 57);  // period 508
    Note(2, 0, 48);
    Effect(2, 0, kEffectVO, 3);
    Effect(3, 0, kEffectPV, 40);
    Note(10, 0, 60);  // period 428
    Play(8);
    Frame();
    EXPECT_EQ(Regs().period[0], 508);
    const Instrument& ins = module->instruments[0];
    ASSERT_EQ(player->StartTestNote(0, 0, ins, 10, 69, 0, 5), 0);
    for (int f = 1; f <= 5; ++f) {
        EXPECT_EQ(player->testNoteActive[0], 1);
        Frame();
        EXPECT_EQ(Regs().period[0], 254) << "frame " << f;
        EXPECT_EQ(Regs().attenuation[0], 5) << "frame " << f;
    }
    EXPECT_EQ(player->channels[0].ended, 1);
    EXPECT_EQ(player->testNoteActive[0], 0);
    EXPECT_EQ(player->pvOffset[0], 0);
    for (int f = 6; f < 10; ++f) {
        Frame();
        EXPECT_EQ(Regs().attenuation[0], 15) << "frame " << f;
    }
    Frame();
    EXPECT_EQ(Regs().period[0], 428);
    EXPECT_EQ(Regs().attenuation[0], 0);
}

TEST_F(PlayerChannels, TestNotesPickFreeChannelsOfTheirType) {
    player->Bind(*module);
    const Instrument& ins = module->instruments[0];
    EXPECT_EQ(player->StartTestNote(0, -1, ins, 15, 251, 0, 0), -1);  // noise on a tone channel
    EXPECT_EQ(player->testNoteActive[0], 0);
    EXPECT_EQ(player->StartTestNote(0, -1, ins, 15, 69, 0, 0), 0);
    EXPECT_EQ(player->StartTestNote(0, -1, ins, 15, 72, 0, 0), 1);
    EXPECT_EQ(player->StartTestNote(0, -1, ins, 15, 76, 0, 0), 2);
    EXPECT_EQ(player->StartTestNote(0, -1, ins, 15, 79, 0, 0), -1);
    EXPECT_EQ(player->StartTestNote(1, -1, ins, 15, 69, 0, 0), -1);
    EXPECT_EQ(player->StartTestNote(1, -1, ins, 15, 252, 0, 0), 3);
    EXPECT_EQ(player->StartTestNote(1, -1, ins, 15, 252, 0, 0), -1);
    EXPECT_EQ(player->StartTestNote(7, -1, ins, 15, 69, 0, 0), -1);
    // A named channel is taken even when it has a test note already.
    EXPECT_EQ(player->StartTestNote(0, 1, ins, 15, 60, 0, 0), 1);
    EXPECT_EQ(player->StartTestNote(0, 3, ins, 15, 60, 0, 0), -1);
    EXPECT_EQ(player->StartTestNote(0, 4, ins, 15, 60, 0, 0), -1);
    EXPECT_EQ(player->StartTestNote(0, -2, ins, 15, 60, 0, 0), -1);
    player->StopTestNote(1);
    EXPECT_EQ(player->testNoteActive[1], 0);
    EXPECT_EQ(player->StartTestNote(0, -1, ins, 15, 79, 0, 0), 1);
    player->StopTestNote(9);
    player->StopAllTestNotes();
    for (int c = 0; c < 4; ++c) EXPECT_EQ(player->testNoteActive[c], 0);
}

TEST_F(PlayerChannels, TestNotesSoundWhileStoppedUntilReleased) {
    player->Bind(*module);
    Instrument ins = module->instruments[0];
    ins.startVolume = 0xFF;
    ASSERT_EQ(player->StartTestNote(0, -1, ins, 15, 69, 0, 0), 0);
    Frames(500);
    EXPECT_EQ(Regs().period[0], 254);
    EXPECT_EQ(Regs().attenuation[0], 0);
    EXPECT_EQ(player->testNoteActive[0], 1);
    player->StopTestNote(0);
    Frame();
    EXPECT_EQ(Regs().attenuation[0], 15);
    EXPECT_EQ(player->line, 0);
}

TEST_F(PlayerChannels, SongSkipsChannelsHeldByUntimedTestNotes) {
    Note(0, 0, 57);
    Note(1, 0, 60);
    Note(1, 1, 60);
    Play(8);
    const Instrument& ins = module->instruments[0];
    ASSERT_EQ(player->StartTestNote(0, 0, ins, 15, 69, 0, 0), 0);
    Frames(2);
    EXPECT_EQ(Regs().period[0], 254);
    EXPECT_EQ(Regs().period[1], 428);
    player->StopTestNote(0);
    player->Start(0, 0, 0);
    Frame();
    EXPECT_EQ(Regs().period[0], 508);
}

// The instrument editor starts test notes from its own copy of the instruments, which it
// edits and throws away while the note still sounds.
TEST_F(PlayerChannels, TestNotePlaysItsOwnCopyOfTheInstrument) {
    auto editorCopy = std::make_unique<Instrument>();
    editorCopy->startVolume = 0xF0;
    editorCopy->delay[0] = 2;
    editorCopy->delay[1] = 3;
    editorCopy->delay[2] = 255;
    editorCopy->delay[3] = 255;
    editorCopy->volumeAdd[1] = 0xF0;  // one level down per frame in phase 1
    Play(8);
    ASSERT_EQ(player->StartTestNote(0, 0, *editorCopy, 15, 69, 0, 0), 0);
    editorCopy->volumeAdd[1] = 0x20;
    editorCopy->delay[1] = 1;
    // Phase 0 holds level 15 for two frames, phase 1 steps down 14, 13 and 12, phase 2 holds.
    const int attenuation[8] = {0, 0, 0, 1, 2, 3, 3, 3};
    for (int f = 0; f < 8; ++f) {
        if (f == 3) editorCopy.reset();
        Frame();
        EXPECT_EQ(Regs().attenuation[0], attenuation[f]) << "frame " << f;
        EXPECT_EQ(Regs().period[0], 254) << "frame " << f;
    }
}
