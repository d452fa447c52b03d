# Emits ImageMagick -draw primitives for one floating stone platform seen from
# slightly above: a jagged rock underside hanging in spikes, a flat elliptic top
# with its far rim lit by the low sun, and optionally ruined columns on top.
#
# Variables (awk -v): cx cy  centre of the top surface (pixels)
#                     w      width of the top surface (pixels)
#                     seed   random seed, so every platform has its own shape
#                     rock   underside colour   lit  colour of its sunward face
#                     top    top colour         rim  colour of the lit rim
#                     ruins  1 to stand a broken column and a lintel gate on it
function rnd(a, b) { return a + rand() * (b - a) }
function pt(x, y) { return sprintf(" %.1f,%.1f", x, y) }
BEGIN {
    srand(seed);
    print "fill-rule nonzero";              # the jagged outline may cross itself
    pi = 3.14159265;
    ry = w * 0.09;                           # half height of the top ellipse
    depth = w * rnd(0.55, 0.8);              # how far the deepest spike hangs
    tipx = cx + rnd(-0.12, 0.12) * w;

    # Underside outline, right end to left end: the front half of the top
    # ellipse gives the upper edge, spikes of falling length give the lower one.
    n = 22;
    for (i = 0; i <= n; i++) {
        t = i / n;
        ex[i] = cx + w * 0.5 * cos(pi * t);
        ey[i] = cy + ry * sin(pi * t);
        # Envelope: a blunt cone, deepest under the tip.
        d = (ex[i] - tipx) / (w * 0.5);
        env = 1 - d * d; if (env < 0) env = 0;
        env = env ^ 0.8;
        # Alternate deep spikes and shallow notches.
        f = (i % 2 == 0) ? rnd(0.75, 1.0) : rnd(0.35, 0.6);
        if (i == 0 || i == n) f = 0.05;
        bx[i] = ex[i] + (tipx - ex[i]) * 0.12 * env + rnd(-0.012, 0.012) * w;
        by[i] = ey[i] + depth * env * f + ry * 0.6;
    }
    s = pt(ex[0], ey[0]);
    for (i = 0; i <= n; i++) s = s pt(bx[i], by[i]);
    s = s pt(ex[n], ey[n]);
    printf("fill %s stroke none polygon%s\n", rock, s);

    # The sunward (right) third of the underside a shade lighter.
    k = int(n / 3);
    s = pt(ex[0], ey[0]);
    for (i = 0; i <= k; i++) s = s pt(bx[i], by[i]);
    s = s pt(ex[k], ey[k]);
    printf("fill %s stroke none polygon%s\n", lit, s);

    # Cracks down the rock face.
    for (c = 0; c < 4; c++) {
        x0 = cx + rnd(-0.3, 0.3) * w; y0 = cy + ry * 0.9;
        x1 = x0 + rnd(-0.04, 0.04) * w; y1 = y0 + depth * rnd(0.15, 0.35);
        printf("fill none stroke %s stroke-width %.1f line %.1f,%.1f %.1f,%.1f\n", lit, w * 0.004 + 0.5, x0, y0, x1, y1);
    }

    # Top surface, its thickness band and its lit far rim.
    printf("fill %s stroke none ellipse %.1f,%.1f %.1f,%.1f 0,360\n", lit, cx, cy + ry * 0.35, w * 0.5, ry);
    printf("fill %s stroke none ellipse %.1f,%.1f %.1f,%.1f 0,360\n", top, cx, cy, w * 0.5, ry);
    s = "";
    for (a = 195; a <= 345; a += 5)
        s = s pt(cx + (w * 0.5 - w * 0.006) * cos(a * pi / 180), cy + (ry - w * 0.006) * sin(a * pi / 180));
    printf("fill none stroke %s stroke-width %.1f stroke-linecap round stroke-linejoin round polyline%s\n",
           rim, w * 0.01 + 0.8, s);

    if (ruins == 1) {
        cw = w * 0.04;
        # A broken column left of centre.
        c1 = cx - w * 0.24; h1 = w * 0.18;
        printf("fill %s stroke none polygon%s%s%s%s%s\n", rock,
               pt(c1 - cw, cy), pt(c1 + cw, cy), pt(c1 + cw, cy - h1), pt(c1 + cw * 0.1, cy - h1 - cw * 1.1), pt(c1 - cw, cy - h1 + cw * 0.3));
        # A gate of two columns and a lintel right of centre.
        c2 = cx + w * 0.06; c3 = cx + w * 0.26; h2 = w * 0.30;
        printf("fill %s stroke none rectangle %.1f,%.1f %.1f,%.1f\n", rock, c2 - cw, cy - h2, c2 + cw, cy);
        printf("fill %s stroke none rectangle %.1f,%.1f %.1f,%.1f\n", rock, c3 - cw, cy - h2, c3 + cw, cy);
        printf("fill %s stroke none rectangle %.1f,%.1f %.1f,%.1f\n", rock, c2 - cw * 1.8, cy - h2 - cw * 1.2, c3 + cw * 1.8, cy - h2);
        # Capitals and bases.
        printf("fill %s stroke none rectangle %.1f,%.1f %.1f,%.1f\n", rock, c2 - cw * 1.4, cy - h2, c2 + cw * 1.4, cy - h2 + cw * 0.5);
        printf("fill %s stroke none rectangle %.1f,%.1f %.1f,%.1f\n", rock, c3 - cw * 1.4, cy - h2, c3 + cw * 1.4, cy - h2 + cw * 0.5);
        # Sunlight on the sunward edges.
        lw = cw * 0.35;
        printf("fill %s stroke none rectangle %.1f,%.1f %.1f,%.1f\n", rim, c2 + cw - lw, cy - h2 + cw * 0.5, c2 + cw, cy - ry * 0.2);
        printf("fill %s stroke none rectangle %.1f,%.1f %.1f,%.1f\n", rim, c3 + cw - lw, cy - h2 + cw * 0.5, c3 + cw, cy - ry * 0.2);
        printf("fill %s stroke none rectangle %.1f,%.1f %.1f,%.1f\n", rim, c2 - cw * 1.8, cy - h2 - cw * 1.2, c3 + cw * 1.8, cy - h2 - cw * 1.2 + lw);
        printf("fill %s stroke none rectangle %.1f,%.1f %.1f,%.1f\n", rim, c1 + cw - lw, cy - h1, c1 + cw, cy - ry * 0.2);
    }
}
