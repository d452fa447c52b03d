/*
 * check_images: verifies the GUI images the way the game reads them.
 *
 * The game decodes each DDS file with DevIL's ilLoadImage and accepts only an
 * IL_RGBA result, which it copies row by row (DevIL delivers the rows top row
 * of the file first) into a texture whose first row is v = 0, the bottom of the
 * screen quad. So in the rows seen here, row 0 is what shows at the bottom.
 *
 * Usage: check_images KIND FILE WxH [KIND FILE WxH ...]
 *   KIND  opaque  every texel fully opaque (title, loading)
 *         panel   clear at the four corners, solid in the middle (failed,
 *                 success, pause)
 *         veil    nearly clear in the middle, strong at the corners (red)
 *         strip   clear at the four corners, translucent in the middle (bg)
 *         mark    clear everywhere but the upper-right quarter of the screen,
 *                 with something drawn there (mute)
 *   WxH   the size the file must have
 * Prints one line per file; exits 1 when any file fails.
 *
 * Build: cc -O2 -Wall -o check_images check_images.c -lIL
 */
#include <IL/il.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Alpha of texel (x, y), y counted in DevIL's delivered rows. */
static unsigned alphaAt(const unsigned char *px, int w, int x, int y)
{
    return px[((size_t)y * (size_t)w + (size_t)x) * 4 + 3];
}

/* Returns NULL when the image passes, else a short reason. */
static const char *checkKind(const char *kind, const unsigned char *px, int w, int h)
{
    unsigned corners[4] = {alphaAt(px, w, 0, 0), alphaAt(px, w, w - 1, 0), alphaAt(px, w, 0, h - 1),
                           alphaAt(px, w, w - 1, h - 1)};
    unsigned middle = alphaAt(px, w, w / 2, h / 2);

    if (strcmp(kind, "opaque") == 0) {
        for (size_t i = 0; i < (size_t)w * (size_t)h; ++i)
            if (px[i * 4 + 3] != 255)
                return "a texel is not fully opaque";
        return NULL;
    }
    if (strcmp(kind, "panel") == 0 || strcmp(kind, "strip") == 0) {
        for (int i = 0; i < 4; ++i)
            if (corners[i] != 0)
                return "a corner is not clear";
        if (strcmp(kind, "panel") == 0 && middle < 160)
            return "the middle is not solid";
        if (strcmp(kind, "strip") == 0 && (middle < 64 || middle > 240))
            return "the middle is not translucent";
        return NULL;
    }
    if (strcmp(kind, "veil") == 0) {
        if (middle > 32)
            return "the middle is not nearly clear";
        for (int i = 0; i < 4; ++i)
            if (corners[i] < 128)
                return "a corner is too faint";
        return NULL;
    }
    if (strcmp(kind, "mark") == 0) {
        size_t drawn = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (alphaAt(px, w, x, y) == 0)
                    continue;
                /* Upper screen half = the later delivered rows. */
                if (x < w / 2 || y < h / 2)
                    return "something drawn outside the upper-right quarter (or the rows are upside down)";
                ++drawn;
            }
        return drawn > 0 ? NULL : "nothing drawn";
    }
    return "unknown kind";
}

static int checkFile(const char *kind, const char *path, const char *size)
{
    int wantW = 0, wantH = 0;
    if (sscanf(size, "%dx%d", &wantW, &wantH) != 2 || wantW <= 0 || wantH <= 0) {
        printf("FAIL %s: bad size argument '%s'\n", path, size);
        return 1;
    }
    ILuint image = 0;
    ilGenImages(1, &image);
    ilBindImage(image);
    if (!ilLoadImage(path)) {
        printf("FAIL %s: DevIL cannot load it (error 0x%04x)\n", path, (unsigned)ilGetError());
        ilDeleteImages(1, &image);
        return 1;
    }
    int w = ilGetInteger(IL_IMAGE_WIDTH);
    int h = ilGetInteger(IL_IMAGE_HEIGHT);
    int format = ilGetInteger(IL_IMAGE_FORMAT);
    const char *reason = NULL;
    if (format != IL_RGBA)
        reason = "DevIL does not decode it as IL_RGBA";
    else if (w != wantW || h != wantH)
        reason = "unexpected size";
    else if (w % 4 != 0 || h % 4 != 0)
        reason = "size not a multiple of 4";

    unsigned char *px = NULL;
    if (!reason) {
        px = malloc((size_t)w * (size_t)h * 4);
        if (!px)
            reason = "out of memory";
        else {
            ilCopyPixels(0, 0, 0, (ILuint)w, (ILuint)h, 1, IL_RGBA, IL_UNSIGNED_BYTE, px);
            reason = checkKind(kind, px, w, h);
        }
    }
    free(px);
    ilDeleteImages(1, &image);
    if (reason) {
        printf("FAIL %s (%dx%d, %s): %s\n", path, w, h, kind, reason);
        return 1;
    }
    printf("ok   %s (%dx%d, %s)\n", path, w, h, kind);
    return 0;
}

int main(int argc, char **argv)
{
    if (argc < 4 || (argc - 1) % 3 != 0) {
        fprintf(stderr, "usage: check_images KIND FILE WxH [KIND FILE WxH ...]\n");
        return 2;
    }
    ilInit();
    int failures = 0;
    for (int i = 1; i + 2 < argc; i += 3)
        failures += checkFile(argv[i], argv[i + 1], argv[i + 2]);
    printf("%d passed, %d failed\n", (argc - 1) / 3 - failures, failures);
    return failures ? 1 : 0;
}
