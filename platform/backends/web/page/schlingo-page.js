// The page around the program (schlingo.js / schlingo.wasm). The program's
// back end (platform/backends/web/web_backend.cpp) calls SchlingoPage for everything a
// desktop would do: the game window (a canvas), the start window (a form),
// message boxes (modal dialogs) and the end of the process. Window events
// are handed to the program through its one exported function,
// schlingo_event, while it waits.
'use strict';

(function () {
  const $ = (id) => document.getElementById(id);

  // --- handing events to the program ---------------------------------------

  // Kinds as the program's InputEvent numbers them; flags 1: down, inside or
  // gained, 2: extended or Shift, 4: Ctrl, 8: from a touch screen.
  const KEY_DOWN = 0, KEY_UP = 1, TYPED = 2, NAMED = 3, POINTER = 4, BUTTON = 5, WHEEL = 6,
      CLOSE = 7, FOCUS = 8;
  // Events not yet taken (the program answers 0 while it holds its display
  // lock), and the program's wait for the next one.
  const queue = [];
  let waiter = null;
  let arrived = false; // an event was taken since the program's wait began
  let stopped = false; // another tab plays now: nothing reaches the program

  function send(kind, code = 0, flags = 0, x = 0, y = 0) {
    if (stopped) return;
    queue.push([kind, code, x, y, flags]);
    flush();
  }
  function flush() {
    while (queue.length > 0 && Module._schlingo_event(...queue[0]) !== 0) {
      queue.shift();
      arrived = true;
    }
    if (waiter && arrived) {
      const wake = waiter;
      waiter = null;
      wake();
    }
  }
  const never = new Promise(() => {});

  // One turn of the event loop, without the clamp of a timer of 0 ms.
  const turn = new MessageChannel();
  let turned = null;
  turn.port1.onmessage = () => turned();
  async function awaitEvents(ms) {
    if (stopped) return never;
    arrived = false;
    await new Promise((resolve) => {
      turned = resolve;
      turn.port2.postMessage(0);
    });
    flush();
    if (ms !== 0 && !arrived) {
      await new Promise((resolve) => {
        const timer = ms > 0 ? setTimeout(() => { waiter = null; resolve(); }, ms) : null;
        waiter = () => {
          clearTimeout(timer);
          resolve();
        };
      });
    }
    if (stopped) await never;
  }

  // --- the game window -----------------------------------------------------

  const game = $('game');
  const canvas = $('screen');
  const context = canvas.getContext('2d', {alpha: false});
  let windowOpen = false;
  let dialogsOpen = 0;

  // The game window is in front: no start form or box over it. The page has
  // the focus too when its window is the foreground one; a key or a press on
  // the page tells so as well (a driven browser may not report focus).
  let pageFocused = document.hasFocus();
  function gameShown() {
    return windowOpen && dialogsOpen === 0 && form.hidden && !stopped;
  }
  function gameActive() {
    return gameShown() && pageFocused && document.visibilityState === 'visible';
  }
  let lastActive = false;
  function activationChanged() {
    $('quit-button').disabled = !gameShown();
    const now = gameActive();
    if (now === lastActive) return;
    lastActive = now;
    send(FOCUS, 0, now ? 1 : 0);
  }
  window.addEventListener('focus', () => { pageFocused = true; activationChanged(); });
  window.addEventListener('blur', () => { pageFocused = false; activationChanged(); });
  document.addEventListener('visibilitychange', activationChanged);

  // The game as large as the stage allows beside the game window's own parts
  // (SchlingoFit decides the factor); it follows devicePixelRatio too.
  function fit() {
    if (!windowOpen) return;
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
    send(POINTER, 0, inside ? 1 : 0, x, y);
    const touch = event.pointerType === 'touch' ? 8 : 0;
    for (let bit = 0; bit < 5; ++bit) {
      if ((buttons ^ buttonsSent) & (1 << bit)) send(BUTTON, bit, (buttons >> bit & 1) | touch);
    }
    buttonsSent = buttons & 0x1f;
  }
  canvas.tabIndex = 0;
  canvas.addEventListener('pointerdown', (event) => {
    if (!pageFocused) {
      pageFocused = true;
      activationChanged();
    }
    canvas.setPointerCapture(event.pointerId);
    canvas.focus({preventScroll: true});
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
    send(WHEEL, event.deltaY < 0 ? 1 : -1); // + away from the player
  }, {passive: false});

  // Keys by their place on the keyboard (KeyboardEvent.code) as set-1 scan
  // codes: [code, extended]. The German Z sits where `code` says KeyY.
  const scanCodes = (() => {
    const table = {};
    const letters = [30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                     49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44];
    letters.forEach((code, i) => { table['Key' + String.fromCharCode(65 + i)] = [code, 0]; });
    for (let i = 1; i <= 9; ++i) table['Digit' + i] = [1 + i, 0];
    table.Digit0 = [11, 0];
    const plain = {
      Escape: 1, Minus: 12, Equal: 13, Backspace: 14, Tab: 15, BracketLeft: 26,
      BracketRight: 27, Enter: 28, ControlLeft: 29, Semicolon: 39, Quote: 40, Backquote: 41,
      ShiftLeft: 42, Backslash: 43, IntlHash: 43, Comma: 51, Period: 52, Slash: 53,
      ShiftRight: 54, NumpadMultiply: 55, AltLeft: 56, Space: 57, CapsLock: 58, NumLock: 69,
      ScrollLock: 70, Numpad7: 71, Numpad8: 72, Numpad9: 73, NumpadSubtract: 74, Numpad4: 75,
      Numpad5: 76, Numpad6: 77, NumpadAdd: 78, Numpad1: 79, Numpad2: 80, Numpad3: 81,
      Numpad0: 82, NumpadDecimal: 83, IntlBackslash: 86, F11: 87, F12: 88, NumpadEqual: 89,
      IntlRo: 115, IntlYen: 125
    };
    for (const name in plain) table[name] = [plain[name], 0];
    for (let i = 1; i <= 10; ++i) table['F' + i] = [58 + i, 0];
    const extended = {
      NumpadEnter: 28, ControlRight: 29, NumpadDivide: 53, PrintScreen: 55, AltRight: 56,
      Pause: 69, Home: 71, ArrowUp: 72, PageUp: 73, ArrowLeft: 75, ArrowRight: 77, End: 79,
      ArrowDown: 80, PageDown: 81, Insert: 82, Delete: 83, MetaLeft: 91, MetaRight: 92,
      ContextMenu: 93
    };
    for (const name in extended) table[name] = [extended[name], 1];
    return table;
  })();
  // Keys without a character, as NamedKey numbers them.
  const namedKeys = ['ArrowUp', 'ArrowDown', 'ArrowLeft', 'ArrowRight', 'Insert', 'Delete',
                     'Home', 'End', 'PageUp', 'PageDown', 'F1', 'F2', 'F3', 'F4', 'F5', 'F6',
                     'F7', 'F8', 'F9', 'F10', 'F11', 'F12'];

  // What a key-down types, as the desktops post it: [kind, code, flags].
  function typed(event) {
    const altGr = event.getModifierState && event.getModifierState('AltGraph');
    const ctrl = event.ctrlKey && !altGr, alt = event.altKey && !altGr;
    if (alt) return null; // system keys post nothing
    const key = event.key;
    let point = {Escape: 27, Enter: ctrl ? 10 : 13, Backspace: ctrl ? 127 : 8,
                 Tab: ctrl ? -1 : 9}[key];
    if (point === undefined && ctrl && /^[a-zA-Z ]$/.test(key)) {
      point = key === ' ' ? 32 : key.toLowerCase().charCodeAt(0) - 96;
    }
    const named = namedKeys.indexOf(key);
    if (point === undefined && named >= 0) {
      return [NAMED, named, (event.shiftKey ? 2 : 0) | (ctrl ? 4 : 0)];
    }
    // Ctrl alone types only control characters; "Shift", "Dead" … none.
    if (point === undefined && !ctrl && Array.from(key).length === 1) {
      point = key.codePointAt(0);
      if (point < 0x20 || point === 0x7f) point = -1;
    }
    return point === undefined || point < 0 ? null : [TYPED, point, 0];
  }

  // Browser keys that stay the browser's.
  function browserKey(event) {
    return event.metaKey || event.key === 'F5' || event.key === 'F11' || event.key === 'F12' ||
        (event.ctrlKey && event.shiftKey && (event.code === 'KeyI' || event.code === 'KeyJ'));
  }

  function keyEvent(event, down) {
    // Keys while the start form or a box is open are theirs, also one whose
    // box has closed on it by the time it gets here: never the game's.
    if (!gameShown() || event.defaultPrevented) return;
    if (!pageFocused) {
      pageFocused = true;
      activationChanged();
    }
    const place = scanCodes[event.code];
    if (place) send(down ? KEY_DOWN : KEY_UP, place[0], place[1] ? 2 : 0);
    const post = down ? typed(event) : null;
    if (post) send(...post);
    if (!browserKey(event)) event.preventDefault();
  }
  document.addEventListener('keydown', (event) => keyEvent(event, true));
  document.addEventListener('keyup', (event) => keyEvent(event, false));

  // The window's close box: the game ends as on the desktops. While the start
  // form or a box is open it is theirs to end (and the button is off).
  $('quit-button').addEventListener('click', () => {
    if (!gameShown()) return;
    send(CLOSE);
    canvas.focus({preventScroll: true});
  });

  // --- the start window ----------------------------------------------------

  const form = $('start-form');
  const client = $('start-client');
  let defaultButton = null;
  let formClicks = [];
  let formWaiter = null;
  function formClick(value) {
    formClicks.push(value);
    if (formWaiter) {
      const wake = formWaiter;
      formWaiter = null;
      wake();
    }
  }
  $('start-close').addEventListener('click', () => formClick(-1));

  // Kinds as StartWindow::Kind numbers them.
  const GROUP_BOX = 0, RADIO = 1, CHECK = 2, PUSH = 3;

  function openForm(title, outerWidth, outerHeight, description) {
    $('start-title').textContent = title;
    client.textContent = '';
    formClicks = [];
    // Client area of a window with a 23 px caption and a 3 px frame.
    client.style.width = (outerWidth - 6) + 'px';
    client.style.height = (outerHeight - 26) + 'px';
    form.style.width = (outerWidth - 2) + 'px';
    let group = 0;
    const inputs = [];
    defaultButton = null;
    description.split('\n').filter((line) => line !== '').forEach((line, index) => {
      const [kind, x, y, w, h, startsGroup, checked, caption] = line.split('\t');
      if (startsGroup === '1') ++group;
      let element;
      const id = 'start-control-' + index;
      if (+kind === GROUP_BOX) {
        element = document.createElement('fieldset');
        const legend = document.createElement('legend');
        legend.textContent = caption;
        element.appendChild(legend);
        element.id = id;
      } else if (+kind === PUSH) {
        element = document.createElement('button');
        element.type = 'button';
        if (!defaultButton) defaultButton = element; // the first one: "Schlingo spielen"
        element.textContent = caption;
        element.id = id;
        element.addEventListener('click', (event) => {
          event.preventDefault();
          formClick(index * 2);
        });
      } else {
        element = document.createElement('label');
        const input = document.createElement('input');
        input.type = +kind === RADIO ? 'radio' : 'checkbox';
        if (+kind === RADIO) input.name = 'group' + group;
        input.checked = checked === '1';
        input.id = id;
        input.dataset.index = String(index);
        element.appendChild(input);
        element.appendChild(document.createTextNode(caption));
        inputs.push(input);
      }
      element.dataset.caption = caption;
      element.style.left = x + 'px';
      element.style.top = y + 'px';
      element.style.width = w + 'px';
      element.style.height = h + 'px';
      client.appendChild(element);
    });
    // A click reports the control clicked with its state after the click,
    // also on a radio button already checked; a radio button the arrow keys
    // check reports once, whether the browser sends a click or not.
    const known = inputs.map((input) => input.checked);
    const report = (input) => {
      inputs.forEach((other, i) => { known[i] = other.checked; });
      formClick(+input.dataset.index * 2 + (input.checked ? 1 : 0));
    };
    inputs.forEach((input, i) => {
      input.addEventListener('click', () => report(input));
      input.addEventListener('change', () => { if (known[i] !== input.checked) report(input); });
    });
    form.hidden = false;
    SchlingoFit.form(client);
    activationChanged();
    $('loading').hidden = true;
    performance.mark('schlingo-start-form'); // for the load-time bench
    // The focus starts on the chosen word list, so the keyboard can play:
    // arrows within a group, Tab to the next, Space to check, Enter to start.
    const first = inputs.find((input) => input.type === 'radio' && input.checked) || inputs[0];
    if (first) first.focus();
  }
  // Enter anywhere in the form but on a push button starts the game.
  form.addEventListener('submit', (event) => event.preventDefault());
  form.addEventListener('keydown', (event) => {
    if (event.key !== 'Enter' || dialogsOpen > 0) return;
    event.preventDefault(); // no key press left over for a box this opens
    if (event.target instanceof HTMLButtonElement) event.target.click();
    else if (defaultButton) defaultButton.click();
  });

  async function nextFormClick() {
    while (formClicks.length === 0) {
      await new Promise((resolve) => { formWaiter = resolve; });
      if (stopped) await never;
    }
    return formClicks.shift();
  }

  function closeForm() {
    form.hidden = true;
    client.textContent = '';
    activationChanged();
  }

  // --- message boxes -------------------------------------------------------

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

  const box = $('message-box');
  const boxButtons = {ok: $('message-ok'), yes: $('message-yes'), no: $('message-no'),
                      cancel: $('message-cancel')};
  // Answers as the back end counts them.
  const OK = 0, YES = 1, NO = 2, CANCEL = 3;

  function dialogOpened() {
    ++dialogsOpen;
    activationChanged();
  }
  // Back from a box, the keys go where they went before it: Enter at the form
  // starts the game, as before "Wirklich beenden?" was answered "Nein".
  function dialogClosed() {
    --dialogsOpen;
    activationChanged();
    if (dialogsOpen > 0) return;
    if (!form.hidden && defaultButton) defaultButton.focus();
    else if (windowOpen) canvas.focus({preventScroll: true});
  }

  function message(text, title, question, yesNoCancel) {
    $('message-title').textContent = title;
    $('message-text').textContent = text;
    $('message-icon').textContent = question ? '?' : 'i';
    boxButtons.ok.hidden = yesNoCancel;
    boxButtons.yes.hidden = boxButtons.no.hidden = boxButtons.cancel.hidden = !yesNoCancel;
    // Esc or a box closed any other way answers as its close box would.
    const escape = yesNoCancel ? CANCEL : OK;
    return new Promise((resolve) => {
      let answered = false;
      const answer = (value) => {
        if (answered) return;
        answered = true;
        cleanUp();
        if (box.open) box.close();
        dialogClosed();
        box.dataset.answer = String(value);
        if (!stopped) resolve(value); // a tab taken over does not go on
      };
      const clicks = [[boxButtons.ok, OK], [boxButtons.yes, YES], [boxButtons.no, NO],
                      [boxButtons.cancel, CANCEL]].map(([button, value]) => {
        const handler = () => answer(value);
        button.addEventListener('click', handler);
        return [button, handler];
      });
      const onKey = (event) => {
        const visible = Object.values(boxButtons).filter((button) => !button.hidden);
        // Enter answers on its key-down, as on the desktop: the browser's own
        // activation would wait for the key press and reach the next box too.
        if (event.key === 'Enter') {
          const focused = clicks.find(([button]) => button === document.activeElement);
          if (focused) focused[1]();
          else answer(yesNoCancel ? YES : OK);
        } else if (yesNoCancel && (event.key === 'j' || event.key === 'J')) answer(YES);
        else if (yesNoCancel && (event.key === 'n' || event.key === 'N')) answer(NO);
        else if (event.key === 'ArrowRight' || event.key === 'ArrowLeft') {
          const at = visible.indexOf(document.activeElement);
          const step = event.key === 'ArrowRight' ? 1 : visible.length - 1;
          visible[(Math.max(at, 0) + step) % visible.length].focus();
        } else return;
        event.preventDefault();
      };
      const onCancel = (event) => {
        event.preventDefault();
        answer(escape);
      };
      // A box closed other than by an answer; the close event of the box
      // before, which comes a task later, finds this one open and is no answer.
      const onClose = () => { if (!box.open) answer(escape); };
      function cleanUp() {
        clicks.forEach(([button, handler]) => button.removeEventListener('click', handler));
        box.removeEventListener('keydown', onKey);
        box.removeEventListener('cancel', onCancel);
        box.removeEventListener('close', onClose);
      }
      box.addEventListener('keydown', onKey);
      box.addEventListener('cancel', onCancel);
      box.addEventListener('close', onClose);
      delete box.dataset.answer;
      dialogOpened();
      box.showModal();
      (yesNoCancel ? boxButtons.yes : boxButtons.ok).focus();
    });
  }

  // --- the files panel -----------------------------------------------------

  const panel = $('files-panel');
  let panelShown = false;
  function files() {
    return Module.schlingoFiles;
  }
  function showFiles() {
    const list = $('files-list');
    list.textContent = '';
    files().names().forEach((name) => {
      const item = document.createElement('li');
      const link = document.createElement('a');
      link.textContent = name;
      link.href = '#';
      link.dataset.file = name;
      link.addEventListener('click', (event) => {
        event.preventDefault();
        const blob = new Blob([files().read(name)], {type: 'application/octet-stream'});
        const url = URL.createObjectURL(blob);
        const save = document.createElement('a');
        save.href = url;
        save.download = name;
        document.body.appendChild(save);
        save.click();
        save.remove();
        setTimeout(() => URL.revokeObjectURL(url), 10000);
      });
      item.appendChild(link);
      list.appendChild(item);
    });
    const target = $('files-upload-target');
    target.textContent = '';
    files().shipped.filter((name) => name.endsWith('.txt')).forEach((name) => {
      const option = document.createElement('option');
      option.value = option.textContent = name;
      target.appendChild(option);
    });
    $('files-status').textContent = '';
    $('files-check').textContent = '';
    $('files-check').hidden = true;
    dialogOpened();
    panelShown = true;
    panel.showModal();
  }
  // Closed by its button the panel is gone at once, not a task later with its
  // close event: an Enter right after it belongs to the form again.
  function filesClosed() {
    if (!panelShown) return;
    panelShown = false;
    if (panel.open) panel.close();
    dialogClosed();
  }
  $('files-button').addEventListener('click', showFiles);
  $('files-close').addEventListener('click', filesClosed);
  // Esc's close; one that comes after the panel was opened again is stale.
  panel.addEventListener('close', () => { if (!panel.open) filesClosed(); });
  $('files-upload').addEventListener('change', async (event) => {
    const file = event.target.files[0];
    if (!file) return;
    const name = $('files-upload-target').value;
    // The bytes as they are: the game finds their encoding when it reads them.
    files().write(name, new Uint8Array(await file.arrayBuffer()));
    await files().saved();
    event.target.value = '';
    const replaced = '„' + name + '“ ersetzt. Das Spiel liest die Liste neu, ' +
        'sobald ihre Wörterdatei im Startfenster gewählt wird.';
    $('files-status').textContent = replaced + ' Die Liste wird geprüft …';
    // A big list takes a while; the page and the game go on meanwhile.
    const report = await files().check(name);
    if (!panelShown) return; // closed meanwhile: nobody waits for the report
    $('files-status').textContent = replaced;
    showFilesList(report);
  });
  function showFilesList(report) {
    const status = $('files-status').textContent;
    const chosen = $('files-upload-target').value;
    filesClosed();
    showFiles();
    $('files-status').textContent = status;
    $('files-upload-target').value = chosen;
    $('files-check').textContent = report;
    $('files-check').hidden = !report;
  }

  // --- the end of the program ----------------------------------------------

  async function end(code) {
    // Saves that work take milliseconds; one that hangs does not keep the
    // end from being shown (it goes on behind it).
    await Promise.race([files().saved(), new Promise((resolve) => setTimeout(resolve, 3000))]);
    windowOpen = false;
    activationChanged();
    game.hidden = true;
    form.hidden = true;
    $('ended').hidden = false;
    document.title = 'Schlingo';
    document.documentElement.dataset.schlingoEnded = String(code);
    console.log('Schlingo: Programm beendet (' + code + ')');
    $('restart').focus();
    await never;
  }
  $('restart').addEventListener('click', () => location.reload());

  // --- for screen readers, keyboards and switches --------------------------

  // The program says in words what its picture shows (announce); the words
  // go to a live region, a line a paragraph. While a word is played the
  // board's fields are buttons too, laid over the canvas's fields with
  // nothing of their own to see but a focus ring. A button clicks its field
  // for the program as a pointer would, at the rectangle of the click map the
  // game reads; the game says which letters are used, and only when its
  // picture shows them.
  const said = $('game-said');
  const board = $('board');
  const boardLetters = 'abcdefghijklmnopqrstuvwxyzäöüßñ';
  let fields = null; // the click map's rectangles [left, top, right, bottom]
  const boardButtons = Array.from(boardLetters, (letter, i) => {
    const button = document.createElement('button');
    button.type = 'button';
    button.dataset.letter = letter;
    button.setAttribute('aria-label', letter === 'ß' ? letter : letter.toUpperCase());
    button.tabIndex = i === 0 ? 0 : -1;
    button.addEventListener('click', () => takeLetter(i));
    board.appendChild(button);
    return button;
  });

  // "Button2.galgen" of the working folder as the game reads it: whole
  // numbers apart by commas and line ends, four a rectangle, rectangle k for
  // letter k + 1. Null without the file: the game's pointer chooses nothing.
  function readClickMap() {
    let bytes;
    try {
      bytes = files().read('Button2.galgen');
    } catch (error) {
      return null;
    }
    const numbers = new TextDecoder('windows-1252').decode(bytes).split(/\r\n|\r|\n|,/)
        .map((item) => parseInt(item, 10) || 0);
    return boardButtons.map((button, k) => numbers.slice(4 * k, 4 * k + 4));
  }

  // Over the canvas to the fraction of a pixel, in the game window's box.
  function placeBoard() {
    const over = canvas.getBoundingClientRect(), within = game.getBoundingClientRect();
    board.style.left = (over.left - within.left - game.clientLeft) + 'px';
    board.style.top = (over.top - within.top - game.clientTop) + 'px';
    board.style.width = over.width + 'px';
    board.style.height = over.height + 'px';
  }
  new ResizeObserver(placeBoard).observe(game);
  new ResizeObserver(placeBoard).observe(canvas);

  // state: a character a letter, '0' free, '1' used, ' ' not in play; empty
  // while no board is shown.
  function showBoard(state) {
    if (!state) {
      board.hidden = true;
      return;
    }
    if (board.hidden) {
      // The game reads its click map when a game begins, before the board.
      fields = readClickMap();
      if (fields) {
        fields.forEach(([left, top, right, bottom], i) => {
          const style = boardButtons[i].style;
          style.left = (left / canvas.width * 100) + '%';
          style.top = (top / canvas.height * 100) + '%';
          style.width = (Math.max(0, right - left + 1) / canvas.width * 100) + '%';
          style.height = (Math.max(0, bottom - top + 1) / canvas.height * 100) + '%';
        });
      }
      placeBoard();
    }
    boardButtons.forEach((button, i) => {
      const [left, top, right, bottom] = fields ? fields[i] : [0, 0, -1, -1];
      button.hidden = state[i] !== '0' && state[i] !== '1' || right < left || bottom < top;
      if (state[i] === '1') button.setAttribute('aria-disabled', 'true');
      else button.removeAttribute('aria-disabled');
    });
    board.hidden = boardButtons.every((button) => button.hidden);
  }

  function announce(text, state) {
    said.replaceChildren(...text.split('\n').map((line) => {
      const paragraph = document.createElement('p');
      paragraph.textContent = line;
      return paragraph;
    }));
    showBoard(state);
    justSaid = text;
    setTimeout(() => { justSaid = ''; }, 0);
  }
  // A box that the program opens right after saying something (a word's
  // end) says it too: while a modal box is open, the live region is out of a
  // screen reader's reach. The program asks for the box in the same task as
  // it says the words; the box itself may open a frame later.
  let justSaid = '';

  // A press in the middle of the letter's rectangle, held until the game has
  // run its passes over the click map (it tests one rectangle a pass and runs
  // them all without waiting while the button is down), then released and
  // gone, as a tap would. One after the other.
  let taking = Promise.resolve();
  function takeLetter(i) {
    const button = boardButtons[i];
    if (!fields || button.hidden || button.getAttribute('aria-disabled') === 'true') return;
    taking = taking.then(async () => {
      if (!pageFocused) {
        pageFocused = true;
        activationChanged();
      }
      const [left, top, right, bottom] = fields[i];
      const box = canvas.getBoundingClientRect();
      const at = (type) => ({
        type,
        clientX: box.left + (Math.floor((left + right) / 2) + 0.5) * box.width / canvas.width,
        clientY: box.top + (Math.floor((top + bottom) / 2) + 0.5) * box.height / canvas.height
      });
      pointer(at('pointerdown'), 1);
      // The press is taken once nothing waits in the queue (the game may have
      // been holding its display lock); its passes run at once after that.
      for (let tries = 0; tries === 0 || (queue.length > 0 && tries < 40); ++tries) {
        await new Promise((resolve) => setTimeout(resolve, 50));
      }
      pointer(at('pointerup'), 0);
      pointer(at('pointerleave'), 0);
    });
  }

  // One stop for Tab; the arrows, Home and End move within the board.
  function focusButton(button) {
    boardButtons.forEach((other) => { other.tabIndex = other === button ? 0 : -1; });
    button.focus();
  }
  board.addEventListener('focusin', (event) => {
    if (boardButtons.includes(event.target)) focusButton(event.target);
  });
  function middle(button) {
    const [left, top, right, bottom] = fields[boardButtons.indexOf(button)];
    return [(left + right) / 2, (top + bottom) / 2];
  }
  // The nearest button in the next row up (-1) or down (+1).
  function nextRow(from, direction, shown) {
    const [x, y] = middle(from);
    const rows = shown.filter((b) => (middle(b)[1] - y) * direction > 0);
    if (rows.length === 0) return null;
    const rowY = direction * Math.min(...rows.map((b) => middle(b)[1] * direction));
    const row = rows.filter((b) => middle(b)[1] === rowY);
    return row.reduce((best, b) =>
      Math.abs(middle(b)[0] - x) < Math.abs(middle(best)[0] - x) ? b : best);
  }
  board.addEventListener('keydown', (event) => {
    const shown = boardButtons.filter((button) => !button.hidden);
    const at = shown.indexOf(document.activeElement);
    if (at < 0) return;
    const target = {
      ArrowLeft: shown[at - 1], ArrowRight: shown[at + 1], Home: shown[0],
      End: shown[shown.length - 1], ArrowUp: nextRow(shown[at], -1, shown),
      ArrowDown: nextRow(shown[at], 1, shown)
    };
    if (event.key in target) {
      event.preventDefault();
      if (target[event.key]) focusButton(target[event.key]);
    }
  });
  // The keys that work the page's own buttons are theirs, not the game's.
  // So is Tab, but for the game's "any key" on the list screen: without it
  // the focus could never leave the game.
  const boardKeys = ['ArrowLeft', 'ArrowRight', 'ArrowUp', 'ArrowDown', 'Home', 'End'];
  function keepKey(event) {
    const onButton = event.target instanceof HTMLButtonElement;
    const press = onButton && (event.key === 'Enter' || event.key === ' ');
    const move = board.contains(event.target) && boardKeys.includes(event.key);
    if (press || move) event.stopPropagation();
  }
  for (const area of [game, $('page-bar')]) {
    area.addEventListener('keydown', keepKey);
    area.addEventListener('keyup', keepKey);
  }
  function keepTab(event) {
    if (event.key === 'Tab' && (event.target !== canvas || !board.hidden)) event.stopPropagation();
  }
  window.addEventListener('keydown', keepTab, true);
  window.addEventListener('keyup', keepTab, true);

  // After a box the focus goes back to the board's button if it was there.
  let boardFocusBeforeBox = null;
  board.addEventListener('focusout', (event) => {
    const to = event.relatedTarget;
    boardFocusBeforeBox = to instanceof Element && to.closest('dialog') ? event.target : null;
  });
  box.addEventListener('close', () => {
    const button = boardFocusBeforeBox;
    boardFocusBeforeBox = null;
    if (button && !button.hidden && !board.hidden && !box.open && dialogsOpen === 0) {
      focusButton(button);
    }
  });

  // --- what the back end calls ---------------------------------------------

  window.SchlingoPage = {
    // False when the canvas has no 2D context: no window can be made.
    openWindow(width, height, title) {
      if (stopped) return true; // a tab taken over shows nothing more
      if (!context) return false;
      canvas.width = width;
      canvas.height = height;
      context.fillStyle = '#000';
      context.fillRect(0, 0, width, height);
      utf8Title(title);
      windowOpen = true;
      game.hidden = false;
      $('loading').hidden = true;
      followRatio();
      canvas.focus({preventScroll: true});
      lastActive = gameActive();
      $('quit-button').disabled = !gameShown();
      return true;
    },
    setTitle: utf8Title,
    gameActive,
    paint(rgba, width, firstRow, rows) {
      const pixels = new Uint8ClampedArray(rgba.buffer, rgba.byteOffset, rgba.length);
      context.putImageData(new ImageData(pixels, width, rows), 0, firstRow);
      paintedUnseen();
    },
    // Lets the page's events run (a turn of its event loop), then waits up
    // to ms (-1: no limit; 0: not at all) for one when none came.
    awaitEvents,
    async message(text, title, question, yesNoCancel) {
      const alsoSay = justSaid.replace(/\n/g, ' ');
      if (stopped) return never;
      await seen();
      $('message-said').textContent = alsoSay;
      if (stopped) return never;
      return message(text, title, question, yesNoCancel);
    },
    // A tab stopped while its program was still loading shows nothing of it.
    openForm(...args) {
      if (!stopped) openForm(...args);
    },
    nextFormClick,
    closeForm,
    end,
    announce
  };

  // --- one tab plays ---------------------------------------------------------

  // The tabs of this site agree on one player: through the Web Locks API
  // where the browser offers it (a secure context), else by asking over a
  // BroadcastChannel whether a tab plays. Either way the files store writes
  // only for the tab that claimed the working folder last (files.js), so two
  // tabs never both write, even when they start at the same moment.
  const player = {id: Math.random().toString(36).slice(2) + Date.now().toString(36), since: 0};
  const channel = typeof BroadcastChannel === 'function' ? new BroadcastChannel('schlingo') : null;
  let playing = false;
  let answer = null; // the wait for a playing tab to say so
  if (channel) {
    channel.onmessage = (event) => {
      const message = event.data || {};
      if (message.from === player.id || stopped) return;
      if (message.type === 'who' && playing) channel.postMessage({type: 'here', from: player.id});
      else if (message.type === 'here' && answer) answer(true);
      // Of two tabs that claim at once, the later claim plays, as in files.js.
      else if (message.type === 'claimed' && playing && (message.since > player.since ||
               (message.since === player.since && message.from > player.id))) stop();
    };
  }

  function stop() {
    stopped = true;
    playing = false;
    queue.length = 0;
    if (box.open) box.close();
    if (panel.open) panel.close();
    for (const id of ['start-form', 'game', 'ended', 'busy', 'loading']) $(id).hidden = true;
    $('files-button').disabled = true;
    $('stolen').hidden = false;
  }

  // How saving goes, from files.js: said once on the page, never in a box;
  // the player may put the notice away.
  function savingChanged(state) {
    if (state === 'taken') stop();
    else $('save-failed').hidden = state !== 'failed';
  }
  $('save-failed-close').addEventListener('click', () => {
    $('save-failed').hidden = true;
    if (windowOpen && dialogsOpen === 0) canvas.focus({preventScroll: true});
  });

  function load() {
    playing = true;
    player.since = Date.now() + Math.random();
    if (channel) channel.postMessage({type: 'claimed', from: player.id, since: player.since});
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
      return never; // held for the page's life
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
})();
