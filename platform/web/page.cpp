// The calls into page.js; `window.musicdisk` is the object it makes.
#include "platform/web/page.h"

#include <emscripten/emscripten.h>

// clang-format off
EM_JS(void, jsNotice, (const char* caption, const char* text), {
    const page = globalThis.musicdisk;
    if (page && page.notice)
        page.notice(UTF8ToString(caption), UTF8ToString(text));
});

EM_JS(void, jsViewport, (int* width, int* height), {
    const pixelRatio = globalThis.devicePixelRatio || 1;
    const room = globalThis.musicdisk && globalThis.musicdisk.room ? globalThis.musicdisk.room() : null;
    const cssWidth = room ? room.width : (globalThis.innerWidth || 0);
    const cssHeight = room ? room.height : (globalThis.innerHeight || 0);
    HEAP32[width >> 2] = Math.floor(cssWidth * pixelRatio);
    HEAP32[height >> 2] = Math.floor(cssHeight * pixelRatio);
});

EM_JS(void, jsShowCanvas, (int width, int height), {
    const page = globalThis.musicdisk;
    if (page && page.showCanvas)
        page.showCanvas(width, height);
});

EM_JS(void, jsFramePresented, (), {
    const page = globalThis.musicdisk;
    if (page && page.framePresented)
        page.framePresented();
});

EM_JS(void, jsProgramEnded, (), {
    const page = globalThis.musicdisk;
    if (page && page.programEnded)
        page.programEnded();
});

EM_JS(int, jsMaxTextureSize, (), {
    if (typeof document === "undefined")
        return 0;
    const gl = document.createElement("canvas").getContext("webgl2");
    if (!gl)
        return 0;
    const size = gl.getParameter(gl.MAX_TEXTURE_SIZE);
    const lose = gl.getExtension("WEBGL_lose_context");
    if (lose)
        lose.loseContext();
    return size;
});
// clang-format on

void pageNotice(const char* caption, const char* text) { jsNotice(caption ? caption : "", text ? text : ""); }

PageViewport pageViewport()
{
    PageViewport viewport = {0, 0};
    jsViewport(&viewport.width, &viewport.height);
    return viewport;
}

void pageShowCanvas(int width, int height) { jsShowCanvas(width, height); }
void pageFramePresented() { jsFramePresented(); }
void pageProgramEnded() { jsProgramEnded(); }
uint32_t pageMaxTextureSize() { return uint32_t(jsMaxTextureSize()); }
