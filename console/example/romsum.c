/* Writes the checksum of a 32 KB ROM into its header: the 16-bit sum of the bytes below
 * 0x7FF0, at 0x7FFA. */
#include <stdio.h>

int main(int argc, char **argv) {
    static unsigned char rom[0x8000];
    unsigned sum = 0;
    FILE *f;
    long i;
    if (argc != 2 || !(f = fopen(argv[1], "r+b")) || fread(rom, 1, sizeof rom, f) != sizeof rom) {
        fprintf(stderr, "romsum: give a 32 KB ROM\n");
        return 1;
    }
    for (i = 0; i < 0x7FF0; ++i) sum += rom[i];
    fseek(f, 0x7FFA, SEEK_SET);
    fputc(sum & 0xFF, f);
    fputc((sum >> 8) & 0xFF, f);
    return fclose(f) ? 1 : 0;
}
