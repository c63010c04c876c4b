// The page's side of the program (platform/web/page.h is the program's side).
//
// It starts the program (musicdisk.js, built with MODULARIZE) on the canvas, and
// keeps for it and for whoever drives the page the object window.musicdisk:
//   ready          true once the first frame was presented
//   soundStarted   true once the audio runs (browsers start it on a gesture)
//   frameTimes     performance.now() of every presented frame (the last 3000)
//   notices        the texts of the notices shown (message boxes)
//   ended          true once the program is over (the "play again" card shows)
//   module         the running program's module object
// and the calls the program makes: notice, room, showCanvas, framePresented,
// programEnded, nowPlaying and takeMediaAction.
"use strict";

(function () {
    const MAX_FRAME_TIMES = 3000;
    // The order media_session.cpp numbers the actions in.
    const MEDIA_ACTIONS = ["play", "pause", "stop", "nexttrack", "previoustrack"];

    const page = {
        ready: false,
        soundStarted: false,
        frameTimes: [],
        notices: [],
        ended: false,
        module: null,
    };
    const mediaActions = [];
    window.musicdisk = page;

    const byId = (id) => document.getElementById(id);

    // ---- Sound on the first gesture ----------------------------------------------

    function audioContext() {
        const sdl = page.module && page.module.SDL2;
        return sdl ? sdl.audioContext : undefined;
    }

    // The notice stays while there is no running sound. A context that runs from
    // the start (a browser that allows sound without a gesture) never shows it.
    function updateSoundGate() {
        const context = audioContext();
        page.soundStarted = !!context && context.state === "running";
        byId("sound-gate").hidden = page.soundStarted || page.ended;
    }

    // The key or click goes on to the program as well: nothing here stops it.
    function onGesture() {
        const context = audioContext();
        if (context && context.state === "suspended")
            context.resume().then(updateSoundGate, updateSoundGate);
        updateSoundGate();
    }
    for (const type of ["keydown", "mousedown", "pointerdown", "touchstart"])
        window.addEventListener(type, onGesture, {capture: true, passive: true});

    // ---- Notices (the program's message boxes) ---------------------------------

    page.notice = function (caption, text) {
        page.notices.push(text);
        const card = document.createElement("div");
        card.className = "notice";
        card.setAttribute("role", "status");
        const title = document.createElement("strong");
        title.textContent = caption;
        const body = document.createElement("p");
        body.textContent = text;
        const close = document.createElement("button");
        close.textContent = "OK";
        close.addEventListener("click", () => card.remove());
        card.append(title, body, close);
        byId("notices").append(card);
    };

    // ---- The canvas ---------------------------------------------------------------

    // The room the picture has: the whole window.
    page.room = function () {
        return {width: window.innerWidth, height: window.innerHeight};
    };

    // The canvas holds width x height device pixels, shown one to one.
    page.showCanvas = function (width, height) {
        const canvas = byId("canvas");
        const ratio = window.devicePixelRatio || 1;
        const cssWidth = width / ratio + "px", cssHeight = height / ratio + "px";
        if (canvas.style.width !== cssWidth || canvas.style.height !== cssHeight) {
            canvas.style.width = cssWidth;
            canvas.style.height = cssHeight;
        }
    };

    page.framePresented = function () {
        page.frameTimes.push(performance.now());
        if (page.frameTimes.length > MAX_FRAME_TIMES)
            page.frameTimes.splice(0, page.frameTimes.length - MAX_FRAME_TIMES);
        if (!page.ready) {
            page.ready = true;
            document.body.classList.add("running");
        }
        if (!page.soundStarted)
            updateSoundGate();
    };

    // ---- Media Session ----------------------------------------------------------

    page.nowPlaying = function (state) {
        const session = navigator.mediaSession;
        if (!session)
            return;
        session.metadata = state.title === null ? null : new MediaMetadata({
            title: state.title,
            album: state.album,
            artwork: [{src: "favicon.png", sizes: "64x64", type: "image/png"}],
        });
        session.playbackState = state.status;
        if (session.setPositionState) {
            try {
                if (state.title !== null && state.duration > 0)
                    session.setPositionState({duration: state.duration, playbackRate: 1,
                                              position: Math.min(Math.max(state.position, 0), state.duration)});
                else
                    session.setPositionState();
            } catch (e) {
                // A state the browser refuses only leaves the position unshown.
            }
        }
    };

    page.takeMediaAction = function () {
        return mediaActions.length ? mediaActions.shift() : -1;
    };

    if (navigator.mediaSession) {
        MEDIA_ACTIONS.forEach((action, number) => {
            try {
                navigator.mediaSession.setActionHandler(action, () => mediaActions.push(number));
            } catch (e) {
                // This browser does not know the action.
            }
        });
    }

    // ---- Starting, ending and starting again -------------------------------------

    page.programEnded = function () {
        page.ended = true;
        updateSoundGate();
        if (navigator.mediaSession) {
            navigator.mediaSession.metadata = null;
            navigator.mediaSession.playbackState = "none";
        }
        byId("play-again").hidden = false;
        byId("play-again-button").focus();
    };

    // A fresh canvas for every run: the last run's WebGL context goes with the old one.
    function freshCanvas() {
        const old = byId("canvas");
        const canvas = old.cloneNode(false);
        canvas.removeAttribute("style");
        old.replaceWith(canvas);
        canvas.addEventListener("contextmenu", (event) => event.preventDefault());
        return canvas;
    }

    function start() {
        page.ended = false;
        page.ready = false;
        page.module = null;
        mediaActions.length = 0;
        document.body.classList.remove("running");
        byId("play-again").hidden = true;
        const canvas = freshCanvas();
        const settings = {
            canvas: canvas,
            print: (text) => console.log(text),
            printErr: (text) => console.error(text),
        };
        // The module object is the settings object itself, so SDL's state on it
        // (its audio context) can be reached before the promise settles.
        page.module = settings;
        window.createMusicdisk(settings).catch((error) => {
            page.notice("musicdisk", "The program could not start: " + error);
            page.programEnded();
        });
        updateSoundGate();
        canvas.focus();
    }

    window.addEventListener("DOMContentLoaded", () => {
        byId("play-again-button").addEventListener("click", start);
        start();
    });
})();
