// page: the program's side of the web page it runs in. The page's side is
// page.js, which index.html loads before the program; every call here is one
// call into it, and does nothing when the page has no such side (under node).
//
//   pageNotice(caption, text)  a notice on the page in place of a message box: it
//                              does not wait, and stays until the reader closes it.
//   pageViewport()             the room the page gives the picture, in device pixels.
//   pageShowCanvas(w, h)       the canvas holds w x h device pixels: shown at
//                              that size, centred (its CSS size follows the ratio).
//   pageFramePresented()       a frame went to the screen (the page's frame clock).
//   pageProgramEnded()         the program is over: the page offers to play again.
//   pageMaxTextureSize()       the largest texture side a WebGL 2 context takes here.
#pragma once
#include <cstdint>

struct PageViewport {
    int width, height;  // device pixels
};

void pageNotice(const char* caption, const char* text);
PageViewport pageViewport();
void pageShowCanvas(int width, int height);
void pageFramePresented();
void pageProgramEnded();
uint32_t pageMaxTextureSize();
