// The browser edition's saving where storage and clocks let it down, in
// Chromium, played in the page:
// - storage full: an 8 MB upload is refused in the files panel, the old list
//   plays on, and a game's table and statistics are kept all the same, the
//   clock jumping two days ahead during the game;
// - storage filling during a game: the statistics no longer fit, the table
//   does, and is there after a reload; saved() says not everything is kept;
// - a clock a day ahead, then right, then a day behind, over four visits and
//   jumping within one: every visit plays and keeps what it writes;
// - two tabs with clocks two days apart, on a host with Web Locks and on one
//   without: the tab taken over writes nothing, takes the game back and then
//   saves again, and the other writes nothing more.
// Full storage is a put over a limit that aborts its transaction with a
// QuotaExceededError (Chromium ignores quota overrides); the clock is
// Date shifted before the page's scripts run.
//
//   node tests/web/storage-faults.mjs [--firefox] [SITE]
//
// --firefox plays it in Firefox ESR instead. SITE defaults to dist/web. Ends
// with "N passed, N failed".
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {createRequire} from 'node:module';
import {checks, launch as launchChromium, recordBoxes, serve} from './browser.mjs';

const args = process.argv.slice(2);
const firefox = args[0] === '--firefox' ? args.shift() : null;
const site = path.resolve(args[0] || 'dist/web');
async function launch() {
  if (!firefox) return launchChromium();
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'schlingo-firefox-'));
  const browser = await createRequire(import.meta.url)('puppeteer-core').launch({
    browser: 'firefox', executablePath: process.env.SCHLINGO_FIREFOX || '/usr/bin/firefox-esr',
    userDataDir: profile, headless: true, defaultViewport: {width: 1280, height: 800}
  });
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close();
    fs.rmSync(profile, {recursive: true, force: true});
  };
  return browser;
}
const check = checks();
const day = 24 * 60 * 60 * 1000;
const latin1 = (text) => Buffer.from(text, 'latin1');
const same = (seen, expected) => seen !== null && expected !== null &&
    Buffer.from(seen).equals(Buffer.from(expected));

// Before the page's own scripts: the clock as far off as window.schlingoClock
// says (it may change at any time), full storage from window.schlingoQuota
// bytes a file on.
function beforePage(shift) {
  window.schlingoClock = shift;
  const RealDate = Date, realNow = Date.now;
  const now = () => realNow() + window.schlingoClock;
  function ShiftedDate(...args) {
    if (!new.target) return new RealDate(now()).toString();
    return args.length === 0 ? new RealDate(now()) : new RealDate(...args);
  }
  ShiftedDate.prototype = RealDate.prototype;
  ShiftedDate.now = now;
  ShiftedDate.parse = RealDate.parse;
  ShiftedDate.UTC = RealDate.UTC;
  window.Date = ShiftedDate;
  const put = IDBObjectStore.prototype.put;
  IDBObjectStore.prototype.put = function (value) {
    const request = put.apply(this, arguments);
    const size = value && value.contents ? value.contents.byteLength : 0;
    if (window.schlingoQuota !== undefined && size > window.schlingoQuota) {
      const transaction = this.transaction;
      Object.defineProperty(transaction, 'error',
                            {value: new DOMException('Speicher voll', 'QuotaExceededError')});
      transaction.abort();
    }
    return request;
  };
}

// Long enough for a machine busy with other work.
const waitFor = (page, fn, ...args) => page.waitForFunction(fn, {timeout: 30000, polling: 25}, ...args)
  .catch((error) => {
    throw new Error(`${error.message}, waiting for ${fn.toString().slice(0, 160)}`);
  });
const shown = (page, id) => page.evaluate((id) => !document.getElementById(id).hidden, id);
const file = (page, name) => page.evaluate((name) => {
  try {
    return Array.from(Module.schlingoFiles.read(name));
  } catch (e) {
    return null;
  }
}, name);
const write = (page, name, bytes) => page.evaluate((name, bytes) => {
  Module.schlingoFiles.write(name, new Uint8Array(bytes));
  return Module.schlingoFiles.saved();
}, name, Array.from(bytes));
// The same in a tab taken over, as if its page had not heard of it: the
// files store itself must refuse.
const writeAnyway = (page, name, bytes) => page.evaluate(() => {
  Module.schlingoStopped = false;
}).then(() => write(page, name, bytes));
// What IndexedDB holds of a file, read past the program.
const kept = (page, name) => page.evaluate((name) => new Promise((resolve, reject) => {
  const open = indexedDB.open('/Schlingo');
  open.onerror = () => reject(open.error);
  open.onsuccess = () => {
    const get = open.result.transaction('FILE_DATA').objectStore('FILE_DATA').get('/Schlingo/' + name);
    get.onsuccess = () => {
      open.result.close();
      resolve(get.result ? Array.from(get.result.contents) : null);
    };
  };
}), name);

// Opens the site in a new tab with its clock `shift` off; resolves once the
// tab shows its start form or says that another tab plays.
async function visit(browser, url, shift = 0) {
  const page = await browser.newPage();
  await page.evaluateOnNewDocument(beforePage, shift);
  await page.evaluateOnNewDocument(recordBoxes, 'schlingoBoxes');
  await page.goto(url);
  await settled(page);
  return page;
}
// The start form with the files read, or a tab that does not play.
const settled = (page) => waitFor(page, () =>
  (!document.getElementById('start-form').hidden && window.Module && Module.schlingoFiles) ||
  !document.getElementById('busy').hidden || !document.getElementById('stolen').hidden);
async function reload(page) {
  await page.reload();
  await settled(page);
}

// A file chosen in the files panel for `target`, `size` bytes of a list made
// in the page (or `bytes`); resolves with the panel's status line.
async function upload(page, target, {bytes = null, size = 0}) {
  await page.click('#files-button');
  await waitFor(page, () => document.getElementById('files-panel').open);
  await page.evaluate((target, bytes, size) => {
    let contents = bytes && new Uint8Array(bytes);
    if (!contents) {
      contents = new Uint8Array(size).fill(0x61);
      for (let i = 9; i < size; i += 10) contents[i] = 0x0a;
    }
    document.getElementById('files-status').textContent = '';
    document.getElementById('files-upload-target').value = target;
    const input = document.getElementById('files-upload');
    const chosen = new DataTransfer();
    chosen.items.add(new File([contents], target, {type: 'text/plain'}));
    input.files = chosen.files;
    input.dispatchEvent(new Event('change', {bubbles: true}));
  }, target, bytes && Array.from(bytes), size);
  await waitFor(page, () => document.getElementById('files-status').textContent !== '');
  const status = await page.evaluate(() => document.getElementById('files-status').textContent);
  await page.click('#files-close');
  return status;
}

// One game on the list "zug": the word won (Z, U, G), the next one lost by
// misses, the table passed; `during` runs once the first word is on screen.
async function playGame(page, during = async () => {}) {
    await page.click('#start-control-12'); // "Schlingo spielen"
  let answered = 0;
  const answerBoxes = async (until) => {
    for (;;) {
      const state = await page.evaluate(() => ({
        opened: schlingoBoxes.opened.length, form: !document.getElementById('start-form').hidden,
        game: !document.getElementById('game').hidden && document.getElementById('screen').width === 940,
        list: document.getElementById('screen').width === 400, box: document.getElementById('message-box').open
      }));
      if (until(state)) return state;
      if (state.opened > answered && state.box) {
        ++answered;
        await page.keyboard.press('Enter');
        await waitFor(page, (n) => schlingoBoxes.closed >= n, answered);
      } else if (state.list && !state.box) {
        await page.keyboard.press(' ');
      }
      await new Promise((resolve) => setTimeout(resolve, 30));
    }
  };
  const guess = async (code) => {
    // A box not yet answered ends the word (it may have opened just now).
    const before = [answered, await page.evaluate(() =>
      document.getElementById('game-said').textContent)];
    if (await page.evaluate((n) => schlingoBoxes.opened.length > n, answered)) return;
    // A press the game missed on a busy machine is pressed again: a letter
    // it took already does nothing a second time.
    for (let tries = 0; ; ++tries) {
      await page.keyboard.press(code);
      const took = await page.waitForFunction((before) => schlingoBoxes.opened.length > before[0] ||
        document.getElementById('game-said').textContent !== before[1],
                                              {timeout: 5000, polling: 25}, before).catch(() => null);
      if (took) return;
      if (tries === 5) throw new Error(`the game does not take ${code}`);
    }
  };
  await answerBoxes((s) => s.game && !s.box && s.opened === answered && s.opened >= 3);
  await during();
  for (const code of ['KeyY', 'KeyU', 'KeyG']) await guess(code);
  await answerBoxes((s) => s.game && !s.box && s.opened === answered && s.opened >= 4);
  for (const code of ['KeyA', 'KeyB', 'KeyC', 'KeyD', 'KeyE', 'KeyF', 'KeyH', 'KeyI', 'KeyJ',
                      'KeyK', 'KeyL', 'KeyM', 'KeyN', 'KeyO', 'KeyP']) {
    if (await page.evaluate((n) => schlingoBoxes.opened.length > n, answered)) break;
    await guess(code);
  }
  await answerBoxes((s) => s.form && !s.box);
}

const zug = latin1('W\xf6rter\r\nzug\r\n');
const server = await serve(site);
const plainServer = await serve(site, {plain: true});
let browser = await launch();
console.log(`${await browser.version()}, ${server.url}`);
try {
  // --- storage full: an oversized upload, then a game ---
  {
    const page = await visit(browser, server.url);
    const statusColour = () => page.evaluate(() =>
      getComputedStyle(document.getElementById('files-status')).color);
    check((await upload(page, 'allgemeine Wörter.txt', {bytes: zug})).includes('ersetzt.'),
          'a small list is kept while storage has room');
    const keptColour = await statusColour();
    const cities = await file(page, 'Städte.txt');
    const table = await file(page, 'Highscore.dat');
    await page.evaluate(() => { window.schlingoQuota = 1000000; });
    // Larger than the page's memory may hold: refused before it is read.
    const large = await upload(page, 'Städte.txt', {size: 64 * 1024 * 1024 + 1});
    check(large.includes('„Städte.txt“ wurde nicht ersetzt: Mit mehr als 64 MB') &&
          large.includes('bisherige Liste'), 'a list over 64 MB is refused, and why', large);
    const status = await upload(page, 'Städte.txt', {size: 8 * 1000 * 1000});
    check(status.includes('„Städte.txt“ wurde nicht ersetzt') &&
          status.includes('Speicher dieses Browsers ist voll') &&
          status.includes('bisherige Liste'),
          'the panel says the oversized list was not kept, and why', status);
    check(await statusColour() !== keptColour, 'not in the colour of a list kept', keptColour);
    check(same(await file(page, 'Städte.txt'), cities), 'the old list stays in play');
    // The clock jumps two days ahead during this game.
    await playGame(page, () => page.evaluate((ahead) => { window.schlingoClock = ahead; }, 2 * day));
    const tableAfter = await file(page, 'Highscore.dat'), statistics = await file(page, 'Statistik.txt');
    check(!same(tableAfter, table) && statistics !== null, 'the game wrote its table and statistics');
    check(await page.evaluate(() => Module.schlingoFiles.saved()) === true,
          'saved() answers true: everything in play fits');
    check(await shown(page, 'save-failed') === false, 'no notice that saving fails');
    await page.evaluate(() => { window.schlingoQuota = undefined; });
    await reload(page);
    check(same(await file(page, 'Highscore.dat'), tableAfter) &&
          same(await file(page, 'Statistik.txt'), statistics),
          'with storage full, the table and the statistics are there after a reload');
    check(same(await file(page, 'Städte.txt'), cities), 'after a reload the old list is still there');

    // --- storage filling during a game: the statistics outgrow it ---
    const big = latin1('x'.repeat(78) + '\r\n').toString('latin1').repeat(20000);
    check(await write(page, 'Statistik.txt', latin1(big)) === true, 'a large statistics file is kept');
    const tableBefore = await file(page, 'Highscore.dat');
    await playGame(page, () => page.evaluate(() => { window.schlingoQuota = 1000000; }));
    const tableNow = await file(page, 'Highscore.dat');
    check(!same(tableNow, tableBefore), 'the second game changed the table');
    check(await page.evaluate(() => Module.schlingoFiles.saved()) === false,
          'saved() answers false: the statistics are not kept');
    check(same(await kept(page, 'Highscore.dat'), tableNow),
          'the table is kept at once, though the statistics do not fit');
    check(await shown(page, 'save-failed'), 'the page says that saving fails');
    await page.evaluate(() => { window.schlingoQuota = undefined; });
    await reload(page);
    check(same(await file(page, 'Highscore.dat'), tableNow), 'the table is there after a reload');
    await page.close();
  }
  await browser.close();

  // --- the clock a day ahead, right, jumping, a day behind, right ---
  browser = await launch();
  {
    const tables = [1, 2, 3, 4].map((n) => latin1(` ${n}\r\n`.repeat(10)));
    let page = await visit(browser, server.url, day);
    check(await write(page, 'Highscore.dat', tables[0]) === true, 'a day ahead, a table is saved');
    await page.close();
    page = await visit(browser, server.url, 0);
    check(await shown(page, 'start-form') && !(await shown(page, 'stolen')) && !(await shown(page, 'busy')),
          'the next visit with the right clock plays');
    check(same(await file(page, 'Highscore.dat'), tables[0]), 'the table of the visit ahead is read');
    const savedRight = await write(page, 'Highscore.dat', tables[1]);
    await page.evaluate((back) => { window.schlingoClock = back; }, -day);
    const savedJumped = await write(page, 'Highscore.dat', tables[2]);
    check(savedRight === true && savedJumped === true && !(await shown(page, 'stolen')),
          'with the right clock, and after it jumped a day back, saved() answers true',
          [savedRight, savedJumped]);
    check(same(await kept(page, 'Highscore.dat'), tables[2]), 'and the table is kept');
    await page.close();
    page = await visit(browser, server.url, -day);
    check(await shown(page, 'start-form') && same(await file(page, 'Highscore.dat'), tables[2]),
          'a day behind, the game plays with the table last saved');
    check(await write(page, 'Highscore.dat', tables[3]) === true &&
          same(await kept(page, 'Highscore.dat'), tables[3]), 'a day behind, a table is kept');
    await page.close();
    page = await visit(browser, server.url, 0);
    check(same(await file(page, 'Highscore.dat'), tables[3]), 'back to the right clock, it is read');
    await page.close();
  }

  // --- two tabs, two days apart, with Web Locks and without ---
  for (const [host, url] of [['with Web Locks', server.url], ['without Web Locks', plainServer.url]]) {
    const first = await visit(browser, url, -day);
    check(await first.evaluate(() => !!navigator.locks) === (host === 'with Web Locks'),
          `the host is one ${host}`);
    const second = await visit(browser, url, day);
    check(await shown(second, 'busy'), `${host}: a second tab waits`);
    await second.bringToFront(); // a tab in the background may not be clicked
    await second.click('#take-over');
    await waitFor(second, () => !document.getElementById('start-form').hidden);
    await waitFor(first, () => !document.getElementById('stolen').hidden);
    const a = latin1(' 7\r\n'.repeat(10)), b = latin1(' 8\r\n'.repeat(10));
    const c = latin1(' 9\r\n'.repeat(10)), d = latin1(' 6\r\n'.repeat(10));
    check(await write(second, 'Highscore.dat', a) === true, `${host}: the tab that took over saves`);
    check(await writeAnyway(first, 'Highscore.dat', b) === false &&
          same(await kept(second, 'Highscore.dat'), a),
          `${host}: the tab taken over writes nothing, and saved() says so`);
    // "Wieder hier spielen" reloads the first tab, a day behind.
    await first.bringToFront();
    await first.click('#take-back');
    await waitFor(first, () => !document.getElementById('start-form').hidden &&
                  window.Module && Module.schlingoFiles);
    await waitFor(second, () => !document.getElementById('stolen').hidden);
    check(same(await file(first, 'Highscore.dat'), a), `${host}: the tab taking back reads the last table`);
    check(await write(first, 'Highscore.dat', c) === true && same(await kept(first, 'Highscore.dat'), c),
          `${host}: the tab that took the game back saves again`);
    check(await writeAnyway(second, 'Highscore.dat', d) === false &&
          same(await kept(first, 'Highscore.dat'), c),
          `${host}: the tab taken over in turn writes nothing`);
    await second.close();
    await first.close();
  }
} catch (error) {
  check(false, `the test went on: ${error.stack}`);
} finally {
  await browser.close();
  await server.close();
  await plainServer.close();
}
check.end();
