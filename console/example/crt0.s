; Start-up of the example game: vectors, the cartridge mapper, RAM cleared, then main().
; The frame interrupt plays the music and counts frames for the game.
        .module crt0
        .globl _main, _tw_frame, _frames

        .area _HEADER (ABS)
        .org    0x0000
        di
        im      1
        ld      sp, #0xDFF0
        jp      start

        .org    0x0038
        push    af
        push    bc
        push    de
        push    hl
        push    iy
        in      a, (0xBF)               ; acknowledges the interrupt
        call    _tw_frame
        ld      hl, #_frames
        inc     (hl)
        pop     iy
        pop     hl
        pop     de
        pop     bc
        pop     af
        ei
        reti

        .org    0x0066
        retn

        .org    0x0080
start:
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
        call    _main
1$:     halt
        jr      1$

        .org    0x7FF0
        .ascii  "TMR SEGA"
        .db     0xFF, 0xFF
        .dw     0                       ; checksum, filled in by romsum
        .db     0, 0, 0
        .db     0x4C                    ; export Master System, 32 KB

        .area _CODE
        .area _INITIALIZER
        .area _DATA
        .area _INITIALIZED
