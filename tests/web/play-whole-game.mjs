// The browser edition played through one whole game in headless Chromium:
// a word list of one word uploaded through the files panel, Städte chosen on
// the start form by keyboard, the three boxes, a word won by keys (KeyY giving
// "z") with its last letter tapped on the board, a word lost, the list
// screen's markers, a reload that still has the new table and statistics
// line, and a second tab that does not play. Lists saved as UTF-8, UTF-8 with
// BOM and UTF-16 LE with BOM are uploaded too: the panel's check names their
// encoding, and at the end each plays its word.
//
//   node tests/web/play-whole-game.mjs [--screenshots DIR] [SITE]   (SITE: dist/web)
//
// Ends with "N passed, N failed", one check a line; exits non-zero on a failure.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {field, launch, serve, startForm} from './browser.mjs';

const args = process.argv.slice(2);
let shots = null;
if (args[0] === '--screenshots') {
  shots = path.resolve(args[1]);
  fs.mkdirSync(shots, {recursive: true});
  args.splice(0, 2);
}
const site = path.resolve(args[0] || 'dist/web');

let passed = 0, failed = 0;
function check(ok, what, seen) {
  if (ok) ++passed;
  else {
    ++failed;
    console.log(`FAILED: ${what}` + (seen === undefined ? '' : ` (seen: ${JSON.stringify(seen)})`));
  }
  return ok;
}
const latin1 = (text) => Buffer.from(text, 'latin1');

// The one word of the list: z by the German Z key, u typed, g tapped.
const word = 'zug';
const list = latin1('St\xe4dte\r\n' + word + '\r\n');
// A table the game's 8 points land in the middle of: above the 8 already
// there, so in entry 4 of 10, place 7.
const table = [2, 4, 6, 8, 10, 12, 14, 16, 18, 20];
const tableAfter = [4, 6, 8, 8, 10, 12, 14, 16, 18, 20];
const numbers = (values) => latin1(values.map((v) => ` ${v}\r\n`).join(''));

const server = await serve(site);
const browser = await launch();
const problems = [];
try {
  const page = await browser.newPage();
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(`console: ${message.text()}`);
  });
  const shot = async (name, selector) => {
    if (!shots) return;
    const target = selector ? await page.$(selector) : page;
    await target.screenshot({path: path.join(shots, name)});
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
  const canvasSize = () => page.$eval('#screen', (c) => `${c.width}x${c.height}`);
  const visible = (selector) => page.$eval(selector, (e) => !e.hidden && e.offsetParent !== null);
  const fileBytes = (name) => page.evaluate((name) => {
    const bytes = Module.schlingoFiles.read(name);
    return bytes ? Array.from(bytes) : null;
  }, name);
  const sameBytes = (seen, expected) => seen !== null && Buffer.from(seen).equals(expected);

  // Every opening and closing of the message box, as the page did them: an
  // answer and the next box can come within one task.
  await page.evaluateOnNewDocument(() => {
    window.schlingoBoxes = {opened: [], closed: 0};
    document.addEventListener('DOMContentLoaded', () => {
      const box = document.getElementById('message-box');
      new MutationObserver((changes) => {
        for (const change of changes) {
          if (change.oldValue === null) {
            window.schlingoBoxes.opened.push({
              title: document.getElementById('message-title').textContent,
              text: document.getElementById('message-text').textContent
            });
          } else ++window.schlingoBoxes.closed;
        }
      }).observe(box, {attributes: true, attributeFilter: ['open'], attributeOldValue: true});
    });
  });
  let boxesSeen = 0;
  // Answers the next message box with Enter and returns its title and text.
  async function answerBox(name) {
    const n = boxesSeen++;
    await page.waitForFunction((n) => window.schlingoBoxes.opened.length > n, {timeout: 10000}, n);
    const seen = await page.evaluate((n) => window.schlingoBoxes.opened[n], n);
    if (name) await shot(name);
    await page.keyboard.press('Enter');
    await page.waitForFunction((n) => window.schlingoBoxes.closed > n, {timeout: 5000}, n);
    return seen;
  }
  async function reload() {
    await page.reload();
    await startForm(page);
    boxesSeen = 0;
  }
  // Presses a key and waits until the game has blacked out its letter's field.
  async function press(code, letter) {
    await page.keyboard.press(code);
    if (letter) {
      const end = Date.now() + 3000;
      while (!(await black(letter)) && Date.now() < end) await new Promise((r) => setTimeout(r, 20));
    }
  }

  // --- the start form, and the word list uploaded through the files panel ---
  await page.goto(server.url);
  await startForm(page);
  await shot('start-form.png');
  await page.click('#files-button');
  await page.waitForSelector('#files-panel[open]');
  await page.select('#files-upload-target', 'Städte.txt');
  const upload = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'schlingo-list-')), 'Städte.txt');
  fs.writeFileSync(upload, list);
  await (await page.$('#files-upload')).uploadFile(upload);
  await page.waitForFunction(() => document.getElementById('files-status').textContent.includes('ersetzt'),
                             {timeout: 5000});
  fs.rmSync(path.dirname(upload), {recursive: true, force: true});
  await page.click('#files-close');

  // Lists of "bär" (b and r win it, its ä stands from the start), one to
  // three times, so that the word count tells which list is played.
  const own = [
    {control: 1, name: 'allgemeine Wörter.txt', encoding: 'UTF-8', bytes: Buffer.from('W\nbär\n')},
    {control: 3, name: 'Länder.txt', encoding: 'UTF-8 mit BOM', bytes: Buffer.from('\ufeffL\r\n' +
     'bär\r\n'.repeat(2))},
    {control: 4, name: 'Berufe.txt', encoding: 'UTF-16 LE mit BOM',
     bytes: Buffer.from('\ufeffBerufe\r\n' + 'bär\r\n'.repeat(3), 'utf16le')},
  ];
  async function uploadList(name, bytes) {
    await page.click('#files-button');
    await page.waitForSelector('#files-panel[open]');
    await page.select('#files-upload-target', name);
    const file = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'schlingo-list-')), name);
    fs.writeFileSync(file, bytes);
    await (await page.$('#files-upload')).uploadFile(file);
    await page.waitForSelector('#files-check:not([hidden])', {timeout: 5000});
    fs.rmSync(path.dirname(file), {recursive: true, force: true});
    const report = await page.$eval('#files-check', (e) => e.textContent);
    await page.click('#files-close');
    return report;
  }
  for (const [i, list] of own.entries()) {
    const report = await uploadList(list.name, list.bytes);
    check(report.includes(`Kodierung: ${list.encoding}\n`) &&
          report.includes(i === 0 ? '1 Wort, zu gewinnen.' : `${i + 1} Wörter, alle zu gewinnen.`),
          `the files panel checks a list in ${list.encoding}`, report);
  }
  await page.evaluate((bytes) => {
    Module.schlingoFiles.write('Highscore.dat', new Uint8Array(bytes));
    return Module.schlingoFiles.saved();
  }, Array.from(numbers(table)));

  // A reload keeps the uploaded list, and the form opens with the focus on
  // the chosen list: Arrow down to Städte, Enter plays.
  await reload();
  check(sameBytes(await fileBytes('Städte.txt'), list), 'the uploaded word list survives a reload');
  check(await page.evaluate(() => document.activeElement.id) === 'start-control-1',
        'the focus starts on "allgemeine Wörter"');
  await page.keyboard.press('ArrowDown');
  check(await page.$eval('#start-control-2', (e) => e.checked && document.activeElement === e),
        'Arrow down checks "Städte"');
  await page.keyboard.press('Enter');

  // --- the three boxes ---
  const boxes = [await answerBox('box.png'), await answerBox(), await answerBox()];
  check(boxes.every((b) => b.title === 'Schlingo'), 'the boxes are titled "Schlingo"', boxes);
  check(boxes[0].text === 'Es sind insgesamt 1 Wörter!', 'the word count box', boxes[0].text);
  check(boxes[1].text === 'Der Rekord liegt momentan bei 20 Punkten!', 'the record box', boxes[1].text);
  check(boxes[2].text.startsWith('Bei diesem Spiel handelt es sich um ein klassisches Galgenmännchen'),
        'the announcement', boxes[2].text);

  // --- a word won: z by the German Z key, a miss, u, g by a tap ---
  await page.waitForSelector('#game:not([hidden])');
  check(await page.$eval('#game-title', (e) => e.textContent) === 'Schlingo - Modus: Normal',
        'the game window title');
  check(await canvasSize() === '940x320', 'the game screen is 940 x 320', await canvasSize());
  // The tries left at text row 39, column 58; the word's first field at
  // (472 - 8 x 3, 36).
  const triesCounter = () => pixels(456, 304, 495, 311);
  const firstLetter = () => pixels(448, 36, 463, 51);
  const before = await triesCounter(), dash = await firstLetter();
  await press('KeyY', 'z');
  check(await black('z') && !(await black('y')), 'KeyY gives "z", not "y"');
  check(JSON.stringify(await firstLetter()) !== JSON.stringify(dash), 'the z is shown in the word');
  await press('KeyX', 'x');
  await press('KeyU', 'u');
  check(await black('x') && await black('u'), 'x and u are used');
  check(JSON.stringify(await triesCounter()) !== JSON.stringify(before),
        'the miss changed the tries left');
  await shot('word.png', '#game');
  // The g field's middle, in page pixels: the canvas may be shown enlarged.
  const box = await page.$eval('#screen', (c) => {
    const r = c.getBoundingClientRect();
    return {left: r.left, top: r.top, scale: r.width / c.width};
  });
  await page.touchscreen.tap(box.left + 208.5 * box.scale, box.top + 220.5 * box.scale);
  const won = await answerBox();
  check(won.text === 'Gratuliere, das war das richtige Wort!', 'a tap on g wins the word', won.text);

  // --- a word lost: nine misses in Städte ---
  await page.waitForFunction(() => !document.getElementById('message-box').open);
  check(!(await black('z')), 'the next word starts on a clean board');
  for (const letter of 'abcdefhij') await press('Key' + letter.toUpperCase(), letter);
  const lost = await answerBox('lost.png');
  check(lost.text.replace(/\r/g, '') === 'Sie haben leider verloren!\ngesuchtes Wort: ' + word,
        'nine misses lose the word', lost.text);

  // --- the list screen: 8 points ranked into place 7, marked on its row ---
  await page.waitForFunction(() => document.getElementById('screen').width === 400, {timeout: 5000});
  await shot('list.png', '#game');
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
  check(await lit(35, 1, 4) && await blank(35, 5, 1) && await lit(35, 6, 11) &&
        await blank(35, 17, 2) && await lit(35, 19, 1) && await blank(35, 20, 3),
        '"Ihre Punktezahl:  8" on row 35');
  check(JSON.stringify(await cell(22, 14)) === JSON.stringify(await cell(22, 15)) &&
        JSON.stringify(await cell(22, 14)) !== JSON.stringify(await cell(22, 35)),
        'the markers are ">>>" and "<<<"');
  await page.keyboard.press('Space');
  await startForm(page, 5000);

  // --- the files, after a reload ---
  await reload();
  const highscores = await fileBytes('Highscore.dat');
  check(sameBytes(highscores, numbers(tableAfter)), 'after a reload Highscore.dat holds the new table',
        Buffer.from(highscores || []).toString('latin1'));
  const statistics = Buffer.from((await fileBytes('Statistik.txt')) || []).toString('latin1');
  const line = /^ 8 {12}Anzahl der Spiele: {10} 1 {12}\d\d-\d\d-\d{4} {4}\d\d:\d\d:\d\d {6}Normalmodus {3}Blindmodus aus {14}St\xe4dte\r\n$/;
  check(line.test(statistics), 'after a reload Statistik.txt holds the game\'s line', statistics);
  await page.click('#files-button');
  await page.waitForSelector('#files-panel[open]');
  const listed = await page.$$eval('#files-list a', (links) => links.map((a) => a.dataset.file));
  check(listed.includes('Highscore.dat') && listed.includes('Statistik.txt'),
        'the files panel offers the table and the statistics', listed);
  await page.click('#files-close');

  // --- a second tab waits; the first plays on ---
  const second = await browser.newPage();
  await second.goto(server.url);
  await second.waitForSelector('#busy:not([hidden])', {timeout: 10000});
  check(await second.$eval('#busy', (e) => e.textContent.includes('bereits in einem anderen Tab')),
        'the second tab says Schlingo is open elsewhere');
  check(await second.$eval('#start-form', (e) => e.hidden) &&
        await second.$eval('#files-button', (e) => e.disabled),
        'the second tab neither plays nor offers the files');
  await second.close();
  await page.bringToFront();
  check(await visible('#start-form'), 'the first tab still shows its start form');

  // --- "Beenden", "Ja": the program ends and the page says so ---
  await page.click('#start-control-14');
  const question = await answerBox('question.png');
  check(question.text.length > 0, 'Beenden asks first');
  await page.waitForSelector('html[data-schlingo-ended="0"]', {timeout: 5000});
  check(await visible('#ended') && await visible('#restart'),
        'the page says the program ended and offers "Neu starten"');

  // --- the lists in other encodings: each plays "bär", which b and r win ---
  for (const [i, list] of own.entries()) {
    await reload();
    await page.click(`#start-control-${list.control}`);
    await page.keyboard.press('Enter');
    const count = await answerBox();
    check(count.text === `Es sind insgesamt ${i + 1} Wörter!`, `${list.name} is played`, count.text);
    await answerBox();
    await answerBox();
    await page.waitForSelector('#game:not([hidden])');
    await press('KeyB', 'b');
    await press('KeyR');
    const won = await answerBox();
    check(won.text === 'Gratuliere, das war das richtige Wort!',
          `b and r win "bär" from a list in ${list.encoding}`, won.text);
    await page.keyboard.press('Escape');
    await page.waitForSelector('html[data-schlingo-ended="0"]', {timeout: 5000});
  }
} catch (error) {
  check(false, `the game went on: ${error.stack}`);
} finally {
  await browser.close();
  await server.close();
}
for (const problem of problems) check(false, problem);
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
