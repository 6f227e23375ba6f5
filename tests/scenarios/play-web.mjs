// Plays the scenario table (scenarios.txt beside this file) with the browser
// edition in headless Chromium: one fresh page (its own storage) per
// scenario, the keyboard, mouse and touch screen of puppeteer, the screen read
// off the canvas by read_screen, the files from the page's storage.
//
//   node tests/scenarios/play-web.mjs [--only NAME] SITE READ_SCREEN
//     (SITE: dist/web; READ_SCREEN: a Linux build's tests/scenarios/read_screen,
//     whose scenario_steps beside it reads the table)
//
// Prints one line a scenario and ends with "N passed, N failed, N not played";
// exits non-zero when one failed. A page that stops answering (the program
// spinning without yielding) fails its scenario, and the browser is started
// afresh for the next one.
import {spawnSync} from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import {fileURLToPath} from 'node:url';
import {launch, patience, recordBoxes, serve, startForm} from '../web/browser.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const data = path.resolve(here, '../../data');
const args = process.argv.slice(2);
let only = null;
if (args[0] === '--only') {
  only = args[1];
  args.splice(0, 2);
}
if (args.length !== 2) {
  console.error('usage: node tests/scenarios/play-web.mjs [--only NAME] SITE READ_SCREEN');
  process.exit(2);
}
const site = path.resolve(args[0]);
const reader = path.resolve(args[1]);

// --- the table, as scenario_steps (beside READ_SCREEN) normalises it for the page ---
function readTable() {
  const tool = path.join(path.dirname(reader), 'scenario_steps');
  const out = spawnSync(tool, ['web'], {input: fs.readFileSync(path.join(here, 'scenarios.txt'))});
  if (out.status !== 0) throw new Error(`${tool}: ${out.stderr || out.error}`);
  const scenarios = [];
  for (const record of out.stdout.toString('utf8').split('\n')) {
    const f = record.split('\t');
    const scenario = scenarios.at(-1);
    if (f[0] === 'scenario') {
      scenarios.push({name: f[1], notOn: '', files: {}, windowFails: false, wordLength: 0, steps: []});
    } else if (f[0] === 'not-on') scenario.notOn = f[1];
    else if (f[0] === 'file') scenario.files[f[1]] = Buffer.from(f[2] === '-' ? '' : f[2], 'hex');
    else if (f[0] === 'window-fails') scenario.windowFails = true;
    else if (f[0] === 'word-length') scenario.wordLength = Number(f[1]);
    else if (f[0] === 'step') scenario.steps.push({line: f[1], text: f[2], verb: f[3], args: f.slice(4)});
  }
  return scenarios;
}
// A pattern of the table, as scenario_steps writes it ("." takes newlines too).
const matches = (regex, text) => new RegExp(regex, 's').test(text);

class Failure extends Error {}
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
// The page may stop answering for good: every call into it has a limit.
async function limited(promise, what, ms = 10000) {
  let timer;
  const late = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Failure(`the page did not answer within ${ms / 1000} s (${what})`)), ms);
  });
  try {
    return await Promise.race([promise, late]);
  } finally {
    clearTimeout(timer);
  }
}

async function play(browser, url, scenario) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  const errors = [], problems = [];
  page.on('console', (message) => {
    errors.push(message.text());
    if (message.type() === 'error') problems.push(`console: ${message.text()}`);
  });
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  // Every box the page opened, with its text, as it opened them.
  await page.evaluateOnNewDocument(recordBoxes, 'scenarioBoxes');
  const {steps, files, wordLength} = scenario;
  if (scenario.windowFails) {
    // The canvas has no 2D context to give: the game window cannot be made.
    await page.evaluateOnNewDocument(() => {
      HTMLCanvasElement.prototype.getContext = () => null;
    });
  }
  await limited(page.goto(url), 'loading');
  await startForm(page);
  await limited(page.evaluate(async (files) => {
    for (const [name, bytes] of Object.entries(files)) Module.schlingoFiles.write(name, new Uint8Array(bytes));
    await Module.schlingoFiles.saved();
  }, Object.fromEntries(Object.entries(files).map(([name, bytes]) => [name, Array.from(bytes)]))), 'files');

  const evaluate = (fn, ...values) => limited(page.evaluate(fn, ...values), 'a look at the page');
  const shown = (selector) => evaluate((s) => {
    const e = document.querySelector(s);
    return !!e && !e.hidden && e.offsetParent !== null;
  }, selector);
  // until(what, test): waits until test() is true, at most one patience.
  async function until(what, test) {
    const end = Date.now() + patience;
    for (;;) {
      if (await test()) return;
      if (Date.now() > end) throw new Failure(`not seen: ${what}; seen: ${await seen()}`);
      await sleep(50);
    }
  }
  // The canvas's pixels read as the desktops' pictures are.
  async function reading() {
    const picture = await evaluate(() => {
      const canvas = document.getElementById('screen');
      const rgba = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
      let text = `P6\n${canvas.width} ${canvas.height}\n255\n`;
      for (let i = 0; i < rgba.length; i += 4) text += String.fromCharCode(rgba[i], rgba[i + 1], rgba[i + 2]);
      return btoa(text);
    });
    const out = spawnSync(reader, [data, String(wordLength), '-'], {input: Buffer.from(picture, 'base64')});
    return out.stdout.toString().trim();
  }
  const reads = async (value) => ` ${await reading()} `.includes(` ${value} `);
  const title = () => evaluate(() => document.getElementById('game-title').textContent);
  async function seen() {
    const ended = await evaluate(() => document.documentElement.dataset.schlingoEnded);
    if (ended !== undefined) return `the program ended with exit code ${ended}`;
    if (!(await shown('#game'))) return 'no game window';
    return `${await reading()} title="${await title()}"`;
  }
  const boxOpen = () => evaluate(() => document.getElementById('message-box').open);
  let boxes = 0;
  // Game pixels (x, y) of the canvas as page coordinates.
  async function onCanvas(x, y) {
    const box = await evaluate(() => {
      const c = document.getElementById('screen');
      const r = c.getBoundingClientRect();
      return {left: r.left, top: r.top, scale: r.width / c.width, width: c.width, height: c.height};
    });
    if (x === undefined) [x, y] = [box.width / 2, box.height / 2];
    return [box.left + (x + 0.5) * box.scale, box.top + (y + 0.5) * box.scale];
  }
  const fileBytes = (name) => evaluate((name) => {
    try {
      const bytes = Module.schlingoFiles.read(name);
      return bytes ? Array.from(bytes) : null;
    } catch (error) {
      return null; // no such file
    }
  }, name);

  async function step({verb, args}) {
    switch (verb) {
    case 'form':
      await until('the start form', () => shown('#start-form'));
      if (args[0] === 'key') await limited(page.keyboard.press(args[1]), args[1]);
      else if (args[0] === 'close') await limited(page.click('#start-close'), 'its close box');
      else await limited(page.click(`#start-control-${args[1]}`), `control ${args[1]}`);
      if (args.at(-1) === 'ends') {
        await until('the start form gone', async () => !(await shown('#start-form')));
      }
      return;
    case 'box': {
      const n = boxes++;
      await until('a box', () => evaluate((n) => window.scenarioBoxes.opened.length > n, n));
      const text = (await evaluate((n) => window.scenarioBoxes.opened[n], n)).replace(/\r/g, '');
      if (!matches(args[2], text)) throw new Failure(`the box says "${text}"`);
      await limited(page.keyboard.press(args[1]), 'the answer');
      await until('the box answered', () => evaluate((n) => window.scenarioBoxes.closed > n, n));
      return;
    }
    case 'stray':
    case 'stray-close':
      // Behind the start form the game window stays open: a click on it
      // (beside the form) gives it the keys. A box lets nothing past it.
      await until('the start form or a box', async () => await boxOpen() || await shown('#start-form'));
      if (!(await boxOpen()) && await shown('#game')) {
        if (verb === 'stray-close') {
          await limited(page.click('#quit-button'), 'the game bar\'s Beenden');
          return;
        }
        const [x, y] = await onCanvas(20, 20);
        await limited(page.mouse.click(x, y), 'a click on the game window');
      } else if (verb === 'stray-close') {
        throw new Failure('no game window behind the start form');
      }
      for (const key of args) {
        await limited(page.keyboard.press(key), key);
        await sleep(60);
      }
      return;
    case 'tap':
      await limited(page.keyboard.down(args[0]).then(() => page.keyboard.up(args[0])), args[0]);
      return;
    case 'press':
      for (const key of args) {
        await limited(page.keyboard.press(key, {delay: 30}), key);
        await sleep(60);
      }
      return;
    case 'down':
      await limited(page.keyboard.down(args[0]), args[0]);
      return;
    case 'up':
      await limited(page.keyboard.up(args[0]), args[0]);
      return;
    case 'mouse-down': {
      const [x, y] = await onCanvas(Number(args[0]), Number(args[1]));
      await limited(page.mouse.move(x, y).then(() => page.mouse.down()), 'the mouse');
      return;
    }
    case 'mouse-up':
      await limited(page.mouse.up(), 'the mouse');
      return;
    case 'touch': {
      const [x, y] = await onCanvas(...args.map(Number));
      await limited(page.touchscreen.tap(x, y), 'a tap');
      return;
    }
    case 'close':
      await limited(page.click('#quit-button'), 'the game bar\'s Beenden');
      return;
    case 'wait':
      await sleep(Number(args[0]));
      await evaluate(() => true); // the page still answers
      return;
    case 'expect': {
      const [what, value] = args;
      if (what === 'title') await until(what, async () => await title() === value);
      else if (['tries', 'word', 'used'].includes(what)) await until(what, () => reads(`${what}=${value}`));
      else if (what === 'list') await until(what, () => reads('screen=list'));
      else await until(what, () => shown('#start-form'));
      return;
    }
    case 'exit':
      await until(`the program ended with ${args[0]}`, () => evaluate(
          (code) => document.documentElement.dataset.schlingoEnded === code, args[0]));
      return;
    case 'stderr':
      if (!errors.some((line) => matches(args[0], line))) throw new Failure(`the console said: ${errors.join(' | ')}`);
      return;
    case 'written': {
      const table = await fileBytes('Highscore.dat'), statistics = await fileBytes('Statistik.txt');
      if (args[0] === 'nothing' && (table || statistics)) throw new Failure('a file was written');
      if (args[0] === 'highscores' && (!table || Buffer.from(table).toString('hex') !== args[1])) {
        throw new Failure(`Highscore.dat holds ${JSON.stringify(Buffer.from(table || []).toString('latin1'))}`);
      }
      if (args[0] === 'statistics') {
        const lines = Buffer.from(statistics || []).toString('latin1').split('\r\n').length - 1;
        if (lines !== Number(args[1])) throw new Failure(`Statistik.txt has ${lines} lines`);
      }
      return;
    }
    default:
      throw new Failure('no such step');
    }
  }

  try {
    for (const next of steps) {
      try {
        await step(next);
      } catch (error) {
        throw new Failure(`line ${next.line} "${next.text}": ${error.message}`);
      }
    }
    if (problems.length > 0) throw new Failure(problems.join('; '));
  } finally {
    await limited(context.close(), 'closing the page').catch(() => {});
  }
}

const scenarios = readTable();
const server = await serve(site);
let browser = await launch();
let passed = 0, failed = 0, skipped = 0;
async function closeBrowser() {
  const process = browser.process();
  await limited(browser.close(), 'closing the browser', 10000).catch(() => process?.kill('SIGKILL'));
}
try {
  for (const scenario of scenarios) {
    if (only && scenario.name !== only) continue;
    if (scenario.notOn) {
      console.log(`not played: ${scenario.name} (web: ${scenario.notOn})`);
      ++skipped;
      continue;
    }
    const t0 = Date.now();
    try {
      await play(browser, server.url, scenario);
      console.log(`passed: ${scenario.name} (${Math.round((Date.now() - t0) / 1000)} s)`);
      ++passed;
    } catch (error) {
      console.log(`FAILED: ${scenario.name}: ${error.message}`);
      ++failed;
      // A page that spins for good may hold its browser: the next scenario
      // gets a fresh one.
      await closeBrowser();
      browser = await launch();
    }
  }
} finally {
  await closeBrowser();
  await server.close();
}
console.log(`web: ${passed} passed, ${failed} failed, ${skipped} not played`);
process.exit(failed === 0 ? 0 : 1);
