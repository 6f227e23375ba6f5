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

const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm', '.png': 'image/png', '.data': 'application/octet-stream'
};

// A static host as plain as they come: files, their types, nothing else.
export async function serve(root) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const file = path.join(root, path.normalize(name === '/' ? '/index.html' : name));
    if (!file.startsWith(path.resolve(root)) || !fs.existsSync(file) ||
        !fs.statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, {'Content-Type': types[path.extname(file)] || 'application/octet-stream'});
    fs.createReadStream(file).pipe(response);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return {
    url: `http://127.0.0.1:${server.address().port}/`,
    close: () => new Promise((resolve) => {
      server.closeAllConnections();
      server.close(resolve);
    })
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

// Resolves when the page's start form is shown.
export function startForm(page, timeout = 30000) {
  return page.waitForSelector('#start-form:not([hidden])', {timeout});
}
