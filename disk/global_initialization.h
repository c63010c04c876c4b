// GlobalInitializationScene: the start-up and shutdown of all disk content.
//
// It is scene 0 only in form: never entered, updated or drawn. Its constructor
// loads the artwork atlas, reads data/disk.cfg, opens the audio output, loads every
// track, measures the titles and the scroll text into `musicLibrary` and starts the
// first track, so music already plays while the logo fades in. Its destructor, the
// first scene deletion at exit, frees every track, releases the atlas and closes
// the audio output.
//
// Nothing stops start-up: a wrong audio version, an unsupported track type and a
// track that does not load are each reported in a message box and passed over; a
// missing content file or atlas passes silently. A disk without tracks runs
// without music.
#pragma once
#include <cstdint>

#include "app/scene.h"
#include "disk/disk_files.h"
#include "platform/gpu.h"

// How many failed tracks are reported, each in its own message boxes; later
// failures pass silently. A count that runs far past the records takes every
// scroll text line as a record, and the user would otherwise click away two
// boxes for each of up to MAX_DISK_TRACKS of them.
constexpr int32_t MAX_REPORTED_TRACK_FAILURES = 5;

// The artwork atlas "data/velta.png" every screen cuts its pictures from; null
// until start-up has loaded it, if it could, and again after shutdown.
extern gpu::Texture* skinTexture;

class GlobalInitializationScene : public Scene {
public:
    // Needs the RenderDevice to exist already (the atlas is made on its device).
    GlobalInitializationScene();
    ~GlobalInitializationScene() override;
    void update() override {}
};
