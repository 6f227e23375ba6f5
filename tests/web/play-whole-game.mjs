// The browser edition played through one whole game in headless Chromium:
// a word list of one word uploaded through the files panel, Städte chosen on
// the start form by keyboard, the three boxes, a word won by keys (KeyY giving
// "z") with its last letter tapped on the board, a word lost, the list
// screen's markers, a reload that still has the new table and statistics
// line, and a second tab that does not play. On the way: axe-core finds
// nothing on the start form, the files panel, a box and the game; the live
// region tells a hit, a miss, each word's end and the list; the board's
// buttons take letters by Tab, Enter, the arrows and Space.
//
//   node tests/web/play-whole-game.mjs [--screenshots DIR] [SITE]   (SITE: dist/web)
//
// Ends with "N passed, N failed", one check a line; exits non-zero on a failure.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {createRequire} from 'node:module';
import {field, launch, serve, startForm} from './browser.mjs';

const axeSource = fs.readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');

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
  // The live region's lines.
  const said = () => page.$eval('#game-said', (e) => Array.from(e.children, (p) => p.textContent));
  const focused = () => page.evaluate(() => document.activeElement.dataset.letter || document.activeElement.id);
  // axe-core's rules, best practices included, on the page as it is.
  async function accessible(state) {
    if (await page.evaluate(() => typeof axe === 'undefined')) await page.evaluate(axeSource);
    const found = await page.evaluate(async () => (await axe.run(document)).violations.map(
      (v) => `${v.id} (${v.impact}): ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`));
    check(found.length === 0, `axe-core finds nothing on ${state}`, found);
  }

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
              text: document.getElementById('message-text').textContent,
              said: document.getElementById('game-said').textContent
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
    const seen = await page.evaluate((n) => ({...window.schlingoBoxes.opened[n],
      described: document.getElementById('message-said').textContent}), n);
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
  await accessible('the files panel');
  await page.select('#files-upload-target', 'Städte.txt');
  const upload = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'schlingo-list-')), 'Städte.txt');
  fs.writeFileSync(upload, list);
  await (await page.$('#files-upload')).uploadFile(upload);
  await page.waitForFunction(() => document.getElementById('files-status').textContent.includes('ersetzt'),
                             {timeout: 5000});
  fs.rmSync(path.dirname(upload), {recursive: true, force: true});
  await page.click('#files-close');
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
  await accessible('the start form');
  await page.keyboard.press('ArrowDown');
  check(await page.$eval('#start-control-2', (e) => e.checked && document.activeElement === e),
        'Arrow down checks "Städte"');
  await page.keyboard.press('Enter');

  // --- the three boxes ---
  await page.waitForSelector('#message-box[open]');
  await accessible('a box');
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
  check((await said())[0] === 'Neues Wort mit 3 Zeichen: Lücke, Lücke, Lücke.',
        'the live region tells the new word', await said());
  await press('KeyY', 'z');
  check(await black('z') && !(await black('y')), 'KeyY gives "z", not "y"');
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
  await shot('word.png', '#game');
  await accessible('the game');
  // The g field's middle, in page pixels: the canvas may be shown enlarged.
  const box = await page.$eval('#screen', (c) => {
    const r = c.getBoundingClientRect();
    return {left: r.left, top: r.top, scale: r.width / c.width};
  });
  await page.touchscreen.tap(box.left + 208.5 * box.scale, box.top + 220.5 * box.scale);
  const won = await answerBox();
  check(won.text === 'Gratuliere, das war das richtige Wort!', 'a tap on g wins the word', won.text);
  const solved = 'Wort: Z, U, G. Noch 8 Versuche. Geraten: G, U, X, Z. Das Wort ist gelöst.';
  check(won.said.endsWith(solved.replace(/\. /g, '.')) && won.described.endsWith(solved),
        'the live region, and then its box, tell the word solved', won);

  // --- a word lost: nine misses in Städte ---
  await page.waitForFunction(() => !document.getElementById('message-box').open);
  check(!(await black('z')), 'the next word starts on a clean board');
  // The board's buttons: one Tab from the game, Enter takes a, the arrow and
  // Space b; the used one is said so.
  await page.keyboard.press('Tab');
  check(await focused() === 'a', 'Tab goes from the game to the board', await focused());
  await shot('board-focus.png', '#game');
  await press('Enter', 'a');
  await page.keyboard.press('ArrowRight');
  await press('Space', 'b');
  check(await black('a') && await black('b') && await focused() === 'b',
        'Enter and Space on the board take a and b', await focused());
  check(await page.$eval('#board [data-letter="a"]', (b) => b.getAttribute('aria-disabled')) === 'true',
        'the board says a is used');
  for (const letter of 'cdefhij') await press('Key' + letter.toUpperCase(), letter);
  const lost = await answerBox('lost.png');
  check(lost.text.replace(/\r/g, '') === 'Sie haben leider verloren!\ngesuchtes Wort: ' + word,
        'nine misses lose the word', lost.text);
  const unsolved = 'Kein Versuch mehr: Das Wort ist nicht gelöst. Das Spiel ist aus.';
  check(lost.said.endsWith(unsolved) && lost.described.endsWith(unsolved) && boxes[0].described === '',
        'the live region and the box tell the word lost; a box of the start says nothing more',
        [lost, boxes[0]]);

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
  const listSaid = await said();
  check(listSaid[7] === '7. Platz: 8 (Ihr Platz)' && listSaid[11] === 'Ihre Punktezahl: 8' &&
        await page.$eval('#board', (b) => b.hidden), 'the list is told as text, without the board',
        listSaid);
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
} catch (error) {
  check(false, `the game went on: ${error.stack}`);
} finally {
  await browser.close();
  await server.close();
}
for (const problem of problems) check(false, problem);
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
