#!/usr/bin/env node
// The browser edition's figures in each engine (Chromium, Firefox ESR,
// WebKitGTK), the site served from 127.0.0.1: page load to the start form
// (a fresh browser and profile each run, then a reload), and key press to
// the first frame that shows the changed canvas, over a word of the letters
// a to p typed in order: a to o, and p, the key that ends the word, whose
// box must come only after that frame. Times are the page's own clock
// (Firefox and WebKit count whole milliseconds). WebKit needs an X display.
//
//   node bench/web-engines.mjs [--runs N] [--engines chromium,firefox,webkit] [SITE]
//
// Prints "ENGINE NAME VALUE" lines, then a table of medians and worsts.
import path from 'node:path';
import {field, serve} from '../tests/web/browser.mjs';
import {engines as allEngines, open} from '../tests/web/engines.mjs';

const args = process.argv.slice(2);
let runs = 5, engines = allEngines;
while (args[0] && args[0].startsWith('--')) {
  const option = args.shift();
  if (option === '--runs') runs = +args.shift();
  else if (option === '--engines') engines = args.shift().split(',');
  else {
    console.error('usage: node bench/web-engines.mjs [--runs N] [--engines LIST] [SITE]');
    process.exit(2);
  }
}
const site = path.resolve(args[0] || 'dist/web');
const letters = 'abcdefghijklmnop';
const list = Array.from(Buffer.from(`Allgemeine W\xf6rter\r\n${letters}\r\n`, 'latin1'));

// In the page after each load: the time of every key-down, and a watch on a
// rectangle of the canvas: the paint that first changes it, the animation
// frame after that paint, and when the next box opens.
function instrument() {
  const bench = window.schlingoBench = {keyDown: 0, watch: null, boxes: 0};
  addEventListener('keydown', (event) => { bench.keyDown = event.timeStamp; }, true);
  const read = (context, [x1, y1, x2, y2]) =>
    Array.from(new Uint32Array(context.getImageData(x1, y1, x2 - x1 + 1, y2 - y1 + 1).data.buffer));
  const put = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function () {
    const result = put.apply(this, arguments);
    const watch = bench.watch;
    if (watch && watch.painted === null && read(this, watch.rect).some((p, i) => p !== watch.before[i])) {
      watch.painted = performance.now();
      requestAnimationFrame(() => {
        watch.frame = performance.now();
        watch.boxBeforeFrame = watch.box !== null;
      });
    }
    return result;
  };
  const showModal = HTMLDialogElement.prototype.showModal;
  HTMLDialogElement.prototype.showModal = function () {
    ++bench.boxes;
    if (bench.watch && bench.watch.box === null) bench.watch.box = performance.now();
    return showModal.apply(this, arguments);
  };
  bench.watchRect = (rect) => {
    const context = document.getElementById('screen').getContext('2d');
    bench.watch = {rect, before: read(context, rect), painted: null, frame: null, box: null,
                   boxBeforeFrame: null};
  };
}

const server = await serve(site);
const results = {};
const startFormAt = () => performance.getEntriesByName('schlingo-start-form')[0]?.startTime;
try {
  for (const engine of engines) {
    const figures = results[engine] = {load_first_ms: [], load_again_ms: [], key_ms: [],
                                        last_key_ms: [], last_key_box_ms: [], box_first: 0};
    for (let run = 0; run < runs; ++run) {
      const browser = await open(engine);
      figures.version = browser.version;
      try {
        const page = await browser.newPage();
        page.afterLoad(instrument);
        await page.goto(server.url);
        figures.load_first_ms.push(await page.waitFor(startFormAt, {timeout: 30000}));
        await page.reload();
        figures.load_again_ms.push(await page.waitFor(startFormAt, {timeout: 30000}));

        await page.evaluate((bytes) => {
          Module.schlingoFiles.write('allgemeine Wörter.txt', new Uint8Array(bytes));
          return Module.schlingoFiles.saved();
        }, list);
        await page.press('Enter');
        for (let box = 1; box <= 3; ++box) {
          await page.waitFor((box) => schlingoBench.boxes >= box, box);
          await page.press('Enter');
        }
        await page.waitFor(() => !document.getElementById('game').hidden &&
                                 !document.getElementById('message-box').open);
        await new Promise((resolve) => setTimeout(resolve, 500));
        for (const letter of letters) {
          const last = letter === letters[letters.length - 1];
          await page.evaluate((rect) => schlingoBench.watchRect(rect), field[letter]);
          const key = 'Key' + letter.toUpperCase();
          await page.down(key);
          const watch = await page.waitFor(() =>
            (schlingoBench.watch.frame !== null ? schlingoBench.watch : null), {timeout: 5000});
          const keyDown = await page.evaluate(() => schlingoBench.keyDown);
          await page.up(key);
          if (last) {
            figures.last_key_ms.push(watch.frame - keyDown);
            await page.waitFor(() => schlingoBench.watch.box !== null, {timeout: 5000});
            const box = await page.evaluate(() => schlingoBench.watch.box);
            figures.last_key_box_ms.push(box - keyDown);
            if (watch.boxBeforeFrame) ++figures.box_first;
          } else {
            figures.key_ms.push(watch.frame - keyDown);
          }
        }
      } finally {
        await browser.close();
      }
    }
  }
} finally {
  await server.close();
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor((values.length - 1) / 2)];
const worst = (values) => Math.max(...values);
const ms = (value) => `${value.toFixed(1)} ms`;
for (const [engine, figures] of Object.entries(results)) {
  for (const [name, values] of Object.entries(figures)) {
    if (Array.isArray(values)) for (const value of values) console.log(`${engine} ${name} ${value.toFixed(2)}`);
  }
}
console.log('');
console.log(`${runs} runs each; median, worst:`);
console.log('');
console.log('| engine | load, first visit | load, reload | key to canvas frame | ' +
            'last key to canvas frame | last key to its box |');
console.log('|---|---|---|---|---|---|');
for (const [engine, f] of Object.entries(results)) {
  const pair = (values) => `${ms(median(values))}, ${ms(worst(values))}`;
  console.log(`| ${f.version} | ${pair(f.load_first_ms)} | ${pair(f.load_again_ms)} | ` +
              `${pair(f.key_ms)} (${f.key_ms.length} keys) | ${pair(f.last_key_ms)} | ` +
              `${pair(f.last_key_box_ms)}` + (f.box_first ? ` (box first ${f.box_first}×)` : '') + ' |');
}
