// The browser build as a listener meets it: the site served over HTTP on
// 127.0.0.1 by a plain static server (no special headers) and opened in Debian's
// Chromium, headless, driven through puppeteer-core.
//
// Route: the first frame (the logo) with the page asking for a key for sound;
// Escape (starts the sound and skips the logo) to the intro; Escape to the
// player; the transport by key (Enter, P, cursor keys), by click (Stop, Play,
// Next) and by the Media Session's actions; A to the about screen, a click back; I to the key list, a click back;
// Escape to the end and the page's "play again" card.
// Checks: each screen is the one its desktop reference image shows (the nearest
// of the five references); the screens test built for the browser, when the
// build has it, matches the references under the desktop's tolerance; the sound
// follows the transport; the page's sound is the desktop engine's render of the
// same track (correlation >= 0.999 over 2 s); the median frame interval is
// 20 +- 1 ms; the page logs no error. Figures (start-up to the first frame, frame
// intervals, correlation, image differences) are printed; the canvas screenshots
// are kept in the output folder.
// Input is paced by the program's frames (a key or button is held across
// several), and screens and sound are polled until they show what is expected
// (up to 15 s and 4 s), so a page that stalls while loading does not fail a check.
//
//   node tests/web/e2e.mjs [--site DIR] [--native BUILD] [--out DIR] [--chromium PATH]
//     --site     the site folder (build-web/site)
//     --native   the desktop build folder, for tools/render_track (build)
//     --out      where screenshots and logs go (a new temporary folder)
// Ends with "N passed, N failed"; exit code 0 when none failed.
import { execFileSync } from "node:child_process";
import fs from "node:fs";
import http from "node:http";
import os from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";
import zlib from "node:zlib";

import puppeteer from "puppeteer-core";

const ROOT = path.resolve(path.dirname(fileURLToPath(import.meta.url)), "../..");
const REFERENCES = path.join(ROOT, "tests/platform/screens/reference");
const SCREENS = ["logo", "intro", "player", "about", "info"];
const GATE_TEXT = "click or press a key for sound";
const RATE = 44100;

// Player buttons at client pixels of the 818 x 318 picture (tests/e2e/play_disk.sh).
const STOP = [674, 172];
const PLAY = [711, 172];
const NEXT = [716, 209];
// The empty sky at the left, where a click leaves the about and info screens.
const SKY = [60, 250];

function option(name, fallback) {
  const i = process.argv.indexOf(name);
  return i > 0 && i + 1 < process.argv.length ? process.argv[i + 1] : fallback;
}

const SITE = path.resolve(option("--site", path.join(ROOT, "build-web/site")));
const NATIVE = path.resolve(option("--native", path.join(ROOT, "build")));
const OUT = path.resolve(option("--out", fs.mkdtempSync(path.join(os.tmpdir(), "musicdisk-web-"))));
const CHROMIUM = option("--chromium", "/usr/bin/chromium");
fs.mkdirSync(OUT, { recursive: true });

// ---- Results ----------------------------------------------------------------

let passed = 0;
let failed = 0;

function say(text) {
  console.log(`web: ${text}`);
}

function pass(name, figures = "") {
  passed++;
  say(`ok: ${name}${figures ? ` (${figures})` : ""}`);
}

function fail(name, why) {
  failed++;
  say(`FAILED: ${name}: ${why}`);
}

function expect(name, condition, figures) {
  if (condition) pass(name, figures);
  else fail(name, figures);
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// ---- A static HTTP server: files only, no special headers ---------------------

const TYPES = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript",
  ".mjs": "text/javascript",
  ".wasm": "application/wasm",
  ".data": "application/octet-stream",
  ".png": "image/png",
  ".ico": "image/x-icon",
  ".svg": "image/svg+xml",
  ".css": "text/css",
  ".json": "application/json",
};

function serve(folder) {
  const server = http.createServer((request, response) => {
    const url = new URL(request.url, "http://127.0.0.1");
    let file = path.normalize(path.join(folder, decodeURIComponent(url.pathname)));
    if (!file.startsWith(folder)) {
      response.writeHead(403).end();
      return;
    }
    if (fs.existsSync(file) && fs.statSync(file).isDirectory()) file = path.join(file, "index.html");
    fs.readFile(file, (error, body) => {
      if (error) {
        response.writeHead(404).end();
        return;
      }
      response.writeHead(200, { "Content-Type": TYPES[path.extname(file)] || "application/octet-stream" });
      response.end(body);
    });
  });
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}

// ---- Pictures: PNG decoding and the desktop's image comparison -----------------

function decodePng(buffer) {
  let offset = 8;
  let width = 0;
  let height = 0;
  let colourType = 0;
  const chunks = [];
  while (offset < buffer.length) {
    const length = buffer.readUInt32BE(offset);
    const type = buffer.toString("latin1", offset + 4, offset + 8);
    const data = buffer.subarray(offset + 8, offset + 8 + length);
    if (type === "IHDR") {
      width = data.readUInt32BE(0);
      height = data.readUInt32BE(4);
      if (data[8] !== 8 || data[12] !== 0) throw new Error("only 8-bit non-interlaced PNGs");
      colourType = data[9];
    } else if (type === "IDAT") {
      chunks.push(data);
    }
    offset += 12 + length;
  }
  const channels = { 2: 3, 6: 4 }[colourType];
  if (!channels) throw new Error(`PNG colour type ${colourType}`);
  const raw = zlib.inflateSync(Buffer.concat(chunks));
  const stride = width * channels;
  const pixels = Buffer.alloc(stride * height);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    const out = pixels.subarray(y * stride, (y + 1) * stride);
    const up = y > 0 ? pixels.subarray((y - 1) * stride, y * stride) : Buffer.alloc(stride);
    for (let x = 0; x < stride; x++) {
      const a = x >= channels ? out[x - channels] : 0;
      const b = up[x];
      const c = x >= channels ? up[x - channels] : 0;
      let value = line[x];
      if (filter === 1) value += a;
      else if (filter === 2) value += b;
      else if (filter === 3) value += (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c;
        const pa = Math.abs(p - a);
        const pb = Math.abs(p - b);
        const pc = Math.abs(p - c);
        value += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      out[x] = value & 255;
    }
  }
  const rgba = Buffer.alloc(width * height * 4);
  for (let i = 0; i < width * height; i++) {
    for (let ch = 0; ch < 3; ch++) rgba[i * 4 + ch] = pixels[i * channels + ch];
    rgba[i * 4 + 3] = channels === 4 ? pixels[i * channels + 3] : 255;
  }
  return { width, height, rgba };
}

function crop(image, left, top, width, height) {
  const rgba = Buffer.alloc(width * height * 4);
  for (let y = 0; y < height; y++)
    image.rgba.copy(rgba, y * width * 4, ((top + y) * image.width + left) * 4, ((top + y) * image.width + left + width) * 4);
  return { width, height, rgba };
}

// tests/support/images.cpp: within tolerance when every channel's mean difference
// is below 2 and fewer than 0.5 % of the pixels are off by more than 32.
function compareImages(actual, expected) {
  if (actual.width !== expected.width || actual.height !== expected.height)
    return { sameSize: false, within: false, text: "sizes differ" };
  const pixels = actual.width * actual.height;
  const sums = [0, 0, 0, 0];
  let differing = 0;
  for (let p = 0; p < pixels; p++) {
    let worst = 0;
    for (let c = 0; c < 4; c++) {
      const d = Math.abs(actual.rgba[p * 4 + c] - expected.rgba[p * 4 + c]);
      sums[c] += d;
      worst = Math.max(worst, d);
    }
    if (worst > 32) differing++;
  }
  const means = sums.map((s) => s / pixels);
  const fractionOff = differing / pixels;
  const within = means.every((m) => m < 2.0) && fractionOff < 0.005;
  return {
    sameSize: true,
    within,
    mean: (means[0] + means[1] + means[2]) / 3,
    text: `mean differences ${means.map((m) => m.toFixed(2)).join(" ")}, ${(fractionOff * 100).toFixed(2)} % of pixels off by more than 32`,
  };
}

const references = Object.fromEntries(
  SCREENS.map((name) => [name, decodePng(fs.readFileSync(path.join(REFERENCES, `${name}.png`)))]),
);

// ---- Sound: the page's capture against the desktop engine's render --------------

function pearson(a, aFrom, b, bFrom, count) {
  let sa = 0;
  let sb = 0;
  let saa = 0;
  let sbb = 0;
  let sab = 0;
  for (let i = 0; i < count; i++) {
    const x = a[aFrom + i];
    const y = b[bFrom + i];
    sa += x;
    sb += y;
    saa += x * x;
    sbb += y * y;
    sab += x * y;
  }
  const va = saa - (sa * sa) / count;
  const vb = sbb - (sb * sb) / count;
  return va > 0 && vb > 0 ? (sab - (sa * sb) / count) / Math.sqrt(va * vb) : 0;
}

// Interleaved stereo to a loudness envelope: RMS over `hop` frames.
function envelope(samples, hop) {
  const out = new Float64Array(Math.floor(samples.length / 2 / hop));
  for (let i = 0; i < out.length; i++) {
    let sum = 0;
    for (let j = i * hop * 2; j < (i + 1) * hop * 2; j++) sum += samples[j] * samples[j];
    out[i] = Math.sqrt(sum / (hop * 2));
  }
  return out;
}

// Where the page's piece lies in the render: the envelopes find candidates, the
// first quarter second of samples around each narrows them down, the whole piece
// decides. Returns the best correlation and the frame offset.
function bestAlignment(piece, render) {
  const hop = 441;
  const pe = envelope(piece, hop);
  const re = envelope(render, hop);
  const coarse = [];
  for (let lag = 0; lag + pe.length <= re.length; lag++) coarse.push([pearson(pe, 0, re, lag, pe.length), lag]);
  coarse.sort((x, y) => y[0] - x[0]);
  const frames = piece.length / 2;
  const probe = Math.min(frames, RATE / 4);
  const fine = [];
  for (const [, lag] of coarse.slice(0, 5))
    for (let frame = Math.max(0, (lag - 1) * hop); frame <= (lag + 1) * hop; frame++)
      if ((frame + frames) * 2 <= render.length) fine.push([pearson(piece, 0, render, frame * 2, probe * 2), frame]);
  fine.sort((x, y) => y[0] - x[0]);
  let best = { correlation: -1, frame: -1 };
  for (const [, frame] of fine.slice(0, 3)) {
    const correlation = pearson(piece, 0, render, frame * 2, frames * 2);
    if (correlation > best.correlation) best = { correlation, frame };
  }
  return best;
}

function rms(samples) {
  let sum = 0;
  for (const s of samples) sum += s * s;
  return samples.length ? Math.sqrt(sum / samples.length) : 0;
}

function firstTrack() {
  const lines = fs.readFileSync(path.join(ROOT, "data/disk.cfg"), "latin1").split(/\r?\n/);
  return { type: lines[1].trim(), file: path.join(ROOT, "data/music", lines[2].trim()), title: lines[3].trim() };
}

// ---- The page ----------------------------------------------------------------

const LAUNCH_ARGS = [
  "--no-sandbox",
  "--use-angle=swiftshader",
  "--enable-unsafe-swiftshader",
  "--disable-background-networking",
  "--disable-component-update",
  "--disable-sync",
  "--no-first-run",
  "--disable-quic",
];

// Headless Chromium lets every page start sound without a gesture, whatever its
// autoplay flag says. A desktop browser's rule, given to the page: every audio
// context stays suspended until the first trusted key or click.
function desktopAutoplayRule() {
  let activated = false;
  for (const type of ["keydown", "mousedown", "pointerdown", "touchstart"])
    window.addEventListener(type, (event) => { if (event.isTrusted) activated = true; }, { capture: true });
  for (const name of ["AudioContext", "webkitAudioContext"]) {
    const Real = window[name];
    if (!Real) continue;
    window[name] = class extends Real {
      constructor(...args) {
        super(...args);
        if (!activated) super.suspend();
      }
      resume() {
        return activated ? super.resume() : Promise.reject(new DOMException("no gesture yet", "NotAllowedError"));
      }
    };
  }
}

// What the browser does on a media key or a click in the system's now-playing
// controls is to call the page's action handler: the handlers are kept where the
// test can call them the same way.
function keepMediaActionHandlers() {
  const session = navigator.mediaSession;
  if (!session) return;
  globalThis.mediaActionHandlers = {};
  const set = session.setActionHandler.bind(session);
  session.setActionHandler = (action, handler) => {
    globalThis.mediaActionHandlers[action] = handler;
    set(action, handler);
  };
}

async function openPage(browser, url, log, rules = []) {
  const page = await browser.newPage();
  for (const rule of rules) await page.evaluateOnNewDocument(rule);
  const errors = [];
  page.on("console", (message) => {
    log.push(`console.${message.type()}: ${message.text()}`);
    if (message.type() === "error") errors.push(message.text());
  });
  page.on("pageerror", (error) => {
    log.push(`pageerror: ${error.message}`);
    errors.push(error.message);
  });
  page.on("requestfailed", (request) => {
    log.push(`requestfailed: ${request.url()}`);
    errors.push(`request failed: ${request.url()}`);
  });
  page.on("response", (response) => {
    if (response.status() >= 400) errors.push(`HTTP ${response.status()}: ${response.url()}`);
  });
  await page.goto(url, { waitUntil: "load" });
  return { page, errors };
}

// The canvas: its size in device pixels, where it sits in CSS pixels, and the
// picture's frame inside it (the 818 x 318 client area).
async function canvasGeometry(page) {
  return page.evaluate(() => {
    const canvas = document.getElementById("canvas") || document.querySelector("canvas");
    const box = canvas.getBoundingClientRect();
    return { width: canvas.width, height: canvas.height, left: box.left, top: box.top, cssWidth: box.width };
  });
}

// The picture at scale 1 as the references hold it: the client area of the canvas.
async function screenshot(page, name) {
  const canvas = (await page.$("#canvas")) || (await page.$("canvas"));
  const png = Buffer.from(await canvas.screenshot({ type: "png" }));
  fs.writeFileSync(path.join(OUT, `${name}.png`), png);
  const shot = decodePng(png);
  const ref = references.logo;
  const border = Math.max(0, Math.floor((shot.width - ref.width) / 2));
  if (shot.width >= ref.width && shot.height >= ref.height)
    return crop(shot, border, Math.max(0, Math.floor((shot.height - ref.height) / 2)), ref.width, ref.height);
  return shot;
}

// The reference a screenshot is nearest to, and its figures against `expected`.
function identify(shot, expected) {
  const results = SCREENS.map((name) => [name, compareImages(shot, references[name])]);
  const nearest = results.filter(([, r]) => r.sameSize).sort((a, b) => a[1].mean - b[1].mean)[0];
  const own = results.find(([name]) => name === expected)[1];
  return { nearest: nearest ? nearest[0] : "none", own };
}

// Screens fade in, and the page may stall while it loads: screenshots are taken
// until the expected screen is the nearest reference, for up to `seconds`; the
// figures are the last screenshot's.
async function expectScreen(page, name, shotName = name, seconds = 15) {
  try {
    const deadline = Date.now() + seconds * 1000;
    let shot;
    let found;
    let tries = 0;
    do {
      if (tries++) await sleep(200);
      shot = await screenshot(page, shotName);
      found = identify(shot, name);
    } while (found.nearest !== name && Date.now() < deadline);
    const { nearest, own } = found;
    expect(`the ${name} screen is shown`, nearest === name,
      `${shot.width} x ${shot.height}, nearest reference ${nearest} after ${tries} screenshot(s); ` +
        `against ${name}.png: ${own.text}` + (own.within ? ", within the desktop tolerance" : ""));
  } catch (error) {
    fail(`the ${name} screen is shown`, error.message);
  }
}

// ---- Input as a person gives it ----------------------------------------------
// The program reads keys and buttons once a frame (20 ms): a press and release
// inside one frame is not seen, and events queued while the page stalls land in
// one frame. So input waits for the program's frames: they must be flowing
// before a press, a press is held across several of them, and a few more pass
// after the release.

const HOLD_FRAMES = 3;
const HOLD_MS = 80;
const SETTLE_FRAMES = 3;

const pageClock = (page) => page.evaluate(() => performance.now());

// Waits until `count` frames were presented after the page time `since` (or the
// program has ended, when `orEnded`); throws after `timeout` ms.
async function framesAfter(page, since, count, { timeout = 30000, orEnded = false } = {}) {
  await page.waitForFunction(
    (since, count, orEnded) => {
      const md = globalThis.musicdisk;
      if (orEnded && md.ended) return true;
      const times = md.frameTimes;
      let n = 0;
      for (let i = times.length - 1; i >= 0 && times[i] > since && n < count; i--) n++;
      return n >= count;
    },
    { timeout, polling: 10 }, since, count, orEnded);
}

// Holds whatever `press` pressed until HOLD_FRAMES frames and HOLD_MS passed,
// releases it, and lets SETTLE_FRAMES frames go by (fewer when it ended the program).
async function hold(page, press, release) {
  await framesAfter(page, await pageClock(page), 2);
  await press();
  const pressed = await pageClock(page);
  await framesAfter(page, pressed, HOLD_FRAMES);
  const held = (await pageClock(page)) - pressed;
  if (held < HOLD_MS) await sleep(HOLD_MS - held);
  await release();
  await framesAfter(page, await pageClock(page), SETTLE_FRAMES, { timeout: 10000, orEnded: true });
}

// The mouse goes to the button first and stays a couple of frames, so the
// button is hot when pressed.
async function click(page, [x, y]) {
  const g = await canvasGeometry(page);
  const scale = g.cssWidth / g.width;
  const border = Math.max(0, Math.floor((g.width - references.logo.width) / 2));
  await page.mouse.move(g.left + (border + x + 0.5) * scale, g.top + (border + y + 0.5) * scale);
  await framesAfter(page, await pageClock(page), 2);
  await hold(page, () => page.mouse.down(), () => page.mouse.up());
}

async function key(page, name) {
  await hold(page, () => page.keyboard.down(name), () => page.keyboard.up(name));
}

// Polls `measure` until `good` holds of its result, for up to `seconds`; returns
// the last result.
async function settle(measure, good, seconds = 4) {
  const deadline = Date.now() + seconds * 1000;
  let value = await measure();
  while (!good(value) && Date.now() < deadline) {
    await sleep(150);
    value = await measure();
  }
  return value;
}

const pageText = (page) => page.evaluate(() => document.body.innerText.toLowerCase());

// The last `frames` frames the page's mixer produced, interleaved stereo.
async function captured(page, frames) {
  const samples = await page.evaluate((frames) => {
    const m = globalThis.Module || (globalThis.musicdisk && globalThis.musicdisk.module);
    if (!m || !m._musicdisk_capture) return null;
    // The program sleeps between frames (unwound by Asyncify): room below its
    // stack is free while this runs, when the build exports no malloc.
    const heapRoom = !!m._malloc;
    const saved = heapRoom ? 0 : m.stackSave();
    const pointer = heapRoom ? m._malloc(frames * 8) : m.stackAlloc(frames * 8);
    const got = m._musicdisk_capture(pointer, frames);
    const out = Array.from(m.HEAPF32.subarray(pointer / 4, pointer / 4 + got * 2));
    if (heapRoom) m._free(pointer);
    else m.stackRestore(saved);
    return out;
  }, frames);
  if (!samples) throw new Error("the page has no capture hook (Module._musicdisk_capture)");
  return Float32Array.from(samples);
}

async function loudness(page, seconds = 0.5) {
  return rms(await captured(page, Math.round(seconds * RATE)));
}

const nowPlaying = (page) =>
  page.evaluate(() => {
    const m = navigator.mediaSession && navigator.mediaSession.metadata;
    return m ? { title: m.title, album: m.album } : null;
  });

// ---- The run -----------------------------------------------------------------

const isAudible = (level) => level > 0.01;
const isSilent = (level) => level < 0.0001;

async function soundChecks(page) {
  // Enter stops and plays, P pauses and resumes, on the player.
  const steps = [
    ["Enter", "after Enter (stop)", false],
    ["Enter", "after Enter again (play)", true],
    ["p", "after P (pause)", false],
    ["p", "after P again (resume)", true],
  ];
  for (const [name, what, audible] of steps) {
    await key(page, name);
    const level = await settle(() => loudness(page), audible ? isAudible : isSilent);
    expect(`sound ${audible ? "plays" : "is silent"} ${what}`, audible ? isAudible(level) : isSilent(level),
      `RMS ${level.toExponential(2)} over the last 0.5 s`);
  }
  const title = async () => (await nowPlaying(page))?.title;
  const before = await title();
  await key(page, "ArrowRight");
  const next = await settle(title, (t) => t !== before);
  await key(page, "ArrowLeft");
  const back = await settle(title, (t) => t === before);
  expect("cursor right and left change the track", before && next && back && next !== before && back === before,
    `titles ${JSON.stringify([before, next, back])}`);

  await click(page, STOP);
  let level = await settle(() => loudness(page), isSilent);
  expect("sound is silent after a click on Stop", isSilent(level), `RMS ${level.toExponential(2)}`);
  await click(page, PLAY);
  level = await settle(() => loudness(page), isAudible);
  expect("sound plays after a click on Play", isAudible(level), `RMS ${level.toExponential(2)}`);
  await click(page, NEXT);
  const afterNext = await settle(title, (t) => t !== back);
  expect("a click on Next changes the track", afterNext && back && afterNext !== back, `now ${afterNext}`);
  await key(page, "ArrowLeft");
  await settle(title, (t) => t === back);
}

// The Media Session's actions as the system's media keys give them: each does
// what the desktop's MPRIS call of the same name does.
async function mediaSessionChecks(page) {
  const act = (action) => page.evaluate((action) => {
    const handler = globalThis.mediaActionHandlers && globalThis.mediaActionHandlers[action];
    if (!handler) return false;
    handler({ action });
    return true;
  }, action);
  const state = () => page.evaluate(() => navigator.mediaSession.playbackState);
  const title = async () => (await nowPlaying(page))?.title;
  const handled = await page.evaluate(() => Object.keys(globalThis.mediaActionHandlers || {}).sort().join(" "));
  expect("the page handles the Media Session's play, pause, stop, next and previous",
    handled === "nexttrack pause play previoustrack stop", `handlers: ${handled || "none"}`);

  for (const [action, audible, shown] of [["pause", false, "paused"], ["play", true, "playing"],
    ["stop", false, "none"], ["play", true, "playing"]]) {
    await act(action);
    const level = await settle(() => loudness(page), audible ? isAudible : isSilent);
    const now = await settle(state, (s) => s === shown, 2);
    expect(`the Media Session's ${action} ${audible ? "plays" : "silences"} the music and shows "${shown}"`,
      (audible ? isAudible(level) : isSilent(level)) && now === shown,
      `RMS ${level.toExponential(2)}, playbackState "${now}"`);
  }
  const before = await title();
  await act("nexttrack");
  const next = await settle(title, (t) => t !== before);
  await act("previoustrack");
  const back = await settle(title, (t) => t === before);
  expect("the Media Session's next and previous change the track", before && next !== before && back === before,
    `titles ${JSON.stringify([before, next, back])}`);
}

// The page's first track from the moment the sound started, against the desktop
// engine's render of it from the start.
async function compareSound(page, track) {
  const renderer = path.join(NATIVE, "tools/render_track/render_track");
  if (!fs.existsSync(renderer)) {
    fail("the page's sound is the desktop engine's", `no ${renderer}: build the desktop tools first`);
    return;
  }
  const rendered = path.join(OUT, "desktop.raw");
  execFileSync(renderer, [track.file, "40", rendered]);
  const raw = fs.readFileSync(rendered);
  const render = new Float32Array(raw.buffer, raw.byteOffset, raw.length / 4);
  // The capture holds what was played since the sound started; on a loaded
  // machine the player screen can come before two seconds of it.
  await page.waitForFunction((frames) => {
    const m = globalThis.Module || (globalThis.musicdisk && globalThis.musicdisk.module);
    return m && m._musicdisk_capture_total && m._musicdisk_capture_total() >= frames;
  }, { timeout: 10000 }, 2 * RATE).catch(() => {});
  const piece = await captured(page, 2 * RATE);
  fs.writeFileSync(path.join(OUT, "page.raw"), Buffer.from(piece.buffer));
  if (piece.length < 4 * RATE) {
    fail("the page's sound is the desktop engine's", `only ${piece.length / 2} frames captured`);
    return;
  }
  const best = bestAlignment(piece, render);
  expect("the page's sound is the desktop engine's render of the same track (correlation >= 0.999 over 2 s)",
    best.correlation >= 0.999,
    `correlation ${best.correlation.toFixed(6)} at ${(best.frame / RATE).toFixed(3)} s into ${path.basename(track.file)}`);
}

async function frameIntervals(page) {
  const times = await page.evaluate(() => {
    const t = globalThis.musicdisk && globalThis.musicdisk.frameTimes;
    return t ? Array.from(t) : null;
  });
  if (!times || times.length < 50) {
    fail("frame intervals", `musicdisk.frameTimes holds ${times ? times.length : "nothing"}`);
    return;
  }
  // Timestamps grow; intervals do not.
  const increasing = times.every((t, i) => i === 0 || t >= times[i - 1]);
  const intervals = increasing ? times.slice(1).map((t, i) => t - times[i]) : times;
  const last = intervals.slice(-250).sort((a, b) => a - b);
  const median = last[Math.floor(last.length / 2)];
  const p95 = last[Math.floor(last.length * 0.95)];
  expect("the median frame interval is 20 +- 1 ms", Math.abs(median - 20) <= 1,
    `median ${median.toFixed(2)} ms, 95th percentile ${p95.toFixed(2)} ms over ${last.length} frames`);
}

// The desktop's scale rule in the page: the largest whole step that fits the
// page's room times the screen's pixel ratio, the picture centred.
async function canvasScale(page) {
  const sizes = [];
  for (const [width, height, ratio, scale] of [[1700, 700, 1, 2], [1000, 600, 2, 2], [1000, 600, 1, 1]]) {
    await page.setViewport({ width, height, deviceScaleFactor: ratio });
    await sleep(600);
    const g = await canvasGeometry(page);
    const box = await page.evaluate(() => {
      const r = (document.getElementById("canvas") || document.querySelector("canvas")).getBoundingClientRect();
      return { centre: r.left + r.width / 2, cssHeight: r.height };
    });
    const good = g.width === 820 * scale && g.height === 320 * scale && Math.abs(box.centre - width / 2) <= 1 &&
      Math.abs(g.cssWidth * ratio - g.width) <= 1;
    sizes.push(`${width} x ${height} at ratio ${ratio}: canvas ${g.width} x ${g.height}${good ? "" : " (wrong)"}`);
    if (!good) {
      fail("the canvas scales by whole steps, centred", sizes.join("; "));
      return;
    }
  }
  pass("the canvas scales by whole steps, centred", sizes.join("; "));
}

// The screens test built for the browser: the five screens drawn with the clock
// held still, against the references under the desktop's tolerance.
async function screensTest(browser, log) {
  const script = path.resolve(SITE, "../tests/platform_screens.js");
  if (!fs.existsSync(script)) {
    say(`note: no ${script}: the screens under the desktop tolerance are left to the live comparison`);
    return;
  }
  const host = path.dirname(script);
  fs.writeFileSync(path.join(host, "platform_screens.html"),
    '<!doctype html><link rel="icon" href="data:,"><canvas id="canvas" width="818" height="318"></canvas><script>' +
      "var Module={canvas:document.getElementById('canvas'),print:t=>console.log(t),printErr:t=>console.log(t)};" +
      '</script><script src="platform_screens.js"></script>');
  const testServer = await serve(host);
  const lines = [];
  const { page } = await openPage(browser, `http://127.0.0.1:${testServer.address().port}/platform_screens.html`, lines);
  try {
    for (let i = 0; i < 600 && !lines.some((l) => /\[ {2}(PASSED|FAILED) {2}\]/.test(l)); i++) await sleep(100);
  } finally {
    await page.close();
    testServer.close();
  }
  log.push(...lines);
  const results = lines.filter((l) => /\[ {7}OK \]|\[ {2}FAILED {2}\]| against the reference: /.test(l));
  results.forEach((l) => say(`screens test in the browser: ${l.replace(/^console\.\w+: /, "")}`));
  const passedAll = lines.some((l) => l.includes("[  PASSED  ]")) && !lines.some((l) => l.includes("[  FAILED  ]"));
  expect("the five screens drawn in the browser match the desktop references under its tolerance", passedAll,
    `${results.filter((l) => l.includes("[       OK ]")).length} tests passed`);
}

async function main() {
  say(`site ${SITE}; screenshots and logs in ${OUT}`);
  if (!fs.existsSync(path.join(SITE, "index.html"))) {
    fail("the site", `no ${path.join(SITE, "index.html")}`);
    return;
  }
  const server = await serve(SITE);
  const url = `http://127.0.0.1:${server.address().port}/`;
  const browser = await puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    args: LAUNCH_ARGS,
    defaultViewport: { width: 1000, height: 600, deviceScaleFactor: 1 },
  });
  const log = [];
  try {
    const started = Date.now();
    const { page, errors } = await openPage(browser, url, log, [desktopAutoplayRule, keepMediaActionHandlers]);
    try {
      await page.waitForFunction(() => globalThis.musicdisk && globalThis.musicdisk.ready, { timeout: 120000 });
    } catch {
      fail("the first frame", `musicdisk.ready not true within 120 s; errors: ${errors.join(" | ") || "none"}`);
      return;
    }
    const firstFrame = await page.evaluate(() => {
      const t = globalThis.musicdisk.frameTimes;
      return t && t.length && t[0] > 100 ? t[0] : null;
    });
    pass("the first frame", `${firstFrame ? `${Math.round(firstFrame)} ms after navigation (in the page)` : ""}` +
      `${firstFrame ? "; " : ""}${Date.now() - started} ms as the test saw it`);

    const title = await page.title();
    expect("the page title is the program's title", title === "Quorvatelle 3", `"${title}"`);
    await sleep(1600);
    let text = await pageText(page);
    let md = await page.evaluate(() => ({ soundStarted: globalThis.musicdisk.soundStarted }));
    expect("before any key the page asks for a key or click for sound", text.includes(GATE_TEXT) && !md.soundStarted,
      `soundStarted ${md.soundStarted}`);
    await expectScreen(page, "logo");

    await key(page, "Escape"); // starts the sound, and is not lost: it skips the logo
    await page.waitForFunction(() => globalThis.musicdisk.soundStarted, { timeout: 5000 }).catch(() => {});
    text = await pageText(page);
    md = await page.evaluate(() => ({ soundStarted: globalThis.musicdisk.soundStarted }));
    expect("the first key starts the sound and the request goes", md.soundStarted && !text.includes(GATE_TEXT),
      `soundStarted ${md.soundStarted}`);
    await expectScreen(page, "intro");

    await key(page, "Escape");
    await expectScreen(page, "player");
    const playing = await nowPlaying(page);
    const track = firstTrack();
    expect("the Media Session shows the title and album", playing && playing.title === track.title &&
      playing.album === "Quorvatelle 3", JSON.stringify(playing));

    try {
      await compareSound(page, track);
    } catch (error) {
      fail("the page's sound is the desktop engine's render of the same track", error.message);
    }
    try {
      await soundChecks(page);
    } catch (error) {
      fail("the transport", error.message);
    }
    try {
      await mediaSessionChecks(page);
    } catch (error) {
      fail("the Media Session's actions", error.message);
    }
    await frameIntervals(page);

    await key(page, "a");
    await expectScreen(page, "about");
    await click(page, SKY);
    await expectScreen(page, "player", "player-between");
    await key(page, "i");
    await expectScreen(page, "info");
    await click(page, SKY);
    await expectScreen(page, "player", "player-again");

    await canvasScale(page);

    await key(page, "Escape");
    try {
      await page.waitForFunction(() => document.body.innerText.toLowerCase().includes("play again"), { timeout: 10000 });
      pass("Escape ends the disk and the page offers to play again");
    } catch {
      fail("Escape ends the disk and the page offers to play again", "no \"play again\" on the page within 10 s");
    }

    await screensTest(browser, log);
    expect("the page logs no errors", errors.length === 0, errors.length ? errors.slice(0, 5).join(" | ") : "");
  } finally {
    fs.writeFileSync(path.join(OUT, "console.log"), log.join("\n") + "\n");
    await browser.close();
    server.close();
  }
}

try {
  await main();
} catch (error) {
  fail("the run", error.stack || error.message);
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
