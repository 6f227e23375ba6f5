// The browser edition played through one whole game, in any of the engines
// of engines.mjs: a word list of one word uploaded through the files panel,
// Städte chosen on the start form, the three boxes, a word won (by keys,
// KeyY giving "z", its last letter tapped, and shown before its box opens),
// a word lost while IndexedDB refuses every save (the page says so once and
// plays on), the list screen's markers, the program ended (no waiting on
// the saves), the files brought up to date once saving works again and
// still there after a reload, and a second tab that waits, then takes over.
// On the way the live region tells a hit, a miss, each word's end and the
// list; by keyboard the board's buttons take letters by Tab, Enter, an arrow
// and Space; and in Chromium axe-core finds nothing on the start form, the
// files panel, a box and the game.
// In Chromium, lists saved as UTF-8, UTF-8 with BOM and UTF-16 LE with BOM
// are uploaded too: the panel's check names their encoding, and at the end
// each plays its word.
//
//   node tests/web/play-whole-game.mjs [--engine chromium|firefox|webkit]
//       [--plain] [--touch portrait|landscape] [--screenshots DIR]
//       [--host PROFILE] [SITE]
//
// --plain serves the site where the browser sees no secure context (as on a
// LAN address: no Web Locks); --touch plays on a phone in Chromium, every
// input a tap; --host serves the site as a host profile of hosts.mjs does,
// and after the game visits it again, reloads and visits with the host gone.
// WebKit needs an X display. SITE defaults to dist/web. Ends
// with "N passed, N failed", one check a line; exits non-zero on a failure.
import fs from 'node:fs';
import path from 'node:path';
import {createRequire} from 'node:module';
import {checks, field, patience, serve} from './browser.mjs';
import {open} from './engines.mjs';
import {host, revisits, settled} from './hosts.mjs';

const args = process.argv.slice(2);
let shots = null, engine = 'chromium', plain = false, touch = null, profile = null;
while (args[0] && args[0].startsWith('--')) {
  const option = args.shift();
  if (option === '--screenshots') {
    shots = path.resolve(args.shift());
    fs.mkdirSync(shots, {recursive: true});
  } else if (option === '--engine') engine = args.shift();
  else if (option === '--plain') plain = true;
  else if (option === '--touch') touch = args.shift();
  else if (option === '--host') profile = args.shift();
  else throw new Error(`unknown option ${option}`);
}
const site = path.resolve(args[0] || 'dist/web');
const viewport = touch === 'portrait' ? {width: 390, height: 844}
  : touch === 'landscape' ? {width: 844, height: 390} : {width: 1280, height: 800};

const check = checks();
const latin1 = (text) => Buffer.from(text, 'latin1');
const axeSource = fs.readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');

// The one word of the list: z by the German Z key, u typed, g tapped.
const word = 'zug';
const list = latin1('St\xe4dte\r\n' + word + '\r\n');
// A table the game's 8 points land in the middle of: above the 8 already
// there, so in entry 4 of 10, place 7.
const table = [2, 4, 6, 8, 10, 12, 14, 16, 18, 20];
const tableAfter = [4, 6, 8, 8, 10, 12, 14, 16, 18, 20];
const numbers = (values) => latin1(values.map((v) => ` ${v}\r\n`).join(''));

const problems = [];
const server = profile ? await host(profile, site) : await serve(site, {plain});
if (profile) plain = server.plain;
const browser = await open(engine, {viewport, touch: touch !== null});
console.log(`${browser.version}, ${server.url}` + (touch ? `, touch ${touch}` : ''));
try {
  const page = await browser.newPage();
  const shot = async (name, selector) => {
    if (shots) await page.screenshot(path.join(shots, name), selector);
  };

  // --- in the page ---
  // The game's pixels of a rectangle, both corners included, as 0xRRGGBB.
  const pixels = (x1, y1, x2, y2) => page.evaluate((x1, y1, x2, y2) => {
    const canvas = document.getElementById('screen');
    const data = canvas.getContext('2d').getImageData(x1, y1, x2 - x1 + 1, y2 - y1 + 1).data;
    const out = [];
    for (let i = 0; i < data.length; i += 4) out.push((data[i] << 16) | (data[i + 1] << 8) | data[i + 2]);
    return out;
  }, x1, y1, x2, y2);
  const black = async (letter) => (await pixels(...field[letter])).every((p) => p === 0);
  // The list screen's text cell (row, column), counted from 1.
  const cell = (row, column) => pixels((column - 1) * 8, (row - 1) * 8, column * 8 - 1, row * 8 - 1);
  const canvasSize = () => page.evaluate(() => {
    const c = document.getElementById('screen');
    return `${c.width}x${c.height}`;
  });
  const visible = (selector) => page.evaluate((selector) => {
    const e = document.querySelector(selector);
    return !e.hidden && e.offsetParent !== null;
  }, selector);
  const fileBytes = (name) => page.evaluate((name) => {
    const bytes = Module.schlingoFiles.read(name);
    return bytes ? Array.from(bytes) : null;
  }, name);
  const sameBytes = (seen, expected) => seen !== null && Buffer.from(seen).equals(expected);
  // The live region's lines.
  const said = () => page.evaluate(() =>
    Array.from(document.getElementById('game-said').children, (p) => p.textContent));
  const focused = () => page.evaluate(() =>
    document.activeElement.dataset.letter || document.activeElement.id);
  // axe-core's rules, best practices included, on the page as it is; the
  // page is the same in every engine, so one engine looks.
  async function accessible(state) {
    if (engine !== 'chromium' || touch) return;
    const found = await page.evaluate(async (source) => {
      if (typeof axe === 'undefined') (0, eval)(source);
      return (await axe.run(document)).violations.map(
        (v) => `${v.id} (${v.impact}): ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`);
    }, axeSource);
    check(found.length === 0, `axe-core finds nothing on ${state}`, found);
  }

  // After every load: each opening and closing of the message box as the
  // page did them (an answer and the next box can come within one task),
  // whether the canvas had been on screen since its last paint, the page's
  // errors, and a switch that makes IndexedDB abort every write.
  page.afterLoad(() => {
    const boxes = window.schlingoBoxes = {opened: [], closed: 0};
    let shown = true;
    const put = CanvasRenderingContext2D.prototype.putImageData;
    CanvasRenderingContext2D.prototype.putImageData = function () {
      shown = false;
      requestAnimationFrame(() => { shown = true; });
      return put.apply(this, arguments);
    };
    const box = document.getElementById('message-box');
    new MutationObserver((changes) => {
      for (const change of changes) {
        if (change.oldValue === null) {
          boxes.opened.push({
            title: document.getElementById('message-title').textContent,
            text: document.getElementById('message-text').textContent, afterFrame: shown,
            said: document.getElementById('game-said').textContent
          });
        } else ++boxes.closed;
      }
    }).observe(box, {attributes: true, attributeFilter: ['open'], attributeOldValue: true});
    window.schlingoProblems = [];
    addEventListener('error', (event) => schlingoProblems.push(`page error: ${event.message}`));
    addEventListener('unhandledrejection', (event) => schlingoProblems.push(`rejected: ${event.reason}`));
    const consoleError = console.error;
    console.error = (...what) => {
      schlingoProblems.push(`console: ${what.join(' ')}`);
      consoleError.apply(console, what);
    };
    const transaction = IDBDatabase.prototype.transaction;
    IDBDatabase.prototype.transaction = function (stores, mode) {
      const opened = transaction.apply(this, arguments);
      if (mode === 'readwrite' && window.schlingoRefuseSaves) {
        Promise.resolve().then(() => opened.abort());
      }
      return opened;
    };
  });
  const takeProblems = async () => problems.push(...await page.evaluate(() => schlingoProblems));
  // A tap in the middle of an element, scrolled to where needed, which must
  // then be on the screen and not covered (the tap is made anyway, to see
  // what else fails).
  const unreachable = new Set();
  const tapOn = async (selector) => {
    const [x, y, reachable] = await page.evaluate((selector) => {
      const e = document.querySelector(selector);
      e.scrollIntoView({block: 'nearest', inline: 'nearest'}); // as a player scrolls to it
      const r = e.getBoundingClientRect();
      const x = r.left + r.width / 2, y = r.top + r.height / 2;
      const inside = x >= 0 && y >= 0 && x < innerWidth && y < innerHeight;
      return [x, y, inside && e.contains(document.elementFromPoint(x, y))];
    }, selector);
    if (!reachable && !unreachable.has(selector)) {
      unreachable.add(selector);
      check(false, `${selector} can be tapped at ${viewport.width}x${viewport.height}`);
    }
    await page.tap(x, y);
  };
  // A game pixel's place in the page: the canvas may be shown scaled.
  const tapGame = async (x, y) => {
    const box = await page.evaluate(() => {
      const r = document.getElementById('screen').getBoundingClientRect();
      return {left: r.left, top: r.top, scale: r.width / 940};
    });
    await page.tap(box.left + x * box.scale, box.top + y * box.scale);
  };
  const startForm = (timeout = patience) =>
    page.waitFor(() => !document.getElementById('start-form').hidden, {timeout});

  let boxesSeen = 0;
  // Answers the next message box with Enter and returns its title and text.
  async function answerBox(name) {
    const n = boxesSeen++;
    await page.waitFor((n) => window.schlingoBoxes.opened.length > n, n, {timeout: patience});
    const seen = await page.evaluate((n) => ({...window.schlingoBoxes.opened[n],
      described: document.getElementById('message-said').textContent}), n);
    if (name) await shot(name);
    if (touch) await tapOn(seen.text === 'Wirklich beenden?' ? '#message-yes' : '#message-ok');
    else await page.press('Enter');
    await page.waitFor((n) => window.schlingoBoxes.closed > n, n, {timeout: patience});
    return seen;
  }
  async function reload() {
    await takeProblems();
    await page.reload();
    await startForm();
    boxesSeen = 0;
  }
  // Names a letter, by its key or a tap on its field, and waits until the
  // game has blacked out the field.
  async function press(code, letter) {
    const [x1, y1, x2, y2] = field[letter];
    if (touch) await tapGame((x1 + x2) / 2, (y1 + y2) / 2);
    else await page.press(code);
    if (letter) {
      const end = Date.now() + patience;
      while (!(await black(letter)) && Date.now() < end) await new Promise((r) => setTimeout(r, 20));
    }
  }

  // A mouse click or a tap, as this run plays.
  const press_ = (selector) => (touch ? tapOn(selector) : page.click(selector));

  // --- the start form, and the word list uploaded through the files panel ---
  await page.goto(server.url);
  await startForm();
  if (profile) console.log(`first visit: ${await settled(server)} bytes`);
  check(await page.evaluate(() => window.isSecureContext === false && !navigator.locks) === plain,
        plain ? 'the plain host is no secure context' : 'the host is a secure context');
  await shot('start-form.png');
  await press_('#files-button');
  await page.waitFor(() => document.getElementById('files-panel').open);
  await accessible('the files panel');
  // The file chosen as a file input gets it in every engine.
  await page.evaluate((bytes) => {
    document.getElementById('files-upload-target').value = 'Städte.txt';
    const input = document.getElementById('files-upload');
    const chosen = new DataTransfer();
    chosen.items.add(new File([new Uint8Array(bytes)], 'Städte.txt', {type: 'text/plain'}));
    input.files = chosen.files;
    input.dispatchEvent(new Event('change', {bubbles: true}));
  }, Array.from(list));
  await page.waitFor(() => document.getElementById('files-status').textContent.includes('ersetzt'),
                     {timeout: patience});
  // An Enter at once after the panel's button goes to the form's default button.
  const backAt = await page.evaluate(() => {
    document.getElementById('files-close').click();
    return document.activeElement.textContent;
  });
  check(backAt === 'Schlingo spielen',
        'the form has the keys back as soon as the files panel is closed', backAt);

  // Lists of "bär" (b and r win it, its ä stands from the start), one to
  // three times, so that the word count tells which list is played. The
  // bytes reach the program alike in every engine: one engine plays them.
  const encodings = engine === 'chromium' && !touch;
  const own = [
    {control: 1, name: 'allgemeine Wörter.txt', encoding: 'UTF-8', bytes: Buffer.from('W\nbär\n')},
    {control: 3, name: 'Länder.txt', encoding: 'UTF-8 mit BOM', bytes: Buffer.from('\ufeffL\r\n' +
     'bär\r\n'.repeat(2))},
    {control: 4, name: 'Berufe.txt', encoding: 'UTF-16 LE mit BOM',
     bytes: Buffer.from('\ufeffBerufe\r\n' + 'bär\r\n'.repeat(3), 'utf16le')},
  ];
  async function uploadList(name, bytes) {
    await press_('#files-button');
    await page.waitFor(() => document.getElementById('files-panel').open);
    await page.evaluate((name, bytes) => {
      document.getElementById('files-upload-target').value = name;
      const input = document.getElementById('files-upload');
      const chosen = new DataTransfer();
      chosen.items.add(new File([new Uint8Array(bytes)], name, {type: 'text/plain'}));
      input.files = chosen.files;
      input.dispatchEvent(new Event('change', {bubbles: true}));
    }, name, Array.from(bytes));
    await page.waitFor(() => !document.getElementById('files-check').hidden, {timeout: patience});
    const report = await page.evaluate(() => document.getElementById('files-check').textContent);
    await press_('#files-close');
    return report;
  }
  for (const [i, list] of (encodings ? own : []).entries()) {
    const report = await uploadList(list.name, list.bytes);
    check(report.includes(`Kodierung: ${list.encoding}\n`) &&
          report.includes(i === 0 ? '1 Wort, zu gewinnen.' : `${i + 1} Wörter, alle zu gewinnen.`),
          `the files panel checks a list in ${list.encoding}`, report);
  }
  if (encodings) {
    // A big list is checked in steps, the page's events handled between
    // them; the list that was there comes back after.
    const big = await page.evaluate(async () => {
      const files = Module.schlingoFiles;
      const before = files.read('Berufe.txt');
      files.write('Berufe.txt', new TextEncoder().encode('Berufe\n' + 'kopf\n'.repeat(400000)));
      let turns = 0, done = false;
      const turn = () => { ++turns; if (!done) setTimeout(turn, 0); };
      setTimeout(turn, 0);
      const report = await files.check('Berufe.txt');
      done = true;
      files.write('Berufe.txt', before);
      await files.saved();
      return {turns, report};
    });
    check(big.turns >= 3 && big.report.includes('400000 Wörter, alle zu gewinnen.\n') &&
          big.report.includes('  Doppelt: 399999\n'),
          'a big list is checked while the page goes on', big);
  }
  await page.evaluate((bytes) => {
    Module.schlingoFiles.write('Highscore.dat', new Uint8Array(bytes));
    return Module.schlingoFiles.saved();
  }, Array.from(numbers(table)));

  // A reload keeps the uploaded list, and the form opens with the focus on
  // the chosen list: Arrow down to Städte, Enter plays (or two taps).
  await reload();
  check(sameBytes(await fileBytes('Städte.txt'), list), 'the uploaded word list survives a reload');
  check(await page.evaluate(() => document.activeElement.id) === 'start-control-1',
        'the focus starts on "allgemeine Wörter"');
  await accessible('the start form');
  if (touch) await tapOn('#start-control-2');
  else await page.press('ArrowDown');
  check(await page.evaluate(() => document.getElementById('start-control-2').checked),
        'Städte is chosen');
  if (touch) await tapOn('#start-control-12');
  else await page.press('Enter');

  // --- the three boxes ---
  await page.waitFor(() => document.getElementById('message-box').open);
  await accessible('a box');
  const boxes = [await answerBox('box.png'), await answerBox(), await answerBox()];
  check(boxes.every((b) => b.title === 'Schlingo'), 'the boxes are titled "Schlingo"', boxes);
  check(boxes[0].text === 'Es sind insgesamt 1 Wörter!', 'the word count box', boxes[0].text);
  check(boxes[1].text === 'Der Rekord liegt momentan bei 20 Punkten!', 'the record box', boxes[1].text);
  check(boxes[2].text.startsWith('Bei diesem Spiel handelt es sich um ein klassisches Galgenmännchen'),
        'the announcement', boxes[2].text);

  // --- a word won: z (by the German Z key), a miss, u, g by a tap ---
  await page.waitFor(() => !document.getElementById('game').hidden);
  check(await page.evaluate(() => document.getElementById('game-title').textContent) ===
        'Schlingo - Modus: Normal', 'the game window title');
  check(await canvasSize() === '940x320', 'the game screen is 940 x 320', await canvasSize());
  // The tries left at text row 39, column 58; the word's first field at
  // (472 - 8 x 3, 36).
  const triesCounter = () => pixels(456, 304, 495, 311);
  const firstLetter = () => pixels(448, 36, 463, 51);
  const before = await triesCounter(), dash = await firstLetter();
  check((await said())[0] === 'Neues Wort mit 3 Zeichen: Lücke, Lücke, Lücke.',
        'the live region tells the new word', await said());
  await press('KeyY', 'z');
  check(await black('z') && !(await black('y')), touch ? 'a tap on z uses z' : 'KeyY gives "z", not "y"');
  check(JSON.stringify(await firstLetter()) !== JSON.stringify(dash), 'the z is shown in the word');
  check(JSON.stringify(await said()) === JSON.stringify(
    ['Z: Treffer.', 'Wort: Z, Lücke, Lücke.', 'Noch 9 Versuche.', 'Geraten: Z.']),
        'the live region tells a hit', await said());
  await press('KeyX', 'x');
  check(JSON.stringify(await said()) === JSON.stringify(
    ['X: nicht im Wort.', 'Wort: Z, Lücke, Lücke.', 'Noch 8 Versuche.', 'Geraten: X, Z.']),
        'the live region tells a miss', await said());
  await press('KeyU', 'u');
  check(await black('x') && await black('u'), 'x and u are used');
  check(JSON.stringify(await triesCounter()) !== JSON.stringify(before),
        'the miss changed the tries left');
  await shot('word.png');
  await accessible('the game');
  await tapGame(208.5, 220.5);
  const won = await answerBox();
  check(won.text === 'Gratuliere, das war das richtige Wort!', 'a tap on g wins the word', won.text);
  check(won.afterFrame, 'the word\'s last letter is on screen before its box opens');
  const solved = 'Wort: Z, U, G. Noch 8 Versuche. Geraten: G, U, X, Z. Das Wort ist gelöst.';
  check(won.said.endsWith(solved.replace(/\. /g, '.')) && won.described.endsWith(solved),
        'the live region, and then its box, tell the word solved', won);

  // --- a word lost while every save fails: nine misses in Städte ---
  await page.waitFor(() => !document.getElementById('message-box').open);
  check(!(await black('z')), 'the next word starts on a clean board');
  await page.evaluate(() => { window.schlingoRefuseSaves = true; });
  let misses = 'abcdefhij';
  if (!touch) {
    // The board's buttons: one Tab from the game, Enter takes a, the arrow
    // and Space b; the used one is said so.
    await page.press('Tab');
    check(await focused() === 'a', 'Tab goes from the game to the board', await focused());
    await shot('board-focus.png');
    await press('Enter', 'a');
    await page.press('ArrowRight');
    await press('Space', 'b');
    check(await black('a') && await black('b') && await focused() === 'b',
          'Enter and Space on the board take a and b', await focused());
    check(await page.evaluate(() => document.querySelector('#board [data-letter="a"]')
      .getAttribute('aria-disabled')) === 'true', 'the board says a is used');
    misses = 'cdefhij';
  }
  for (const letter of misses) await press('Key' + letter.toUpperCase(), letter);
  const lost = await answerBox('lost.png');
  check(lost.text.replace(/\r/g, '') === 'Sie haben leider verloren!\ngesuchtes Wort: ' + word,
        'nine misses lose the word', lost.text);
  const unsolved = 'Kein Versuch mehr: Das Wort ist nicht gelöst. Das Spiel ist aus.';
  check(lost.said.endsWith(unsolved) && lost.described.endsWith(unsolved) && boxes[0].described === '',
        'the live region and the box tell the word lost; a box of the start says nothing more',
        [lost, boxes[0]]);

  // --- the list screen: 8 points ranked into place 7, marked on its row ---
  await page.waitFor(() => document.getElementById('screen').width === 400, {timeout: patience});
  // The refused save is told when its transaction ends, which on a busy
  // machine can be after the list screen is drawn.
  await page.waitFor(() => !document.getElementById('save-failed').hidden, {timeout: patience})
    .catch(() => {});
  check(await page.evaluate(() => !document.getElementById('save-failed').hidden &&
                                  !document.querySelector('dialog[open]')),
        'the page, not a box, says the scores cannot be kept');
  await shot('list.png');
  const lit = async (row, column, length) => {
    const cells = [];
    for (let c = column; c < column + length; ++c) cells.push(await cell(row, c));
    return cells.every((pixels) => pixels.some((p) => p !== 0));
  };
  const blank = async (row, column, length) => {
    for (let c = column; c < column + length; ++c)
      if ((await cell(row, c)).some((p) => p !== 0)) return false;
    return true;
  };
  let markers = [];
  for (let place = 1; place <= 10; ++place) {
    const row = place + 15;
    if (await lit(row, 14, 3) && await lit(row, 35, 3)) markers.push(place);
    else if (!(await blank(row, 14, 3)) || !(await blank(row, 35, 3))) markers.push(`half ${place}`);
  }
  check(JSON.stringify(markers) === '[7]', 'the markers stand on place 7 alone', markers);
  const listSaid = await said();
  check(listSaid[7] === '7. Platz: 8 (Ihr Platz)' && listSaid[11] === 'Ihre Punktezahl: 8' &&
        await page.evaluate(() => document.getElementById('board').hidden),
        'the list is told as text, without the board', listSaid);
  check(await lit(35, 1, 4) && await blank(35, 5, 1) && await lit(35, 6, 11) &&
        await blank(35, 17, 2) && await lit(35, 19, 1) && await blank(35, 20, 3),
        '"Ihre Punktezahl:  8" on row 35');
  check(JSON.stringify(await cell(22, 14)) === JSON.stringify(await cell(22, 15)) &&
        JSON.stringify(await cell(22, 14)) !== JSON.stringify(await cell(22, 35)),
        'the markers are ">>>" and "<<<"');
  if (touch) await tapGame(200, 200);
  else await page.press('Space');
  const left = await startForm().catch(() => false);
  check(left, touch ? 'a tap leaves the list screen' : 'Space leaves the list screen');
  if (!left) await page.press('Space'); // to see what else fails
  await startForm();

  // --- "Beenden", "Ja": the program ends although saving still fails ---
  await press_('#start-control-14');
  const question = await answerBox('question.png');
  check(question.text === 'Wirklich beenden?', 'Beenden asks first', question.text);
  await page.waitFor(() => document.documentElement.dataset.schlingoEnded === '0', {timeout: patience});
  check(await visible('#ended') && await visible('#restart'),
        'the page says the program ended and offers "Neu starten"');
  await shot('ended.png');
  // Saving works again: the retry brings the files up to date.
  await page.evaluate(() => { window.schlingoRefuseSaves = false; });
  await page.waitFor(() => document.getElementById('save-failed').hidden, {timeout: patience})
    .catch(() => {});
  check(await page.evaluate(() => document.getElementById('save-failed').hidden),
        'the notice goes once a save works');

  // --- the files, after a reload ---
  await reload();
  const highscores = await fileBytes('Highscore.dat');
  check(sameBytes(highscores, numbers(tableAfter)), 'after a reload Highscore.dat holds the new table',
        Buffer.from(highscores || []).toString('latin1'));
  const statistics = Buffer.from((await fileBytes('Statistik.txt')) || []).toString('latin1');
  const line = /^ 8 {12}Anzahl der Spiele: {10} 1 {12}\d\d-\d\d-\d{4} {4}\d\d:\d\d:\d\d {6}Normalmodus {3}Blindmodus aus {14}St\xe4dte\r\n$/;
  check(line.test(statistics), 'after a reload Statistik.txt holds the game\'s line', statistics);
  await press_('#files-button');
  await page.waitFor(() => document.getElementById('files-panel').open);
  const listed = await page.evaluate(() =>
    Array.from(document.querySelectorAll('#files-list a'), (a) => a.dataset.file));
  check(listed.includes('Highscore.dat') && listed.includes('Statistik.txt'),
        'the files panel offers the table and the statistics', listed);
  await press_('#files-close');

  // --- a second tab waits; the first plays on until the second takes over ---
  const second = await browser.newPage();
  await second.goto(server.url);
  await second.waitFor(() => !document.getElementById('busy').hidden, {timeout: patience});
  check(await second.evaluate(() =>
    document.getElementById('busy').textContent.includes('bereits in einem anderen Tab') &&
    document.getElementById('start-form').hidden && document.getElementById('files-button').disabled),
        'the second tab says Schlingo is open elsewhere, and neither plays nor offers the files');
  if (shots) await second.screenshot(path.join(shots, 'busy.png'));
  await page.bringToFront();
  check(await visible('#start-form'), 'the first tab still shows its start form');
  await second.bringToFront();
  await second.click('#take-over');
  await second.waitFor(() => !document.getElementById('start-form').hidden, {timeout: 30000});
  await page.waitFor(() => !document.getElementById('stolen').hidden, {timeout: patience})
    .catch(() => {});
  check(await page.evaluate(() => !document.getElementById('stolen').hidden &&
                                  document.getElementById('start-form').hidden),
        'taken over, the first tab stops');
  await second.close();
  await takeProblems();

  // --- the lists in other encodings: each plays "bär", which b and r win ---
  for (const [i, list] of (encodings ? own : []).entries()) {
    await reload();
    await page.click(`#start-control-${list.control}`);
    await page.press('Enter');
    const count = await answerBox();
    check(count.text === `Es sind insgesamt ${i + 1} Wörter!`, `${list.name} is played`, count.text);
    await answerBox();
    await answerBox();
    await page.waitFor(() => !document.getElementById('game').hidden);
    await press('KeyB', 'b');
    await press('KeyR', 'r');
    const won = await answerBox();
    check(won.text === 'Gratuliere, das war das richtige Wort!',
          `b and r win "bär" from a list in ${list.encoding}`, won.text);
    await page.press('Escape');
    await page.waitFor(() => document.documentElement.dataset.schlingoEnded === '0', {timeout: patience});
  }
  if (profile) {
    await page.close();
    await revisits(browser, server, check);
  }
} catch (error) {
  check(false, `the game went on: ${error.stack}`);
} finally {
  await browser.close();
  await server.close();
}
for (const problem of problems) check(false, problem);
check.end();
