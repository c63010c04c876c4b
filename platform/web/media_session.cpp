// The os service's remote control in the browser (the calls of platform/session_bus/mpris.h): the
// Media Session API in place of MPRIS2 on the session bus, so the system's media
// keys and now-playing controls work on every OS. The page (page.js) shows the
// title and album there and queues the actions; serveMpris turns each into the
// same WM_APPCOMMAND the bus's Play, Pause, Stop, Next and Previous post.
#include <emscripten/emscripten.h>

#include <string>

#include "platform/product.h"
#include "platform/session_bus/mpris.h"

namespace {

constexpr int MAX_ACTIONS_PER_SERVE = 64;

// The actions page.js queues, by their number there.
constexpr int MEDIA_COMMANDS[] = {
    os::APPCOMMAND_MEDIA_PLAY,      os::APPCOMMAND_MEDIA_PAUSE,         os::APPCOMMAND_MEDIA_STOP,
    os::APPCOMMAND_MEDIA_NEXTTRACK, os::APPCOMMAND_MEDIA_PREVIOUSTRACK,
};

// clang-format off
// Titles are 8-bit text: valid UTF-8 is read as such, anything else as Latin-1.
EM_JS(void, jsPublish, (const char* title, int length, const char* album, int status, double seconds,
                        double position), {
    const page = globalThis.musicdisk;
    if (!page || !page.nowPlaying)
        return;
    let text = null;
    if (title) {
        const bytes = HEAPU8.slice(title, title + length);
        try {
            text = new TextDecoder("utf-8", {fatal: true}).decode(bytes);
        } catch (e) {
            text = String.fromCharCode.apply(null, bytes);
        }
    }
    page.nowPlaying({title: text, album: UTF8ToString(album), status: ["none", "playing", "paused"][status],
                     duration: seconds, position: position});
});

EM_JS(int, jsTakeAction, (), {
    const page = globalThis.musicdisk;
    return page && page.takeMediaAction ? page.takeMediaAction() : -1;
});
// clang-format on

int statusNumber(os::PlaybackStatus status)
{
    switch (status) {
    case os::PlaybackStatus::Stopped: return 0;
    case os::PlaybackStatus::Playing: return 1;
    case os::PlaybackStatus::Paused: return 2;
    }
    return 0;
}

bool samePlay(const os::NowPlaying& a, const std::string& aTitle, const os::NowPlaying& b, const std::string& bTitle)
{
    return a.trackCount == b.trackCount && a.track == b.track && a.status == b.status &&
        a.lengthMicros == b.lengthMicros && aTitle == bTitle;
}

}  // namespace

struct Mpris {
    MprisPost post;
    bool published = false;
    os::NowPlaying state = {0, 0, nullptr, os::PlaybackStatus::Stopped, 0, -1, 0};
    std::string title;
};

Mpris* startMpris(const MprisPost& post)
{
    Mpris* mpris = new Mpris;
    mpris->post = post;
    return mpris;
}

void serveMpris(Mpris* mpris)
{
    if (!mpris)
        return;
    for (int i = 0; i < MAX_ACTIONS_PER_SERVE; i++) {
        int action = jsTakeAction();
        if (action < 0 || action >= int(std::size(MEDIA_COMMANDS)))
            return;
        mpris->post(os::WM_APPCOMMAND, 0, os::makeAppCommandParam(MEDIA_COMMANDS[action], os::FAPPCOMMAND_OEM));
    }
}

// The position goes out with every other change (the browser moves it on by
// itself while playing), not every frame.
void publishMpris(Mpris* mpris, const os::NowPlaying& state)
{
    if (!mpris)
        return;
    std::string title = state.trackCount > 0 && state.title ? state.title : "";
    if (mpris->published && samePlay(mpris->state, mpris->title, state, title))
        return;
    mpris->published = true;
    mpris->state = state;
    mpris->state.title = nullptr;  // the caller's text lives only for its call
    mpris->title = title;
    const bool playing = state.trackCount > 0;
    jsPublish(playing ? mpris->title.c_str() : nullptr, int(mpris->title.size()), product::NAME,
              playing ? statusNumber(state.status) : 0, state.lengthMicros >= 0 ? state.lengthMicros / 1e6 : -1.0,
              state.positionMicros / 1e6);
}

void stopMpris(Mpris* mpris) { delete mpris; }
