// The game window: the canvas with its title and close box, whether it is in
// front and active, its size, the pointer and the keys while it is in front,
// and the page that says the program has ended.
const SchlingoGame = (() => {
  'use strict';
  const $ = (id) => document.getElementById(id);
  const state = SchlingoState;
  const events = SchlingoEvents;
  const kinds = events.kinds;

  const game = $('game');
  const canvas = $('screen');
  const context = canvas.getContext('2d', {alpha: false});
  const form = $('start-form');

  // The game window is in front: no start form or box over it. The page has
  // the focus too when its window is the foreground one.
  function gameShown() {
    return state.windowOpen && state.dialogsOpen === 0 && form.hidden && !state.stopped;
  }
  function gameActive() {
    return gameShown() && state.pageFocused && document.visibilityState === 'visible';
  }
  let lastActive = false;
  function activationChanged() {
    $('quit-button').disabled = !gameShown();
    const now = gameActive();
    if (now === lastActive) return;
    lastActive = now;
    events.send(kinds.Focus, 0, now ? 1 : 0);
  }
  // A key or a press on the page says it has the focus.
  function focusSeen() {
    if (state.pageFocused) return;
    state.pageFocused = true;
    activationChanged();
  }
  window.addEventListener('focus', () => { state.pageFocused = true; activationChanged(); });
  window.addEventListener('blur', () => { state.pageFocused = false; activationChanged(); });
  document.addEventListener('visibilitychange', activationChanged);

  // The game as large as the stage allows beside the game window's own parts
  // (SchlingoFit decides the factor); it follows devicePixelRatio too.
  function fit() {
    if (!state.windowOpen) return;
    const stage = $('stage');
    const around = game.offsetHeight - canvas.offsetHeight;
    SchlingoFit.game(canvas, stage.clientWidth - 2, stage.clientHeight - around);
  }
  let ratioQuery = null;
  function followRatio() {
    if (ratioQuery) ratioQuery.removeEventListener('change', followRatio);
    ratioQuery = matchMedia('(resolution: ' + (window.devicePixelRatio || 1) + 'dppx)');
    ratioQuery.addEventListener('change', followRatio);
    fit();
  }
  window.addEventListener('resize', fit);

  function utf8Title(title) {
    $('game-title').textContent = title;
    document.title = title;
  }

  // False when the canvas has no 2D context: no window can be made.
  function open(width, height, title) {
    if (state.stopped) return true; // a tab taken over shows nothing more
    if (!context) return false;
    canvas.width = width;
    canvas.height = height;
    context.fillStyle = '#000';
    context.fillRect(0, 0, width, height);
    utf8Title(title);
    state.windowOpen = true;
    game.hidden = false;
    $('loading').hidden = true;
    followRatio();
    focus();
    lastActive = gameActive();
    $('quit-button').disabled = !gameShown();
    return true;
  }
  function focus() {
    canvas.focus({preventScroll: true});
  }

  // The key that ends a word paints its letter and opens a box in one task:
  // the browser would show both in one frame, held back by the box's layout.
  // A box waits until the frame with the canvas's last paint is on screen.
  let unseen = null;
  function paintedUnseen() {
    if (unseen || document.visibilityState !== 'visible') return;
    unseen = new Promise((resolve) => {
      const shown = () => {
        clearTimeout(timer);
        unseen = null;
        resolve();
      };
      // A page that makes no frames waits no longer than this; a busy
      // machine can take well over 100 ms for a frame, and a box shown
      // before it would hide the letter again.
      const timer = setTimeout(shown, 500);
      requestAnimationFrame(() => setTimeout(shown, 0));
    });
  }
  function seen() {
    return unseen || Promise.resolve();
  }
  function paint(rgba, width, firstRow, rows) {
    const pixels = new Uint8ClampedArray(rgba.buffer, rgba.byteOffset, rgba.length);
    context.putImageData(new ImageData(pixels, width, rows), 0, firstRow);
    paintedUnseen();
  }

  // Pointer and touch, in game pixels: the position first, so that a press
  // goes down where it was made. While a button is down the canvas keeps
  // the pointer, as the desktop window does.
  let buttonsSent = 0;
  function pointer(event, buttons) {
    const box = canvas.getBoundingClientRect();
    const x = Math.floor((event.clientX - box.left) * canvas.width / box.width);
    const y = Math.floor((event.clientY - box.top) * canvas.height / box.height);
    const inside = x >= 0 && y >= 0 && x < canvas.width && y < canvas.height &&
        event.type !== 'pointerleave';
    events.send(kinds.Pointer, 0, inside ? 1 : 0, x, y);
    const touch = event.pointerType === 'touch' ? 8 : 0;
    for (let bit = 0; bit < 5; ++bit) {
      if ((buttons ^ buttonsSent) & (1 << bit)) {
        events.send(kinds.Button, bit, (buttons >> bit & 1) | touch);
      }
    }
    buttonsSent = buttons & 0x1f;
  }
  canvas.tabIndex = 0;
  canvas.addEventListener('pointerdown', (event) => {
    focusSeen();
    canvas.setPointerCapture(event.pointerId);
    focus();
    pointer(event, event.buttons);
    event.preventDefault();
  });
  canvas.addEventListener('pointermove', (event) => pointer(event, event.buttons));
  canvas.addEventListener('pointerup', (event) => pointer(event, event.buttons));
  canvas.addEventListener('pointercancel', (event) => pointer(event, 0));
  canvas.addEventListener('pointerleave', (event) => pointer(event, 0));
  canvas.addEventListener('contextmenu', (event) => event.preventDefault());
  // A tap's click would land on whatever it opened under the finger (the form).
  canvas.addEventListener('touchend', (event) => event.preventDefault());
  canvas.addEventListener('wheel', (event) => {
    event.preventDefault();
    if (event.deltaY === 0) return;
    events.send(kinds.Wheel, event.deltaY < 0 ? 1 : -1); // + away from the player
  }, {passive: false});

  function keyEvent(event, down) {
    // Keys while the start form or a box is open are theirs, also one whose
    // box has closed on it by the time it gets here: never the game's.
    if (!gameShown() || event.defaultPrevented) return;
    focusSeen();
    if (events.key(event, down)) event.preventDefault();
  }
  document.addEventListener('keydown', (event) => keyEvent(event, true));
  document.addEventListener('keyup', (event) => keyEvent(event, false));

  // The window's close box: the game ends as on the desktops. While the start
  // form or a box is open it is theirs to end (and the button is off).
  $('quit-button').addEventListener('click', () => {
    if (!gameShown()) return;
    events.send(kinds.Close);
    focus();
  });

  // --- the end of the program ----------------------------------------------

  async function end(code) {
    // Saves that work take milliseconds; one that hangs does not keep the
    // end from being shown (it goes on behind it).
    await Promise.race([Module.schlingoFiles.saved(),
                        new Promise((resolve) => setTimeout(resolve, 3000))]);
    state.windowOpen = false;
    activationChanged();
    game.hidden = true;
    form.hidden = true;
    $('ended').hidden = false;
    document.title = 'Schlingo';
    document.documentElement.dataset.schlingoEnded = String(code);
    console.log('Schlingo: Programm beendet (' + code + ')');
    $('restart').focus();
    await events.never;
  }
  $('restart').addEventListener('click', () => location.reload());

  return {
    open,
    setTitle: utf8Title,
    gameActive,
    activationChanged,
    focusSeen,
    focus,
    paint,
    seen,
    pointer,
    end
  };
})();
