; Tonweave song replayer for the Master System and Game Gear.
;
; Plays a compiled ".dadivev" song (docs/dadivev.md) one frame per call of _tw_frame, which
; a game makes from its frame interrupt. Built for SDCC's calling convention 1: the first
; byte argument comes in A, the first pointer in HL. IX is saved; every other register may
; be changed. The song data is trusted: it comes from the tracker's exporter.
;
; A song is either wholly addressable (_tw_start with a pointer) or starts at offset 0 of a
; ROM bank and runs on through the following banks (_tw_start_banked). While a banked song
; plays, slot 1 of the cartridge mapper (0x4000) holds its first bank, with the header, the
; instruments and the curves, and slot 2 (0x8000) the bank of the block being read: the
; exporter never lets a block cross a bank. So this code must lie below 0x4000; the game's
; mapping of both slots is put back before each call returns.

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
STEPSIZE = 14

; bits of `state`
S_PLAYING = 0
S_PAUSED = 1
S_BANKED = 2
S_STEREO = 3            ; write the stereo byte to the Game Gear port
S_PITCH = 4             ; asked: play half-clock songs at the tracker's pitch

; bits of `wflags`, which is 0 in the usual case: nothing taken, periods as they are
W_MUSICATT = 0          ; the music is made quieter
W_TAKEN2 = 2            ; the game holds tone channel 2
W_TAKEN3 = 3            ; the game holds the noise channel
W_DOUBLE = 5            ; this song's periods are doubled

; A lane: lines still to rest, read pointer and the bank for slot 2 while it reads (0 for a
; song that is not banked). The four lanes, one per channel (channel 0's also carries the
; global commands), lie in a row so that entering a step walks them.
L_REST = 0
L_PTR = 1
L_BANK = 3
L_SIZE = 4

; A channel: its fields in the order in which its update reads them. A note fills them all
; from the instrument's image in the song, as they stand after the note's first frame.
C_FLAGS = 0             ; bit 0 active, bit 1 (with bit 0 clear) the note has played this
                        ; frame already and the update only sets bit 0, bit 2 noise control to
                        ; rewrite, bit 3 the vibrato curve moves, bit 4 the "PV" offset is
                        ; not 0, bit 5 the envelope moves, bit 6 period and attenuation to
                        ; work out again (a volume, a phase or the chip changed), bit 7 the
                        ; last phase
C_POS = 1               ; vibrato position; only its low five bits count
C_CURVE = 2             ; where the phase's fields end in the image: its curve when it moves,
                        ; else the next phase
C_PV = 4                ; the channel's "PV" offset
C_BASE = 5              ; tone base period (10 bits), or the noise control byte
C_LASTP = 7             ; period last written to the chip; 0xFFFF: none
C_ADD = 9
C_ENV = 10
C_VOLUME = 11
C_LASTA = 12            ; attenuation last written, before the music attenuation (noise:
                        ; after it); 0xFF: none
C_FRAMES = 13
C_SIZE = 14

; A new phase's flags in the image replace the channel's, but for these: active, noise
; control to rewrite, "PV" offset not 0.
F_KEEP = 0x15

        .area _DATA

state:          .ds 1
songbank:       .ds 1
songptr:        .ds 2   ; the song's address (0x4000 for a banked song)
stepbank:       .ds 1   ; where the record of the step playing lies: its bank for slots 1
stepaddr:       .ds 2   ; and 2 (0 when not banked) and its address
loopbank:       .ds 1   ; the same for the loop step
loopaddr:       .ds 2
stepsleft:      .ds 2   ; steps to the end of the song, the one playing included
loopcount:      .ds 2   ; steps from the loop step to the end
songflags:      .ds 1
speed:          .ds 1
tick:           .ds 1   ; the song's tick plus 7: a line is due below 8
linesleft:      .ds 1   ; lines of the step still to play, the one playing included
stereo:         .ds 1
pvmask:         .ds 1
pvcur:          .ds 1   ; 0xFF when the "PV" offsets apply in this line's frames, else 0
lanes:          .ds 4 * L_SIZE
channels:       .ds 4 * C_SIZE
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
        ld      a, (songbank)
        call    map_a
        call    start_common
        pop     bc
        pop     af
        ld      (MAPPER2), a
        ld      a, b
        ld      (MAPPER1), a
        ret

; Reads the header of the song at `songptr` (mapped), resets the chip and enters step 0.
start_common:
        push    ix
        ld      ix, (songptr)
        ld      a, 8(ix)
        ld      (songflags), a
        ld      a, 9(ix)
        ld      (speed), a
        ld      a, 10(ix)
        ld      (stereo), a
        ld      l, 14(ix)               ; steps
        ld      h, 15(ix)
        ld      (stepsleft), hl
        ld      e, 16(ix)               ; loop step
        ld      d, 17(ix)
        or      a
        sbc     hl, de
        ld      (loopcount), hl
        ex      de, hl                  ; the loop step's record: part 2 + 14 times its number
        xor     a
        ld      d, h
        ld      e, l
        ld      b, #3
1$:     add     hl, hl
        rla
        djnz    1$
        sbc     hl, de                  ; no carry left by the shifts: 7 times
        sbc     a, b
        add     hl, hl
        rla
        ld      e, 20(ix)               ; part 2 lies in the first bank
        ld      d, 21(ix)
        add     hl, de
        adc     a, b
        call    record_at
        ld      (loopbank), a
        ld      (loopaddr), hl
        ld      l, 20(ix)
        ld      h, 21(ix)
        xor     a
        call    record_at
        ld      (stepbank), a
        ld      (stepaddr), hl
        pop     ix

        ; the chip and the song state to their starting values
        ld      a, #7
        ld      (tick), a               ; the song's tick 0
        xor     a
        ld      (pvcur), a
        ld      (tempocount), a
        ld      (_tw_marker_count), a
        ld      a, #0x55
        ld      (pvmask), a
        ld      hl, #lanes
        ld      b, #(4 * L_SIZE + 4 * C_SIZE)
2$:     ld      (hl), #0
        inc     hl
        djnz    2$
        ld      a, #1                   ; every lane reads on the first line
        ld      (lanes), a
        ld      (lanes + L_SIZE), a
        ld      (lanes + 2 * L_SIZE), a
        ld      (lanes + 3 * L_SIZE), a
        call    silence
        ld      b, #0                   ; tone periods 0
3$:     ld      a, (wflags)
        call    channel_free
        jr      z, 4$
        ld      a, b
        rrca
        rrca
        rrca
        or      #0x80
        out     (PSG), a
        xor     a
        out     (PSG), a
4$:     inc     b
        ld      a, b
        cp      #3
        jr      nz, 3$

        ld      hl, #wflags
        res     W_DOUBLE, (hl)
        ld      a, (state)
        bit     S_PITCH, a
        jr      z, 5$
        ld      a, (songflags)
        bit     1, a
        jr      z, 5$
        set     W_DOUBLE, (hl)
5$:     call    choose_tempo
        ld      hl, (stepaddr)
        ld      a, (stepbank)
        or      a
        call    nz, map_a
        call    enter_step
        ld      hl, #state
        set     S_PLAYING, (hl)
        res     S_PAUSED, (hl)
        ret

; Song offset A:HL (24 bits) of a step record to where it is read: A = the bank for slots 1
; and 2 with HL in 0x4000-0x7FFF for a banked song, else A = 0 and HL its address.
record_at:
        ld      c, a
        ld      a, (state)
        bit     S_BANKED, a
        jr      nz, 1$
        ld      de, (songptr)
        add     hl, de
        xor     a
        ret
1$:     ld      a, h
        rlca
        rlca
        and     #3
        sla     c
        sla     c
        or      c
        ld      c, a
        ld      a, h
        and     #0x3F
        or      #0x40
        ld      h, a
        ld      a, (songbank)
        add     a, c
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
        ld      hl, #wflags
        res     W_MUSICATT, (hl)
        or      a
        jr      z, forget_chip
        set     W_MUSICATT, (hl)
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
        ld      a, (state)
        bit     S_BANKED, a
        jr      z, 1$
        ld      a, (songbank)           ; the header, instruments and curves in slot 1
        ld      (MAPPER1), a
1$:     call    frames
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
update_all:
        ld      a, (pvcur)
        ld      c, a
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
        ld      hl, #linesleft
        dec     (hl)
        ret     nz
        ld      hl, (stepsleft)
        dec     hl
        ld      a, h
        or      l
        jr      nz, 3$
        ld      hl, (loopcount)         ; the song loops
        ld      (stepsleft), hl
        ld      hl, (loopaddr)
        ld      a, (loopbank)
        jr      5$
3$:     ld      (stepsleft), hl
        ld      hl, (stepaddr)
        ld      de, #STEPSIZE
        add     hl, de
        ld      a, (stepbank)
        or      a
        jr      z, 6$
        bit     7, h                    ; past slot 1: the window moves on by a bank
        jr      z, 5$
        res     7, h
        set     6, h
        inc     a
5$:     ld      (stepbank), a
        or      a
        call    nz, map_a               ; the record through slots 1 and 2
6$:     ld      (stepaddr), hl
        ; fall through

; ---------------------------------------------------------------- steps and lanes

; Puts the four lanes at the start of the blocks of the step at `stepbank`:`stepaddr` (HL,
; mapped). A block's place is its offset within 64 KB, then its 16 KB page: for a banked
; song, bank `songbank` + page in slot 2 at 0x8000 + offset % 16384; else the song's address
; plus the offset. Every lane rests 1 now: its blocks' lines add up to their steps' exactly.
enter_step:
        ld      a, (hl)
        ld      (linesleft), a
        inc     hl
        inc     hl
        ld      de, #(lanes + L_PTR)
        ld      a, (stepbank)
        or      a
        jr      nz, 3$
        ld      bc, (songptr)
1$:     ld      a, (hl)
        inc     hl
        add     a, c
        ld      (de), a
        inc     de
        ld      a, (hl)
        inc     hl
        adc     a, b
        ld      (de), a
        inc     hl                      ; the page
        inc     de                      ; L_BANK stays 0
        inc     de
        inc     de
        ld      a, e
        cp      #<(lanes + 4 * L_SIZE + L_PTR)
        jr      nz, 1$
        ret
3$:     ld      a, (songbank)
        ld      c, a
4$:     ld      a, (hl)
        inc     hl
        ld      (de), a
        inc     de
        ld      a, (hl)
        inc     hl
        and     #0x3F
        or      #0x80
        ld      (de), a
        inc     de
        ld      a, (hl)
        inc     hl
        add     a, c
        ld      (de), a
        inc     de
        inc     de
        ld      a, e
        cp      #<(lanes + 4 * L_SIZE + L_PTR)
        jr      nz, 4$
        ld      a, c                    ; slot 1 back to the song's first bank
        ld      (MAPPER1), a
        ret

; Maps bank A into slot 1 and the next into slot 2.
map_a:
        ld      (MAPPER1), a
        inc     a
        ld      (MAPPER2), a
        ret

; Reads one line: rotates the "PV" mask, then runs every lane that is not resting. Channel
; 0's lane goes first and begins with the line's global commands, so a mask that they set is
; known to the notes of the line, which play their first frame at once.
read_line:
        ld      hl, #pvmask
        rrc     (hl)
        ld      a, (hl)
        rrca
        sbc     a, a
        ld      (pvcur), a
        ld      hl, #lanes
        dec     (hl)                    ; lines to rest, this one included
        jr      nz, 1$
        ld      ix, #channels
        ld      b, #0x80
        call    run_lane
1$:     ld      hl, #(lanes + L_SIZE)
        dec     (hl)
        jr      nz, 2$
        ld      ix, #(channels + C_SIZE)
        ld      b, #0xA0
        call    run_lane
2$:     ld      hl, #(lanes + 2 * L_SIZE)
        dec     (hl)
        jr      nz, 3$
        ld      ix, #(channels + 2 * C_SIZE)
        ld      b, #0xC0
        call    run_lane
3$:     ld      hl, #(lanes + 3 * L_SIZE)
        dec     (hl)
        ret     nz
        ld      ix, #(channels + 3 * C_SIZE)

; HL = a lane record, IX = its channel, B = the channel's latch (0x80 OR its number << 5).
; Runs the lane's commands up to and including the next end of line; a line's note is its
; lane's last command before the end of line.
run_lane:
        push    hl
        inc     hl
        ld      e, (hl)
        inc     hl
        ld      d, (hl)
        inc     hl
        ld      a, (hl)
        or      a
        jr      z, 1$
        ld      (MAPPER2), a
1$:     ex      de, hl
command:
        ld      a, (hl)
        inc     hl
        cp      #0x20
        jr      nc, 2$
        inc     a                       ; end of line: this one and n - 1 to rest
        ex      de, hl
        pop     hl
        ld      (hl), a
        inc     hl
        ld      (hl), e
        inc     hl
        ld      (hl), d
        ret
2$:     jp      z, tone_note
        cp      #0x22
        jp      c, noise_note
        jr      z, note_off
        cp      #0x30
        jr      nc, global
        cp      #0x23
        ld      a, (hl)                 ; pitch offset or channel volume
        inc     hl
        jr      z, pitch_offset
        ld      C_VOLUME(ix), a
        set     6, C_FLAGS(ix)
        jr      command
pitch_offset:
        ld      C_PV(ix), a             ; the noise channel's is never used
        ld      c, a
        ld      a, C_FLAGS(ix)
        and     #0xEF
        or      #0x40
        inc     c
        dec     c
        jr      z, 1$
        or      #0x10
1$:     ld      C_FLAGS(ix), a
        jr      command
note_off:
        ld      a, C_FLAGS(ix)
        and     #0xFC
        or      #0x40
        ld      C_FLAGS(ix), a
        jr      command
global:
        sub     #0x31
        ld      c, (hl)
        inc     hl
        jr      c, set_speed
        jr      z, set_stereo
        dec     a
        jr      z, marker
        ld      a, c
        ld      (pvmask), a
        rrca
        sbc     a, a
        ld      (pvcur), a
        jr      command
set_speed:
        ld      a, c
        ld      (speed), a
        jr      command
set_stereo:
        ld      a, c
        ld      (stereo), a
        jr      command
marker:
        ld      de, #_tw_marker_count
        ld      a, (de)
        bit     2, a
        jr      nz, command             ; four kept: two lines of two
        inc     a
        ld      (de), a
        add     a, e
        ld      e, a
        adc     a, d
        sub     e
        ld      d, a
        ld      a, c
        ld      (de), a
        jp      command

; A note plays its channel's first frame as it is read: the instrument's image holds the
; channel's state after that frame and its vibrato value, the note its attenuation. The
; update then leaves the channel alone for this frame.
tone_note:
        ld      e, (hl)                 ; the image
        inc     hl
        ld      d, (hl)
        inc     hl
        ld      a, (hl)                 ; volume
        inc     hl
        ld      C_VOLUME(ix), a
        ld      c, (hl)                 ; the first attenuation
        inc     hl
        ld      C_LASTA(ix), c
        push    hl
        call    load_image
        pop     hl
        ld      a, (pvcur)              ; the first period: the base plus the first vibrato
        and     C_PV(ix)                ; value plus the offset, both as one byte that wraps
        add     a, e
        ld      e, a
        rla
        sbc     a, a
        ld      d, a
        ld      a, (hl)                 ; the base period
        inc     hl
        ld      C_BASE(ix), a
        add     a, e
        ld      e, a
        ld      a, (hl)
        inc     hl
        ld      C_BASE+1(ix), a
        adc     a, d
        and     #3
        ld      d, a
        push    hl                      ; the lane reads on after the note
        ld      C_LASTP(ix), e
        ld      C_LASTP+1(ix), d
        ld      a, (wflags)
        or      a
        jr      nz, 2$
4$:     ld      a, e                    ; as it is, the usual case
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
3$:     ld      a, (wflags)
        and     #((1 << W_MUSICATT) | (1 << W_TAKEN2))
        ld      a, c
        jr      nz, 1$
        or      b
        or      #0x10
        out     (PSG), a
        pop     hl
        jp      command
1$:     call    write_tone_att
        pop     hl
        jp      command
2$:     cp      #(1 << W_DOUBLE)
        jr      nz, 5$
        sla     e                       ; doubled, the usual slow case
        rl      d
        bit     2, d
        jr      z, 4$
        ld      de, #0x3FF
        jr      4$
5$:     call    write_slow
        jr      3$

noise_note:
        ld      e, (hl)                 ; the image
        inc     hl
        ld      d, (hl)
        inc     hl
        ld      a, (hl)                 ; volume
        inc     hl
        ld      C_VOLUME(ix), a
        ld      c, (hl)                 ; the first attenuation
        inc     hl
        ld      a, (hl)                 ; noise control
        inc     hl
        ld      C_BASE(ix), a
        push    hl
        call    load_image
        ld      a, (wflags)
        and     #((1 << W_MUSICATT) | (1 << W_TAKEN2) | (1 << W_TAKEN3))
        jr      nz, 1$
        ld      a, C_BASE(ix)           ; a new note restarts the noise
        out     (PSG), a
        ld      C_LASTA(ix), c
        ld      a, c
        or      #0xF0
        out     (PSG), a
        pop     hl
        jp      command
1$:     push    ix
        pop     hl
        call    noise_control
        ld      e, c
        ld      bc, #C_LASTA
        add     hl, bc
        call    noise_att
        pop     hl
        jp      command

; DE = an instrument's image (its offset in the song), IX = the channel: the channel's state
; after a note's first frame. Gives E = the vibrato value of that frame. Keeps B and C.
load_image:
        ld      hl, (songptr)
        add     hl, de
        ld      a, C_FLAGS(ix)
        and     #0x10                   ; the "PV" bit stays; a noise note writes its control
        or      (hl)
        inc     hl
        or      #0x02                   ; played; active from the update on
        ld      C_FLAGS(ix), a
        ld      a, (hl)
        inc     hl
        ld      C_ADD(ix), a
        ld      a, (hl)
        inc     hl
        ld      C_ENV(ix), a
        ld      a, (hl)
        inc     hl
        ld      C_FRAMES(ix), a
        ld      e, (hl)
        inc     hl
        ld      C_CURVE(ix), l
        ld      C_CURVE+1(ix), h
        ld      C_POS(ix), #1
        ret

; ---------------------------------------------------------------- channels
;
; The channel updates walk each record's fields in order with HL. A period or attenuation
; goes to the chip only when it differs from the one last written (C_LASTP, C_LASTA);
; `forget_chip` makes the next frame write them all again.

tone_idle:
        inc     hl                      ; C_POS
        inc     (hl)
        ld      de, #(C_FRAMES - C_POS)
        add     hl, de
        dec     (hl)
        ret     nz
        jp      next_phase
tone_off:
        rra
        jr      c, played
        and     #0x10                   ; silent already, unless something changed
        ret     z
        res     6, (hl)
        ld      de, #(C_LASTA - C_FLAGS)
        add     hl, de
        ld      a, #15
        cp      (hl)
        ret     z
        ld      (hl), a
        jp      write_tone_att
; HL = C_FLAGS of a channel whose note played this frame: active from the next on. Bit 1
; stays set, as nothing looks at it while the channel is active.
played:
        inc     (hl)
        ret

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
        inc     hl                      ; only the envelope moves: C_POS
        inc     (hl)
        ld      de, #(C_ADD - C_POS)
        add     hl, de
        jr      tone_att
9$:     res     6, (hl)
        and     #0x0C                   ; a moving curve or a "PV" offset
        jr      nz, 1$
        inc     hl                      ; C_POS
        inc     (hl)
        ld      de, #(C_BASE - C_POS)
        add     hl, de
        ld      e, (hl)
        inc     hl
        ld      d, (hl)                 ; DE = the period, the base as it is
        jr      2$
1$:     ld      d, a
        inc     hl                      ; C_POS
        ld      a, (hl)
        inc     (hl)
        inc     hl                      ; C_CURVE
        bit     2, d
        jr      z, 7$                   ; a curve that stands still is all zeros
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
        ld      e, a
        ld      a, (wflags)
        and     #((1 << W_MUSICATT) | (1 << W_TAKEN2))
        jr      nz, 7$
        ld      a, e                    ; as it is, the usual case
        or      b
        or      #0x10
        out     (PSG), a
6$:     inc     hl                      ; C_FRAMES
        dec     (hl)
        ret     nz
        jp      next_phase
7$:     ld      a, e
        call    write_tone_att
        inc     hl
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
        cp      #(1 << W_DOUBLE)
        jr      z, 2$                   ; only doubling, the usual slow case
        bit     W_TAKEN2, a
        jr      z, 1$
        ld      a, b
        cp      #0xC0
        ret     z                       ; tone channel 2 is the game's
1$:     ld      a, (wflags)
        bit     W_DOUBLE, a
        jr      z, write_both
2$:     sla     e
        rl      d
        bit     2, d                    ; above 511 the doubled period does not fit
        jr      z, write_both
        ld      de, #0x3FF
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
        and     #2                      ; the control to write again
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
        inc     hl                      ; C_LASTA
        call    noise_att
        inc     hl                      ; C_FRAMES
        dec     (hl)
        ret     nz
        jp      next_phase
noise_idle:
        ld      de, #(C_FRAMES - C_FLAGS)
        add     hl, de
        dec     (hl)
        ret     nz
        jp      next_phase
noise_off:
        rra
        jp      c, played
        and     #0x10                   ; silent already, unless something changed
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

; E = the noise channel's attenuation from the table, HL = its C_LASTA: the attenuation goes
; to the chip with the music attenuation added, silent while the noise follows a tone channel
; 2 that the game holds, not at all while the game holds the noise. Keeps HL.
noise_att:
        ld      a, (wflags)
        and     #0x0C
        jr      nz, 3$
1$:     ld      a, (musicatt)
        add     a, e
        cp      #16
        jr      c, 2$
        ld      a, #15
2$:     cp      (hl)
        ret     z
        ld      (hl), a
        or      #0xF0
        out     (PSG), a
        ret
3$:     bit     3, a
        ret     nz                      ; the game's
        push    hl                      ; tone channel 2 taken: held if it follows it
        ld      bc, #(C_BASE - C_LASTA)
        add     hl, bc
        ld      a, (hl)
        pop     hl
        cpl
        and     #3
        jr      nz, 1$
        ld      e, #15
        jr      1$

; HL = C_FLAGS of the noise channel, whose control is to be written (again).
; Keeps HL, B and C.
noise_control:
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

; HL = C_FRAMES of a channel whose phase has run out: the next phase in the image takes over.
; The last phase has no next: it would come back every 256 frames as it was. Keeps B and C.
next_phase:
        ld      de, #-C_FRAMES
        add     hl, de
        push    hl
        pop     ix
        ld      a, (hl)
        rla
        ret     c
        ld      l, C_CURVE(ix)
        ld      h, C_CURVE+1(ix)
        and     #0x10                   ; a curve that moves lies between the phases
        jr      z, 1$
        ld      de, #32
        add     hl, de
1$:     ld      a, C_FLAGS(ix)
        and     #F_KEEP
        or      (hl)
        inc     hl
        ld      C_FLAGS(ix), a
        ld      a, (hl)
        inc     hl
        ld      C_ADD(ix), a
        ld      a, (hl)
        inc     hl
        ld      C_FRAMES(ix), a
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
