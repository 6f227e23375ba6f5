// The browser edition on small and large screens and without a network, in
// headless Chromium: what the first visit costs, the start form on a 320-pixel
// phone, the game's size on a phone turned both ways and on two desktops, a
// tap at a fractional scale, and a second visit served by the service worker
// with the host gone.
//
//   node tests/web/fit-and-offline.mjs [SITE]   (SITE: dist/web)
//
// Ends with "N passed, N failed", one check a line; exits non-zero on a failure.
import path from 'node:path';
import {checks, field, launch, patience, serve, startForm} from './browser.mjs';

const site = path.resolve(process.argv[2] || 'dist/web');
const check = checks();

const phone = {width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true};
// The canvas's box in CSS pixels and the window's size.
const canvasBox = (page) => page.$eval('#screen', (c) => {
  const r = c.getBoundingClientRect();
  return {left: r.left, top: r.top, right: r.right, bottom: r.bottom, width: r.width,
          height: r.height, factor: c.dataset.factor, across: innerWidth, down: innerHeight};
});
const inside = (b) => b.left >= 0 && b.top >= 0 && b.right <= b.across + 0.5 && b.bottom <= b.down + 0.5;
const settle = () => new Promise((resolve) => setTimeout(resolve, 150));

// From the start form into a word: Enter, and Enter on each box that opens
// (the next box may open within the task that closed the one before).
async function openGame(page) {
  await page.keyboard.press('Enter');
  const end = Date.now() + 15000;
  while (!(await page.evaluate(() => !document.getElementById('game').hidden &&
                                     !document.getElementById('message-box').open))) {
    if (Date.now() > end) throw new Error('the game did not open');
    if (await page.$eval('#message-box', (box) => box.open)) await page.keyboard.press('Enter');
    await settle();
  }
}

const server = await serve(site);
const browser = await launch();
const problems = [];
try {
  // --- a phone: the first visit's bytes, the form at 320, the game both ways ---
  const page = await browser.newPage();
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  await page.setViewport({...phone, width: 320, height: 568});
  await page.goto(server.url);
  await startForm(page);
  // Everything a first visit loads, the service worker's copies included.
  await page.evaluate(() => navigator.serviceWorker.ready);
  await page.waitForNetworkIdle({idleTime: 300});
  const bytes = server.sent();
  console.log(`first visit: ${bytes} bytes`);
  // A loose guard: about 151 KB now (docs/performance.md); a big slip fails.
  check(bytes <= 160 * 1024, 'the first visit sends at most 160 KB', bytes);

  const form = await page.$eval('#start-form', (f) => {
    const r = f.getBoundingClientRect();
    const small = [...f.querySelectorAll('input, button')].map((e) => e.getBoundingClientRect())
      .filter((b) => b.width < 24 || b.height < 24).length;
    return {left: r.left, right: r.right, scrolls: f.scrollHeight > f.clientHeight + 1, small,
            across: innerWidth};
  });
  check(form.left >= 0 && form.right <= form.across, 'the start form fits 320 pixels', form);
  check(form.small === 0, 'every control of the form is at least 24 x 24', form.small);
  // Whatever the form needs is reachable by scrolling it, down to "Beenden".
  const last = await page.$eval('#start-form', (f) => {
    const quit = [...f.querySelectorAll('button')].find((b) => b.textContent === 'Beenden');
    quit.scrollIntoView();
    const r = quit.getBoundingClientRect();
    return r.bottom <= innerHeight && r.top >= 0;
  });
  check(last, '"Beenden" scrolls into view on a 320 x 568 phone');

  await page.setViewport(phone);
  await settle();
  await openGame(page);
  await settle();
  const upright = await canvasBox(page);
  check(inside(upright) && upright.width >= 0.95 * upright.across,
        'upright, the game spans the phone\'s width', upright);
  check(await page.$eval('#turn-hint', (e) => getComputedStyle(e).display !== 'none'),
        'upright, the phone is asked to be turned');
  await page.setViewport({...phone, width: 844, height: 390});
  await settle();
  const sideways = await canvasBox(page);
  check(inside(sideways) && Math.max(sideways.width / sideways.across,
                                     sideways.height / (sideways.down - 56)) >= 0.9,
        'sideways, the game fills 90 % of the binding side', sideways);
  check(await page.$eval('#turn-hint', (e) => getComputedStyle(e).display === 'none'),
        'sideways, no hint to turn it');
  // A tap on the field of a, at a scale that is no whole factor.
  await page.touchscreen.tap(sideways.left + 30.5 * sideways.width / 940,
                             sideways.top + 220.5 * sideways.height / 320);
  await page.waitForFunction((f) => {
    const data = document.getElementById('screen').getContext('2d')
      .getImageData(f[0], f[1], f[2] - f[0] + 1, f[3] - f[1] + 1).data;
    return data.every((v, i) => i % 4 === 3 || v === 0);
  }, {timeout: patience}, field.a).then(() => check(true), () => check(false, 'a tap blacks out the a'));

  // --- desktops: too narrow for the game, and wide enough for factor 2 ---
  // Its own context: the phone's tab holds the one-tab lock.
  const context = await browser.createBrowserContext();
  const desk = await context.newPage();
  await desk.setViewport({width: 800, height: 600});
  await desk.goto(server.url);
  await startForm(desk);
  await openGame(desk);
  await settle();
  const narrow = await canvasBox(desk);
  const quit = await desk.$eval('#quit-button', (b) => b.getBoundingClientRect().right);
  check(inside(narrow) && quit <= 800, 'on 800 x 600 the game and "Beenden" are all inside',
        {narrow, quit});
  await desk.setViewport({width: 1920, height: 1080});
  await settle();
  const wide = await canvasBox(desk);
  check(wide.factor === '2' && wide.width === 1880, 'on 1920 x 1080 the factor is a whole 2', wide);
  await context.close();

  // --- the second visit, with the host gone ---
  await server.close();
  await page.reload();
  await startForm(page, 10000).then(() => check(true),
                                    () => check(false, 'the second visit plays offline'));
} catch (error) {
  check(false, `the run went on: ${error.stack}`);
} finally {
  await browser.close();
  await server.close().catch(() => {});
}
for (const problem of problems) check(false, problem);
check.end();
