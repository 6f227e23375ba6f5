// Players' own word lists in the browser edition, in headless Chromium: one
// list per encoding (UTF-8, UTF-8 with BOM, UTF-16 LE with BOM, Windows-1252)
// uploaded through the files panel, whose check names the encoding and, for a
// planted "Haus", the word that can never be won. Then each list is played:
// its one word is "bär", whose ä stands from the start, so b and r win it only
// when the list was read right; Esc ends the program and "Neu starten" loads
// it again for the next list.
//
//   node tests/web/own-word-lists.mjs [SITE]   (SITE: dist/web)
//
// Ends with "N passed, N failed", one check a line; exits non-zero on a failure.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {launch, serve, startForm} from './browser.mjs';

const site = path.resolve(process.argv[2] || 'dist/web');
let passed = 0, failed = 0;
function check(ok, what, seen) {
  if (ok) ++passed;
  else {
    ++failed;
    console.log(`FAILED: ${what}` + (seen === undefined ? '' : ` (seen: ${JSON.stringify(seen)})`));
  }
  return ok;
}

const utf16le = (text) => Buffer.concat([Buffer.from([0xff, 0xfe]), Buffer.from(text, 'utf16le')]);
// The start form's radio button of each list, its name and the bytes uploaded.
const lists = [
  {control: 1, name: 'allgemeine Wörter.txt', encoding: 'UTF-8',
   bytes: Buffer.from('Allgemeine Wörter\r\nbär\r\n')},
  {control: 2, name: 'Städte.txt', encoding: 'UTF-8 mit BOM',
   bytes: Buffer.from('\ufeffStädte\nbär\n')},
  {control: 3, name: 'Länder.txt', encoding: 'UTF-16 LE mit BOM', bytes: utf16le('Länder\r\nbär\r\n')},
  {control: 4, name: 'Berufe.txt', encoding: 'Windows-1252',
   bytes: Buffer.from('Berufe\r\nbär\r\n', 'latin1')},
];

const server = await serve(site);
const browser = await launch();
const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'schlingo-lists-'));
const problems = [];
try {
  const page = await browser.newPage();
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('console', (message) => {
    if (message.type() === 'error') problems.push(`console: ${message.text()}`);
  });
  // The text of every box as it opens, and how many closed: an answer and
  // the next box can come within one task.
  await page.evaluateOnNewDocument(() => {
    window.schlingoBoxes = {opened: [], closed: 0};
    document.addEventListener('DOMContentLoaded', () => {
      const box = document.getElementById('message-box');
      new MutationObserver((changes) => {
        for (const change of changes) {
          if (change.oldValue === null)
            window.schlingoBoxes.opened.push(document.getElementById('message-text').textContent);
          else ++window.schlingoBoxes.closed;
        }
      }).observe(box, {attributes: true, attributeFilter: ['open'], attributeOldValue: true});
    });
  });
  async function answerBox(n) {
    await page.waitForFunction((n) => window.schlingoBoxes.opened.length > n, {timeout: 10000}, n);
    await page.keyboard.press('Enter');
    await page.waitForFunction((n) => window.schlingoBoxes.closed > n, {timeout: 5000}, n);
    return page.evaluate((n) => window.schlingoBoxes.opened[n], n);
  }

  // Uploads the bytes as the list and returns the panel's check.
  async function upload(list, bytes) {
    await page.click('#files-button');
    await page.waitForSelector('#files-panel[open]');
    await page.select('#files-upload-target', list.name);
    const file = path.join(folder, list.name);
    fs.writeFileSync(file, bytes);
    await (await page.$('#files-upload')).uploadFile(file);
    await page.waitForSelector('#files-check:not([hidden])', {timeout: 5000});
    const report = await page.$eval('#files-check', (e) => e.textContent);
    await page.click('#files-close');
    return report;
  }

  await page.goto(server.url);
  await startForm(page);
  const planted = await upload(lists[3], Buffer.from('Berufe\r\nhaus\r\nHaus\r\n', 'latin1'));
  check(planted.includes('Zeile 3: „Haus“ – „H“ ist ein Großbuchstabe') &&
        planted.includes('Ergebnis: 1 Wort ist nie zu gewinnen.'),
        'the panel names a planted "Haus"', planted);
  for (const list of lists) {
    const report = await upload(list, list.bytes);
    check(report.startsWith(`${list.name}\n  Kodierung: ${list.encoding}\n`) &&
          report.includes('  1 Wort, zu gewinnen.\n') &&
          report.endsWith('Ergebnis: Jedes Wort der Liste ist zu gewinnen.\n'),
          `the panel's check of ${list.name} in ${list.encoding}`, report);
  }

  for (const list of lists) {
    await page.click(`#start-control-${list.control}`);
    await page.keyboard.press('Enter');
    const count = await answerBox(0);
    check(count === 'Es sind insgesamt 1 Wörter!', `the word count of ${list.name}`, count);
    await answerBox(1);
    await answerBox(2);
    await page.waitForSelector('#game:not([hidden])');
    await page.keyboard.press('KeyB');
    await page.keyboard.press('KeyR');
    const won = await answerBox(3).catch(() => 'no box');
    check(won === 'Gratuliere, das war das richtige Wort!',
          `b and r win "bär" from ${list.name} in ${list.encoding}`, won);
    await page.keyboard.press('Escape');
    await page.waitForSelector('html[data-schlingo-ended="0"]', {timeout: 5000});
    await page.click('#restart');
    await startForm(page);
  }
} catch (error) {
  check(false, `the lists went on: ${error.stack}`);
} finally {
  await browser.close();
  await server.close();
  fs.rmSync(folder, {recursive: true, force: true});
}
for (const problem of problems) check(false, problem);
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
