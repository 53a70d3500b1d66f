/* Tonweave song replayer for Master System and Game Gear games built with SDCC.
 *
 * Link console/tonweave.s (assembled with sdasz80) into the game, start a song exported
 * from the tracker as ".dadivev" data, and call tw_frame() once per frame from the
 * vertical-blank interrupt. The replayer uses about 105 bytes of RAM in the game's data
 * area and writes only to the sound chip (port 0x7F) and, when asked, to the Game Gear's
 * stereo port 0x06. See docs/console.md.
 */
#ifndef TONWEAVE_H
#define TONWEAVE_H

#define TW_CHANNEL2 0x04 /* tone channel 2, for tw_take and tw_give */
#define TW_NOISE 0x08    /* the noise channel */

/* Starts the song at `song`, which must stay mapped while it plays. */
void tw_start(const void *song) __sdcccall(1);
/* Starts a song that begins at offset 0 of ROM bank `bank` and runs on through the banks
 * after it. The replayer pages it through slots 1 and 2 during its calls and puts the
 * game's mapping back before returning, so its code must be linked below 0x4000. */
void tw_start_banked(unsigned char bank) __sdcccall(1);
/* One frame: call it once per vertical blank. Does nothing while stopped or paused. */
void tw_frame(void) __sdcccall(1);
/* Silences the music's channels; tw_frame does nothing until the next start. */
void tw_stop(void) __sdcccall(1);
/* Silences the music and holds it where it is; tw_resume goes on from there. */
void tw_pause(void) __sdcccall(1);
void tw_resume(void) __sdcccall(1);
/* 1 while a song is started (also while paused). */
unsigned char tw_playing(void) __sdcccall(1);

/* Music quieter by `att` steps of 2 dB (0 = as composed, 15 = silent). */
void tw_set_attenuation(unsigned char att) __sdcccall(1);
/* The game takes tone channel 2 and/or the noise channel (TW_CHANNEL2 | TW_NOISE) for its
 * own sounds: the replayer stops writing them. While tone channel 2 is taken, music noise
 * that follows channel 2's pitch is held silent too. tw_give hands them back; the next
 * frame writes the music's current state to them again. */
void tw_take(unsigned char channels) __sdcccall(1);
void tw_give(unsigned char channels) __sdcccall(1);
/* The rate the game calls tw_frame at (50 or 60). A song made for the other rate then keeps
 * its tempo: at 50 Hz a 60 Hz song plays an extra frame every fifth call, at 60 Hz a 50 Hz
 * song skips every sixth. 0 (the default) plays one frame per call. */
void tw_set_tempo_rate(unsigned char hz) __sdcccall(1);
/* Writes the song's stereo byte to port 0x06 every frame. Only for a Game Gear: on a
 * Master System that port switches memory off. Off by default. */
void tw_set_stereo(unsigned char on) __sdcccall(1);
/* Plays songs made for the chip at half clock ("2x") at the pitch they have in the tracker,
 * by doubling their periods. Takes effect at the next start. Off by default. */
void tw_tracker_pitch(unsigned char on) __sdcccall(1);

/* The markers ("CB" commands) of the lines read in the last tw_frame call, in order. */
extern unsigned char tw_marker_count;
extern unsigned char tw_markers[4];

#endif
