; Tonweave song replayer for the Master System and Game Gear.
;
; Plays a compiled ".dadivev" song (docs/dadivev.md) one frame per call of _tw_frame, which
; a game makes from its frame interrupt. Built for SDCC's calling convention 1: the first
; byte argument comes in A, the first pointer in HL. IX is saved; every other register may
; be changed. The song data is trusted: it comes from the tracker's exporter.
;
; A song is either wholly addressable (_tw_start with a pointer) or starts at offset 0 of a
; ROM bank and runs on through the following banks (_tw_start_banked). A banked song is read
; through a 32 KB window of slots 1 and 2 of the cartridge mapper, so this code must lie
; below 0x4000; the game's mapping of both slots is put back before each call returns.

        .module tonweave

        .globl _tw_start, _tw_start_banked, _tw_frame, _tw_stop
        .globl _tw_pause, _tw_resume, _tw_set_attenuation
        .globl _tw_take, _tw_give, _tw_set_tempo_rate, _tw_set_stereo
        .globl _tw_tracker_pitch, _tw_playing
        .globl _tw_marker_count, _tw_markers

PSG     = 0x7F
GGSTEREO = 0x06
MAPPER1 = 0xFFFE
MAPPER2 = 0xFFFF

; bits of `state`
S_PLAYING = 0
S_PAUSED = 1
S_BANKED = 2
S_STEREO = 3            ; write the stereo byte to the Game Gear port
S_PITCH = 4             ; asked: play half-clock songs at the tracker's pitch
S_DOUBLE = 5            ; this song's periods are doubled

; one channel
C_FLAGS = 0             ; bit 0 active, bit 1 new note, bit 2 noise control to rewrite
C_VOLUME = 1
C_INS = 2               ; instrument record pointer (the lane leaves the number in the low byte)
C_BASE = 4              ; tone base period, or the noise control byte
C_PHASE = 6
C_FRAMES = 7
C_ENV = 8
C_ADD = 9
C_CURVE = 10            ; pointer to the phase's vibrato curve
C_VIB = 12
C_SIZE = 13

; one lane: read pointer, bank, lines to rest
L_PTR = 0
L_BANK = 2
L_REST = 3
L_SIZE = 4

        .area _DATA

state:          .ds 1
songbank:       .ds 1
songptr:        .ds 2
insptr:         .ds 2
curveptr:       .ds 2
part2:          .ds 2
part3:          .ds 2
nsteps:         .ds 2
loopstep:       .ds 2
songflags:      .ds 1
speed:          .ds 1
tick:           .ds 2
step:           .ds 2
line:           .ds 1
steplines:      .ds 1
stereo:         .ds 1
pvmask:         .ds 1
pvoffset:       .ds 3
lanes:          .ds 5 * L_SIZE
channels:       .ds 4 * C_SIZE
musicatt:       .ds 1
taken:          .ds 1
rate:           .ds 1
tempo:          .ds 1   ; 0 one frame a call, 1 an extra frame every fifth call, 2 none every sixth
tempocount:     .ds 1
_tw_marker_count:: .ds 1
_tw_markers::   .ds 4
ram_end:

        .area _CODE

; ---------------------------------------------------------------- starting and stopping

; void tw_start(const void *song) -- HL = the song
_tw_start::
        ld      a, (state)
        and     #((1 << S_STEREO) | (1 << S_PITCH))
        ld      (state), a
        ld      (songptr), hl
        jr      start_common

; void tw_start_banked(unsigned char bank) -- A = first bank of the song
_tw_start_banked::
        ld      (songbank), a
        ld      c, a
        ld      a, (state)
        and     #((1 << S_STEREO) | (1 << S_PITCH))
        or      #(1 << S_BANKED)
        ld      (state), a
        ld      hl, #0x4000
        ld      (songptr), hl
        ld      a, (MAPPER1)
        ld      b, a
        ld      a, (MAPPER2)
        push    af
        push    bc
        call    map_c
        call    start_common
        pop     bc
        pop     af
        ld      (MAPPER2), a
        ld      a, b
        ld      (MAPPER1), a
        ret

; HL = the mapped song. Reads the header, resets the chip and enters step 0.
start_common:
        ld      hl, (songptr)
        ld      de, #8
        add     hl, de
        ld      a, (hl)                 ; flags
        ld      (songflags), a
        inc     hl
        ld      a, (hl)
        ld      (speed), a
        inc     hl
        ld      a, (hl)
        ld      (stereo), a
        inc     hl
        ld      a, (hl)                 ; instrument count
        push    af
        ld      de, #3
        add     hl, de
        ld      e, (hl)
        inc     hl
        ld      d, (hl)
        inc     hl
        ld      (nsteps), de
        ld      e, (hl)
        inc     hl
        ld      d, (hl)
        inc     hl
        ld      (loopstep), de
        inc     hl                      ; block count
        inc     hl
        ld      e, (hl)
        inc     hl
        ld      d, (hl)
        ld      (part2), de
        ld      de, #3
        add     hl, de
        ld      e, (hl)
        inc     hl
        ld      d, (hl)
        ld      (part3), de
        ld      hl, (songptr)
        ld      de, #28
        add     hl, de
        ld      (insptr), hl
        pop     af                      ; curves follow the 15-byte instrument records
        ld      c, a
        add     a, a
        add     a, a
        add     a, a
        add     a, a
        sub     c                       ; at most 240, fits a byte
        ld      e, a
        ld      d, #0
        add     hl, de
        ld      (curveptr), hl

        ; the chip and the song state to their starting values
        ld      hl, #0
        ld      (tick), hl
        ld      (step), hl
        xor     a
        ld      (line), a
        ld      (tempocount), a
        ld      (_tw_marker_count), a
        ld      hl, #pvoffset
        ld      (hl), a
        inc     hl
        ld      (hl), a
        inc     hl
        ld      (hl), a
        ld      a, #0x55
        ld      (pvmask), a
        ld      hl, #channels
        ld      b, #(4 * C_SIZE)
1$:     ld      (hl), #0
        inc     hl
        djnz    1$
        call    silence
        ld      b, #0                   ; tone periods 0
2$:     ld      a, (taken)
        call    channel_free
        jr      z, 3$
        ld      a, b
        rrca
        rrca
        rrca
        or      #0x80
        out     (PSG), a
        xor     a
        out     (PSG), a
3$:     inc     b
        ld      a, b
        cp      #3
        jr      nz, 2$

        ld      hl, #state
        res     S_DOUBLE, (hl)
        bit     S_PITCH, (hl)
        jr      z, 4$
        ld      a, (songflags)
        bit     1, a
        jr      z, 4$
        set     S_DOUBLE, (hl)
4$:     call    choose_tempo
        call    enter_step
        ld      hl, #state
        set     S_PLAYING, (hl)
        res     S_PAUSED, (hl)
        ret

; void tw_stop(void)
_tw_stop::
        ld      hl, #state
        res     S_PLAYING, (hl)
        jr      silence

; void tw_pause(void)
_tw_pause::
        ld      hl, #state
        bit     S_PLAYING, (hl)
        ret     z
        set     S_PAUSED, (hl)
        jr      silence

; void tw_resume(void)
_tw_resume::
        ld      hl, #state
        res     S_PAUSED, (hl)
        ret

; unsigned char tw_playing(void) -- 1 while a song plays or is paused
_tw_playing::
        ld      a, (state)
        and     #1
        ret

; Attenuation 15 on every channel that the game has not taken.
silence:
        ld      b, #0
1$:     ld      a, (taken)
        call    channel_free
        jr      z, 2$
        ld      a, b
        rrca
        rrca
        rrca
        or      #0x9F
        out     (PSG), a
2$:     inc     b
        ld      a, b
        cp      #4
        jr      nz, 1$
        ret

; Z set when channel B is taken in the mask A, clear when it is free. Keeps B and C.
channel_free:
        or      a                       ; nothing taken, the usual case
        jr      nz, 2$
        inc     a
        ret
2$:     push    bc
        inc     b
1$:     rrca
        djnz    1$
        ccf
        sbc     a, a
        pop     bc
        or      a
        ret

; ---------------------------------------------------------------- settings

; void tw_set_attenuation(unsigned char att) -- music quieter by att steps of 2 dB
_tw_set_attenuation::
        cp      #16
        jr      c, 1$
        ld      a, #15
1$:     ld      (musicatt), a
        ret

; void tw_take(unsigned char channels) -- bit 2 tone channel 2, bit 3 noise
_tw_take::
        and     #0x0C
        ld      hl, #taken
        or      (hl)
        ld      (hl), a
        ret

; void tw_give(unsigned char channels)
_tw_give::
        and     #0x0C
        ret     z
        ld      hl, #taken
        cpl
        and     (hl)
        ld      (hl), a
        ; the game may have changed the noise mode; whoever owned it, write ours again
        ld      hl, #(channels + 3 * C_SIZE + C_FLAGS)
        set     2, (hl)
        ret

; void tw_set_tempo_rate(unsigned char hz) -- 50 or 60: the rate the game calls tw_frame at,
; so that songs made for the other rate keep their tempo; 0 plays one frame per call.
_tw_set_tempo_rate::
        ld      (rate), a
choose_tempo:
        ld      hl, #tempo
        ld      (hl), #0
        ld      a, (songflags)
        and     #1                      ; 1: the song is for 50 Hz
        ld      c, a
        ld      a, (rate)
        cp      #50
        jr      nz, 1$
        ld      a, c
        or      a
        ret     nz
        ld      (hl), #1
        ret
1$:     cp      #60
        ret     nz
        ld      a, c
        or      a
        ret     z
        ld      (hl), #2
        ret

; void tw_set_stereo(unsigned char on) -- write the stereo byte to the Game Gear port 0x06
_tw_set_stereo::
        ld      hl, #state
        res     S_STEREO, (hl)
        or      a
        ret     z
        set     S_STEREO, (hl)
        ret

; void tw_tracker_pitch(unsigned char on) -- songs made for the chip at half clock play at
; the pitch the tracker gives them (periods doubled); takes effect at the next start
_tw_tracker_pitch::
        ld      hl, #state
        res     S_PITCH, (hl)
        or      a
        ret     z
        set     S_PITCH, (hl)
        ret

; ---------------------------------------------------------------- one frame

; void tw_frame(void)
_tw_frame::
        ld      a, (state)
        and     #((1 << S_PLAYING) | (1 << S_PAUSED))
        cp      #(1 << S_PLAYING)
        ret     nz
        xor     a
        ld      (_tw_marker_count), a
        push    ix
        ld      a, (MAPPER1)            ; written back only for a banked song
        ld      b, a
        ld      a, (MAPPER2)
        push    af
        push    bc
        ld      a, (tempo)
        or      a
        jr      z, 2$
        ld      hl, #tempocount
        inc     (hl)
        dec     a
        jr      nz, 1$
        ld      a, (hl)                 ; a 60 Hz song at 50 Hz: six frames in five calls
        cp      #5
        jr      nz, 2$
        ld      (hl), #0
        call    frame
        jr      2$
1$:     ld      a, (hl)                 ; a 50 Hz song at 60 Hz: five frames in six calls
        cp      #6
        jr      nz, 2$
        ld      (hl), #0
        jr      3$
2$:     call    frame
        ld      a, (state)
        bit     S_STEREO, a
        jr      z, 3$
        ld      a, (stereo)
        out     (GGSTEREO), a
3$:     pop     bc
        pop     de
        ld      a, (state)
        bit     S_BANKED, a
        jr      z, 4$
        ld      a, d
        ld      (MAPPER2), a
        ld      a, b
        ld      (MAPPER1), a
4$:     pop     ix
        ret

frame:
        ld      hl, (tick)
        bit     7, h
        jr      nz, 1$
        ld      a, h
        or      l
        jr      nz, 3$
1$:     call    read_line
        ld      a, (speed)
        cp      #8
        jr      nc, 2$
        ld      a, #8                   ; such speeds read one line per frame
2$:     ld      e, a
        ld      d, #0
        ld      hl, (tick)
        add     hl, de
3$:     ld      de, #-8
        add     hl, de
        ld      (tick), hl
        bit     7, h
        jr      nz, 4$
        ld      a, h
        or      l
        jr      nz, update_all
4$:     ld      hl, #line
        inc     (hl)
        ld      a, (steplines)
        cp      (hl)
        jr      nz, update_all
        ld      (hl), #0
        ld      hl, (step)
        inc     hl
        ld      de, (nsteps)
        or      a
        sbc     hl, de
        add     hl, de
        jr      c, 5$
        ld      hl, (loopstep)
5$:     ld      (step), hl
        call    enter_step

update_all:
        ld      a, (state)
        bit     S_BANKED, a
        jr      z, 1$
        ld      a, (songbank)
        ld      c, a
        call    map_c
1$:     ld      ix, #channels
        ld      b, #0
2$:     ld      c, #0
        ld      a, (pvmask)
        rrca
        jr      nc, 3$
        ld      a, b
        cp      #3
        jr      z, 3$
        ld      hl, #pvoffset
        add     a, l
        ld      l, a
        adc     a, h
        sub     l
        ld      h, a
        ld      c, (hl)
3$:     push    bc
        call    update_channel
        pop     bc
        ld      de, #C_SIZE
        add     ix, de
        inc     b
        ld      a, b
        cp      #4
        jr      nz, 2$
        ret

; ---------------------------------------------------------------- steps and lanes

; Song offset A:HL (24 bits) to an address in HL; a banked song maps the window at the
; offset's bank, left in C.
offset_to_address:
        ld      c, a
        ld      a, (state)
        bit     S_BANKED, a
        jr      nz, 1$
        ld      de, (songptr)
        add     hl, de
        ret
1$:     ld      a, c
        add     a, a
        add     a, a
        ld      c, a
        ld      a, h
        rlca
        rlca
        and     #3
        add     a, c
        ld      c, a
        ld      a, (songbank)
        add     a, c
        ld      c, a
        ld      a, h
        and     #0x3F
        or      #0x40
        ld      h, a
map_c:
        ld      a, c
        ld      (MAPPER1), a
        inc     a
        ld      (MAPPER2), a
        ret

; Puts the five lanes at the start of the blocks of step `step`.
enter_step:
        ld      hl, (step)
        add     hl, hl
        add     hl, hl
        ld      d, h
        ld      e, l
        add     hl, hl
        add     hl, de                  ; 12 bytes a step
        ld      de, (part2)
        add     hl, de
        xor     a
        call    offset_to_address
        ld      a, (hl)
        ld      (steplines), a
        inc     hl
        inc     hl
        ld      de, #lanes              ; the block numbers wait in the lanes' pointers
        ld      b, #5
1$:     ld      a, (hl)
        ld      (de), a
        inc     hl
        inc     de
        ld      a, (hl)
        ld      (de), a
        inc     hl
        inc     de
        inc     de
        xor     a
        ld      (de), a
        inc     de
        djnz    1$
        ld      hl, #lanes
        ld      b, #5
2$:     push    bc
        push    hl
        ld      e, (hl)
        inc     hl
        ld      d, (hl)
        ex      de, hl
        add     hl, hl
        add     hl, hl
        ld      de, (part3)
        add     hl, de
        xor     a
        call    offset_to_address       ; the block's entry in the offset table
        ld      e, (hl)
        inc     hl
        ld      d, (hl)
        inc     hl
        ld      b, (hl)
        ld      hl, (part3)
        add     hl, de
        ld      a, b
        adc     a, #0
        call    offset_to_address
        ex      de, hl
        pop     hl
        ld      (hl), e
        inc     hl
        ld      (hl), d
        inc     hl
        ld      (hl), c
        inc     hl
        inc     hl
        pop     bc
        djnz    2$
        ret

; Reads one line: rotates the "PV" mask, then runs every lane that is not resting.
read_line:
        ld      hl, #pvmask
        rrc     (hl)
        ld      ix, #channels
        ld      hl, #lanes
        ld      b, #0
1$:     push    hl
        push    bc
        ld      de, #L_REST
        add     hl, de
        ld      a, (hl)
        or      a
        jr      nz, 2$
        pop     bc
        pop     hl
        push    hl
        push    bc
        call    run_lane
        pop     bc
        pop     hl
        push    hl
        push    bc
        ld      de, #L_REST
        add     hl, de
2$:     dec     (hl)
        pop     bc
        pop     hl
        ld      de, #L_SIZE
        add     hl, de
        ld      de, #C_SIZE
        add     ix, de
        inc     b
        ld      a, b
        cp      #5
        jr      nz, 1$
        ret

; HL = lane record, B = lane number, IX = its channel. Runs the lane's commands up to and
; including the next end of line.
run_lane:
        push    hl
        ld      a, (state)
        bit     S_BANKED, a
        jr      z, 1$
        inc     hl
        inc     hl
        ld      c, (hl)
        call    map_c
        dec     hl
        dec     hl
1$:     ld      a, (hl)
        inc     hl
        ld      h, (hl)
        ld      l, a
command:
        ld      a, (hl)
        inc     hl
        cp      #0x20
        jp      c, end_of_line
        cp      #0x30
        jr      nc, global
        sub     #0x20
        jr      z, note_off
        dec     a
        jr      z, tone_note
        dec     a
        jr      z, noise_note
        dec     a
        jr      z, pitch_offset
        ld      a, (hl)                 ; channel volume
        inc     hl
        ld      C_VOLUME(ix), a
        jp      command
note_off:
        res     0, C_FLAGS(ix)
        jp      command
tone_note:
        ld      a, (hl)
        inc     hl
        ld      C_BASE(ix), a
        ld      a, (hl)
        inc     hl
        ld      C_BASE+1(ix), a
        jr      start_note
noise_note:
        ld      a, (hl)
        inc     hl
        ld      C_BASE(ix), a
start_note:
        ld      a, (hl)                 ; the instrument is set up by the channel update,
        inc     hl                      ; which sees the song's start in a banked window
        ld      C_INS(ix), a
        ld      a, (hl)
        inc     hl
        ld      C_VOLUME(ix), a
        ld      a, C_FLAGS(ix)
        or      #3
        ld      C_FLAGS(ix), a
        jp      command
pitch_offset:
        ld      a, b
        cp      #3
        ld      a, (hl)
        inc     hl
        jr      nc, command
        push    hl
        ld      hl, #pvoffset
        ld      e, b
        ld      d, #0
        add     hl, de
        ld      (hl), a
        pop     hl
        jp      command
global:
        sub     #0x30
        jr      z, set_speed
        dec     a
        jr      z, set_stereo
        dec     a
        jr      z, marker
        ld      a, (hl)
        inc     hl
        ld      (pvmask), a
        jp      command
set_speed:
        ld      a, (hl)
        inc     hl
        ld      (speed), a
        jp      command
set_stereo:
        ld      a, (hl)
        inc     hl
        ld      (stereo), a
        jp      command
marker:
        ld      a, (hl)
        inc     hl
        push    hl
        ld      hl, #_tw_marker_count
        ld      e, (hl)
        ld      d, #0
        bit     2, e
        jr      nz, 1$                  ; four kept: two lines of two
        inc     (hl)
        ld      hl, #_tw_markers
        add     hl, de
        ld      (hl), a
1$:     pop     hl
        jp      command
end_of_line:
        inc     a
        ex      de, hl
        pop     hl
        ld      (hl), e
        inc     hl
        ld      (hl), d
        inc     hl
        inc     hl
        ld      (hl), a                 ; rest
        ld      a, (state)
        bit     S_BANKED, a
        ret     z
        bit     7, d                    ; past the first bank of the window: move it on
        ret     z
        ld      a, d
        sub     #0x40
        dec     hl
        dec     hl
        ld      (hl), a
        inc     hl
        inc     (hl)
        ret

; ---------------------------------------------------------------- channels

; IX = channel, B = its number, C = the "PV" offset of this frame.
update_channel:
        ld      a, C_FLAGS(ix)
        bit     0, a
        jr      nz, 1$
        and     #0xFD
        ld      C_FLAGS(ix), a
        ld      e, #15
        jp      write_attenuation
1$:     bit     1, a
        call    nz, init_note
        ld      a, b
        cp      #3
        jr      z, noise

        ; tone: period = base + (curve + offset as a byte), 10 bits
        ld      l, C_CURVE(ix)
        ld      h, C_CURVE+1(ix)
        ld      a, C_VIB(ix)
        and     #31
        add     a, l
        ld      l, a
        adc     a, h
        sub     l
        ld      h, a
        ld      a, (hl)
        add     a, c
        ld      e, a
        rla
        sbc     a, a
        ld      d, a
        ld      l, C_BASE(ix)
        ld      h, C_BASE+1(ix)
        add     hl, de
        ld      a, h
        and     #3
        ld      h, a
        ld      a, (state)
        bit     S_DOUBLE, a
        jr      z, 3$
        bit     1, h                    ; above 511 the doubled period does not fit
        jr      z, 2$
        ld      hl, #0x3FF
        jr      3$
2$:     add     hl, hl
3$:     ld      a, (taken)
        call    channel_free
        jr      z, volume
        ld      a, b
        rrca
        rrca
        rrca
        or      #0x80
        ld      e, a
        ld      a, l
        and     #0x0F
        or      e
        out     (PSG), a
        ld      a, l
        rrca
        rrca
        rrca
        rrca
        and     #0x0F
        ld      e, a
        ld      a, h
        rlca
        rlca
        rlca
        rlca
        or      e
        out     (PSG), a
        jr      volume

noise:
        ld      a, C_FLAGS(ix)
        and     #6
        jr      z, volume
        ld      a, (taken)
        bit     3, a
        jr      nz, volume
        call    noise_held
        jr      z, 1$
        set     2, C_FLAGS(ix)          ; written once tone channel 2 is given back
        jr      volume
1$:     ld      a, C_BASE(ix)
        out     (PSG), a
        res     2, C_FLAGS(ix)

volume:
        ld      a, C_ENV(ix)
        and     #0xF0
        or      C_VOLUME(ix)
        ld      hl, #volume_table
        add     a, l
        ld      l, a
        adc     a, h
        sub     l
        ld      h, a
        ld      a, #15
        sub     (hl)
        ld      hl, #musicatt
        add     a, (hl)
        cp      #16
        jr      c, 1$
        ld      a, #15
1$:     ld      e, a
        call    write_attenuation

        ; advance vibrato, envelope and phase
        ld      a, C_VIB(ix)
        inc     a
        and     #127
        ld      C_VIB(ix), a
        ld      a, C_ENV(ix)
        add     a, C_ADD(ix)
        ld      C_ENV(ix), a
        dec     C_FRAMES(ix)
        jr      nz, 3$
        inc     C_PHASE(ix)
        ld      l, C_INS(ix)
        ld      h, C_INS+1(ix)
        ld      e, C_PHASE(ix)
        ld      d, #0
        add     hl, de
        push    hl
        ld      e, #5
        add     hl, de
        ld      a, (hl)
        ld      C_ADD(ix), a
        add     hl, de
        ld      a, (hl)
        call    set_curve
        pop     hl
        ld      a, C_PHASE(ix)
        cp      #4
        jr      nz, 2$
        ld      C_FRAMES(ix), #0        ; phase 4 reloads every 256 frames, to no effect
        ld      C_PHASE(ix), #3
        jr      3$
2$:     inc     hl
        ld      a, (hl)
        ld      C_FRAMES(ix), a
3$:     res     1, C_FLAGS(ix)
        ret

; Z clear while tone channel 2 is taken and the music noise follows its pitch.
noise_held:
        ld      a, (taken)
        and     #4
        ret     z
        ld      a, C_BASE(ix)
        cpl
        and     #3
        jr      z, 1$
        xor     a
        ret
1$:     inc     a
        ret

; Attenuation E to channel B unless the game holds it.
write_attenuation:
        ld      a, (taken)
        call    channel_free
        ret     z
        ld      a, b
        cp      #3
        jr      nz, 1$
        call    noise_held
        jr      z, 1$
        ld      e, #15
1$:     ld      a, b
        rrca
        rrca
        rrca
        or      #0x90
        or      e
        out     (PSG), a
        ret

; A new note: the instrument number becomes its record pointer, phase 0 is loaded.
init_note:
        ld      a, C_INS(ix)
        ld      l, a
        ld      h, #0
        add     hl, hl
        add     hl, hl
        add     hl, hl
        add     hl, hl
        ld      e, a
        ld      d, #0
        or      a
        sbc     hl, de
        ld      de, (insptr)
        add     hl, de
        ld      C_INS(ix), l
        ld      C_INS+1(ix), h
        ld      a, (hl)
        ld      C_ENV(ix), a
        inc     hl
        ld      a, (hl)
        ld      C_FRAMES(ix), a
        ld      de, #4
        add     hl, de
        ld      a, (hl)
        ld      C_ADD(ix), a
        ld      e, #5
        add     hl, de
        ld      a, (hl)
        call    set_curve
        xor     a
        ld      C_PHASE(ix), a
        ld      C_VIB(ix), a
        ret

; C_CURVE = the address of curve A.
set_curve:
        ld      l, a
        ld      h, #0
        add     hl, hl
        add     hl, hl
        add     hl, hl
        add     hl, hl
        add     hl, hl
        ld      de, (curveptr)
        add     hl, de
        ld      C_CURVE(ix), l
        ld      C_CURVE+1(ix), h
        ret

; out = volume_table[(envelope AND 0xF0) OR volume]; the attenuation is 15 - out.
volume_table:
        .db 0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0
        .db 0,0,0,0,0,0,0,0,1,1,1,1,1,1,1,1
        .db 0,0,0,0,0,0,1,1,1,1,1,2,2,2,2,2
        .db 0,0,0,0,1,1,1,1,2,2,2,2,3,3,3,3
        .db 0,0,0,1,1,1,2,2,2,2,3,3,3,4,4,4
        .db 0,0,0,1,1,1,2,2,3,3,4,4,4,4,5,5
        .db 0,0,1,1,2,2,2,3,3,4,4,4,5,5,6,6
        .db 0,0,1,1,2,2,3,3,4,4,5,5,6,6,7,7
        .db 0,1,1,2,2,3,3,4,4,5,5,6,6,7,7,8
        .db 0,1,1,2,2,3,4,4,5,5,6,7,7,8,8,9
        .db 0,1,1,2,3,4,4,5,5,6,6,7,8,9,9,10
        .db 0,1,2,2,3,4,4,5,6,7,7,8,9,9,10,11
        .db 0,1,2,3,3,4,5,6,6,7,8,9,9,10,11,12
        .db 0,1,2,3,4,4,5,6,7,8,9,9,10,11,12,13
        .db 0,1,2,3,4,5,6,7,7,8,9,10,11,12,13,14
        .db 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15
tw_code_end:

; Sizes for the build's cost report.
tw_code_bytes == tw_code_end - _tw_start
tw_ram_bytes == ram_end - state
        .globl tw_code_bytes, tw_ram_bytes
