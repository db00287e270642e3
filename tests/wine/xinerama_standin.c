/* A stand-in for libXinerama.so.1 that makes one wide Xvfb screen look like several
   monitors to Wine: the rectangles come from LUMORA_MONITORS ("800x600+0+0,800x600+800+0").
   Built with gcc -shared -fPIC by the monitor tests and found first via LD_LIBRARY_PATH. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef struct { int screen_number; short x_org, y_org, width, height; } XineramaScreenInfo;

int XineramaQueryExtension(void *display, int *event_base, int *error_base) {
    (void)display; *event_base = 0; *error_base = 0; return 1;
}
int XineramaQueryVersion(void *display, int *major, int *minor) {
    (void)display; *major = 1; *minor = 1; return 1;
}
int XineramaIsActive(void *display) { (void)display; return 1; }

XineramaScreenInfo *XineramaQueryScreens(void *display, int *number) {
    const char *spec = getenv("LUMORA_MONITORS");
    XineramaScreenInfo *screens = calloc(16, sizeof(XineramaScreenInfo));
    int w, h, x, y, used, n = 0;
    (void)display;
    while (spec && screens && n < 16 && sscanf(spec, "%dx%d+%d+%d%n", &w, &h, &x, &y, &used) == 4) {
        screens[n].screen_number = n;
        screens[n].x_org = (short)x; screens[n].y_org = (short)y;
        screens[n].width = (short)w; screens[n].height = (short)h;
        ++n;
        spec += used;
        if (*spec != ',') break;
        ++spec;
    }
    *number = n;
    return screens;
}
