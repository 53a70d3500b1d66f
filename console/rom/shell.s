; The program of an exported song ROM: sets up the video chip with the font and the song's
; title and author, starts the replayer and lets the frame interrupt play the song for
; ever. The exporter fills in the descriptor at 0x00C0 and appends the font, the text and
; the song behind this code.

        .module shell

        .globl _tw_start, _tw_start_banked, _tw_frame, _tw_stop
        .globl _tw_pause, _tw_resume, _tw_set_attenuation
        .globl _tw_take, _tw_give, _tw_set_tempo_rate, _tw_set_stereo
        .globl _tw_tracker_pitch, _tw_playing, _tw_marker_count
        .globl tw_code_bytes, tw_ram_bytes

VDPDATA = 0xBE
VDPCTRL = 0xBF

        .area _HEADER (ABS)

        .org    0x0000
        di
        im      1
        ld      sp, #0xDFF0
        jp      init

        .org    0x0038
        jp      isr

        .org    0x0066
        jp      nmi

; Entry points at fixed addresses, for programs that drive the replayer of this image.
        .org    0x0080
        jp      _tw_start               ; 0x80
        jp      _tw_start_banked        ; 0x83
        jp      _tw_frame               ; 0x86
        jp      _tw_stop                ; 0x89
        jp      _tw_pause               ; 0x8C
        jp      _tw_resume              ; 0x8F
        jp      _tw_set_attenuation     ; 0x92
        jp      _tw_take                ; 0x95
        jp      _tw_give                ; 0x98
        jp      _tw_set_tempo_rate      ; 0x9B
        jp      _tw_set_stereo          ; 0x9E
        jp      _tw_tracker_pitch       ; 0xA1
        jp      _tw_playing             ; 0xA4
        .dw     _tw_marker_count        ; 0xA7
        .dw     tw_code_bytes           ; 0xA9
        .dw     tw_ram_bytes            ; 0xAB
        .dw     _tw_start               ; 0xAD: where the replayer's code begins

; Filled in by the exporter.
        .org    0x00C0
        .db     0                       ; 0xC0 bit 0 banked song, bit 1 Game Gear
        .db     0                       ; 0xC1 first bank of a banked song
        .dw     0                       ; 0xC2 address of an unbanked song
        .dw     0                       ; 0xC4 text: row, column, characters, 0; 0xFF ends
        .dw     0                       ; 0xC6 font: 8 bytes for each of characters 32..127

        .area _DATA
ready:          .ds 1
pausereq:       .ds 1
paused:         .ds 1

        .area _CODE

isr:
        push    af
        push    bc
        push    de
        push    hl
        push    iy
        in      a, (VDPCTRL)            ; acknowledges the interrupt
        ld      a, (ready)
        or      a
        call    nz, _tw_frame
        pop     iy
        pop     hl
        pop     de
        pop     bc
        pop     af
        ei
        reti

; The Master System's pause button.
nmi:
        push    af
        ld      a, (pausereq)
        xor     #1
        ld      (pausereq), a
        pop     af
        retn

init:
        xor     a
        ld      (0xFFFC), a
        ld      (0xFFFD), a
        inc     a
        ld      (0xFFFE), a
        inc     a
        ld      (0xFFFF), a
        ld      hl, #0xC000
        ld      de, #0xC001
        ld      bc, #0x1FEF
        ld      (hl), #0
        ldir

        ld      hl, #vdp_registers
        ld      b, #(vdp_registers_end - vdp_registers)
        ld      c, #VDPCTRL
        otir

        ld      hl, #0x4000             ; all of video memory to 0
        call    vram_address
        ld      bc, #0x4000
1$:     xor     a
        out     (VDPDATA), a
        dec     bc
        ld      a, b
        or      c
        jr      nz, 1$

        call    load_palette

        ld      hl, #0x4000             ; the font as tiles 0..95 in colour 15
        call    vram_address
        ld      hl, (0x00C6)
        ld      bc, #768
2$:     ld      a, (hl)
        out     (VDPDATA), a
        out     (VDPDATA), a
        out     (VDPDATA), a
        out     (VDPDATA), a
        inc     hl
        dec     bc
        ld      a, b
        or      c
        jr      nz, 2$

        ld      hl, #0x7F00             ; no sprites
        call    vram_address
        ld      a, #0xD0
        out     (VDPDATA), a

        call    draw_text

        ld      a, (0x00C0)
        bit     1, a
        ld      a, #60                  ; a Game Gear always runs at 60 Hz
        jr      nz, 3$
        call    frame_rate
3$:     call    _tw_set_tempo_rate
        ld      a, #1
        call    _tw_tracker_pitch
        ld      a, (0x00C0)         ; stereo on the Game Gear only
        rrca
        and     #1
        call    _tw_set_stereo
        ld      a, (0x00C0)
        rrca
        jr      nc, 4$
        ld      a, (0x00C1)
        call    _tw_start_banked
        jr      5$
4$:     ld      hl, (0x00C2)
        call    _tw_start
5$:     ld      a, #1
        ld      (ready), a
        ld      a, #0xE0                ; display and frame interrupt on
        out     (VDPCTRL), a
        ld      a, #0x81
        out     (VDPCTRL), a
        ei

main:
        halt
        ld      a, (pausereq)
        ld      hl, #paused
        cp      (hl)
        jr      z, main
        ld      (hl), a
        di
        or      a
        jr      z, 1$
        call    _tw_pause
        jr      2$
1$:     call    _tw_resume
2$:     ei
        jr      main

; HL = video address with the command bits.
vram_address:
        ld      a, l
        out     (VDPCTRL), a
        ld      a, h
        out     (VDPCTRL), a
        ret

; Colour 0 dark blue behind colour 15 white; the Game Gear has two bytes an entry.
load_palette:
        ld      hl, #0xC000
        call    vram_address
        ld      a, (0x00C0)
        bit     1, a
        jr      nz, 2$
        ld      a, #0x10
        out     (VDPDATA), a
        ld      b, #15
1$:     ld      a, #0x3F
        out     (VDPDATA), a
        djnz    1$
        ret
2$:     xor     a
        out     (VDPDATA), a
        ld      a, #0x05
        out     (VDPDATA), a
        ld      b, #15
3$:     ld      a, #0xFF
        out     (VDPDATA), a
        ld      a, #0x0F
        out     (VDPDATA), a
        djnz    3$
        ret

; The exporter's text entries into the name table at 0x3800.
draw_text:
        ld      hl, (0x00C4)
1$:     ld      a, (hl)
        cp      #0xFF
        ret     z
        inc     hl
        ld      e, (hl)
        inc     hl
        push    hl
        ld      l, a
        ld      h, #0
        add     hl, hl
        add     hl, hl
        add     hl, hl
        add     hl, hl
        add     hl, hl
        add     hl, hl
        ld      d, #0
        sla     e
        add     hl, de
        ld      de, #0x7800
        add     hl, de
        call    vram_address
        pop     hl
2$:     ld      a, (hl)
        inc     hl
        or      a
        jr      z, 1$
        sub     #32
        out     (VDPDATA), a
        xor     a
        out     (VDPDATA), a
        jr      2$

; 50 or 60 in A: polls of the frame flag between two frames, 33 cycles each, about 1808 at
; 60 Hz and 2149 at 50 Hz.
frame_rate:
        in      a, (VDPCTRL)
1$:     in      a, (VDPCTRL)
        rlca
        jr      nc, 1$
        ld      de, #0
2$:     inc     de
        in      a, (VDPCTRL)
        rlca
        jr      nc, 2$
        ld      hl, #1980
        or      a
        sbc     hl, de
        ld      a, #60
        ret     nc
        ld      a, #50
        ret

vdp_registers:
        .db     0x04, 0x80              ; mode 4
        .db     0x80, 0x81              ; display off until all is drawn
        .db     0xFF, 0x82              ; name table at 0x3800
        .db     0xFF, 0x83
        .db     0xFF, 0x84
        .db     0xFF, 0x85              ; sprite table at 0x3F00
        .db     0xFB, 0x86
        .db     0x00, 0x87              ; border colour 0
        .db     0x00, 0x88
        .db     0x00, 0x89
        .db     0xFF, 0x8A
vdp_registers_end:
