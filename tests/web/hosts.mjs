// The static hosts the browser edition is tried on, each a profile name:
//   heuristic   dates only, as python's server (browsers guess a lifetime)
//   redirect    /index.html answered with a 301 to the folder
//   encoded     .gz files sent with Content-Encoding: gzip
//   no-store    Cache-Control: no-store on everything
//   etag        an ETag and no date
//   year        max-age of a year on everything
//   folder      the game at /spiele/schlingo/
//   two-builds  two different builds at /a/ and /b/ of one host
//   nginx       Debian's nginx with a config of its own
//   lan         plain http where the browser sees no secure context
//   update      a new build uploaded over the one played, at /spiel/
//   half-upload one file of the site not yet the build's (its icon), so
//               no offline copy can be made: the game plays online
// host(profile, site) starts one (closed by its close()); revisits() is what
// follows a whole game on it: a second visit, a reload and a visit with the
// host gone, each of which must reach a word.
import {spawn} from 'node:child_process';
import crypto from 'node:crypto';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import {patience, serve} from './browser.mjs';

export const profiles = ['heuristic', 'redirect', 'encoded', 'no-store', 'etag', 'year', 'folder',
                         'two-builds', 'update', 'nginx', 'lan', 'half-upload'];

// What the offline copy holds.
const kept = ['index.html', 'schlingo.css', 'schlingo-48.png', 'schlingo.webmanifest',
              'schlingo-page.js.gz', 'schlingo.js.gz', 'schlingo.wasm.gz', 'schlingo.data.gz'];

const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const sha256 = (bytes) => crypto.createHash('sha256').update(bytes).digest('hex');

// The site at `to` made another build, marked in its page and its style
// sheet (so that a page can tell which build each came from), and its
// worker told so.
export function otherBuild(site, to, mark) {
  if (site !== to) fs.cpSync(site, to, {recursive: true});
  const worker = path.join(to, 'schlingo-sw.js');
  let code = fs.readFileSync(worker, 'utf8');
  for (const [name, comment] of [['index.html', `<!-- ${mark} -->\n`], ['schlingo.css', `/* ${mark} */\n`]]) {
    const file = path.join(to, name);
    const before = sha256(fs.readFileSync(file));
    fs.appendFileSync(file, comment);
    if (!code.includes(before)) throw new Error(`${worker}: no hash of ${name} to change`);
    code = code.replace(before, sha256(fs.readFileSync(file)));
  }
  fs.writeFileSync(worker, code.replace(/const build = '([0-9a-f]+)'/,
                                        (_, build) => `const build = '${sha256(build + mark).slice(0, 16)}'`));
}

// Which build the page in `page` is, and which its style sheet is (as the
// page fetches it now): the marks of otherBuild(), '' for the site as built.
const builds = (page) => page.evaluate(async () => {
  const last = document.lastChild;
  const css = await (await fetch('schlingo.css')).text();
  return [last.nodeType === Node.COMMENT_NODE ? last.data.trim() : '',
          (/\/\* (\w+) \*\/\n$/.exec(css) || ['', ''])[1]];
});

// A port of 20000-20999 nobody listens on just now.
async function freePort() {
  for (;;) {
    const port = 20000 + Math.floor(Math.random() * 1000);
    const free = await new Promise((resolve) => {
      const probe = net.createServer().once('error', () => resolve(false))
        .listen(port, '127.0.0.1', () => probe.close(() => resolve(true)));
    });
    if (free) return port;
  }
}

// Debian's nginx as it comes, but with a config, logs and temp files of its
// own; every response's size goes to its access log, which sent() adds up.
async function nginx(site) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'schlingo-nginx-'));
  const port = await freePort();
  const temp = ['client_body', 'proxy', 'fastcgi', 'uwsgi', 'scgi']
    .map((kind) => `${kind}_temp_path ${dir}/${kind};`).join('\n  ');
  fs.writeFileSync(path.join(dir, 'nginx.conf'), `
${process.getuid && process.getuid() === 0 ? 'user root;' : ''}
worker_processes 1;
pid ${dir}/nginx.pid;
error_log ${dir}/error.log;
events { worker_connections 64; }
http {
  include /etc/nginx/mime.types;
  log_format sizes '$bytes_sent';
  access_log ${dir}/access.log sizes;
  ${temp}
  server {
    listen 127.0.0.1:${port};
    root ${site};
  }
}
`);
  const nginxProcess = spawn('nginx', ['-c', path.join(dir, 'nginx.conf'), '-g', 'daemon off;'],
                         {stdio: ['ignore', 'ignore', 'inherit']});
  const exited = new Promise((resolve) => nginxProcess.once('exit', resolve));
  for (let tries = 0; ; ++tries) {
    const up = await new Promise((resolve) => {
      const socket = net.connect(port, '127.0.0.1', () => socket.end(() => resolve(true)));
      socket.once('error', () => resolve(false));
    });
    if (up) break;
    if (tries > 100 || nginxProcess.exitCode !== null) throw new Error('nginx did not start');
    await pause(50);
  }
  let closed = null;
  return {
    url: `http://127.0.0.1:${port}/`,
    sent: () => {
      const log = path.join(dir, 'access.log');
      return fs.existsSync(log) ? fs.readFileSync(log, 'utf8').split('\n')
        .reduce((sum, line) => sum + (Number(line) || 0), 0) : 0;
    },
    close: () => closed || (closed = (async () => {
      nginxProcess.kill('SIGQUIT');
      const timer = setTimeout(() => nginxProcess.kill('SIGKILL'), 3000);
      await exited;
      clearTimeout(timer);
      fs.rmSync(dir, {recursive: true, force: true});
    })())
  };
}

export async function host(profile, site) {
  if (profile === 'nginx') return {...await nginx(site), profile, plain: false, copy: true};
  const switches = {
    heuristic: {}, redirect: {redirect: true}, encoded: {encoded: true},
    'no-store': {cache: 'no-store'}, etag: {cache: 'etag'}, year: {cache: 'year'},
    folder: {folder: 'spiele/schlingo/'}, 'two-builds': {folder: 'a/'}, lan: {plain: true},
    'half-upload': {folder: 'neu/'}, update: {folder: 'spiel/'}
  }[profile];
  if (!switches) throw new Error(`no host profile ${profile}`);
  let root = site, temp = null;
  if (switches.folder) {
    temp = root = fs.mkdtempSync(path.join(os.tmpdir(), 'schlingo-host-'));
    fs.cpSync(site, path.join(root, switches.folder), {recursive: true});
    if (profile === 'two-builds') otherBuild(site, path.join(root, 'b'), 'b');
    if (profile === 'half-upload') fs.appendFileSync(path.join(root, 'neu/schlingo-48.png'), 'x');
  }
  const server = await serve(root, switches);
  const close = server.close;
  return {
    ...server, profile, plain: Boolean(switches.plain), copy: profile !== 'half-upload',
    other: profile === 'two-builds' ? new URL('../b/', server.url).href : null,
    // The new build written over the old one in its folder.
    deploy: profile === 'update' ? () => otherBuild(...Array(2).fill(path.join(root, 'spiel')), 'neu')
      : null,
    close: async () => {
      await close();
      if (temp) fs.rmSync(temp, {recursive: true, force: true});
    }
  };
}

// What the host sent until it has been quiet for a second (the service
// worker fetches its copy after the page has started).
export async function settled(server) {
  let last = -1;
  for (let end = Date.now() + 15000; Date.now() < end && server.sent() !== last;) {
    last = server.sent();
    await pause(1000);
  }
  return last;
}

// A visit that plays: the start form, Enter, Enter on each box, a word.
async function plays(page, go) {
  try {
    await go();
    await page.waitFor(() => !document.getElementById('start-form').hidden, {timeout: patience});
    await page.press('Enter');
    for (let end = Date.now() + patience; ;) {
      const [box, game] = await page.evaluate(() => [document.getElementById('message-box').open,
                                                     !document.getElementById('game').hidden]);
      if (game && !box) return true;
      if (Date.now() > end) return false;
      if (box) await page.press('Enter');
      await pause(100);
    }
  } catch {
    return false;
  }
}

const controlled = (page) => page.evaluate(() => Boolean(navigator.serviceWorker &&
                                                          navigator.serviceWorker.controller));
// For the folder of `url`: how many of the kept files each cache of the
// origin holds that has any of them.
const copies = (page, url) => page.evaluate(async (url, kept) => {
  const found = [];
  for (const name of await caches.keys()) {
    const urls = (await (await caches.open(name)).keys()).map((request) => request.url);
    const held = kept.filter((file) => urls.includes(new URL(file, url).href)).length;
    if (held > 0) found.push(held);
  }
  return found;
}, url, kept);

// After a whole game on `server` in `browser` (its tabs closed): another
// build first where the host has one, then the three visits. Prints
// "visits: second yes, reload yes, offline yes" (offline "n/a" where no
// worker can run) and checks each.
export async function revisits(browser, server, check) {
  const page = await browser.newPage();
  if (server.other) {
    const other = await plays(page, () => page.goto(server.other));
    check(other, 'the other build plays beside this one');
    // Its worker in charge, and so done with whatever it clears away.
    await page.waitFor(() => Promise.race([
      navigator.serviceWorker.ready.then((r) => r.active.state === 'activated'),
      new Promise((resolve) => setTimeout(() => resolve(false), 500))]), {timeout: patience})
      .catch(() => {});
  }
  // Copies as builds before kept them, unnamed by folder: this folder's and
  // another's. The next build here drops only this folder's.
  const legacy = {'schlingo-00000000000000a1': server.url, 'schlingo-00000000000000b2': '/anders/'};
  if (server.deploy) {
    await page.goto(server.url);
    await page.evaluate(async (legacy) => {
      for (const [name, folder] of Object.entries(legacy)) {
        await (await caches.open(name)).put(new URL('index.html', new URL(folder, location)), new Response('x'));
      }
    }, legacy);
    server.deploy();
  }
  const second = await plays(page, () => page.goto(server.url));
  check(second, `${server.profile}: the second visit plays`);
  const worker = !server.plain && server.copy;
  if (worker) {
    check(await controlled(page).catch(() => false),
          `${server.profile}: the second visit comes from the offline copy`);
  }
  // The build played, whole: what a reload and the offline visit must show.
  const mark = server.deploy ? 'neu' : '';
  if (server.deploy) {
    // The new build's worker takes over once this page has all it needs.
    await page.waitFor(async (mark) =>
      (await navigator.serviceWorker.getRegistration()).active.state === 'activated' &&
      (await fetch('schlingo.css').then((r) => r.text())).endsWith(`/* ${mark} */\n`),
                       mark, {timeout: patience}).catch(() => {});
  }
  // One whole copy per folder, and none at all where it cannot be made.
  for (const url of [server.url, server.other].filter((url) => url && !server.plain)) {
    const held = await copies(page, url).catch((error) => String(error));
    check(JSON.stringify(held) === JSON.stringify(server.copy ? [kept.length] : []),
          `${server.profile}: ${url} has ${server.copy ? 'one whole copy' : 'no copy'}`, held);
  }
  if (server.deploy) {
    const left = await page.evaluate(() => caches.keys()).catch((error) => [String(error)]);
    check(!left.includes(Object.keys(legacy)[0]) && left.includes(Object.keys(legacy)[1]),
          'a new build drops the copy an old one kept for its folder, and no other folder\'s', left);
  }
  const reload = await plays(page, () => page.reload());
  check(reload, `${server.profile}: the reload plays`);
  const whole = async (visit) => {
    const seen = await builds(page).catch((error) => String(error));
    check(JSON.stringify(seen) === JSON.stringify([mark, mark]),
          `${server.profile}: ${visit} shows one build, the one uploaded last`, seen);
  };
  await whole('the reload');
  let offline = 'n/a';
  if (worker) {
    await server.close();
    // Only the worker may answer, not the HTTP cache.
    if (page.httpCache) await page.httpCache(false);
    offline = await plays(page, () => page.goto(server.url));
    check(offline, `${server.profile}: the visit with the host gone plays`);
    await whole('the visit with the host gone');
  }
  const said = (ok) => (ok === 'n/a' ? ok : ok ? 'yes' : 'no');
  console.log(`visits: second ${said(second)}, reload ${said(reload)}, offline ${said(offline)}`);
  await page.close();
}
