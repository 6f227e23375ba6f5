// One way to drive the page in every browser engine the tests use: Debian's
// Chromium and Firefox ESR through puppeteer-core (CDP and WebDriver BiDi),
// and WebKitGTK's MiniBrowser through WebKitWebDriver (classic W3C
// WebDriver over HTTP, a few calls of it here). WebKit needs an X display.
//
// A page offers: goto, reload, evaluate(fn, ...args) (fn runs in the page;
// a promise it returns is awaited), waitFor(fn, ...args), press / down / up
// (puppeteer's key names: 'Enter', 'KeyY' …), click(selector), tap(x, y) and
// screenshot(file, selector). Scripts given to `afterLoad` run after every
// navigation, before the test goes on: classic WebDriver cannot run one
// before the page's own, and the page gives the program nothing to do
// before it is loaded.
import {spawn} from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import {createRequire} from 'node:module';
import {chromium, patience} from './browser.mjs';

const require = createRequire(import.meta.url);
const puppeteer = require('puppeteer-core');

export const engines = ['chromium', 'firefox', 'webkit'];
const firefox = process.env.SCHLINGO_FIREFOX || '/usr/bin/firefox-esr';
const miniBrowser = process.env.SCHLINGO_MINIBROWSER ||
    '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';
const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Fills in the page methods that every engine does alike.
function common(page) {
  page.scripts = [];
  page.afterLoad = (fn) => page.scripts.push(fn);
  page.loaded = async () => {
    for (const fn of page.scripts) await page.evaluate(fn);
  };
  page.waitFor = async (fn, ...args) => {
    const timeout = typeof args[args.length - 1] === 'object' && args[args.length - 1] !== null &&
        'timeout' in args[args.length - 1] ? args.pop().timeout : patience;
    const end = Date.now() + timeout;
    for (;;) {
      const value = await page.evaluate(fn, ...args);
      if (value) return value;
      if (Date.now() > end) throw new Error(`timed out waiting for ${fn.toString().slice(0, 120)}`);
      await pause(25);
    }
  };
  page.press = async (key) => {
    await page.down(key);
    await page.up(key);
  };
  return page;
}

// --- Chromium and Firefox: puppeteer-core -----------------------------------

async function puppeteerBrowser(engine, {viewport, touch}) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), `schlingo-${engine}-`));
  const options = engine === 'chromium' ? {
    executablePath: chromium,
    args: [
      ...(process.getuid && process.getuid() === 0 ? ['--no-sandbox'] : []),
      '--headless', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run',
      `--user-data-dir=${profile}`
    ]
  } : {browser: 'firefox', executablePath: firefox, userDataDir: profile};
  const browser = await puppeteer.launch({...options, headless: true, defaultViewport: null});
  const view = {...viewport, ...(touch ? {isMobile: true, hasTouch: true, deviceScaleFactor: 3} : {})};
  return {
    name: engine,
    version: await browser.version(),
    async newPage() {
      const page = await browser.newPage();
      await page.setViewport(view);
      const wrapped = common({
        goto: async (url) => {
          await page.goto(url);
          await wrapped.loaded();
        },
        reload: async () => {
          await page.reload();
          await wrapped.loaded();
        },
        evaluate: (fn, ...args) => page.evaluate(fn, ...args),
        // BiDi knows the space bar only by its character.
        down: (key) => page.keyboard.down(key === 'Space' ? ' ' : key),
        up: (key) => page.keyboard.up(key === 'Space' ? ' ' : key),
        click: (selector) => page.click(selector),
        tap: (x, y) => page.touchscreen.tap(x, y),
        bringToFront: () => page.bringToFront(),
        close: () => page.close(),
        httpCache: (on) => page.setCacheEnabled(on).catch(() => {}),
        screenshot: async (file, selector) =>
          (selector ? await page.$(selector) : page).screenshot({path: file})
      });
      return wrapped;
    },
    async close() {
      await browser.close();
      fs.rmSync(profile, {recursive: true, force: true});
    }
  };
}

// --- WebKitGTK: a small W3C WebDriver client --------------------------------

const element = 'element-6066-11e4-a52e-4f735466cecc';
const webDriverKeys = {Enter: '\uE007', Escape: '\uE00C', ArrowDown: '\uE015', ArrowUp: '\uE013',
                       ArrowLeft: '\uE012', ArrowRight: '\uE014', Space: ' ', Tab: '\uE004'};
function webDriverKey(key) {
  if (/^Key[A-Z]$/.test(key)) return key.slice(3).toLowerCase();
  if (/^Digit[0-9]$/.test(key)) return key.slice(5);
  if (webDriverKeys[key]) return webDriverKeys[key];
  throw new Error(`no WebDriver key for ${key}`);
}

function freePort() {
  return new Promise((resolve, reject) => {
    const server = net.createServer();
    server.on('error', reject);
    server.listen(0, '127.0.0.1', () => {
      const {port} = server.address();
      server.close(() => resolve(port));
    });
  });
}

async function webkitBrowser({viewport}) {
  if (!process.env.DISPLAY) throw new Error('WebKitGTK needs an X display (run under xvfb-run)');
  const port = await freePort();
  const driver = spawn('WebKitWebDriver', [`--port=${port}`], {stdio: 'ignore'});
  const base = `http://127.0.0.1:${port}`;
  async function call(method, route, body) {
    const response = await fetch(base + route, {
      method, headers: {'Content-Type': 'application/json; charset=utf-8'},
      body: body === undefined ? undefined : JSON.stringify(body)
    });
    const answer = await response.json();
    if (answer.value && answer.value.error) {
      throw new Error(`WebDriver ${route}: ${answer.value.error}: ${answer.value.message}`);
    }
    return answer.value;
  }
  let session = null, version = '';
  for (let tries = 0; tries < 100 && !session; ++tries) {
    try {
      const created = await call('POST', '/session', {capabilities: {alwaysMatch: {
        'webkitgtk:browserOptions': {binary: miniBrowser, args: ['--automation']}
      }}});
      session = created.sessionId;
      version = created.capabilities.browserVersion;
    } catch (error) {
      if (!/fetch failed|ECONNREFUSED/.test(String(error.cause || error))) {
        driver.kill();
        throw error;
      }
      await pause(100);
    }
  }
  if (!session) {
    driver.kill();
    throw new Error('WebKitWebDriver did not start');
  }
  const s = (route) => `/session/${session}${route}`;
  const end = async () => {
    try {
      await call('DELETE', `/session/${session}`);
    } finally {
      driver.kill();
    }
  };
  let capabilities;
  try {
    capabilities = await call('GET', s('/window'));
    await call('POST', s('/window/rect'), {width: viewport.width, height: viewport.height});
  } catch (error) {
    await end().catch(() => {});
    throw error;
  }
  let current = capabilities;
  const use = async (handle) => {
    if (handle !== current) await call('POST', s('/window'), {handle});
    current = handle;
  };
  const find = async (selector) => {
    const found = await call('POST', s('/element'), {using: 'css selector', value: selector});
    return found[element] || Object.values(found)[0];
  };
  const make = (handle) => {
    const page = common({
      goto: async (url) => {
        await use(handle);
        await call('POST', s('/url'), {url});
        await page.loaded();
      },
      reload: async () => {
        await use(handle);
        await call('POST', s('/refresh'), {});
        await page.loaded();
      },
      evaluate: async (fn, ...args) => {
        await use(handle);
        return call('POST', s('/execute/sync'), {
          script: `return (${fn.toString()}).apply(null, arguments);`, args
        });
      },
      down: async (key) => {
        await use(handle);
        await call('POST', s('/actions'), {actions: [{type: 'key', id: 'keys',
          actions: [{type: 'keyDown', value: webDriverKey(key)}]}]});
      },
      up: async (key) => {
        await use(handle);
        await call('POST', s('/actions'), {actions: [{type: 'key', id: 'keys',
          actions: [{type: 'keyUp', value: webDriverKey(key)}]}]});
      },
      click: async (selector) => {
        await use(handle);
        await call('POST', s(`/element/${await find(selector)}/click`), {});
      },
      // WebKitGTK's driver has no touch: a tap is a mouse click there.
      tap: async (x, y) => {
        await use(handle);
        await call('POST', s('/actions'), {actions: [{type: 'pointer', id: 'mouse',
          parameters: {pointerType: 'mouse'}, actions: [
            {type: 'pointerMove', x: Math.round(x), y: Math.round(y), origin: 'viewport'},
            {type: 'pointerDown', button: 0}, {type: 'pointerUp', button: 0}]}]});
        await call('DELETE', s('/actions'));
      },
      bringToFront: () => use(handle),
      close: async () => {
        await use(handle);
        await call('DELETE', s('/window'));
        current = null;
      },
      // A screenshot right after a change may still show the frame before.
      screenshot: async (file, selector) => {
        await use(handle);
        await pause(500);
        const data = selector ? await call('GET', s(`/element/${await find(selector)}/screenshot`))
                              : await call('GET', s('/screenshot'));
        fs.writeFileSync(file, Buffer.from(data, 'base64'));
      }
    });
    return page;
  };
  let first = true;
  return {
    name: 'webkit',
    version: `WebKitGTK ${version}`,
    // MiniBrowser draws no background tab: a second page is a window.
    async newPage() {
      if (first) {
        first = false;
        return make(capabilities);
      }
      const {handle} = await call('POST', s('/window/new'), {type: 'window'});
      await use(handle);
      await call('POST', s('/window/rect'), {width: viewport.width, height: viewport.height});
      return make(handle);
    },
    close: end
  };
}

// engine: 'chromium', 'firefox' or 'webkit'; viewport {width, height};
// touch: a phone (Chromium only).
export async function open(engine, {viewport = {width: 1280, height: 800}, touch = false} = {}) {
  if (engine === 'webkit') return webkitBrowser({viewport});
  if (engine === 'chromium' || engine === 'firefox') return puppeteerBrowser(engine, {viewport, touch});
  throw new Error(`unknown engine ${engine}`);
}
