#!/usr/bin/env node
// The browser edition for screen readers and keyboards, in headless Chromium,
// the site served from 127.0.0.1: on the start form, the files panel, a box
// and the game (a word after one guess), the violations axe-core finds
// (tests/web's copy, every rule but the experimental ones) and Lighthouse
// 12.2.3's accessibility score in its mobile and desktop presets (a user flow:
// the start form as a navigation, the rest as snapshots). Lighthouse is
// installed on first use into a folder of the system's temporary directory.
//
//   node bench/web-access.mjs [SITE]   (SITE: dist/web)
//
// Prints "NAME VALUE" lines, then the rows for the README's table.
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import {createRequire} from 'node:module';
import os from 'node:os';
import path from 'node:path';
import {pathToFileURL} from 'node:url';
import {launch, serve, startForm} from '../tests/web/browser.mjs';

const site = path.resolve(process.argv[2] || 'dist/web');
const require = createRequire(new URL('../tests/web/package.json', import.meta.url));
const axeSource = fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');
const lighthouseDir = path.join(os.tmpdir(), 'schlingo-lighthouse-12.2.3');
if (!fs.existsSync(path.join(lighthouseDir, 'node_modules', 'lighthouse'))) {
  execFileSync('npm', ['install', '--prefix', lighthouseDir, '--no-audit', '--no-fund',
                       '--loglevel=error', 'lighthouse@12.2.3'], {stdio: 'inherit'});
}
const {startFlow, desktopConfig} = await import(
  pathToFileURL(path.join(lighthouseDir, 'node_modules', 'lighthouse', 'core', 'index.js')).href);

const states = ['start form', 'files panel', 'box', 'game'];
const scores = {mobile: {}, desktop: {}};
const axeFound = {};
const settle = (ms = 300) => new Promise((resolve) => setTimeout(resolve, ms));

const server = await serve(site);
try {
  for (const preset of ['mobile', 'desktop']) {
    const browser = await launch();
    try {
      const page = await browser.newPage();
      const flow = await startFlow(page, {
        ...(preset === 'desktop' ? {config: desktopConfig} : {}),
        flags: {onlyCategories: ['accessibility']}
      });
      // Each state: Lighthouse's look, then (once) axe-core's.
      const look = async (state) => {
        if (state !== 'start form') await flow.snapshot({name: state});
        if (preset !== 'mobile') return;
        if (await page.evaluate(() => typeof axe === 'undefined')) await page.evaluate(axeSource);
        axeFound[state] = await page.evaluate(async () => (await axe.run(document)).violations.map(
          (v) => `${v.id} (${v.impact}, ${v.nodes.length})`));
      };
      await flow.navigate(server.url, {name: 'start form'});
      await startForm(page);
      await look('start form');
      await page.click('#files-button');
      await page.waitForSelector('#files-panel[open]');
      await look('files panel');
      await page.click('#files-close');
      await page.focus('#start-control-1');
      await page.keyboard.press('Enter');
      await page.waitForSelector('#message-box[open]');
      await look('box');
      for (let box = 0; box < 3; ++box) {
        await page.waitForSelector('#message-box[open]');
        await page.keyboard.press('Enter');
        await settle();
      }
      await page.waitForSelector('#game:not([hidden])');
      await page.keyboard.press('KeyE');
      await settle();
      await look('game');
      for (const step of (await flow.createFlowResult()).steps) {
        const category = step.lhr.categories.accessibility;
        const failing = category.auditRefs.filter((ref) => ref.weight > 0 &&
          step.lhr.audits[ref.id].score !== null && step.lhr.audits[ref.id].score < 1);
        scores[preset][step.name] = {score: Math.round(category.score * 100),
                                     failing: failing.map((ref) => ref.id)};
      }
    } finally {
      await browser.close();
    }
  }
} finally {
  await server.close();
}

for (const state of states) {
  const key = state.replace(/ /g, '_');
  console.log(`axe_violations_${key} ${axeFound[state].length}`);
  for (const preset of ['mobile', 'desktop']) {
    console.log(`lighthouse_accessibility_${preset}_${key} ${scores[preset][state].score}`);
  }
}
console.log('');
console.log('| state | axe-core violations | Lighthouse accessibility, mobile | desktop |');
console.log('|---|---|---|---|');
const named = (result) => result.score + (result.failing.length ? ` (${result.failing.join(', ')})` : '');
for (const state of states) {
  console.log(`| ${state} | ${axeFound[state].length ? axeFound[state].join(', ') : 'none'} | ` +
              `${named(scores.mobile[state])} | ${named(scores.desktop[state])} |`);
}
