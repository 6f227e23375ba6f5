// How the page fits any screen from 320 CSS pixels up: the game's scale, the
// start form's layout, and the full-screen button. The game window and the
// start form call SchlingoFit.game and SchlingoFit.form; nothing here talks
// to the program.
const SchlingoFit = (() => {
  'use strict';
  const $ = (id) => document.getElementById(id);
  const coarse = matchMedia('(pointer: coarse)');

  // Device pixels per game pixel for a width x height game in a space of
  // `across` x `down` CSS pixels. A whole factor keeps every game pixel a
  // sharp square; it is taken wherever it fills enough of the binding side,
  // and on phones and tablets (a coarse pointer) that is 90 %, so that the
  // game there never leaves more than a tenth unused. Anywhere else the game
  // fills the side and is scaled nearest-neighbour (image-rendering).
  function scale(width, height, across, down, ratio, touch) {
    const most = Math.min(across * ratio / width, down * ratio / height);
    if (!(most > 0)) return 1;
    const whole = Math.floor(most);
    return whole >= 1 && whole / most >= (touch ? 0.9 : 0.85) ? whole : most;
  }

  // Sizes the canvas to the space left beside the game window's own parts.
  function game(canvas, across, down) {
    const ratio = window.devicePixelRatio || 1;
    const factor = scale(canvas.width, canvas.height, across, down, ratio, coarse.matches);
    canvas.style.width = (canvas.width * factor / ratio) + 'px';
    canvas.style.height = (canvas.height * factor / ratio) + 'px';
    canvas.dataset.factor = Number.isInteger(factor) ? String(factor) : factor.toFixed(3);
  }

  // --- the start form ------------------------------------------------------

  // The program places its controls in rows 20 pixels apart, too close for a
  // finger: rows are stretched to 26 pixels. Where the form is wider than the
  // screen, its group boxes go one below the other, their controls with them,
  // and the controls outside them share the narrower width.
  const stretch = 1.3;
  const gap = 6; // between stacked group boxes, in the program's pixels
  const frame = 4; // the form window's border and the client's margin

  function form(client) {
    const items = Array.from(client.children).map((element) => {
      if (!element.dataset.box) {
        const s = element.style;
        element.dataset.box = [s.left, s.top, s.width, s.height].map(parseFloat).join(',');
      }
      const [x, y, w, h] = element.dataset.box.split(',').map(Number);
      return {element, x, y, w, h};
    });
    if (!client.dataset.box) {
      client.dataset.box = [parseFloat(client.style.width), parseFloat(client.style.height)].join(',');
    }
    const [width, height] = client.dataset.box.split(',').map(Number);
    const room = Math.max(document.documentElement.clientWidth - 16 - frame, 240);
    const placed = new Map(items.map((item) => [item, {...item}]));
    let across = width, down = height;

    const groups = items.filter((item) => item.element.tagName === 'FIELDSET')
      .sort((a, b) => a.x - b.x || a.y - b.y);
    if (width > room && groups.length > 1) {
      across = room;
      const inside = (item, group) => item !== group && item.element.tagName !== 'FIELDSET' &&
          item.x + item.w / 2 > group.x && item.x + item.w / 2 < group.x + group.w &&
          item.y + item.h / 2 > group.y && item.y + item.h / 2 < group.y + group.h;
      const left = Math.min(...groups.map((g) => g.x));
      const top = Math.min(...groups.map((g) => g.y));
      const bottom = Math.max(...groups.map((g) => g.y + g.h));
      let next = top;
      for (const group of groups) {
        const to = placed.get(group);
        to.x = left;
        to.y = next;
        to.w = across - 2 * left;
        for (const item of items.filter((item) => inside(item, group))) {
          const at = placed.get(item);
          at.x = left + (item.x - group.x);
          at.y = next + (item.y - group.y);
          at.w = Math.max(item.w, to.w - (item.x - group.x) - 4);
        }
        next += group.h + gap;
      }
      const grown = next - gap - bottom;
      for (const item of items) {
        if (item.element.tagName === 'FIELDSET' || groups.some((g) => inside(item, g))) continue;
        const at = placed.get(item);
        at.x = item.x * across / width;
        at.w = item.w * across / width;
        if (item.y >= bottom) at.y = item.y + grown;
      }
      down = height + grown;
    }
    for (const [item, at] of placed) {
      const s = item.element.style;
      s.left = at.x + 'px';
      s.top = at.y * stretch + 'px';
      s.width = at.w + 'px';
      s.height = at.h * stretch + 'px';
    }
    client.style.width = across + 'px';
    client.style.height = down * stretch + 'px';
    client.parentElement.style.width = (across + frame) + 'px';
  }

  let formClient = null;
  function followForm(client) {
    formClient = client;
    form(client);
  }
  window.addEventListener('resize', () => {
    if (formClient && formClient.children.length > 0) form(formClient);
  });

  // --- full screen -----------------------------------------------------------

  // The Fullscreen API where the browser has one (not on iPhones: there the
  // page installed on the home screen runs without the browser's bars).
  function setUpFullscreen() {
    const button = $('fullscreen-button');
    if (!button) return;
    const root = document.documentElement;
    const enter = root.requestFullscreen || root.webkitRequestFullscreen;
    const leave = document.exitFullscreen || document.webkitExitFullscreen;
    const current = () => document.fullscreenElement || document.webkitFullscreenElement || null;
    if (!enter || !(document.fullscreenEnabled || document.webkitFullscreenEnabled)) return;
    const show = () => {
      button.textContent = current() ? 'Vollbild beenden' : 'Vollbild';
      button.setAttribute('aria-pressed', current() ? 'true' : 'false');
    };
    button.hidden = false;
    show();
    button.addEventListener('click', () => {
      const done = current() ? leave.call(document) : enter.call(root, {navigationUI: 'hide'});
      if (done && done.catch) done.catch(() => {});
      // The keys go back to the game, not to this button.
      const canvas = $('screen');
      if (canvas && !$('game').hidden) canvas.focus({preventScroll: true});
    });
    document.addEventListener('fullscreenchange', show);
    document.addEventListener('webkitfullscreenchange', show);
  }
  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', setUpFullscreen);
  else setUpFullscreen();

  return {scale, game, form: followForm};
})();
