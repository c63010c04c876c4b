// mpris: the player on the session bus (MPRIS2), for the os service. It uses
// sdbus-c++ and nothing of SDL; a platform without a session bus leaves it out.
//
// The bus is served on the main thread, between frames: serveMpris() handles
// whatever has arrived and returns without waiting; the os service calls it from
// its message pump. A method call becomes a message that `post` queues for the
// window procedure (WM_APPCOMMAND with a media command, or a WM_APP_ message); a
// property read answers from the state last given to publishMpris(), which emits
// PropertiesChanged for what differs from it.
//
//   startMpris(post)      connects and takes the name product::BUS_NAME
//                         (org.mpris.MediaPlayer2.musicdisk; .instance<pid> when
//                         another copy holds it). Null without a session bus, after
//                         one line on stderr.
//   serveMpris(m)         handle what has arrived, four messages at most (a flood
//                         waits for later calls); a bus that fails is dropped with
//                         one line on stderr, and the program goes on.
//   publishMpris(m, s)    the player's state now.
//   stopMpris(m)          release the name and disconnect.
//
// In the browser platform/web/media_session.cpp serves the same calls with the
// page's Media Session instead of the bus.
#pragma once
#include <functional>
#include <string>

#include "platform/os.h"

struct Mpris;

using MprisPost = std::function<void(uint32_t message, os::WParam wParam, os::LParam lParam)>;

Mpris* startMpris(const MprisPost& post);
void serveMpris(Mpris* mpris);
void publishMpris(Mpris* mpris, const os::NowPlaying& state);
void stopMpris(Mpris* mpris);

// Titles are 8-bit text and the bus carries UTF-8 only: valid UTF-8 stays as it
// is, anything else is read as Latin-1.
std::string busText(const char* text);
