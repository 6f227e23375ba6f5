#!/usr/bin/env node
// A big word list uploaded through the page's files panel, in headless
// Chromium: how long its check takes (from "wird geprüft" to the report) and
// the page's longest task meanwhile (PerformanceObserver "longtask"), then,
// for comparison, the same check in one call as the panel made it before it
// went in steps. The list is made in the page: a heading and lines of 30 to
// 66 small letters, every hundredth with a capital, about MEGABYTES in all.
//
//   node bench/web-list-check.mjs [--megabytes N] [SITE]   (N: 50, SITE: dist/web)
//
// Prints "NAME VALUE" lines.
import path from 'node:path';
import {launch, serve, startForm} from '../tests/web/browser.mjs';

const args = process.argv.slice(2);
let megabytes = 50;
if (args[0] === '--megabytes') {
  megabytes = +args[1];
  args.splice(0, 2);
}
if (args.length > 1 || (args[0] && args[0].startsWith('--')) || !(megabytes > 0)) {
  console.error('usage: node bench/web-list-check.mjs [--megabytes N] [SITE]');
  process.exit(2);
}
const site = path.resolve(args[0] || 'dist/web');

const server = await serve(site);
const browser = await launch();
let failed = false;
try {
  const page = await browser.newPage();
  // Before the page's own code: every long task from the start.
  await page.evaluateOnNewDocument(() => {
    window.schlingoLongTasks = [];
    new PerformanceObserver((list) => {
      for (const entry of list.getEntries()) {
        window.schlingoLongTasks.push({start: entry.startTime, duration: entry.duration});
      }
    }).observe({type: 'longtask', buffered: true});
  });
  await page.goto(server.url);
  await startForm(page);
  await page.click('#files-button');
  await page.waitForFunction(() => document.getElementById('files-panel').open);

  const size = await page.evaluate((bytes) => {
    let seed = 26;
    const random = (n) => {
      seed = (seed * 1103515245 + 12345) >>> 0;
      return (seed >>> 8) % n;
    };
    const list = new Uint8Array(bytes);
    let at = 0;
    for (const c of 'Liste\r\n') list[at++] = c.charCodeAt(0);
    for (let line = 0; at + 70 < bytes; ++line) {
      const length = 30 + random(37);
      for (let i = 0; i < length; ++i) list[at++] = 97 + random(26);
      if (line % 100 === 0) list[at - length] -= 32; // a capital: never to be won
      list[at++] = 13;
      list[at++] = 10;
    }
    window.schlingoList = list.subarray(0, at);
    // When the check begins and ends, as the panel shows it.
    window.schlingoTimes = {};
    const status = document.getElementById('files-status');
    new MutationObserver(() => {
      const now = performance.now();
      // A page that checks in one call shows no "wird geprüft" at all.
      if (status.textContent.includes('wird geprüft')) window.schlingoTimes.checking ??= now;
      else if (!document.getElementById('files-check').hidden) window.schlingoTimes.reported ??= now;
    }).observe(document.getElementById('files-panel'),
               {subtree: true, childList: true, characterData: true, attributes: true});
    // The event loop's turns while the check runs: what a player's key would wait for.
    window.schlingoTurns = [];
    const turn = () => {
      window.schlingoTurns.push(performance.now());
      if (!window.schlingoTimes.reported) setTimeout(turn, 0);
    };
    window.schlingoTimes.upload = performance.now();
    const input = document.getElementById('files-upload');
    document.getElementById('files-upload-target').value = 'Städte.txt';
    const chosen = new DataTransfer();
    chosen.items.add(new File([window.schlingoList], 'Städte.txt', {type: 'text/plain'}));
    input.files = chosen.files;
    input.dispatchEvent(new Event('change', {bubbles: true}));
    turn();
    return at;
  }, megabytes * 1e6);
  await page.waitForFunction(() => window.schlingoTimes.reported, {timeout: 600000, polling: 200});

  const stepped = await page.evaluate(() => {
    const {upload, reported} = window.schlingoTimes;
    const checking = window.schlingoTimes.checking ?? upload;
    // Tasks that began in the span (the list's making ends just before the upload).
    const longest = (from, to) => Math.max(0, ...window.schlingoLongTasks
      .filter((t) => t.start >= from - 1 && t.start < to).map((t) => t.duration));
    const turns = window.schlingoTurns.filter((t) => t >= checking && t <= reported);
    let gap = 0;
    for (let i = 1; i < turns.length; ++i) gap = Math.max(gap, turns[i] - turns[i - 1]);
    return {
      check: reported - checking, upload: reported - upload,
      longestInCheck: longest(checking, reported), longestInUpload: longest(upload, reported),
      longestTurnGap: gap, stepped: window.schlingoTimes.checking !== undefined,
      tasks: window.schlingoLongTasks.filter((t) => t.start + t.duration > upload)
        .map((t) => `${(t.start - upload).toFixed(0)}+${t.duration.toFixed(0)}`).join(' '),
      at: `checking ${(checking - upload).toFixed(0)} reported ${(reported - upload).toFixed(0)}`,
      report: document.getElementById('files-check').textContent
    };
  });
  // The check as one call, as the panel made it before: one task.
  const whole = await page.evaluate(() => {
    const started = performance.now();
    Module._schlingo_check_list(2);
    return {time: performance.now() - started};
  });

  console.log(`list_bytes ${size}`);
  console.log(`check_ms ${stepped.stepped ? stepped.check.toFixed(0) : 'not shown (one call)'}`);
  console.log(`upload_to_report_ms ${stepped.upload.toFixed(0)}`);
  console.log(`longest_task_during_check_ms ${stepped.longestInCheck.toFixed(0)}`);
  console.log(`longest_task_upload_to_report_ms ${stepped.longestInUpload.toFixed(0)}`);
  console.log(`longest_event_loop_gap_during_check_ms ${stepped.longestTurnGap.toFixed(0)}`);
  if (process.env.SCHLINGO_BENCH_DETAIL) console.log(`# long tasks (ms after the upload, +duration): ${stepped.tasks}; ${stepped.at}`);
  console.log(`one_call_check_ms ${whole.time.toFixed(0)}`);
  const words = /(\d+) Wörter, davon nie zu gewinnen: (\d+)/.exec(stepped.report);
  console.log(`report_words ${words ? words[1] : 'none'} unwinnable ${words ? words[2] : 'none'}`);
  if (!words) {
    console.log(`FAILED: no word count in the report: ${stepped.report.slice(0, 300)}`);
    failed = true;
  }
} finally {
  await browser.close();
  await server.close();
}
process.exit(failed ? 1 : 0);
