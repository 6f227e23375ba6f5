// The browser edition on every host profile of hosts.mjs: in Chromium the
// whole game (play-whole-game.mjs --host) and then a second visit, a reload
// and a visit with the host gone; Firefox plays on the redirecting host and
// on the one that sends .gz encoded. Two runs at a time.
//
//   node tests/web/host-matrix.mjs [--only PROFILE,...] [SITE]   (SITE: dist/web)
//
// Prints one line per profile and engine (the game's checks, each visit,
// the first visit's bytes), the failed checks of a failed run below it, and
// ends with "N passed, N failed", a run a line; exits non-zero on a failure.
import {spawn} from 'node:child_process';
import path from 'node:path';
import {fileURLToPath} from 'node:url';
import {profiles} from './hosts.mjs';

const args = process.argv.slice(2);
let only = null;
while (args[0] && args[0].startsWith('--')) {
  const option = args.shift();
  if (option === '--only') only = args.shift().split(',');
  else throw new Error(`unknown option ${option}`);
}
const site = path.resolve(args[0] || 'dist/web');
const game = path.join(path.dirname(fileURLToPath(import.meta.url)), 'play-whole-game.mjs');

const runs = [...profiles.map((profile) => ({profile, engine: 'chromium'})),
              {profile: 'redirect', engine: 'firefox'}, {profile: 'encoded', engine: 'firefox'}]
  .filter((run) => !only || only.includes(run.profile));

// One run, at most four minutes; its output, parsed.
function play({profile, engine}) {
  return new Promise((resolve) => {
    const child = spawn(process.execPath, [game, '--engine', engine, '--host', profile, site],
                        {stdio: ['ignore', 'pipe', 'pipe']});
    let out = '';
    child.stdout.on('data', (data) => { out += data; });
    child.stderr.on('data', (data) => { out += data; });
    const timer = setTimeout(() => {
      out += 'FAILED: no end within four minutes\n';
      child.kill('SIGTERM');
    }, 240000);
    child.on('exit', (code) => {
      clearTimeout(timer);
      const visits = /^visits: second (\w+), reload (\w+), offline ([\w/]+)$/m.exec(out);
      const tally = /^(\d+) passed, (\d+) failed$/m.exec(out);
      const bytes = /^first visit: (\d+) bytes$/m.exec(out);
      resolve({
        ok: code === 0 && visits !== null, visits: visits ? visits.slice(1) : ['?', '?', '?'],
        tally: tally ? `${tally[1]}/${Number(tally[1]) + Number(tally[2])}` : '?',
        bytes: bytes ? bytes[1] : '?',
        failures: out.split('\n').filter((line) => /^FAILED|Error/.test(line)).slice(0, 8)
      });
    });
  });
}

// Each row is printed as its run ends, so a run cut short still shows the
// rows before it.
const started = Date.now();
let passed = 0, failed = 0;
function report({profile, engine}, r) {
  console.log(`${profile.padEnd(11)} ${engine.padEnd(9)} ${r.tally.padEnd(8)} ` +
              `${r.visits[0].padEnd(7)} ${r.visits[1].padEnd(7)} ${r.visits[2].padEnd(8)} ` +
              `${r.bytes} bytes  ${r.ok ? 'ok' : 'FAILED'}`);
  for (const line of r.ok ? [] : r.failures) console.log(`    ${line}`);
  if (r.ok) ++passed;
  else ++failed;
}
console.log('profile     engine    checks   second  reload  offline  first visit');
let next = 0;
async function worker() {
  while (next < runs.length) {
    const run = runs[next++];
    report(run, await play(run));
  }
}
await Promise.all([worker(), worker()]);
console.log(`${Math.round((Date.now() - started) / 1000)} s`);
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
