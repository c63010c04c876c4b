#include "platform/session_bus/mpris.h"

#include <sdbus-c++/sdbus-c++.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include "platform/product.h"
#include "platform/utf8.h"

namespace {

constexpr const char* OBJECT_PATH = "/org/mpris/MediaPlayer2";
constexpr const char* ROOT_INTERFACE = "org.mpris.MediaPlayer2";
constexpr const char* PLAYER_INTERFACE = "org.mpris.MediaPlayer2.Player";
constexpr const char* NO_TRACK_PATH = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
// The only calls the player makes and waits for are the name requests, in the
// frame that first publishes; a bus that does not answer costs that frame this
// much at most.
constexpr auto METHOD_CALL_TIMEOUT = std::chrono::milliseconds(250);
// Messages handled in one serveMpris call at most, so a flood of calls cannot
// hold a frame up.
constexpr int MAX_MESSAGES_PER_SERVE = 4;

using Metadata = std::map<std::string, sdbus::Variant>;

}  // namespace

struct Mpris {
    MprisPost post;
    std::unique_ptr<sdbus::IConnection> connection;
    std::unique_ptr<sdbus::IObject> object;  // made with the first state
    os::NowPlaying state = {0, 0, nullptr, os::PlaybackStatus::Stopped, 0, -1, 0};
    std::string title;  // state's title, as UTF-8
};

namespace {

const char* statusName(os::PlaybackStatus status)
{
    switch (status) {
    case os::PlaybackStatus::Playing: return "Playing";
    case os::PlaybackStatus::Paused: return "Paused";
    case os::PlaybackStatus::Stopped: break;
    }
    return "Stopped";
}

Metadata metadataOf(const Mpris& mpris)
{
    Metadata metadata;
    const os::NowPlaying& state = mpris.state;
    if (state.trackCount <= 0) {
        metadata["mpris:trackid"] = sdbus::Variant(sdbus::ObjectPath(NO_TRACK_PATH));
        return metadata;
    }
    metadata["mpris:trackid"] =
        sdbus::Variant(sdbus::ObjectPath(std::string(product::APP_PATH) + "/track/" + std::to_string(state.track)));
    metadata["xesam:title"] = sdbus::Variant(mpris.title);
    metadata["xesam:album"] = sdbus::Variant(std::string(product::NAME));
    if (state.lengthMicros >= 0)
        metadata["mpris:length"] = sdbus::Variant(int64_t(state.lengthMicros));
    return metadata;
}

void postCommand(Mpris& mpris, int command)
{
    mpris.post(os::WM_APPCOMMAND, 0, os::makeAppCommandParam(command, os::FAPPCOMMAND_OEM));
}

void registerRoot(Mpris& mpris, sdbus::IObject& object)
{
    object.registerMethod("Raise").onInterface(ROOT_INTERFACE).implementedAs([&mpris] {
        mpris.post(os::WM_APP_RAISE, 0, 0);
    });
    object.registerMethod("Quit").onInterface(ROOT_INTERFACE).implementedAs([&mpris] {
        mpris.post(os::WM_APP_QUIT, 0, 0);
    });
    object.registerProperty("CanQuit").onInterface(ROOT_INTERFACE).withGetter([] { return true; });
    object.registerProperty("CanRaise").onInterface(ROOT_INTERFACE).withGetter([] { return true; });
    object.registerProperty("HasTrackList").onInterface(ROOT_INTERFACE).withGetter([] { return false; });
    object.registerProperty("Identity").onInterface(ROOT_INTERFACE).withGetter([] {
        return std::string(product::NAME);
    });
    object.registerProperty("DesktopEntry").onInterface(ROOT_INTERFACE).withGetter([] {
        return std::string(product::APP_ID);
    });
    object.registerProperty("SupportedUriSchemes").onInterface(ROOT_INTERFACE).withGetter([] {
        return std::vector<std::string>();
    });
    object.registerProperty("SupportedMimeTypes").onInterface(ROOT_INTERFACE).withGetter([] {
        return std::vector<std::string>();
    });
}

void registerPlayerMethods(Mpris& mpris, sdbus::IObject& object)
{
    const std::pair<const char*, int> commands[] = {
        {"Next", os::APPCOMMAND_MEDIA_NEXTTRACK}, {"Previous", os::APPCOMMAND_MEDIA_PREVIOUSTRACK},
        {"Pause", os::APPCOMMAND_MEDIA_PAUSE},    {"PlayPause", os::APPCOMMAND_MEDIA_PLAY_PAUSE},
        {"Stop", os::APPCOMMAND_MEDIA_STOP},      {"Play", os::APPCOMMAND_MEDIA_PLAY},
    };
    for (const auto& [name, command] : commands)
        object.registerMethod(name).onInterface(PLAYER_INTERFACE).implementedAs([&mpris, command = command] {
            postCommand(mpris, command);
        });
    // The player cannot seek nor open anything: these answer and do nothing.
    object.registerMethod("Seek").onInterface(PLAYER_INTERFACE).implementedAs([](int64_t) {});
    object.registerMethod("SetPosition").onInterface(PLAYER_INTERFACE).implementedAs([](sdbus::ObjectPath, int64_t) {});
    object.registerMethod("OpenUri").onInterface(PLAYER_INTERFACE).implementedAs([](std::string) {});
    object.registerSignal("Seeked").onInterface(PLAYER_INTERFACE).withParameters<int64_t>("Position");
}

void registerPlayerProperties(Mpris& mpris, sdbus::IObject& object)
{
    object.registerProperty("PlaybackStatus").onInterface(PLAYER_INTERFACE).withGetter([&mpris] {
        return std::string(statusName(mpris.state.status));
    });
    object.registerProperty("Metadata").onInterface(PLAYER_INTERFACE).withGetter([&mpris] {
        return metadataOf(mpris);
    });
    object.registerProperty("Volume")
        .onInterface(PLAYER_INTERFACE)
        .withGetter([&mpris] { return mpris.state.volumeLevel / 10.0; })
        .withSetter([&mpris](const double& volume) {
            if (!std::isfinite(volume))
                return;
            // The nearest of the ten steps.
            long level = std::lround(std::fmin(std::fmax(volume, 0.0), 1.0) * 10.0);
            mpris.post(os::WM_APP_SETVOLUME, os::WParam(level), 0);
        });
    object.registerProperty("Position")
        .onInterface(PLAYER_INTERFACE)
        .withGetter([&mpris] { return int64_t(mpris.state.positionMicros); })
        .withUpdateBehavior(sdbus::Flags::EMITS_NO_SIGNAL);
    // The rate is fixed: a rate set from outside is ignored.
    object.registerProperty("Rate")
        .onInterface(PLAYER_INTERFACE)
        .withGetter([] { return 1.0; })
        .withSetter([](const double&) {});
    object.registerProperty("MinimumRate").onInterface(PLAYER_INTERFACE).withGetter([] { return 1.0; });
    object.registerProperty("MaximumRate").onInterface(PLAYER_INTERFACE).withGetter([] { return 1.0; });
    for (const char* name : {"CanGoNext", "CanGoPrevious", "CanPlay", "CanPause", "CanControl"})
        object.registerProperty(name).onInterface(PLAYER_INTERFACE).withGetter([&mpris] {
            return mpris.state.trackCount > 0;
        });
    object.registerProperty("CanSeek").onInterface(PLAYER_INTERFACE).withGetter([] { return false; });
}

// The player goes on the bus with its first state, so no client ever sees it
// before it knows its tracks.
void registerPlayer(Mpris& mpris)
{
    mpris.object = sdbus::createObject(*mpris.connection, OBJECT_PATH);
    registerRoot(mpris, *mpris.object);
    registerPlayerMethods(mpris, *mpris.object);
    registerPlayerProperties(mpris, *mpris.object);
    mpris.object->finishRegistration();
    try {
        mpris.connection->requestName(product::BUS_NAME);
    } catch (const sdbus::Error&) {
        mpris.connection->requestName(std::string(product::BUS_NAME) + ".instance" + std::to_string(getpid()));
    }
}

void dropBus(Mpris& mpris, const sdbus::Error& error)
{
    std::fprintf(stderr, "os: the session bus failed (%s): no media controls from now on\n",
                 error.getMessage().c_str());
    mpris.object.reset();
    mpris.connection.reset();
}

std::vector<std::string> changedProperties(const Mpris& mpris, const os::NowPlaying& old, const std::string& oldTitle)
{
    const os::NowPlaying& now = mpris.state;
    std::vector<std::string> changed;
    if (now.status != old.status)
        changed.push_back("PlaybackStatus");
    if (now.trackCount != old.trackCount || now.track != old.track || now.lengthMicros != old.lengthMicros ||
        mpris.title != oldTitle)
        changed.push_back("Metadata");
    if (now.volumeLevel != old.volumeLevel)
        changed.push_back("Volume");
    if ((now.trackCount > 0) != (old.trackCount > 0))
        for (const char* name : {"CanGoNext", "CanGoPrevious", "CanPlay", "CanPause", "CanControl"})
            changed.push_back(name);
    return changed;
}

}  // namespace

std::string busText(const char* text)
{
    std::string bytes = text ? text : "";
    if (isUtf8(bytes))
        return bytes;
    std::string converted;
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            converted += char(c);
        } else {
            converted += char(0xC0 | (c >> 6));
            converted += char(0x80 | (c & 0x3F));
        }
    }
    return converted;
}

Mpris* startMpris(const MprisPost& post)
{
    auto mpris = std::make_unique<Mpris>();
    mpris->post = post;
    try {
        mpris->connection = sdbus::createSessionBusConnection();
        mpris->connection->setMethodCallTimeout(METHOD_CALL_TIMEOUT);
    } catch (const sdbus::Error& error) {
        std::fprintf(stderr, "os: no session bus (%s): no media controls\n", error.getMessage().c_str());
        return nullptr;
    }
    return mpris.release();
}

void serveMpris(Mpris* mpris)
{
    if (!mpris || !mpris->connection)
        return;
    try {
        for (int i = 0; i < MAX_MESSAGES_PER_SERVE && mpris->connection->processPendingRequest(); i++) {
        }
    } catch (const sdbus::Error& error) {
        dropBus(*mpris, error);
    }
}

void publishMpris(Mpris* mpris, const os::NowPlaying& state)
{
    if (!mpris || !mpris->connection)
        return;
    os::NowPlaying old = mpris->state;
    std::string oldTitle = mpris->title;
    mpris->state = state;
    mpris->state.title = nullptr;  // the caller's text lives only for its call
    mpris->title = state.trackCount > 0 ? busText(state.title) : std::string();
    try {
        if (!mpris->object) {
            registerPlayer(*mpris);
            return;
        }
        std::vector<std::string> changed = changedProperties(*mpris, old, oldTitle);
        if (!changed.empty())
            mpris->object->emitPropertiesChangedSignal(PLAYER_INTERFACE, changed);
    } catch (const sdbus::Error& error) {
        dropBus(*mpris, error);
    }
}

void stopMpris(Mpris* mpris)
{
    if (!mpris)
        return;
    // Both go quietly: the bus may be gone already.
    try {
        mpris->object.reset();
        mpris->connection.reset();
    } catch (const sdbus::Error&) {
    }
    delete mpris;
}
