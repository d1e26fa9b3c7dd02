// A small client of classic WebDriver over HTTP, for WebKitGTK's WebKitWebDriver (which speaks
// no BiDi, so puppeteer cannot drive it). It offers the part of puppeteer's Browser and Page that
// browser_test.mjs uses, so the same checks run in WebKit:
//   newPage, close; goto, evaluate, waitForFunction, evaluateOnNewDocument, click, keyboard.press,
//   bringToFront, minimize, restore, on('pageerror' | 'console'), close.
// A page is a window of the one session. The console cannot be read over WebDriver, so scripts
// meant to run before the page's own are handed to hooks (a Map the test's server reads: it puts
// them at the top of the page it serves for ?hook=ID), with a hook that records the page's errors
// and console errors, which every evaluate then collects.
import { spawn } from 'node:child_process';
import net from 'node:net';

const Sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function FreePort() {
  const server = net.createServer();
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const { port } = server.address();
  await new Promise((resolve) => server.close(resolve));
  return port;
}

// Records uncaught errors, rejected promises and console.error calls for the test to collect.
function ErrorHook() {
  const errors = window.webdriverErrors = [];
  window.addEventListener('error', (event) => errors.push(['pageerror', event.message]));
  window.addEventListener('unhandledrejection', (event) => errors.push(['pageerror', String(event.reason)]));
  const error = console.error;
  console.error = (...args) => { errors.push(['console', args.join(' ')]); error.apply(console, args); };
}

// Starts the driver (with env: the browser takes its display and sound server from it) and a
// session with the browser at binary, started with args. hooks: see above.
export async function LaunchWebDriver({ driver, binary, args, env, hooks }) {
  const port = await FreePort();
  const process_ = spawn(driver, [`--port=${port}`, '--replace-on-new-session'], { env, stdio: ['ignore', 'ignore', 'pipe'] });
  let log = '';
  process_.stderr.on('data', (data) => { log += data; });
  const base = `http://127.0.0.1:${port}`;
  async function Command(method, path, body) {
    const response = await fetch(base + path, {
      method, headers: { 'Content-Type': 'application/json' }, body: body === undefined ? undefined : JSON.stringify(body),
    });
    const reply = await response.json();
    if (!response.ok) throw new Error(`WebDriver ${method} ${path}: ${reply.value?.error}: ${reply.value?.message}`);
    return reply.value;
  }
  for (let i = 0; ; i++) {
    try {
      if ((await Command('GET', '/status')).ready) break;
    } catch (error) {
      if (i >= 100 || process_.exitCode !== null) {
        process_.kill();
        throw new Error(`${driver} did not start: ${log}`);
      }
    }
    await Sleep(100);
  }
  let session;
  try {
    session = await Command('POST', '/session', {
      capabilities: { alwaysMatch: { 'webkitgtk:browserOptions': { binary, args } } },
    });
  } catch (error) {
    process_.kill();
    throw error;
  }
  const s = `/session/${session.sessionId}`;
  await Command('POST', `${s}/timeouts`, { script: 600000, pageLoad: 60000 });

  let current = await Command('GET', `${s}/window`);
  let firstFree = current, hookCount = 0;
  async function Switch(handle) {
    if (current === handle) return;
    await Command('POST', `${s}/window`, { handle });
    current = handle;
  }

  function MakePage(handle) {
    const handlers = { pageerror: [], console: [] };
    const newDocument = [];
    const page = {
      on(event, handler) { handlers[event].push(handler); },
      async evaluateOnNewDocument(fn, ...args) { newDocument.push(`(${fn})(...${JSON.stringify(args)});`); },
      async goto(url) {
        await Switch(handle);
        const target = new URL(url);
        if (target.protocol === 'http:') {
          const id = String(++hookCount);
          hooks.set(id, [`(${ErrorHook})();`, ...newDocument].join('\n'));
          target.searchParams.set('hook', id);
        }
        await Command('POST', `${s}/url`, { url: target.href });
      },
      // Runs fn (a function or its source) in the page with args; a promise it returns is awaited.
      async evaluate(fn, ...args) {
        await Switch(handle);
        const reply = await Command('POST', `${s}/execute/async`, {
          script: `const done = arguments[arguments.length - 1];
            const collect = () => (window.webdriverErrors ? window.webdriverErrors.splice(0) : []);
            Promise.resolve().then(() => (${fn})(...arguments[0])).then(
              (value) => done({ value: value === undefined ? null : value, errors: collect() }),
              (error) => done({ error: String(error && error.stack || error), errors: collect() }));`,
          args: [args],
        });
        for (const [kind, text] of reply.errors) {
          const message = kind === 'pageerror' ? { message: text } : { type: () => 'error', text: () => text };
          for (const handler of handlers[kind]) handler(message);
        }
        if (reply.error !== undefined) throw new Error(`in the page: ${reply.error}`);
        return reply.value;
      },
      async waitForFunction(fn, options = {}, ...args) {
        const until = Date.now() + (options.timeout ?? 30000);
        const every = typeof options.polling === 'number' ? options.polling : 100;
        for (;;) {
          const value = await page.evaluate(fn, ...args);
          if (value) return value;
          if (Date.now() > until) throw new Error(`waiting for ${String(fn).slice(0, 80)} timed out`);
          await Sleep(every);
        }
      },
      // A click at the middle of the element, as a pointer at those coordinates: an element
      // click would be refused where another element lies over it.
      async click(selector) {
        const { x, y } = await page.evaluate((selector) => {
          const r = document.querySelector(selector).getBoundingClientRect();
          return { x: Math.round(r.x + r.width / 2), y: Math.round(r.y + r.height / 2) };
        }, selector);
        await Command('POST', `${s}/actions`, { actions: [{ type: 'pointer', id: 'mouse', parameters: { pointerType: 'mouse' },
          actions: [{ type: 'pointerMove', x, y, origin: 'viewport', duration: 0 },
                    { type: 'pointerDown', button: 0 }, { type: 'pointerUp', button: 0 }] }] });
        await Command('DELETE', `${s}/actions`);
      },
      keyboard: {
        async press(key) {
          await Switch(handle);
          const value = { Escape: '\uE00C', Enter: '\uE007' }[key] ?? key;
          await Command('POST', `${s}/actions`, { actions: [{ type: 'key', id: 'keyboard',
            actions: [{ type: 'keyDown', value }, { type: 'keyUp', value }] }] });
          await Command('DELETE', `${s}/actions`);
        },
      },
      async bringToFront() { await Switch(handle); },
      // Minimised, the page is hidden (document.hidden); restored to its size, shown again.
      async minimize() {
        await Switch(handle);
        page.rect = await Command('GET', `${s}/window/rect`);
        await Command('POST', `${s}/window/minimize`, {});
      },
      async restore() {
        await Switch(handle);
        await Command('POST', `${s}/window/rect`, { width: page.rect.width, height: page.rect.height });
      },
      // Closing the last window would end the session: that one is left blank for the next page.
      async close() {
        await Switch(handle);
        if ((await Command('GET', `${s}/window/handles`)).length === 1) {
          await Command('POST', `${s}/url`, { url: 'about:blank' });
          firstFree = handle;
          return;
        }
        const left = await Command('DELETE', `${s}/window`);
        current = null;
        await Switch(left[0]);
      },
    };
    return page;
  }

  return {
    async newPage() {
      if (firstFree) {
        const handle = firstFree;
        firstFree = null;
        return MakePage(handle);
      }
      const { handle } = await Command('POST', `${s}/window/new`, { type: 'window' });
      return MakePage(handle);
    },
    async close() {
      await Command('DELETE', s).catch(() => {});
      process_.kill();
      await new Promise((resolve) => (process_.exitCode !== null ? resolve() : process_.once('exit', resolve)));
    },
  };
}
