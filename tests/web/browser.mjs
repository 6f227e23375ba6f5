// What the browser test and the browser bench share: the site served on
// 127.0.0.1 by this process, and Debian's Chromium with a profile of its own,
// both ended by close().
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import {createRequire} from 'node:module';

const require = createRequire(import.meta.url);
const puppeteer = require('puppeteer-core');

// A test's checks, one line a failure; `check.end()` prints "N passed, N
// failed" and ends the process, non-zero on a failure.
export function checks() {
  let passed = 0, failed = 0;
  const check = (ok, what, seen) => {
    if (ok) ++passed;
    else {
      ++failed;
      console.log(`FAILED: ${what}` + (seen === undefined ? '' : ` (seen: ${JSON.stringify(seen)})`));
    }
    return ok;
  };
  check.end = () => {
    console.log(`${passed} passed, ${failed} failed`);
    process.exit(failed === 0 ? 0 : 1);
  };
  return check;
}

const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm', '.png': 'image/png', '.data': 'application/octet-stream',
  '.gz': 'application/gzip', '.webmanifest': 'application/manifest+json'
};

// A static host as plain as they come, like `python3 -m http.server`: files,
// their types and dates, a 304 for a copy still current, no compression.
// `sent()` is every byte written to the browser so far, headers included.
// `plain`: at 127.0.0.1 written as an IPv6 address, which browsers do not
// count as a secure context (as a LAN address), the traffic still loopback.
// Switches for what other hosts do (tests/web/hosts.mjs): `redirect` answers
// .../index.html with a 301 to its folder; `encoded` sends .gz files with
// Content-Encoding: gzip; `cache` is 'no-store', 'etag' (an ETag and no
// date) or 'year' (max-age of a year); `folder` is where in `root` the game
// lives, and so what `url` names.
export async function serve(root, {plain = false, redirect = false, encoded = false, cache = null,
                                   folder = ''} = {}) {
  const sockets = new Set();
  let closedBytes = 0;
  const server = http.createServer((request, response) => {
    let name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    if (redirect && name.endsWith('/index.html')) {
      response.writeHead(301, {Location: name.slice(0, -'index.html'.length)}).end();
      return;
    }
    if (name.endsWith('/')) name += 'index.html';
    const file = path.join(root, path.normalize(name));
    if (!file.startsWith(path.resolve(root)) || !fs.existsSync(file) ||
        !fs.statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    const stat = fs.statSync(file);
    const modified = new Date(Math.floor(stat.mtimeMs / 1000) * 1000);
    const tag = `"${stat.size.toString(16)}-${Math.floor(stat.mtimeMs).toString(16)}"`;
    const current = cache === 'no-store' ? false
      : cache === 'etag' ? request.headers['if-none-match'] === tag
      : Date.parse(request.headers['if-modified-since'] || '') >= modified.getTime();
    const headers = cache === 'no-store' ? {'Cache-Control': 'no-store'}
      : cache === 'etag' ? {ETag: tag}
      : cache === 'year' ? {'Cache-Control': 'public, max-age=31536000', 'Last-Modified': modified.toUTCString()}
      : {'Last-Modified': modified.toUTCString()};
    if (current) {
      response.writeHead(304, headers).end();
      return;
    }
    const packed = encoded && file.endsWith('.gz');
    const type = types[path.extname(packed ? file.slice(0, -3) : file)];
    response.writeHead(200, {...headers, 'Content-Type': type || 'application/octet-stream',
                             ...(packed ? {'Content-Encoding': 'gzip'} : {}),
                             'Content-Length': stat.size});
    fs.createReadStream(file).pipe(response);
  });
  server.on('connection', (socket) => {
    sockets.add(socket);
    socket.on('close', () => {
      closedBytes += socket.bytesWritten;
      sockets.delete(socket);
    });
  });
  const host = plain ? '::ffff:127.0.0.1' : '127.0.0.1';
  await new Promise((resolve) => server.listen(0, host, resolve));
  let closed = null;
  return {
    url: `http://${plain ? `[${host}]` : host}:${server.address().port}/${folder}`,
    sent: () => closedBytes + [...sockets].reduce((sum, socket) => sum + socket.bytesWritten, 0),
    close: () => closed || (closed = new Promise((resolve) => {
      server.closeAllConnections();
      server.close(resolve);
    }))
  };
}

export const chromium = process.env.SCHLINGO_CHROMIUM || '/usr/bin/chromium';

// A fresh profile every time: no stored files, no other tab's lock.
export async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'schlingo-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    defaultViewport: {width: 1280, height: 800},
    args: [
      // root has no sandbox of its own
      ...(process.getuid && process.getuid() === 0 ? ['--no-sandbox'] : []),
      '--headless', '--disable-gpu', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--no-first-run',
      `--user-data-dir=${profile}`
    ]
  });
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close();
    fs.rmSync(profile, {recursive: true, force: true});
  };
  return browser;
}

// How long a test waits for what must come. Only a failure waits it out, and
// a CI machine running browsers, Wine and builds side by side needs it.
export const patience = 30000;

// Resolves when the page's start form is shown.
export function startForm(page, timeout = patience) {
  return page.waitForSelector('#start-form:not([hidden])', {timeout});
}

// The board fields a to z (x1, y1, x2, y2) in game pixels, both corners inside.
export const field = {
  a: [17, 208, 44, 233], b: [49, 208, 73, 233], c: [79, 208, 104, 233], d: [109, 208, 134, 233],
  e: [140, 208, 162, 233], f: [169, 208, 190, 233], g: [195, 208, 221, 233],
  h: [228, 208, 252, 233], i: [260, 208, 272, 233], j: [277, 208, 299, 233],
  k: [306, 208, 332, 233], l: [338, 208, 359, 233], m: [365, 208, 393, 233],
  n: [14, 256, 39, 281], o: [45, 256, 71, 281], p: [77, 256, 100, 281], q: [105, 256, 132, 284],
  r: [138, 256, 163, 281], s: [167, 256, 191, 281], t: [195, 256, 220, 281],
  u: [225, 256, 250, 281], v: [255, 256, 282, 281], w: [285, 256, 318, 281],
  x: [322, 256, 349, 281], y: [352, 256, 378, 281], z: [382, 256, 407, 281]
};

// Run in the page before its scripts (page.evaluateOnNewDocument(recordBoxes,
// NAME)): window[NAME] gets every message box's text as it opens, in order,
// and the count of boxes closed.
export function recordBoxes(name) {
  const boxes = window[name] = {opened: [], closed: 0};
  document.addEventListener('DOMContentLoaded', () => {
    new MutationObserver((changes) => {
      for (const change of changes) {
        if (change.oldValue === null) {
          boxes.opened.push(document.getElementById('message-text').textContent);
        } else ++boxes.closed;
      }
    }).observe(document.getElementById('message-box'),
               {attributes: true, attributeFilter: ['open'], attributeOldValue: true});
  });
}
