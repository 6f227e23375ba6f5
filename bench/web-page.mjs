#!/usr/bin/env node
// The browser edition's figures in headless Chromium, the site served from
// 127.0.0.1: page load to the start form (first visit with a fresh profile,
// and a reload), key press to changed canvas pixels over the letters a to y
// of a word that is never won (q to y are misses, each held until the tries
// counter shows one try less), the CPU the page's main thread spends while a
// word waits (DevTools Performance.getMetrics TaskDuration) with the timers
// and animation frame callbacks run meanwhile, and the program's gzipped size.
//
//   node bench/web-page.mjs [--runs N] [--idle SECONDS] [SITE]   (SITE: dist/web)
//
// Prints "NAME VALUE" lines, then the rows for the README's table.
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';
import {field, launch, serve, startForm} from '../tests/web/browser.mjs';

const args = process.argv.slice(2);
let runs = 5, idleSeconds = 10;
while (args[0] && args[0].startsWith('--')) {
  if (args[0] === '--runs') runs = +args[1];
  else if (args[0] === '--idle') idleSeconds = +args[1];
  else {
    console.error('usage: node bench/web-page.mjs [--runs N] [--idle SECONDS] [SITE]');
    process.exit(2);
  }
  args.splice(0, 2);
}
const site = path.resolve(args[0] || 'dist/web');
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor((values.length - 1) / 2)];
const fixed = (value, digits = 1) => value.toFixed(digits);

// The word: a to p and y. The keys KeyA to KeyY give a to x and, by their
// German places, z for KeyY: 16 hits and 9 misses of the 11 tries.
const list = Buffer.from('Allgemeine W\xf6rter\r\nabcdefghijklmnopy\r\n', 'latin1');
const counter = [456, 304, 471, 311]; // the tries left, text row 39, columns 58 and 59
const keys = 'abcdefghijklmnopqrstuvwxy';
const letterOf = (key) => (key === 'y' ? 'z' : key);
const misses = new Set('qrstuvwxz');

// In the page before its own code: the time of every key-down, and a watch
// on rectangles of the canvas that notes when a paint first changes them.
function instrument() {
  window.schlingoBench = {keyDown: 0, watches: [], timers: 0, frames: 0, boxes: 0};
  const bench = window.schlingoBench;
  document.addEventListener('DOMContentLoaded', () => {
    new MutationObserver(() => {
      if (document.getElementById('message-box').open) ++bench.boxes;
    }).observe(document.getElementById('message-box'), {attributes: true, attributeFilter: ['open']});
  });
  window.addEventListener('keydown', (event) => { bench.keyDown = event.timeStamp; }, true);
  // Timer and animation frame callbacks are counted as they run.
  const counted = (original, what) => function (callback, ...rest) {
    const wrapped = typeof callback === 'function'
      ? function () { ++bench[what]; return callback.apply(this, arguments); } : callback;
    return original.call(this, wrapped, ...rest);
  };
  window.setTimeout = counted(window.setTimeout, 'timers');
  window.setInterval = counted(window.setInterval, 'timers');
  window.requestAnimationFrame = counted(window.requestAnimationFrame, 'frames');
  const put = CanvasRenderingContext2D.prototype.putImageData;
  const read = (context, [x1, y1, x2, y2]) =>
    Array.from(new Uint32Array(context.getImageData(x1, y1, x2 - x1 + 1, y2 - y1 + 1).data.buffer));
  CanvasRenderingContext2D.prototype.putImageData = function () {
    const result = put.apply(this, arguments);
    const now = performance.now();
    for (const watch of bench.watches) {
      if (watch.changedAt !== null) continue;
      const pixels = read(this, watch.rect);
      if (pixels.some((p, i) => p !== watch.before[i])) watch.changedAt = now;
    }
    return result;
  };
  bench.watch = (rects) => {
    const context = document.getElementById('screen').getContext('2d');
    bench.watches = rects.map((rect) => ({rect, before: read(context, rect), changedAt: null}));
  };
}

const server = await serve(site);
const figures = {load_first_ms: [], load_again_ms: [], key_ms: [], counter_ms: [], idle_pct: [],
                 idle_timers: [], idle_frames: []};
const startFormAt = (page) => page.evaluate(() =>
  performance.getEntriesByName('schlingo-start-form')[0].startTime);
try {
  for (let run = 0; run < runs; ++run) {
    const browser = await launch();
    try {
      const page = await browser.newPage();
      await page.evaluateOnNewDocument(instrument);
      // Page load: navigation start to the start form's mark.
      await page.goto(server.url);
      await startForm(page);
      figures.load_first_ms.push(await startFormAt(page));
      await page.reload();
      await startForm(page);
      figures.load_again_ms.push(await startFormAt(page));

      await page.evaluate((bytes) => {
        Module.schlingoFiles.write('allgemeine Wörter.txt', new Uint8Array(bytes));
        return Module.schlingoFiles.saved();
      }, Array.from(list));
      await page.keyboard.press('Enter');
      for (let box = 1; box <= 3; ++box) {
        await page.waitForFunction((box) => schlingoBench.boxes >= box, {}, box);
        await page.keyboard.press('Enter');
      }
      await page.waitForSelector('#game:not([hidden])');
      await new Promise((resolve) => setTimeout(resolve, 500));

      // Idle: a word waiting, the page left alone.
      const cdp = await page.createCDPSession();
      await cdp.send('Performance.enable', {timeDomain: 'threadTicks'});
      const taskDuration = async () => (await cdp.send('Performance.getMetrics')).metrics
        .find((m) => m.name === 'TaskDuration').value;
      const counts0 = await page.evaluate(() => [schlingoBench.timers, schlingoBench.frames]);
      const busy0 = await taskDuration();
      const wall0 = Date.now();
      await new Promise((resolve) => setTimeout(resolve, idleSeconds * 1000));
      const busy1 = await taskDuration();
      const wall1 = Date.now();
      const counts1 = await page.evaluate(() => [schlingoBench.timers, schlingoBench.frames]);
      figures.idle_pct.push((busy1 - busy0) / ((wall1 - wall0) / 1000) * 100);
      figures.idle_timers.push(counts1[0] - counts0[0]);
      figures.idle_frames.push(counts1[1] - counts0[1]);

      // Keys: each letter's field, and for a miss the tries counter, held.
      for (const key of keys) {
        const letter = letterOf(key), miss = misses.has(letter);
        await page.evaluate((rects) => schlingoBench.watch(rects),
                            miss ? [field[letter], counter] : [field[letter]]);
        await page.keyboard.down('Key' + key.toUpperCase());
        await page.waitForFunction(() => schlingoBench.watches.every((w) => w.changedAt !== null),
                                   {timeout: 5000, polling: 10}).catch(() => {});
        const [keyDown, watches] = await page.evaluate(() =>
          [schlingoBench.keyDown, schlingoBench.watches.map((w) => w.changedAt)]);
        await page.keyboard.up('Key' + key.toUpperCase());
        if (watches[0] === null || (miss && watches[1] === null)) {
          throw new Error(`the key ${key} changed nothing on the screen`);
        }
        figures.key_ms.push(watches[0] - keyDown);
        if (miss) figures.counter_ms.push(watches[1] - keyDown);
      }
    } finally {
      await browser.close();
    }
  }
} finally {
  await server.close();
}

// The program and the page's script are shipped gzip-compressed already.
const size = (name) => fs.statSync(path.join(site, name)).size;
const gzipped = (name) => zlib.gzipSync(fs.readFileSync(path.join(site, name)), {level: 9}).length;
const programBytes = size('schlingo.js.gz') + size('schlingo.wasm.gz');
const pageBytes = gzipped('index.html') + gzipped('schlingo.css') + size('schlingo-page.js.gz');

for (const [name, values] of Object.entries(figures)) {
  for (const value of values) console.log(`${name} ${fixed(value, 3)}`);
}
console.log(`program_gzip_bytes ${programBytes}`);
console.log(`page_gzip_bytes ${pageBytes}`);

const worst = (values) => Math.max(...values);
const row = (figure, value, target) => console.log(`| ${figure} | ${value} | ${target} |`);
console.log('');
console.log(`Headless Chromium ${await (async () => {
  const b = await launch();
  const v = await b.version();
  await b.close();
  return v;
})()}, ${runs} runs, medians:`);
console.log('');
console.log('| figure | median | target |');
console.log('|---|---|---|');
row('page load to the start form, first visit (fresh profile)',
    `${fixed(median(figures.load_first_ms))} ms`, '≤ 300 ms');
row('page load to the start form, reload', `${fixed(median(figures.load_again_ms))} ms`, '≤ 300 ms');
row(`key press to changed canvas pixels (${figures.key_ms.length} letters)`,
    `${fixed(median(figures.key_ms), 2)} ms, worst ${fixed(worst(figures.key_ms), 2)} ms`,
    '≤ 3 ms, worst ≤ 10 ms');
row(`key press to the tries counter redrawn, miss held (${figures.counter_ms.length} misses)`,
    `${fixed(median(figures.counter_ms), 2)} ms, worst ${fixed(worst(figures.counter_ms), 2)} ms`,
    '≤ 3 ms, worst ≤ 10 ms');
row(`CPU of the page's main thread while a word waits (${idleSeconds} s)`,
    `${fixed(median(figures.idle_pct), 3)} % of a core`, '≤ 0.5 %');
row('  timer and animation frame callbacks run meanwhile',
    `${median(figures.idle_timers)} and ${median(figures.idle_frames)}`, 'none');
row('program `schlingo.js.gz` + `schlingo.wasm.gz`, as shipped', `${fixed(programBytes / 1024)} KB`,
    '≤ 200 KB');
row('  the page around it (`index.html`, `schlingo.css` gzip -9, `schlingo-page.js.gz`)',
    `${fixed(pageBytes / 1024)} KB`, '');
