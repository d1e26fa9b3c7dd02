// Gentle mode on the page, in headless Chromium: chosen by itself where the browser reports
// prefers-reduced-motion: reduce (emulated), off otherwise, and switched by the page's control
// while the show runs. Prints one line per check; the exit code is the number failed.
//   node gentle_test.mjs PAGE_DIR
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

const [pageDir] = process.argv.slice(2);
const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm' };
const server = http.createServer((request, response) => {
  const file = path.join(pageDir, path.normalize(new URL(request.url, 'http://x').pathname.slice(1) || 'sideways.html'));
  fs.readFile(file, (error, data) => {
    if (error) { response.writeHead(404).end(); return; }
    response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' }).end(data);
  });
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
const url = `http://127.0.0.1:${server.address().port}/sideways.html`;
const userDataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'sideways-gentle-'));
const browser = await puppeteer.launch({
  executablePath: process.env.SIDEWAYS_CHROMIUM || '/usr/bin/chromium', headless: true, userDataDir,
  args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader', '--no-first-run',
         '--disable-background-networking', '--autoplay-policy=no-user-gesture-required', '--mute-audio'],
});

let failed = 0;
async function Check(name, body) {
  try {
    await body();
    console.log(`ok   ${name}`);
  } catch (error) {
    failed++;
    console.log(`FAIL ${name}: ${error.message}`);
  }
}
function Expect(condition, message) { if (!condition) throw new Error(message); }

// A page playing the show, with the media feature emulated as given ('' for the browser's own).
async function Playing(motion) {
  const tab = await browser.newPage();
  await tab.emulateMediaFeatures([{ name: 'prefers-reduced-motion', value: motion }]);
  await tab.goto(url);
  await tab.waitForFunction(() => window.sideways.state === 'playing' && window.sideways.instance._SidewaysFrames() > 2,
                            { timeout: 60000 });
  return tab;
}
const Gentle = (tab) => tab.evaluate(() => [window.sideways.gentle, window.sideways.instance._SidewaysGentle(),
                                             document.querySelector('#gentle input').checked]);

try {
  await Check('reduced motion starts the show in gentle mode, its control checked', async () => {
    const tab = await Playing('reduce');
    const [chosen, running, checked] = await Gentle(tab);
    Expect(chosen === true && running === 1 && checked === true, `gentle ${chosen}, running ${running}, box ${checked}`);
    await tab.close();
  });
  await Check('without it the show starts as drawn, and the control switches gentle mode on and off', async () => {
    const tab = await Playing('no-preference');
    Expect(JSON.stringify(await Gentle(tab)) === '[false,0,false]', `at the start: ${await Gentle(tab)}`);
    await tab.click('#gentle input');
    Expect(JSON.stringify(await Gentle(tab)) === '[true,1,true]', `after a click: ${await Gentle(tab)}`);
    const frames = await tab.evaluate(() => window.sideways.instance._SidewaysFrames());
    await tab.waitForFunction((n) => window.sideways.instance._SidewaysFrames() > n + 5, {}, frames);
    await tab.click('#gentle input');
    Expect(JSON.stringify(await Gentle(tab)) === '[false,0,false]', `after a second click: ${await Gentle(tab)}`);
    await tab.close();
  });
} finally {
  await browser.close();
  server.close();
  fs.rmSync(userDataDir, { recursive: true, force: true });
}
console.log(failed === 0 ? 'gentle mode: all passed' : `gentle mode: ${failed} failed`);
process.exit(failed);
