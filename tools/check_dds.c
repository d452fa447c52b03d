/*
 * check_dds: verifies the game's DDS textures before they are committed.
 *
 * For every file given on the command line it checks:
 *   - the "DDS " magic and a 124-byte header,
 *   - a FourCC of DXT1, DXT3 or DXT5 (the only formats the texture loader accepts),
 *   - power-of-two width and height, a pitch-or-linear-size field that covers
 *     level 0 (the texture loader reads exactly that many bytes), and a file
 *     long enough for level 0,
 *   - that DevIL decodes it to IL_RGBA / IL_UNSIGNED_BYTE with the same size
 *     (the image loader rejects every other decoded format).
 *
 * Usage: check_dds [--opaque] file.dds ... [--sprite] file.dds ...
 *   --opaque  the following files must decode fully opaque (surfaces: a stray
 *             DXT1 punch-through block would show as a hole)
 *   --sprite  the following files may carry any alpha (the default)
 * Prints one line per file and exits 1 when any file fails.
 *
 * Build: gcc -O2 -Wall -o check_dds check_dds.c -lIL
 */
#include <IL/il.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static uint32_t readLe32(const unsigned char *p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

static int isPowerOfTwo(uint32_t v)
{
    return v != 0 && (v & (v - 1)) == 0;
}

/* Returns 0 when the file passes, 1 otherwise; prints one summary line. */
static int checkFile(const char *path, int mustBeOpaque)
{
    /* magic (4) + header (124) */
    unsigned char head[128];
    FILE *f = fopen(path, "rb");
    if (!f) {
        printf("FAIL %s: cannot open\n", path);
        return 1;
    }
    size_t got = fread(head, 1, sizeof head, f);
    if (fseek(f, 0, SEEK_END) != 0) {
        fclose(f);
        printf("FAIL %s: cannot seek\n", path);
        return 1;
    }
    long fileSize = ftell(f);
    fclose(f);

    if (got != sizeof head) {
        printf("FAIL %s: shorter than a DDS header (%zu bytes)\n", path, got);
        return 1;
    }
    if (memcmp(head, "DDS ", 4) != 0) {
        printf("FAIL %s: magic is not \"DDS \"\n", path);
        return 1;
    }
    if (readLe32(head + 4) != 124) {
        printf("FAIL %s: header size %u, expected 124\n", path, readLe32(head + 4));
        return 1;
    }
    uint32_t height = readLe32(head + 12);
    uint32_t width = readLe32(head + 16);
    uint32_t linearSize = readLe32(head + 20);
    uint32_t mipCount = readLe32(head + 28);
    /* pixel format starts at byte 76 (4 magic + 72): size, flags, fourCC */
    uint32_t pfFlags = readLe32(head + 80);
    char fourcc[5];
    memcpy(fourcc, head + 84, 4);
    fourcc[4] = '\0';

    if (!(pfFlags & 0x4u)) {
        printf("FAIL %s: pixel format has no FourCC (uncompressed)\n", path);
        return 1;
    }
    uint32_t blockBytes;
    if (strcmp(fourcc, "DXT1") == 0) {
        blockBytes = 8;
    } else if (strcmp(fourcc, "DXT3") == 0 || strcmp(fourcc, "DXT5") == 0) {
        blockBytes = 16;
    } else {
        printf("FAIL %s: FourCC \"%s\" is not DXT1/DXT3/DXT5\n", path, fourcc);
        return 1;
    }
    if (!isPowerOfTwo(width) || !isPowerOfTwo(height)) {
        printf("FAIL %s: %ux%u is not power-of-two\n", path, width, height);
        return 1;
    }
    /* 4x4 blocks; sizes below 4 still take one block */
    uint64_t level0 = (uint64_t)((width + 3) / 4) * ((height + 3) / 4) * blockBytes;
    if ((uint64_t)linearSize < level0) {
        printf("FAIL %s: pitch-or-linear-size %u is below the level-0 size %llu\n", path, linearSize,
               (unsigned long long)level0);
        return 1;
    }
    if ((uint64_t)fileSize < 128 + level0) {
        printf("FAIL %s: %ld bytes, too short for a %ux%u %s level\n", path, fileSize, width, height, fourcc);
        return 1;
    }

    ILuint image = ilGenImage();
    ilBindImage(image);
    if (!ilLoadImage(path)) {
        ILenum err = ilGetError();
        printf("FAIL %s: DevIL cannot decode it (error 0x%04x)\n", path, (unsigned)err);
        ilDeleteImage(image);
        return 1;
    }
    ILint ilWidth = ilGetInteger(IL_IMAGE_WIDTH);
    ILint ilHeight = ilGetInteger(IL_IMAGE_HEIGHT);
    ILint ilFormat = ilGetInteger(IL_IMAGE_FORMAT);
    ILint ilType = ilGetInteger(IL_IMAGE_TYPE);

    /* mean alpha tells a sprite (mostly transparent) from an opaque surface */
    double alphaSum = 0.0;
    int alphaMin = 255;
    int ok = 1;
    if (ilFormat == IL_RGBA && ilType == IL_UNSIGNED_BYTE && ilWidth > 0 && ilHeight > 0) {
        size_t n = (size_t)ilWidth * (size_t)ilHeight;
        unsigned char *px = malloc(n * 4);
        if (!px) {
            ilDeleteImage(image);
            printf("FAIL %s: out of memory\n", path);
            return 1;
        }
        ilCopyPixels(0, 0, 0, (ILuint)ilWidth, (ILuint)ilHeight, 1, IL_RGBA, IL_UNSIGNED_BYTE, px);
        for (size_t i = 0; i < n; ++i) {
            alphaSum += px[i * 4 + 3];
            if (px[i * 4 + 3] < alphaMin)
                alphaMin = px[i * 4 + 3];
        }
        alphaSum /= (double)n;
        free(px);
    }
    ilDeleteImage(image);

    if (ilFormat != IL_RGBA) {
        printf("FAIL %s: DevIL decodes it as format 0x%04x, not IL_RGBA (0x%04x)\n", path, (unsigned)ilFormat, IL_RGBA);
        ok = 0;
    } else if (ilType != IL_UNSIGNED_BYTE) {
        printf("FAIL %s: DevIL decodes it as type 0x%04x, not IL_UNSIGNED_BYTE\n", path, (unsigned)ilType);
        ok = 0;
    } else if ((uint32_t)ilWidth != width || (uint32_t)ilHeight != height) {
        printf("FAIL %s: DevIL size %dx%d differs from the header's %ux%u\n", path, ilWidth, ilHeight, width, height);
        ok = 0;
    }
    else if (mustBeOpaque && alphaMin != 255) {
        printf("FAIL %s: must be opaque, but its lowest alpha is %d\n", path, alphaMin);
        ok = 0;
    }
    if (!ok)
        return 1;

    printf("ok   %s: %s %ux%u, %u mip level(s), %ld bytes, DevIL IL_RGBA, alpha min %d mean %.1f\n", path, fourcc,
           width, height, mipCount ? mipCount : 1, fileSize, alphaMin, alphaSum);
    return 0;
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: %s [--opaque] file.dds ... [--sprite] file.dds ...\n", argv[0]);
        return 2;
    }
    ilInit();
    int failures = 0;
    int files = 0;
    int mustBeOpaque = 0;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--opaque") == 0) {
            mustBeOpaque = 1;
        } else if (strcmp(argv[i], "--sprite") == 0) {
            mustBeOpaque = 0;
        } else {
            ++files;
            failures += checkFile(argv[i], mustBeOpaque);
        }
    }
    printf("%d passed, %d failed\n", files - failures, failures);
    return failures ? 1 : 0;
}
