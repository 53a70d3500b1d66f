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

; bits of `wflags`, which is 0 in the usual case: nothing taken, periods as they are
W_TAKEN2 = 2            ; the game holds tone channel 2
W_TAKEN3 = 3            ; the game holds the noise channel
W_DOUBLE = 5            ; this song's periods are doubled

; one channel: first its lane (lines still to rest, read pointer, bank), then the fields
; in the order in which its update reads them. The global lane follows the four channels
; and has only the lane fields.
L_REST = 0
L_PTR = 1
L_BANK = 3
C_FLAGS = 4             ; bit 0 active, bit 1 new note, bit 2 noise control to rewrite,
                        ; bit 3 the vibrato curve moves, bit 4 the "PV" offset is not 0,
                        ; bit 5 the envelope moves, bit 6 period and attenuation to work
                        ; out again (a note, a volume, a phase or the chip changed)
C_VIB = 5               ; vibrato position; only its low five bits count
C_CURVE = 6             ; pointer to the phase's vibrato curve
C_PV = 8                ; the channel's "PV" offset
C_BASE = 9              ; tone base period (10 bits), or the noise control byte
C_LASTP = 11            ; period last written to the chip; 0xFFFF: none
C_ADD = 13
C_ENV = 14
C_VOLUME = 15
C_LASTA = 16            ; attenuation last written, before the music attenuation (noise:
                        ; after it); 0xFF: none
C_FRAMES = 17
C_PHASE = 18
C_INS = 19              ; instrument record pointer (the lane leaves the number in the low byte)
C_SIZE = 21

        .area _DATA

state:          .ds 1
songbank:       .ds 1
songptr:        .ds 2
insptr:         .ds 2
curveptr:       .ds 2
part2:          .ds 2
part3:          .ds 2   ; offset of part 3; its address for a song that is not banked
nsteps:         .ds 2
loopstep:       .ds 2
songflags:      .ds 1
speed:          .ds 1
tick:           .ds 1   ; the song's tick plus 7: a line is due below 8
step:           .ds 2
line:           .ds 1
steplines:      .ds 1
stereo:         .ds 1
pvmask:         .ds 1
channels:       .ds 4 * C_SIZE + 4
musicatt:       .ds 1
wflags:         .ds 1
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
        ld      hl, (songptr)
        ld      a, (state)
        bit     S_BANKED, a
        jr      nz, 5$
        add     hl, de                  ; an addressable song keeps the address of part 3
        ex      de, hl
5$:     ld      (part3), de
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
        ld      (step), hl
        ld      a, #7
        ld      (tick), a               ; the song's tick 0
        xor     a
        ld      (line), a
        ld      (tempocount), a
        ld      (_tw_marker_count), a
        ld      a, #0x55
        ld      (pvmask), a
        ld      hl, #channels
        ld      b, #(4 * C_SIZE + 4)
1$:     ld      (hl), #0
        inc     hl
        djnz    1$
        call    silence
        ld      b, #0                   ; tone periods 0
2$:     ld      a, (wflags)
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

        ld      hl, #wflags
        res     W_DOUBLE, (hl)
        ld      a, (state)
        bit     S_PITCH, a
        jr      z, 4$
        ld      a, (songflags)
        bit     1, a
        jr      z, 4$
        set     W_DOUBLE, (hl)
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
1$:     ld      a, (wflags)
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

; The next frame writes every period and attenuation, whatever it was.
forget_chip:
        ld      hl, #(channels + C_FLAGS)
        ld      b, #4
1$:     set     6, (hl)
        ld      de, #(C_LASTP - C_FLAGS)
        add     hl, de
        ld      (hl), #0xFF
        inc     hl
        ld      (hl), #0xFF
        ld      de, #(C_LASTA - C_LASTP - 1)
        add     hl, de
        ld      (hl), #0xFF
        ld      de, #(C_SIZE - (C_LASTA - C_FLAGS))
        add     hl, de
        djnz    1$
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
        jr      forget_chip

; void tw_take(unsigned char channels) -- bit 2 tone channel 2, bit 3 noise
_tw_take::
        and     #0x0C
        ld      hl, #wflags
        or      (hl)
        ld      (hl), a
        jr      forget_chip             ; the noise may have to be held

; void tw_give(unsigned char channels)
_tw_give::
        and     #0x0C
        ret     z
        ld      hl, #wflags
        cpl
        and     (hl)
        ld      (hl), a
        ; the game may have changed the noise mode; whoever owned it, write ours again
        ld      hl, #(channels + 3 * C_SIZE + C_FLAGS)
        set     2, (hl)
        jr      forget_chip

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
        ld      hl, #state
        ld      a, (hl)
        and     #((1 << S_PLAYING) | (1 << S_PAUSED))
        dec     a                       ; 0 when playing and not paused
        ret     nz
        ld      (_tw_marker_count), a
        ld      a, (hl)
        and     #(1 << S_BANKED)
        ld      hl, #tempo
        or      (hl)
        jr      nz, slow_frame          ; neither banked nor keeping tempo: the usual case
        push    ix
        call    advance
        call    update_all
        pop     ix
stereo_out:
        ld      a, (state)
        bit     S_STEREO, a
        ret     z
        ld      a, (stereo)
        out     (GGSTEREO), a
        ret

slow_frame:
        push    ix
        ld      a, (MAPPER1)            ; the game's mapping, put back on return
        ld      b, a
        ld      a, (MAPPER2)
        push    af
        push    bc
        call    frames
        pop     bc
        pop     af
        ld      (MAPPER2), a
        ld      a, b
        ld      (MAPPER1), a
        pop     ix
        ret

; The frames of one call: one, or two or none now and then to keep the song's tempo.
frames:
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
        ret
2$:     call    frame
        jr      stereo_out

frame:
        call    advance
        ld      a, (state)
        bit     S_BANKED, a
        call    nz, map_song
update_all:
        ld      a, (pvmask)
        rrca
        sbc     a, a
        ld      c, a                    ; 0xFF when this frame's "PV" offsets apply
        ld      b, #0x80
        ld      hl, #(channels + C_FLAGS)
        call    update_tone
        ld      b, #0xA0
        ld      hl, #(channels + C_SIZE + C_FLAGS)
        call    update_tone
        ld      b, #0xC0
        ld      hl, #(channels + 2 * C_SIZE + C_FLAGS)
        call    update_tone
        ld      hl, #(channels + 3 * C_SIZE + C_FLAGS)
        jp      update_noise

; Reads a line when one is due and moves on through the song. The song's tick runs from -7
; to 247 and is kept plus 7, in a byte.
advance:
        ld      hl, #tick
        ld      a, (hl)
        sub     #8
        jr      nc, 2$                  ; no line due: the tick falls by 8
        call    read_line
        ld      a, (speed)
        sub     #8
        jr      nc, 1$
        xor     a                       ; speeds below 8 read one line per frame
1$:     ld      hl, #tick
        add     a, (hl)
2$:     ld      (hl), a
        cp      #8
        ret     nc
        ld      hl, #line
        inc     (hl)
        ld      a, (steplines)
        cp      (hl)
        ret     nz
        ld      (hl), #0
        ld      hl, (step)
        inc     hl
        ld      de, (nsteps)
        or      a
        sbc     hl, de
        add     hl, de
        jr      c, 4$
        ld      hl, (loopstep)
4$:     ld      (step), hl
        ; fall through

; ---------------------------------------------------------------- steps and lanes

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
        ld      ix, #channels
        ld      de, #C_SIZE
        ld      b, #5
        ld      a, (state)
        bit     S_BANKED, a
        jr      nz, 3$
1$:     push    de                      ; an addressable song: each lane at once
        ld      e, (hl)
        inc     hl
        ld      d, (hl)
        inc     hl
        push    hl
        ex      de, hl
        add     hl, hl
        add     hl, hl
        ld      de, (part3)
        add     hl, de
        ld      e, (hl)
        inc     hl
        ld      d, (hl)
        ld      hl, (part3)
        add     hl, de
        ld      L_PTR(ix), l
        ld      L_PTR+1(ix), h
        ld      L_REST(ix), #1
        pop     hl
        pop     de
        add     ix, de
        djnz    1$
        ret
3$:     ld      a, (hl)                 ; a banked song: the block numbers wait in the lanes'
        ld      L_PTR(ix), a            ; pointers while the step record is mapped
        inc     hl
        ld      a, (hl)
        ld      L_PTR+1(ix), a
        inc     hl
        ld      L_REST(ix), #1
        add     ix, de
        djnz    3$
        ld      hl, #(channels + L_PTR)
        ld      b, #5
4$:     push    bc
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
        ld      (hl), c                 ; the bank
        ld      de, #(C_SIZE - 2)
        add     hl, de
        pop     bc
        djnz    4$
        ret

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
map_a:
        ld      (MAPPER1), a
        inc     a
        ld      (MAPPER2), a
        ret
map_song:
        ld      a, (songbank)
        jr      map_a

; Reads one line: rotates the "PV" mask, then runs every lane that is not resting.
read_line:
        ld      hl, #pvmask
        rrc     (hl)
        ld      hl, #channels
        ld      b, #4
1$:     dec     (hl)                    ; lines to rest, this one included
        jr      z, 2$
        ld      de, #C_SIZE
        add     hl, de
        djnz    1$
        jr      3$
2$:     push    bc
        push    hl
        push    hl
        pop     ix
        call    run_lane
        pop     hl
        pop     bc
        ld      de, #C_SIZE
        add     hl, de
        djnz    1$
3$:     dec     (hl)                    ; the global lane
        ret     nz

; HL = IX = lane record (of its channel). Runs the lane's commands up to and including the
; next end of line.
run_lane:
        push    hl
        inc     hl
        ld      e, (hl)
        inc     hl
        ld      d, (hl)
        ld      a, (state)
        bit     S_BANKED, a
        jr      z, 1$
        inc     hl
        ld      c, (hl)
        call    map_c
1$:     ex      de, hl
command:
        ld      a, (hl)
        inc     hl
        cp      #0x20
        jr      c, end_of_line
        cp      #0x30
        jr      nc, global
        sub     #0x20
        jr      z, note_off
        dec     a
        jp      z, tone_note
        dec     a
        jp      z, noise_note
        dec     a
        ld      a, (hl)                 ; pitch offset or channel volume
        inc     hl
        jr      z, pitch_offset
        ld      C_VOLUME(ix), a
        set     6, C_FLAGS(ix)
        jr      command
pitch_offset:
        ld      C_PV(ix), a             ; the noise channel's is never used
        ld      a, C_FLAGS(ix)
        and     #0xEF
        or      #0x40
        inc     C_PV(ix)
        dec     C_PV(ix)
        jr      z, 1$
        or      #0x10
1$:     ld      C_FLAGS(ix), a
        jr      command
note_off:
        res     0, C_FLAGS(ix)
        set     6, C_FLAGS(ix)
        jr      command
end_of_line:
        inc     a
        ex      de, hl
        pop     hl
        ld      (hl), a                 ; the lines of this command
        inc     hl
        ld      (hl), e
        inc     hl
        ld      (hl), d
        ld      a, (state)
        bit     S_BANKED, a
        ret     z
        bit     7, d                    ; past the first bank of the window: move it on
        ret     z
        ld      a, d
        sub     #0x40
        ld      (hl), a
        inc     hl
        inc     (hl)
        ret
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

tone_note:
        ld      a, (hl)
        inc     hl
        ld      C_BASE(ix), a
        ld      a, (hl)
        inc     hl
        and     #3                      ; only the period's ten bits ever count
        ld      C_BASE+1(ix), a
        ld      b, #1
        jr      start_note
noise_note:
        ld      a, (hl)
        inc     hl
        ld      C_BASE(ix), a
        ld      b, #3                   ; the noise control goes out with the note
start_note:
        ld      a, C_FLAGS(ix)
        or      b
        ld      C_FLAGS(ix), a
        ld      a, (hl)
        inc     hl
        ld      b, (hl)
        inc     hl
        ld      C_VOLUME(ix), b
        push    hl
        ld      b, a
        add     a, a
        add     a, a
        add     a, a
        add     a, a
        sub     b                       ; 15 bytes a record, at most 225
        ld      hl, (insptr)
        add     a, l
        ld      l, a
        adc     a, h
        sub     l
        ld      h, a
        ld      C_INS(ix), l
        ld      C_INS+1(ix), h
        ld      a, (state)
        bit     S_BANKED, a
        call    nz, map_song            ; the instruments are at the song's start
        ld      a, (hl)
        ld      C_ENV(ix), a
        inc     hl
        ld      a, (hl)
        ld      C_FRAMES(ix), a
        dec     hl
        xor     a
        ld      C_PHASE(ix), a
        ld      C_VIB(ix), a
        call    set_phase
        ld      a, (state)
        bit     S_BANKED, a
        jr      z, 1$
        ld      c, L_BANK(ix)           ; the lane's window again
        call    map_c
1$:     pop     hl
        jp      command

; ---------------------------------------------------------------- channels
;
; The channel updates walk each record's fields in order with HL. A period or attenuation
; goes to the chip only when it differs from the one last written (C_LASTP, C_LASTA);
; `forget_chip` makes the next frame write them all again.

tone_idle:
        inc     hl                      ; C_VIB
        inc     (hl)
        ld      de, #(C_FRAMES - C_VIB)
        add     hl, de
        dec     (hl)
        ret     nz
        jp      next_phase
tone_off:
        and     #0x20                   ; silent already, unless something changed
        ret     z
        res     6, (hl)
        ld      de, #(C_LASTA - C_FLAGS)
        add     hl, de
        ld      a, #15
        cp      (hl)
        ret     z
        ld      (hl), a
        jp      write_tone_att

; HL = C_FLAGS of a tone channel, B = 0x80 OR its number << 5, C = 0xFF when the "PV"
; offsets apply this frame, else 0. Keeps B and C.
update_tone:
        ld      a, (hl)
        rra
        jr      nc, tone_off
        and     #0x3C
        jr      z, tone_idle            ; nothing moves: period and attenuation stay
        cp      #0x10
        jr      nz, 9$
        inc     hl                      ; only the envelope moves: C_VIB
        inc     (hl)
        ld      de, #(C_ADD - C_VIB)
        add     hl, de
        jr      tone_att
9$:     res     6, (hl)
        and     #0x0C                   ; a moving curve or a "PV" offset
        jr      nz, 1$
        inc     hl                      ; C_VIB
        inc     (hl)
        ld      de, #(C_BASE - C_VIB)
        add     hl, de
        ld      e, (hl)
        inc     hl
        ld      d, (hl)                 ; DE = the period, the base as it is
        jr      2$
1$:     ld      d, a
        inc     hl                      ; C_VIB
        ld      a, (hl)
        inc     (hl)
        inc     hl                      ; C_CURVE
        bit     2, d
        jr      z, 7$                   ; curve 0 stands still: its pointer is not kept
        and     #31
        add     a, (hl)
        ld      e, a
        inc     hl
        adc     a, (hl)
        sub     e
        ld      d, a
        ld      a, (de)                 ; the curve's value
        jr      8$
7$:     inc     hl
        xor     a
8$:     inc     hl                      ; C_PV
        ld      e, a
        ld      a, (hl)
        and     c
        add     a, e                    ; both as one byte that wraps
        ld      e, a
        rla
        sbc     a, a
        ld      d, a
        inc     hl                      ; C_BASE
        ld      a, (hl)
        add     a, e
        ld      e, a
        inc     hl
        ld      a, (hl)
        adc     a, d
        and     #3
        ld      d, a                    ; DE = the period
2$:     inc     hl                      ; C_LASTP
        ld      a, (hl)
        xor     e
        ld      (hl), e
        inc     hl
        jr      nz, 3$
        ld      a, (hl)
        cp      d
        jr      z, 5$
        jr      4$
3$:     and     #0xF0
        jr      nz, 4$
        ld      a, (hl)
        cp      d
        jr      nz, 4$
        call    write_latch             ; only the low four bits changed
        jr      5$
4$:     ld      (hl), d
        call    write_period
5$:     inc     hl                      ; C_ADD
tone_att:
        ld      a, (hl)
        inc     hl                      ; C_ENV
        ld      e, (hl)
        add     a, e
        ld      (hl), a
        inc     hl                      ; C_VOLUME
        ld      a, e
        and     #0xF0
        or      (hl)
        add     a, #<att_table
        ld      e, a
        adc     a, #>att_table
        sub     e
        ld      d, a
        ld      a, (de)
        inc     hl                      ; C_LASTA
        cp      (hl)
        jr      z, 6$
        ld      (hl), a
        call    write_tone_att
6$:     inc     hl                      ; C_FRAMES
        dec     (hl)
        ret     nz
        jp      next_phase
; Period DE to the tone channel of latch B, or only its low four bits; nothing while the
; game holds the channel. Keeps HL, B and C.
write_latch:
        ld      a, (wflags)
        or      a
        jr      nz, write_slow
        ld      a, e
        and     #0x0F
        or      b
        out     (PSG), a
        ret
write_period:
        ld      a, (wflags)
        or      a
        jr      nz, write_slow
write_both:
        ld      a, e
        and     #0x0F
        or      b
        out     (PSG), a
        ld      a, e
        and     #0xF0
        or      d
        rrca
        rrca
        rrca
        rrca
        out     (PSG), a
        ret
write_slow:
        bit     W_TAKEN2, a
        jr      z, 1$
        ld      a, b
        cp      #0xC0
        ret     z                       ; tone channel 2 is the game's
1$:     ld      a, (wflags)
        bit     W_DOUBLE, a
        jr      z, write_both
        bit     1, d                    ; above 511 the doubled period does not fit
        jr      z, 2$
        ld      de, #0x3FF
        jr      write_both
2$:     ex      de, hl
        add     hl, hl
        ex      de, hl
        jr      write_both

; Attenuation A, before the music attenuation, to the tone channel of latch B. Keeps HL, B
; and C.
write_tone_att:
        ld      e, a
        ld      a, (musicatt)
        add     a, e
        cp      #16
        jr      c, 1$
        ld      a, #15
1$:     ld      e, a
        ld      a, (wflags)
        and     #4
        jr      z, 2$
        ld      a, b
        cp      #0xC0
        ret     z
2$:     ld      a, e
        or      b
        or      #0x10
        out     (PSG), a
        ret

; HL = C_FLAGS of the noise channel. Its C_LASTA holds the attenuation written, music
; attenuation and holding included.
update_noise:
        ld      a, (hl)
        rra
        jr      nc, noise_off
        and     #3                      ; a new note, or the control to write again
        call    nz, noise_control
        ld      a, (hl)
        and     #0x60
        jr      z, noise_idle
        res     6, (hl)
        ld      de, #(C_ADD - C_FLAGS)
        add     hl, de
        ld      a, (hl)
        inc     hl                      ; C_ENV
        ld      e, (hl)
        add     a, e
        ld      (hl), a
        inc     hl                      ; C_VOLUME
        ld      a, e
        and     #0xF0
        or      (hl)
        add     a, #<att_table
        ld      e, a
        adc     a, #>att_table
        sub     e
        ld      d, a
        ld      a, (de)
        ld      e, a
        ld      a, (wflags)
        and     #0x0C
        jr      nz, 4$
1$:     ld      a, (musicatt)
        add     a, e
        cp      #16
        jr      c, 2$
        ld      a, #15
2$:     inc     hl                      ; C_LASTA
        cp      (hl)
        jr      z, 3$
        ld      (hl), a
        or      #0xF0
        out     (PSG), a
3$:     inc     hl                      ; C_FRAMES
        dec     (hl)
        ret     nz
        jp      next_phase
4$:     bit     3, a
        jr      nz, 5$
        push    hl                      ; tone channel 2 taken: held if it follows it
        ld      bc, #(C_BASE - C_VOLUME)
        add     hl, bc
        ld      a, (hl)
        pop     hl
        cpl
        and     #3
        jr      nz, 1$
        ld      e, #15
        jr      1$
5$:     inc     hl                      ; the game's
        jr      3$
noise_idle:
        ld      de, #(C_FRAMES - C_FLAGS)
        add     hl, de
        dec     (hl)
        ret     nz
        jp      next_phase
noise_off:
        and     #0x20                   ; silent already, unless something changed
        ret     z
        res     6, (hl)
        ld      de, #(C_LASTA - C_FLAGS)
        add     hl, de
        ld      a, #15
        cp      (hl)
        ret     z
        ld      a, (wflags)
        bit     3, a
        ret     nz
        ld      (hl), #15
        ld      a, #0xFF
        out     (PSG), a
        ret

; HL = C_FLAGS of the noise channel, which has a new note or its control to write again.
; Keeps HL.
noise_control:
        res     1, (hl)
        ld      a, (wflags)
        bit     3, a
        ret     nz
        push    hl
        ld      de, #(C_BASE - C_FLAGS)
        add     hl, de
        ld      e, (hl)
        pop     hl
        and     #4
        jr      z, 1$
        ld      a, e
        cpl
        and     #3
        jr      nz, 1$
        set     2, (hl)                 ; written once tone channel 2 is given back
        ret
1$:     res     2, (hl)
        ld      a, e
        out     (PSG), a
        ret

; HL = C_FRAMES of a channel whose phase has run out: the next phase is loaded. Keeps B
; and C.
next_phase:
        ld      de, #-C_FRAMES
        add     hl, de
        push    hl
        pop     ix
        inc     C_PHASE(ix)
        ld      l, C_INS(ix)
        ld      h, C_INS+1(ix)
        ld      e, C_PHASE(ix)
        ld      d, #0
        add     hl, de
        push    hl
        call    set_phase
        pop     hl
        ld      a, C_PHASE(ix)
        cp      #4
        jr      nz, 1$
        ld      C_PHASE(ix), #3         ; phase 4 reloads every 256 frames, to no effect
        ret
1$:     inc     hl
        ld      a, (hl)
        ld      C_FRAMES(ix), a
        ret

; HL = the instrument record plus the phase, IX = the channel: loads the phase's volume add
; and vibrato curve (curve 0 never moves). Keeps B and C.
set_phase:
        ld      de, #5
        add     hl, de
        ld      a, C_FLAGS(ix)
        and     #0xD7
        or      #0x40
        ld      e, (hl)
        ld      C_ADD(ix), e
        inc     e
        dec     e
        jr      z, 1$
        or      #0x20
1$:     ld      e, #5
        add     hl, de
        ld      e, (hl)
        inc     e
        dec     e
        jr      z, 2$
        or      #0x08
2$:     ld      C_FLAGS(ix), a
        ld      a, e
        or      a
        ret     z
        rrca
        rrca
        rrca
        ld      e, a
        and     #0xE0
        ld      l, a
        xor     e
        ld      h, a                    ; HL = 32 times the curve
        ld      de, (curveptr)
        add     hl, de
        ld      C_CURVE(ix), l
        ld      C_CURVE+1(ix), h
        ret

; The attenuation for an index (envelope AND 0xF0) OR volume: 15 minus the output level.
att_table:
        .db 15,15,15,15,15,15,15,15,15,15,15,15,15,15,15,15
        .db 15,15,15,15,15,15,15,15,14,14,14,14,14,14,14,14
        .db 15,15,15,15,15,15,14,14,14,14,14,13,13,13,13,13
        .db 15,15,15,15,14,14,14,14,13,13,13,13,12,12,12,12
        .db 15,15,15,14,14,14,13,13,13,13,12,12,12,11,11,11
        .db 15,15,15,14,14,14,13,13,12,12,11,11,11,11,10,10
        .db 15,15,14,14,13,13,13,12,12,11,11,11,10,10,9,9
        .db 15,15,14,14,13,13,12,12,11,11,10,10,9,9,8,8
        .db 15,14,14,13,13,12,12,11,11,10,10,9,9,8,8,7
        .db 15,14,14,13,13,12,11,11,10,10,9,8,8,7,7,6
        .db 15,14,14,13,12,11,11,10,10,9,9,8,7,6,6,5
        .db 15,14,13,13,12,11,11,10,9,8,8,7,6,6,5,4
        .db 15,14,13,12,12,11,10,9,9,8,7,6,6,5,4,3
        .db 15,14,13,12,11,11,10,9,8,7,6,6,5,4,3,2
        .db 15,14,13,12,11,10,9,8,8,7,6,5,4,3,2,1
        .db 15,14,13,12,11,10,9,8,7,6,5,4,3,2,1,0
tw_code_end:

; Sizes for the build's cost report.
tw_code_bytes == tw_code_end - _tw_start
tw_ram_bytes == ram_end - state
        .globl tw_code_bytes, tw_ram_bytes
