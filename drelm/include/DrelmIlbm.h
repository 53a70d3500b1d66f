/* The entry points of the optional run-time library "libilbm.so" through which drelm
   reads IFF ILBM pictures. drelm finds it with the system's library search; without it,
   loading an ILBM picture fails with "Could not load library", and a library lacking one
   of these functions fails with "Could not load function". */
#ifndef DRELM_ILBM_H
#define DRELM_ILBM_H

#ifdef __cplusplus
extern "C" {
#endif

struct libilbm_Picture {
    int width;
    int height;
    /* width * height pixels, row after row, each a 32-bit 0xAARRGGBB value in the
       machine's byte order; owned by the library. */
    unsigned int* pixels;
};

/* An empty picture record, or 0 when out of memory. */
struct libilbm_Picture* libilbm_Create(void);
/* Decodes `size` bytes of an IFF ILBM file into the record; nonzero on success. */
int libilbm_Load(struct libilbm_Picture* picture, const void* data, unsigned long size);
/* Frees the decoded pixels (the record stays usable). */
void libilbm_Unload(struct libilbm_Picture* picture);
/* Frees the record. */
void libilbm_Free(struct libilbm_Picture* picture);

#ifdef __cplusplus
}
#endif

#endif
