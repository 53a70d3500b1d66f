// The demo song that ships with the tracker: it loads, plays a pass of sensible length, uses
// only notes its channels can play, and no instrument envelope wraps round (a click).
#include <cstdlib>

#include "PlayerTestSupport.h"
#include "sound/SongTiming.h"

namespace {

class DemoSongTest : public PlayerFixture {
public:
    void SetUp() override {
        PlayerFixture::SetUp();
        module->Load(std::string(TW_SOURCE_DIR) + "/assets/demo/demo.quavex");
    }
};

}  // namespace

TEST_F(DemoSongTest, PlaysAboutFortyFiveSecondsAndLoopsIntoTheVerse) {
    const SongTiming t = ComputeSongTiming(*module, 0, 3);
    EXPECT_GT(t.seconds, 30.0f);
    EXPECT_LT(t.seconds, 90.0f);
    EXPECT_GT(t.cursorFrame, 0u);
    EXPECT_GT(module->repeatPosition, 0);
}

TEST_F(DemoSongTest, EveryNoteIsPlayableAndEnvelopesNeverWrap) {
    for (int pos = 0; pos < module->songLength; ++pos) {
        const Pattern& p = module->patterns[module->orderList[pos]];
        ASSERT_TRUE(p.used);
        for (int l = 0; l < p.length; ++l)
            for (int c = 0; c < kChannels; ++c) {
                const uint8_t note = p.lines[l].note[c];
                if (note != kNoteEmpty) {
                    EXPECT_TRUE(Player::IsPlayable(c, note)) << pos << ":" << l << ":" << c;
                }
            }
    }
    player->Bind(*module);
    player->Start(0, 0, 0);
    uint8_t level[4] = {};
    int sounding[4] = {};
    do {
        player->PlayFrame();
        for (int c = 0; c < kChannels; ++c) {
            const ChannelState& s = player->channels[c];
            const uint8_t now = s.envelope >> 4;
            // Within a note the envelope moves a few levels per frame at most; a wrap jumps
            // across the whole range.
            if (s.active && !s.started) {
                EXPECT_LT(std::abs(now - level[c]), 8) << "channel " << c;
            }
            if (s.active && s.outputVolume > 0) ++sounding[c];
            level[c] = now;
        }
    } while (!player->looped);
    for (int c = 0; c < kChannels; ++c) EXPECT_GT(sounding[c], 500) << "channel " << c;
}
