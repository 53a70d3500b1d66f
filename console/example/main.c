/* The smallest game that uses the replayer: music from the first frame, button 1 fires a
 * falling beep on tone channel 2 over the music, button 2 pauses and resumes. */
#include "tonweave.h"

__sfr __at 0x7F psg;
__sfr __at 0xBF vdp_control;
__sfr __at 0xDC joypad;

extern const unsigned char song[];
volatile unsigned char frames;

static void vdp_register(unsigned char reg, unsigned char value) {
    vdp_control = value;
    vdp_control = 0x80 | reg;
}

static void wait_frame(void) {
    unsigned char now = frames;
    while (frames == now) {
    }
}

void main(void) {
    unsigned char beep = 0, paused = 0, last = 0xFF, pad;
    unsigned int period = 0;

    vdp_register(0, 0x04);
    vdp_register(1, 0xA0); /* screen off, frame interrupt on */
    tw_tracker_pitch(1);
    tw_set_tempo_rate(60);
    tw_start(song);
    __asm__("ei");

    for (;;) {
        wait_frame();
        pad = joypad;
        if (!(pad & 0x10) && (last & 0x10) && !beep) { /* button 1 pressed */
            tw_take(TW_CHANNEL2);
            beep = 24;
            period = 120;
        }
        if (!(pad & 0x20) && (last & 0x20)) { /* button 2 pressed */
            paused = !paused;
            if (paused)
                tw_pause();
            else
                tw_resume();
        }
        last = pad;
        if (beep) {
            psg = 0xC0 | (period & 0x0F);
            psg = period >> 4;
            psg = 0xD0 | (15 - beep / 2 > 15 ? 15 : 15 - beep / 2);
            period += 12;
            if (--beep == 0) {
                psg = 0xDF;
                tw_give(TW_CHANNEL2);
            }
        }
    }
}
