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

  // The largest whole factor of device pixels that fits, so every game pixel
  // is a sharp square; it follows devicePixelRatio (zoom, another screen).
  function fit() {
    if (!windowOpen) return;
    const ratio = window.devicePixelRatio || 1;
    const bar = game.querySelector('.titlebar').offsetHeight + 2;
    const stage = $('stage');
    const width = stage.clientWidth - 2, height = stage.clientHeight - bar;
    const factor = Math.max(1, Math.floor(Math.min(width * ratio / canvas.width,
                                                   height * ratio / canvas.height)));
    canvas.style.width = (canvas.width * factor / ratio) + 'px';
    canvas.style.height = (canvas.height * factor / ratio) + 'px';
    canvas.dataset.factor = String(factor);
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
  canvas.tabIndex = -1;
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
    dialogOpened();
    panel.showModal();
  }
  $('files-button').addEventListener('click', showFiles);
  $('files-close').addEventListener('click', () => panel.close());
  panel.addEventListener('close', dialogClosed);
  $('files-upload').addEventListener('change', async (event) => {
    const file = event.target.files[0];
    if (!file) return;
    const name = $('files-upload-target').value;
    // The bytes as they are: the game reads them as Windows-1252 text.
    files().write(name, new Uint8Array(await file.arrayBuffer()));
    await files().saved();
    event.target.value = '';
    $('files-status').textContent = '„' + name + '“ ersetzt. Das Spiel liest die Liste neu, ' +
        'sobald ihre Wörterdatei im Startfenster gewählt wird.';
    showFilesList();
  });
  function showFilesList() {
    const status = $('files-status').textContent;
    const chosen = $('files-upload-target').value;
    panel.close();
    showFiles();
    $('files-status').textContent = status;
    $('files-upload-target').value = chosen;
  }

  // --- the end of the program ----------------------------------------------

  async function end(code) {
    await files().saved();
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

  // --- what the back end calls ---------------------------------------------

  window.SchlingoPage = {
    // False when the canvas has no 2D context: no window can be made.
    openWindow(width, height, title) {
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
    },
    // Lets the page's events run (a turn of its event loop), then waits up
    // to ms (-1: no limit; 0: not at all) for one when none came.
    awaitEvents,
    message(text, title, question, yesNoCancel) {
      if (stopped) return never;
      return message(text, title, question, yesNoCancel);
    },
    openForm,
    nextFormClick,
    closeForm,
    end
  };

  // --- one tab plays ---------------------------------------------------------

  function stop() {
    stopped = true;
    queue.length = 0;
    if (box.open) box.close();
    if (panel.open) panel.close();
    for (const id of ['start-form', 'game', 'ended', 'busy', 'loading']) $(id).hidden = true;
    $('files-button').disabled = true;
    $('stolen').hidden = false;
  }

  function load() {
    $('busy').hidden = true;
    $('loading').hidden = false;
    window.Module = {
      print: (text) => console.log(text),
      printErr: (text) => console.warn(text),
      onRuntimeInitialized() {
        $('files-button').disabled = false;
      }
    };
    const script = document.createElement('script');
    script.src = 'schlingo.js';
    document.body.appendChild(script);
  }

  function play(options) {
    if (!navigator.locks) { // an insecure origin has no locks: play unguarded
      load();
      return;
    }
    navigator.locks.request('schlingo', options, (lock) => {
      if (!lock) {
        $('loading').hidden = true;
        $('busy').hidden = false;
        $('take-over').focus();
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
