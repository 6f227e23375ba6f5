// One tab plays: the tabs of this site agree on one player, the one that
// loads the program; a tab that another takes over stops for good.
const SchlingoTabs = (() => {
  'use strict';
  const $ = (id) => document.getElementById(id);
  const state = SchlingoState;
  const canvas = $('screen');
  const box = $('message-box');
  const panel = $('files-panel');

  // The tabs of this site agree on one player: through the Web Locks API
  // where the browser offers it (a secure context), else by asking over a
  // BroadcastChannel whether a tab plays. Either way the files store writes
  // only for the tab whose claim on the working folder is the last one
  // (files.js counts the claims in IndexedDB), so two tabs never both write,
  // even when they start at the same moment. No clock decides: a device's
  // time of day may be a day off, or jump while a game is played.
  const player = {id: Math.random().toString(36).slice(2) + Math.random().toString(36).slice(2)};
  const channel = typeof BroadcastChannel === 'function' ? new BroadcastChannel('schlingo') : null;
  let playing = false;
  let epoch = 0;      // this tab's claim, once made
  let laterClaim = 0; // the highest claim another tab told of
  let answer = null;  // the wait for a playing tab to say so
  if (channel) {
    channel.onmessage = (event) => {
      const message = event.data || {};
      if (message.from === player.id || state.stopped) return;
      if (message.type === 'who' && playing) channel.postMessage({type: 'here', from: player.id});
      else if (message.type === 'here' && answer) answer(true);
      else if (message.type === 'claimed' && typeof message.epoch === 'number') {
        laterClaim = Math.max(laterClaim, message.epoch);
        if (playing && epoch > 0 && laterClaim > epoch) stop();
      }
    };
  }

  function stop() {
    state.stopped = true;
    playing = false;
    if (window.Module) Module.schlingoStopped = true; // files.js claims and writes no more
    SchlingoEvents.drop();
    if (box.open) box.close();
    if (panel.open) panel.close();
    for (const id of ['start-form', 'game', 'ended', 'busy', 'loading']) $(id).hidden = true;
    $('files-button').disabled = true;
    $('stolen').hidden = false;
  }

  // How saving goes, from files.js: said once on the page, never in a box;
  // the player may put the notice away.
  function savingChanged(saving, claim) {
    if (saving === 'taken') stop();
    else if (saving === 'claimed' && !state.stopped) {
      epoch = claim;
      if (channel) channel.postMessage({type: 'claimed', from: player.id, epoch});
      if (laterClaim > epoch) stop();
    } else $('save-failed').hidden = saving !== 'failed';
  }
  $('save-failed-close').addEventListener('click', () => {
    $('save-failed').hidden = true;
    if (state.windowOpen && state.dialogsOpen === 0) canvas.focus({preventScroll: true});
  });

  function load() {
    playing = true;
    $('busy').hidden = true;
    $('loading').hidden = false;
    window.Module = {
      print: (text) => console.log(text),
      printErr: (text) => console.warn(text),
      schlingoPlayer: player,
      schlingoSaving: savingChanged,
      onRuntimeInitialized() {
        $('files-button').disabled = false;
      }
    };
    SchlingoBoot.start(window.Module);
  }

  function busy() {
    $('loading').hidden = true;
    $('busy').hidden = false;
    $('take-over').focus();
  }

  // Without locks: a playing tab answers within a few milliseconds, even in
  // the background.
  async function playUnlocked(takeOver) {
    if (!takeOver && channel) {
      const elsewhere = await new Promise((resolve) => {
        answer = resolve;
        channel.postMessage({type: 'who', from: player.id});
        setTimeout(() => resolve(false), 300);
      });
      answer = null;
      if (elsewhere) {
        busy();
        return;
      }
    }
    load();
  }

  function play(options) {
    if (!navigator.locks) {
      playUnlocked(!!options.steal);
      return;
    }
    navigator.locks.request('schlingo', options, (lock) => {
      if (!lock) {
        busy();
        return null;
      }
      load();
      return SchlingoEvents.never; // held for the page's life
    }).catch((error) => {
      if (error && error.name === 'AbortError') stop();
    });
  }
  $('take-over').addEventListener('click', () => play({steal: true}));
  $('take-back').addEventListener('click', () => {
    sessionStorage.setItem('schlingo-take-over', '1');
    location.reload();
  });

  const takeOver = sessionStorage.getItem('schlingo-take-over') === '1';
  sessionStorage.removeItem('schlingo-take-over');
  play(takeOver ? {steal: true} : {ifAvailable: true});

  return {}; // nothing calls the tabs' agreement: it calls the rest
})();
