// The page in a browser, served from 127.0.0.1: headless Chromium (SwiftShader WebGL), Firefox
// ESR over WebDriver BiDi, or WebKitGTK's MiniBrowser over classic WebDriver (webdriver.mjs), the
// last two in the X server and with the sound server that scripts/web.sh starts (DISPLAY,
// PULSE_SERVER). Prints one line per check and "N passed, N failed"; the exit code is the number
// failed.
//   node browser_test.mjs PAGE_DIR REFERENCE_DIR [--browser chromium|firefox|webkit] [--whole]
// PAGE_DIR holds sideways.html, .js and .wasm; REFERENCE_DIR holds a desktop capture of a few
// frames (sideways-capture --png DIR): frames.csv and their PNGs. --whole also plays
// the show to its end once.
import crypto from 'node:crypto';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';
import { LaunchWebDriver } from './webdriver.mjs';

const [pageDir, referenceDir] = process.argv.slice(2);
const whole = process.argv.includes('--whole');
const browserName = process.argv.includes('--browser') ? process.argv[process.argv.indexOf('--browser') + 1] : 'chromium';
const firefox = browserName === 'firefox', webkit = browserName === 'webkit';
const RowMillis = 60;  // 3.84 s an order, 64 rows

let passed = 0, failed = 0;
async function Check(name, body) {
  try {
    await body();
    passed++;
    console.log(`ok   ${name}`);
  } catch (error) {
    failed++;
    console.log(`FAIL ${name}: ${error.message}`);
  }
}
function Expect(condition, message) { if (!condition) throw new Error(message); }
const Sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// The page and the reference frames from a local server of their own, on a free port. A page
// asked for with ?hook=ID has the script hooks holds under ID at the top of its head, where it
// runs before the page's own: how webdriver.mjs watches a page in WebKit. The server answers a
// request for a file the browser holds already (If-Modified-Since) with 304, as static servers
// do, and counts the files it sends whole (sent).
const hooks = new Map();
const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm', '.png': 'image/png',
                '.webmanifest': 'application/manifest+json' };
async function Serve() {
  const sent = {};
  const server = http.createServer((request, response) => {
    const url = new URL(request.url, 'http://x'), name = decodeURIComponent(url.pathname);
    const [root, rest] = name.startsWith('/reference/') ? [referenceDir, name.slice(11)] : [pageDir, name.slice(1)];
    const file = path.join(root, path.normalize(rest || 'sideways.html'));
    const hook = hooks.get(url.searchParams.get('hook'));
    fs.readFile(file, (error, data) => {
      if (error) { response.writeHead(404).end(); return; }
      const modified = fs.statSync(file).mtime.toUTCString();
      if (!hook && request.headers['if-modified-since'] === modified) { response.writeHead(304).end(); return; }
      if (hook && file.endsWith('.html')) data = data.toString().replace('<head>', () => `<head><script>${hook}</script>`);
      sent[name] = (sent[name] || 0) + 1;
      sent.bytes = (sent.bytes || 0) + data.length;
      response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream', 'Last-Modified': modified })
        .end(data);
    });
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { origin: `http://127.0.0.1:${server.address().port}`, sent,
           close() { server.closeAllConnections(); return new Promise((resolve) => server.close(resolve)); } };
}
const server = await Serve();
const { origin } = server;

const scratch = fs.mkdtempSync(path.join(os.tmpdir(), `sideways-${browserName}-`));
let profiles = 0;
// A browser with a fresh profile. Firefox may play sound without a gesture, as the flag does for
// Chromium; soundServer false starts it with no sound server to reach.
async function Launch(soundServer = true) {
  if (webkit) {
    // Without --autoplay-policy=allow WebKitGTK keeps every audio context suspended until a
    // gesture, as Safari does.
    return LaunchWebDriver({
      driver: process.env.SIDEWAYS_WEBKIT_DRIVER || 'WebKitWebDriver', hooks, env: process.env,
      binary: process.env.SIDEWAYS_MINIBROWSER || '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser',
      args: ['--automation', '--autoplay-policy=allow'],
    });
  }
  const userDataDir = path.join(scratch, `profile-${++profiles}`);
  fs.mkdirSync(userDataDir);
  if (firefox) {
    const env = { ...process.env };
    if (!soundServer) {
      const config = path.join(scratch, 'no-pulse.conf');
      fs.writeFileSync(config, 'autospawn = no\n');
      Object.assign(env, { PULSE_SERVER: `unix:${path.join(scratch, 'no-such-socket')}`, PULSE_CLIENTCONFIG: config });
    }
    return puppeteer.launch({
      browser: 'firefox', executablePath: process.env.SIDEWAYS_FIREFOX || '/usr/bin/firefox-esr', headless: false,
      userDataDir, env,
      extraPrefsFirefox: { 'media.autoplay.default': 0, 'media.autoplay.blocking_policy': 0, 'full-screen-api.warning.timeout': 0 },
    });
  }
  return puppeteer.launch({
    executablePath: process.env.SIDEWAYS_CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir,
    args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--ignore-gpu-blocklist',
           '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run',
           '--disable-quic', '--autoplay-policy=no-user-gesture-required', '--mute-audio'],
  });
}
const browser = await Launch();

// Watches a page before its scripts run: WebGL errors after each draw, a copy of the drawn picture
// when asked for (read in the same task as the draw, before the browser clears it), and the
// loudest sample SDL's audio callback wrote, and the time its callbacks took. audio 'gesture' makes the browser say that sound
// needs a gesture first; 'none' also keeps every audio context suspended, as with no output.
function Probe(audio) {
  const probe = window.probe = { glErrors: [], grab: false, picture: null, peak: 0, audioBlocks: 0, audioMillis: 0, overlays: [],
                                 frameMillis: 0, frameCalls: 0 };
  // The time the page's animation frame callbacks take: its own work per frame.
  const animate = window.requestAnimationFrame;
  window.requestAnimationFrame = (callback) => animate.call(window, (time) => {
    const start = performance.now();
    try {
      callback(time);
    } finally {
      probe.frameMillis += performance.now() - start;
      probe.frameCalls++;
    }
  });
  document.addEventListener('DOMContentLoaded', () => {
    const overlay = document.getElementById('overlay');
    new MutationObserver(() => { if (!overlay.hidden) probe.overlays.push(overlay.textContent); })
      .observe(overlay, { childList: true, attributes: true, characterData: true, subtree: true });
  });
  const draw = WebGLRenderingContext.prototype.drawArrays;
  WebGLRenderingContext.prototype.drawArrays = function (...args) {
    draw.apply(this, args);
    const error = this.getError();
    if (error) probe.glErrors.push(error);
    if (probe.grab) {
      const w = this.drawingBufferWidth, h = this.drawingBufferHeight, px = new Uint8Array(w * h * 4);
      this.readPixels(0, 0, w, h, this.RGBA, this.UNSIGNED_BYTE, px);
      probe.picture = { w, h, px };
      probe.grab = false;
    }
  };
  const create = AudioContext.prototype.createScriptProcessor;
  AudioContext.prototype.createScriptProcessor = function (...args) {
    const node = create.apply(this, args);
    const setter = Object.getOwnPropertyDescriptor(ScriptProcessorNode.prototype, 'onaudioprocess').set;
    Object.defineProperty(node, 'onaudioprocess', {
      set(handler) {
        setter.call(node, handler && function (event) {
          const start = performance.now();
          handler.call(this, event);
          probe.audioMillis += performance.now() - start;
          probe.audioBlocks++;
          for (let c = 0; c < event.outputBuffer.numberOfChannels; c++)
            for (const v of event.outputBuffer.getChannelData(c)) probe.peak = Math.max(probe.peak, Math.abs(v));
        });
      },
    });
    return node;
  };
  if (audio === 'gesture' || audio === 'none') {
    Object.defineProperty(BaseAudioContext.prototype, 'state', { get() { return 'suspended'; } });
    if (navigator.getAutoplayPolicy) navigator.getAutoplayPolicy = () => 'disallowed';
  }
  if (audio === 'none') {
    const Original = window.AudioContext;
    window.AudioContext = class extends Original {
      constructor(...args) { super(...args); Original.prototype.suspend.call(this); }
      resume() { return Promise.resolve(); }
    };
  }
}

async function OpenPage(audio = 'allowed', on = browser) {
  const page = await on.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(`page: ${error.message}`));
  page.on('console', (message) => {
    if (message.type() === 'error' || /WebGL|GL_/.test(message.text())) errors.push(`console: ${message.text()}`);
  });
  await page.evaluateOnNewDocument(Probe, audio);
  await page.goto(`${origin}/sideways.html`);
  return { page, errors };
}

const Status = (page) => page.evaluate(() => {
  const i = window.sideways.instance, shown = (id) => (document.getElementById(id).hidden ? null : document.getElementById(id).textContent);
  const mark = performance.getEntriesByName('sideways-first-frame')[0];
  return { state: window.sideways.state, exitCode: window.sideways.exitCode, sound: window.sideways.sound,
           overlay: shown('overlay'), notice: shown('notice'), firstFrame: mark ? mark.startTime : null,
           position: i ? i._SidewaysPosition() : 0, millis: i ? i._SidewaysMillis() : 0, frames: i ? i._SidewaysFrames() : 0,
           peak: window.probe.peak, audioBlocks: window.probe.audioBlocks, audioMillis: window.probe.audioMillis,
           frameMillis: window.probe.frameMillis, frameCalls: window.probe.frameCalls,
           glErrors: window.probe.glErrors, composeMillis: window.sideways.composeMillis, overlays: window.probe.overlays };
});
const PositionMillis = (p) => ((p & 0xFFFF) * 64 + (p >>> 16)) * RowMillis;
const Playing = (page, frames) => page.waitForFunction((n) => window.sideways.state === 'playing' &&
  window.sideways.instance._SidewaysFrames() > n, { timeout: 30000 }, frames);

// The show goes on: over two seconds the frames count up and the music position moves on by at
// least one second's worth of rows.
async function ExpectMoving(page) {
  const before = await Status(page);
  await Sleep(2000);
  const after = await Status(page);
  Expect(after.frames > before.frames + 10, `${after.frames - before.frames} frames drawn in 2 s`);
  const moved = PositionMillis(after.position) - PositionMillis(before.position);
  Expect(moved >= 1000, `the music position moved ${moved} ms in 2 s`);
}

// The picture the next draw shows, after running draw (a page function) in the same task.
async function Grab(page, draw, ...args) {
  return page.evaluate((source, args) => {
    window.probe.grab = true;
    (0, eval)(source)(window.sideways.instance, ...args);
    const { w, h, px } = window.probe.picture;
    return { w, h, px: Array.from(px) };
  }, draw.toString(), args);
}
// Channel c of landscape pixel (x, y), y from the top; readPixels rows run from the bottom.
const At = (picture, x, y, c) => picture.px[((picture.h - 1 - y) * picture.w + x) * 4 + c];

const { page, errors } = await OpenPage();
let status = null;
const figures = [];

await Check('the page starts the show by itself when audio may play', async () => {
  await Playing(page, 30);
  status = await Status(page);
  Expect(status.overlay === null, `overlay shown: ${status.overlay}`);
  Expect(status.firstFrame !== null, 'no performance mark at the first frame');
  figures.push(`first frame ${status.firstFrame.toFixed(0)} ms after navigation (fresh profile)`);
});

// The page composes its music instead of downloading it, saying so meanwhile: the bytes are the
// committed module's, byte for byte, in every browser.
await Check('the page composes exactly the committed module, and says so meanwhile', async () => {
  const composed = await page.evaluate(async () => {
    const music = window.sideways.music;
    if (!music) return null;
    const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', music));
    return { bytes: music.length, sha256: Array.from(digest, (b) => b.toString(16).padStart(2, '0')).join('') };
  });
  const committed = fs.readFileSync(new URL('../../assets/music.xm', import.meta.url));
  const want = crypto.createHash('sha256').update(committed).digest('hex');
  Expect(composed !== null, 'the page holds no composed music');
  Expect(composed.bytes === committed.length && composed.sha256 === want,
         `composed ${composed.bytes} bytes (sha256 ${composed.sha256.slice(0, 16)}), assets/music.xm ${committed.length} (${want.slice(0, 16)})`);
  Expect(status.overlays.some((text) => /composing the music/.test(text)), `overlays: ${status.overlays.join(' | ')}`);
  figures.push(`music composed in ${status.composeMillis.toFixed(0)} ms`);
  const retries = await page.evaluate(() => window.sideways.composeRetries);
  if (retries) figures.push(`composing trapped ${retries} time(s) and was done again in a fresh instance`);
});

// Pictures 0.7 s apart, each drawn after it was asked for, until one is lit and two differ: up to
// 14, since the show holds one still picture for 7.7 s (from order 4, row 63).
async function ExpectPictureChanging(page) {
  const stats = [];
  const Lit = () => stats.some((s) => s.sum > 320 * 240 * 255 * 0.02);
  while (stats.length < 14 && !(Lit() && new Set(stats.map((s) => s.hash)).size > 1)) {
    await Sleep(700);
    const picture = await page.evaluate(() => new Promise((resolve) => {
      window.probe.picture = null;
      window.probe.grab = true;
      requestAnimationFrame(() => requestAnimationFrame(() => {
        if (!window.probe.picture) return resolve(null);
        const { px } = window.probe.picture;
        let sum = 0, hash = 0;
        for (let k = 0; k < px.length; k++) { sum += px[k]; hash = (hash * 31 + px[k]) | 0; }
        resolve({ sum, hash });
      }));
    }));
    Expect(picture !== null, 'nothing was drawn for two animation frames');
    stats.push(picture);
  }
  Expect(Lit(), 'the picture stays black');
  Expect(new Set(stats.map((s) => s.hash)).size > 1, `the picture does not change in ${stats.length} tries`);
}

await Check('the canvas shows a picture that changes', () => ExpectPictureChanging(page));

await Check('the music plays and is not silent', async () => {
  status = await Status(page);
  Expect(status.audioBlocks > 10, `only ${status.audioBlocks} audio blocks rendered`);
  Expect(status.peak > 0.05, `loudest sample ${status.peak}`);
  Expect(status.sound === 'output' && status.notice === null, `sound ${status.sound}, notice: ${status.notice}`);
});

// The position is reported in rows of 60 ms; each sample counts from the middle of its row. The
// clock counts the music the audio output has taken, so the two agree however late the output's
// callbacks come; the clock must also keep going, at least at half the wall clock's pace even
// when the output drops callbacks on a loaded machine.
await Check('the position advances in step with the clock', async () => {
  const samples = [];
  for (let i = 0; i < 20; i++) {
    const s = await Status(page);
    if (s.millis > 1000) samples.push({ at: Date.now(), clock: s.millis, gap: s.millis - PositionMillis(s.position) - RowMillis / 2 });
    await Sleep(150);
  }
  Expect(samples.length >= 10, 'the clock did not pass one second');
  const gaps = samples.map((s) => s.gap).sort((a, b) => a - b);
  const [first, last] = [samples[0], samples[samples.length - 1]];
  const pace = (last.clock - first.clock) / (last.at - first.at);
  console.log(`     the music trails the clock by ${gaps[gaps.length >> 1]} ms (median), ${gaps[0]} to ${gaps[gaps.length - 1]} ms; ` +
              `the clock runs at ${pace.toFixed(2)} of the wall clock's pace`);
  Expect(gaps.every((gap) => Math.abs(gap) <= 100), `the music ${gaps[0]} to ${gaps[gaps.length - 1]} ms behind the clock`);
  Expect(pace >= 0.5, `the clock runs at ${pace.toFixed(2)} of the wall clock's pace`);
});

await Check('every level of each channel shows as on the desktop, within one step', async () => {
  const picture = await Grab(page, (instance) => instance._SidewaysDrawLevels());
  Expect(picture.w === 320 && picture.h === 240, `canvas ${picture.w} x ${picture.h}`);
  // Landscape pixel (x, y) shows buffer row 319 - x, column y; bands of 80 columns: red, green, blue.
  let worst = 0;
  for (let x = 0; x < 320; x++) {
    const row = 319 - x;
    for (const [band, channel, levels, step] of [[0, 0, 32, 4], [1, 1, 64, 2], [2, 2, 32, 4]]) {
      const want = Math.floor(((row % levels) * step * 255 + 63) / 127);
      for (const y of [band * 80 + 5, band * 80 + 40, band * 80 + 74]) {
        worst = Math.max(worst, Math.abs(At(picture, x, y, channel) - want));
        for (const other of [0, 1, 2].filter((c) => c !== channel))
          worst = Math.max(worst, At(picture, x, y, other));
      }
    }
  }
  Expect(worst <= 1, `a level is ${worst} steps off`);
});

await Check('a frame matches the desktop capture of its clock and position', async () => {
  const [, first] = fs.readFileSync(path.join(referenceDir, 'frames.csv'), 'utf8').trim().split('\n');
  const [frame, order, row, millis] = first.split(',').map(Number);
  const picture = await Grab(page, (instance, m, p) => instance._SidewaysDrawAt(m, p), millis, order | (row << 16));
  const reference = await page.evaluate(async (url) => {
    const image = new Image();
    image.src = url;
    await image.decode();
    const canvas = Object.assign(document.createElement('canvas'), { width: image.width, height: image.height });
    const context = canvas.getContext('2d');
    context.drawImage(image, 0, 0);
    return { w: image.width, h: image.height, px: Array.from(context.getImageData(0, 0, image.width, image.height).data) };
  }, `/reference/${String(frame).padStart(6, '0')}.png`);
  Expect(reference.w === 320 && reference.h === 240, `reference ${reference.w} x ${reference.h}`);
  let worst = 0, sum = 0;
  for (let y = 0; y < 240; y++)
    for (let x = 0; x < 320; x++)
      for (let c = 0; c < 3; c++) {
        const want = reference.px[(y * 320 + x) * 4 + c];
        sum += want;
        worst = Math.max(worst, Math.abs(At(picture, x, y, c) - want));
      }
  Expect(sum > 0, 'the reference frame is black');
  Expect(worst <= 1, `frame ${frame} (order ${order}, row ${row}, ${millis} ms): a channel ${worst} steps off`);
});

// A hidden page draws nothing; shown again, it goes on with the music and keeps its sound.
// (WebKit's windows have no tabs: there the window is minimised instead.)
await Check('a page hidden and shown again goes on with its sound', async () => {
  const other = webkit ? null : await browser.newPage();
  await (other ? other.bringToFront() : page.minimize());
  await page.waitForFunction(() => document.hidden, { timeout: 5000 });
  await Sleep(2000);
  await (other ? page.bringToFront() : page.restore());
  await page.waitForFunction(() => !document.hidden, { timeout: 5000 });
  await ExpectMoving(page);
  if (other) await other.close();
  status = await Status(page);
  Expect(status.sound === 'output' && status.notice === null, `sound ${status.sound}, notice: ${status.notice}`);
});

// The browser takes the WebGL context away in the middle of the show (a GPU reset, a phone short
// of memory) and gives it back a second later: meanwhile the music and the clock go on, without
// an error, and afterwards the picture is back and moving.
await Check('a lost graphics context: the sound goes on, and the picture comes back', async () => {
  const before = await page.evaluate(() => {
    const loser = document.getElementById('canvas').getContext('webgl').getExtension('WEBGL_lose_context');
    if (!loser) return null;
    window.probe.loser = loser;
    loser.loseContext();
    return { blocks: window.probe.audioBlocks, position: window.sideways.instance._SidewaysPosition() };
  });
  if (before === null) {
    console.log('     skipped: this browser has no WEBGL_lose_context');
    return;
  }
  await Sleep(1500);
  status = await Status(page);
  const moved = PositionMillis(status.position) - PositionMillis(before.position);
  Expect(status.state === 'playing' && moved >= 700, `while lost: ${status.state}, the music position moved ${moved} ms in 1.5 s`);
  Expect(status.audioBlocks > before.blocks + 5 && status.sound === 'output',
         `while lost: ${status.audioBlocks - before.blocks} audio blocks, sound ${status.sound}`);
  await page.evaluate(() => window.probe.loser.restoreContext());
  await page.waitForFunction(() => !document.getElementById('canvas').getContext('webgl').isContextLost(), { timeout: 5000 });
  await ExpectPictureChanging(page);
  status = await Status(page);
  Expect(status.glErrors.length === 0, `WebGL errors ${status.glErrors.join(', ')}`);
});

if (whole) {
  await Check('the show plays to its end and says so', async () => {
    await page.waitForFunction(() => window.sideways.state === 'ended', { timeout: 200000, polling: 500 });
    status = await Status(page);
    Expect(status.exitCode === 0, `exit code ${status.exitCode}`);
    Expect((status.position & 0xFFFF) >= 31, `ended at order ${status.position & 0xFFFF}`);
    Expect(/the end/.test(status.overlay || ''), `overlay: ${status.overlay}`);
  });
  await Check('a click plays it again', async () => {
    await page.click('#overlay');
    await Playing(page, 10);
  });
}

// The browser puts the audio context to sleep in the middle of the show: within two seconds the
// page says that it goes on without sound, and the picture goes on with the music's position.
await Check('an audio output suspended in the middle: a notice, and the show goes on silently', async () => {
  await page.evaluate(() => window.sideways.instance.SDL2.audioContext.suspend());
  const asleep = Date.now();
  await page.waitForFunction(() => window.sideways.sound === 'none', { timeout: 5000, polling: 50 });
  const waited = Date.now() - asleep;
  status = await Status(page);
  Expect(/No sound/.test(status.notice || ''), `notice: ${status.notice}`);
  Expect(waited <= 2000, `the notice came ${waited} ms after the output stopped`);
  await ExpectMoving(page);
});

await Check('Escape ends the show with exit code 0', async () => {
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => window.sideways.state === 'ended', { timeout: 10000 });
  status = await Status(page);
  Expect(status.exitCode === 0, `exit code ${status.exitCode}`);
  Expect(/the end/.test(status.overlay || ''), `overlay: ${status.overlay}`);
});

await Check('no page, console or WebGL errors', async () => {
  status = await Status(page);
  Expect(errors.length === 0, errors.slice(0, 3).join('; '));
  Expect(status.glErrors.length === 0, `WebGL errors ${status.glErrors.join(', ')}`);
});
await page.close();

await Check('where sound needs a gesture the page asks for a click, then plays', async () => {
  const { page: held, errors: heldErrors } = await OpenPage('gesture');
  await held.waitForFunction(() => window.sideways.state === 'waiting' && window.sideways.composeMillis !== null,
                             { timeout: 30000 });
  const s = await Status(held);
  Expect(s.overlay === 'click or press a key to start', `overlay: ${s.overlay}`);
  Expect(s.overlays.some((text) => /composing the music/.test(text)), `overlays: ${s.overlays.join(' | ')}`);
  const clicked = await held.evaluate(() => performance.now());
  await held.click('#overlay');
  await Playing(held, 10);
  figures.push(`first frame ${((await Status(held)).firstFrame - clicked).toFixed(0)} ms after the click (composed while waiting)`);
  Expect(heldErrors.length === 0, heldErrors.slice(0, 3).join('; '));
  await held.close();
});

// No sound output at all: Firefox with no sound server to reach; in Chromium every audio context
// stays suspended after the gesture. The page says so within two seconds of its first frame and
// the show goes on without sound, never a picture that stands still.
await Check('with no sound output the page says so and the show goes on', async () => {
  const silent = firefox ? await Launch(false) : browser;
  const { page: mute, errors: muteErrors } = await OpenPage(firefox ? 'allowed' : 'none', silent);
  await mute.waitForFunction(() => ['waiting', 'playing'].includes(window.sideways.state), { timeout: 30000 });
  if ((await Status(mute)).state === 'waiting')
    await mute.click('#overlay');
  await mute.waitForFunction(() => window.sideways.sound === 'none', { timeout: 15000, polling: 50 });
  const s = await Status(mute);
  const noticed = await mute.evaluate(() => performance.now());
  Expect(/No sound/.test(s.notice || ''), `notice: ${s.notice}`);
  Expect(noticed - s.firstFrame <= 2000, `the notice came ${(noticed - s.firstFrame).toFixed(0)} ms after the first frame`);
  await ExpectMoving(mute);
  Expect(muteErrors.length === 0, muteErrors.slice(0, 3).join('; '));
  await mute.close();
  if (silent !== browser) await silent.close();
});

// Mishaps before the show (Chromium only: the same page code runs in every engine): an instance
// that traps while composing is replaced by a fresh one that composes again, and a browser without
// WebAssembly's vector instructions is told so.
if (!firefox && !webkit) {
  await Check('a trap while composing is tried again; a browser without vectors is told so', async () => {
    const trapped = await browser.newPage();
    await trapped.evaluateOnNewDocument(() => {
      let made = null;
      Object.defineProperty(window, 'Sideways', { configurable: true, get: () => made, set(make) {
        let first = true;
        made = (callbacks) => make(callbacks).then((instance) => {
          if (first) instance._SidewaysCompose = () => { throw new WebAssembly.RuntimeError('Out of bounds memory access'); };
          first = false;
          return instance;
        });
      } });
    });
    await trapped.goto(`${origin}/sideways.html`);
    await Playing(trapped, 10);
    const retries = await trapped.evaluate(() => window.sideways.composeRetries);
    Expect(retries === 1, `${retries} retries`);
    await trapped.close();
    const old = await browser.newPage();
    await old.evaluateOnNewDocument(() => { WebAssembly.validate = () => false; });
    await old.goto(`${origin}/sideways.html`);
    await old.waitForFunction(() => window.sideways.state === 'unsupported', { timeout: 10000 });
    const said = await old.$eval('#overlay', (e) => e.textContent);
    Expect(/vector instructions/.test(said), `overlay: ${said}`);
    await old.close();
  });
}

// A phone, emulated (Chromium only: WebDriver has no touch emulation): a tap starts the
// show, the picture fills the width or the height at 4:3 with no scroll bars in either
// orientation, and a double tap toggles full screen.
if (!firefox && !webkit) {
  await Check('on a phone a tap starts the show, the picture fits both ways, a double tap toggles full screen', async () => {
    const phone = await browser.newPage();
    await phone.emulate({
      viewport: { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true, isLandscape: false },
      userAgent: 'Mozilla/5.0 (Linux; Android 14; Pixel 8) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0 Mobile Safari/537.36',
    });
    await phone.evaluateOnNewDocument(Probe, 'gesture');
    await phone.goto(`${origin}/sideways.html`);
    await phone.waitForFunction(() => window.sideways.state === 'waiting', { timeout: 30000 });
    await phone.tap('#overlay');
    await Playing(phone, 10);
    const Layout = () => phone.evaluate(() => {
      const r = document.getElementById('canvas').getBoundingClientRect(), e = document.documentElement;
      return { w: innerWidth, h: innerHeight, x: r.x, y: r.y, cw: r.width, ch: r.height,
               scrolls: e.scrollWidth > e.clientWidth || e.scrollHeight > e.clientHeight };
    });
    for (const [width, height] of [[390, 844], [844, 390]]) {
      await phone.setViewport({ width, height, deviceScaleFactor: 3, isMobile: true, hasTouch: true, isLandscape: width > height });
      const l = await Layout();
      const fits = Math.abs(l.cw - Math.min(l.w, l.h * 4 / 3)) < 1 && Math.abs(l.ch * 4 / 3 - l.cw) < 1;
      Expect(fits && !l.scrolls, `${width} x ${height}: picture ${l.cw} x ${l.ch} at ${l.x}, ${l.y}${l.scrolls ? ', scroll bars' : ''}`);
    }
    const FullScreen = () => phone.evaluate(() => !!document.fullscreenElement);
    for (const want of [true, false]) {
      await phone.touchscreen.tap(200, 200);
      await Sleep(100);
      await phone.touchscreen.tap(200, 200);
      await phone.waitForFunction((w) => !!document.fullscreenElement === w, { timeout: 3000 }, want)
        .catch(async () => { throw new Error(`a double tap left full screen ${await FullScreen() ? 'on' : 'off'}`); });
      await Sleep(500);
    }
    await phone.close();
  });
}

// Offline (Chromium): a first visit leaves the page's files with its service worker, each file
// downloaded once; with the server gone, a second visit plays. Chromium also says whether the
// page can be installed (put on a phone's home screen).
if (!firefox && !webkit) {
  await Check('a second visit plays with the server gone, and the page can be installed', async () => {
    const own = await Serve();
    const first = await browser.newPage();
    await first.goto(`${own.origin}/sideways.html`);
    await Playing(first, 10);
    await first.evaluate(() => navigator.serviceWorker.ready.then(() => true));
    const cdp = await first.createCDPSession();
    const { installabilityErrors } = await cdp.send('Page.getInstallabilityErrors');
    const again = Object.entries(own.sent).filter(([name, times]) => name !== 'bytes' && times > 1).map(([name]) => name);
    figures.push(`first visit: ${Object.keys(own.sent).filter((name) => name !== 'bytes').join(' ')} sent, ${own.sent.bytes} bytes`);
    await first.close();
    await own.close();
    Expect(installabilityErrors.length === 0, `not installable: ${installabilityErrors.map((e) => e.errorId).join(', ')}`);
    Expect(again.length === 0, `downloaded more than once on the first visit: ${again.join(', ')}`);
    const second = await browser.newPage();
    await second.goto(`${own.origin}/sideways.html`);
    await Playing(second, 30);
    await second.close();
  });
}

// Frames a second: the show beside an empty animation loop in the same browser; and the time
// from navigation to the first frame with the page's code in the browser's cache.
await Check('frame rate', async () => {
  const rate = async (url, count) => {
    const p = await browser.newPage();
    await p.evaluateOnNewDocument(Probe, 'allowed');
    await p.goto(url);
    let first = null, audio = null, compose = null;
    if (count === 'show') {
      await Playing(p, 0);
      ({ firstFrame: first, composeMillis: compose } = await Status(p));
    }
    await Sleep(1000);
    if (count === 'show') audio = await Status(p);
    const fps = await p.evaluate((count) => new Promise((resolve) => {
      const frames = () => (count === 'show' ? window.sideways.instance._SidewaysFrames() : window.loops);
      window.loops = 0;
      const tick = () => { window.loops++; requestAnimationFrame(tick); };
      if (count !== 'show') requestAnimationFrame(tick);
      const start = frames(), t0 = performance.now();
      setTimeout(() => resolve((frames() - start) * 1000 / (performance.now() - t0)), 4000);
    }), count);
    let work = null, draws = null;
    if (count === 'show') {
      const s = await Status(p);
      work = (s.frameMillis - audio.frameMillis) / Math.max(1, s.frameCalls - audio.frameCalls);
      audio = (s.audioMillis - audio.audioMillis) / Math.max(1, s.audioBlocks - audio.audioBlocks);
      // The drawing alone, in this engine, with each form of the pixel loops the page has: each
      // order's frame at row 32, the mean of 100 draws.
      const orders = Array.from({ length: 32 }, (_, order) => ({ position: order | (32 << 16), millis: PositionMillis(order | (32 << 16)) }));
      draws = await p.evaluate((orders) => {
        const i = window.sideways.instance, own = i._SidewaysLoopForms();
        return i.loopForms.map((name, form) => ({ name, own: form === own, times: orders.map(({ millis, position }) =>
          i._SidewaysTimeDrawing(millis, position, 100, form)) }));
      }, orders);
    }
    await p.close();
    return { fps, first, audio, compose, work, draws };
  };
  const show = await rate(`${origin}/sideways.html`, 'show');
  const empty = await rate('about:blank', 'empty');
  figures.push('drawing a frame (mean of the orders, slowest order): ' + show.draws.map(({ name, own, times }) => {
    const slowest = times.indexOf(Math.max(...times));
    return `${name}${own ? ' (the page\'s)' : ''} ${(times.reduce((a, b) => a + b) / times.length).toFixed(3)} ms, ` +
           `${times[slowest].toFixed(3)} ms (${slowest})`;
  }).join('; '));
  figures.push(`first frame ${show.first.toFixed(0)} ms after navigation (cached; music composed in ${show.compose.toFixed(0)} ms)`,
               `${show.work.toFixed(2)} ms of the page's own work per frame`, `${show.audio.toFixed(2)} ms per audio callback`);
  console.log(`     ${browserName}: ${show.fps.toFixed(1)} frames/s for the show, ${empty.fps.toFixed(1)} for an empty animation loop; ` +
              figures.join(', '));
  Expect(show.fps > 0, 'no frames');
});

await browser.close();
await server.close();
fs.rmSync(scratch, { recursive: true, force: true });
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed);
