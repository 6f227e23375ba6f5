#!/usr/bin/env node
// The browser edition's size on screens and on the wire, in headless
// Chromium, the site served from 127.0.0.1:
// - the bytes of a first visit (fresh profile, every download including the
//   service worker's copies, counted at the server) and each file's share;
// - the game's share of the screen at 390x844 and 844x390 (phone, ratio 3),
//   820x1180 (tablet, ratio 2) and 1280x800 and 800x600 (desktop, ratio 1):
//   the canvas against the window's width and height, and its factor in
//   device pixels ("2" is a whole factor, "2.693" nearest-neighbour);
// - whether Chromium would install it (Page.getInstallabilityErrors);
// - with --lighthouse: Lighthouse 12.2.3 (npx) against `python3 -m http.server`
//   in its mobile and desktop presets.
//
//   node bench/web-fit.mjs [--screenshots DIR] [--lighthouse] [SITE]   (SITE: dist/web)
//
// Prints "NAME VALUE" lines, then the rows for the README's table.
import {spawn} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {chromium, launch, serve, startForm} from '../tests/web/browser.mjs';

const args = process.argv.slice(2);
let shots = null, lighthouse = false;
while (args[0] && args[0].startsWith('--')) {
  if (args[0] === '--screenshots') {
    shots = path.resolve(args[1]);
    fs.mkdirSync(shots, {recursive: true});
    args.splice(0, 2);
  } else if (args[0] === '--lighthouse') {
    lighthouse = true;
    args.shift();
  } else {
    console.error('usage: node bench/web-fit.mjs [--screenshots DIR] [--lighthouse] [SITE]');
    process.exit(2);
  }
}
const site = path.resolve(args[0] || 'dist/web');
const settle = (ms = 300) => new Promise((resolve) => setTimeout(resolve, ms));
const shot = async (page, name) => {
  if (shots) await page.screenshot({path: path.join(shots, name)});
};

async function openGame(page, boxShot) {
  await page.keyboard.press('Enter');
  let boxes = 0;
  while (!(await page.evaluate(() => !document.getElementById('game').hidden &&
                                     !document.getElementById('message-box').open))) {
    if (await page.$eval('#message-box', (box) => box.open)) {
      if (boxes++ === 0 && boxShot) await shot(page, boxShot);
      await page.keyboard.press('Enter');
    }
    await settle(150);
  }
}

const screens = [
  {name: 'phone-upright', width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true},
  {name: 'phone-sideways', width: 844, height: 390, deviceScaleFactor: 3, isMobile: true, hasTouch: true},
  {name: 'tablet-upright', width: 820, height: 1180, deviceScaleFactor: 2, isMobile: true, hasTouch: true},
  {name: 'desktop', width: 1280, height: 800, deviceScaleFactor: 1},
  {name: 'desktop-small', width: 800, height: 600, deviceScaleFactor: 1}
];

const server = await serve(site);
const figures = [];
const rows = [];
try {
  // --- the first visit, and the phone's form and box ---
  const browser = await launch();
  try {
    const page = await browser.newPage();
    const cdp = await page.createCDPSession();
    await cdp.send('Network.enable');
    const perFile = new Map();
    const names = new Map();
    cdp.on('Network.requestWillBeSent', (e) => names.set(e.requestId, new URL(e.request.url).pathname));
    cdp.on('Network.loadingFinished', (e) => {
      const name = names.get(e.requestId) || '?';
      perFile.set(name, (perFile.get(name) || 0) + e.encodedDataLength);
    });
    await page.setViewport(screens[0]);
    await page.goto(server.url);
    await startForm(page);
    await page.evaluate(() => navigator.serviceWorker.ready);
    await page.waitForNetworkIdle({idleTime: 500});
    figures.push(['first_visit_bytes', server.sent()]);
    for (const [name, bytes] of [...perFile].sort((a, b) => b[1] - a[1])) {
      figures.push([`first_visit_page_bytes ${name}`, bytes]);
    }
    const installable = await cdp.send('Page.getInstallabilityErrors');
    figures.push(['installability_errors', JSON.stringify(installable.installabilityErrors)]);
    await shot(page, 'phone-start-form.png');
    await openGame(page, 'phone-box.png');
  } finally {
    await browser.close();
  }

  // --- every screen: a fresh profile, the game opened, measured ---
  for (const screen of screens) {
    const b = await launch();
    try {
      const page = await b.newPage();
      await page.setViewport(screen);
      await page.goto(server.url);
      await startForm(page);
      await shot(page, `${screen.name}-form.png`);
      await openGame(page);
      await settle();
      const box = await page.$eval('#screen', (c) => {
        const r = c.getBoundingClientRect();
        return {left: r.left, right: r.right, width: r.width, height: r.height,
                factor: c.dataset.factor};
      });
      await shot(page, `${screen.name}.png`);
      const across = box.width / screen.width * 100, down = box.height / screen.height * 100;
      figures.push([`share_${screen.name}`, `${across.toFixed(1)}% x ${down.toFixed(1)}% factor ${box.factor}`]);
      rows.push(`| ${screen.width}×${screen.height}, ratio ${screen.deviceScaleFactor}` +
                `${screen.hasTouch ? ', touch' : ''} | ${Math.round(box.width)}×${Math.round(box.height)} ` +
                `| ${across.toFixed(1)} % × ${down.toFixed(1)} % | ${box.factor} |`);
    } finally {
      await b.close();
    }
  }
} finally {
  await server.close();
}

// --- Lighthouse, against the plainest of hosts ---
const scores = [];
if (lighthouse) {
  const python = spawn('python3', ['-m', 'http.server', '0', '--bind', '127.0.0.1', '--directory', site],
                       {stdio: ['ignore', 'pipe', 'pipe']});
  try {
    const port = await new Promise((resolve, reject) => {
      python.stdout.on('data', (chunk) => {
        const m = /port (\d+)/.exec(String(chunk));
        if (m) resolve(m[1]);
      });
      python.on('exit', () => reject(new Error('python3 -m http.server ended')));
    });
    for (const preset of ['mobile', 'desktop']) {
      const out = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'schlingo-lh-')), 'report.json');
      const flags = ['--yes', 'lighthouse@12.2.3', `http://127.0.0.1:${port}/`, '--quiet',
                     '--output=json', `--output-path=${out}`,
                     `--chrome-flags=--headless=new --no-sandbox`,
                     ...(preset === 'desktop' ? ['--preset=desktop'] : [])];
      await new Promise((resolve, reject) => {
        const run = spawn('npx', flags, {stdio: 'inherit', env: {...process.env, CHROME_PATH: chromium}});
        run.on('exit', (code) => (code === 0 ? resolve() : reject(new Error(`lighthouse: ${code}`))));
      });
      const report = JSON.parse(fs.readFileSync(out, 'utf8'));
      fs.rmSync(path.dirname(out), {recursive: true, force: true});
      const score = (c) => Math.round(report.categories[c].score * 100);
      const audit = (a) => report.audits[a];
      const line = {preset, performance: score('performance'), accessibility: score('accessibility'),
                    bestPractices: score('best-practices'), seo: score('seo'),
                    lcp: audit('largest-contentful-paint').displayValue,
                    fcp: audit('first-contentful-paint').displayValue,
                    tbt: audit('total-blocking-time').displayValue,
                    bytes: audit('total-byte-weight').numericValue};
      for (const [k, v] of Object.entries(line)) if (k !== 'preset') figures.push([`lighthouse_${preset}_${k}`, v]);
      scores.push(line);
    }
  } finally {
    python.kill();
  }
}

for (const [name, value] of figures) console.log(`${name} ${value}`);
console.log('');
console.log('| screen | canvas (CSS px) | share of width × height | factor |');
console.log('|---|---|---|---|');
for (const row of rows) console.log(row);
if (scores.length > 0) {
  console.log('');
  console.log('| Lighthouse 12.2.3 | Performance | LCP | Best Practices | SEO | Accessibility |');
  console.log('|---|---|---|---|---|---|');
  for (const s of scores) {
    console.log(`| ${s.preset} | ${s.performance} | ${s.lcp} | ${s.bestPractices} | ${s.seo} | ${s.accessibility} |`);
  }
}
