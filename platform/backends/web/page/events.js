// Handing the page's events to the program through its one door,
// schlingo_event, and the program's wait for them; and the keyboard's keys
// as the desktops would post them.
const SchlingoEvents = (() => {
  'use strict';
  const state = SchlingoState;

  // Kinds as the program's InputEvent numbers them (SchlingoInput is made by
  // the build from the program's own header); flags 1: down, inside or
  // gained, 2: extended or Shift, 4: Ctrl, 8: from a touch screen.
  const kinds = SchlingoInput.kinds;
  // Events not yet taken (the program answers 0 while it holds its display
  // lock), and the program's wait for the next one.
  const queue = [];
  let waiter = null;
  let arrived = false; // an event was taken since the program's wait began

  function send(kind, code = 0, flags = 0, x = 0, y = 0) {
    if (state.stopped) return;
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
    if (state.stopped) return never;
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
    if (state.stopped) await never;
  }

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

  // What a key-down types, as the desktops post it: [kind, code, flags].
  // Keys without a character go by their NamedKey number, whose names are
  // the browser's key names but for the arrows' "Arrow".
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
    const named = SchlingoInput.namedKeys.indexOf(key.replace(/^Arrow/, ''));
    if (point === undefined && named >= 0) {
      return [kinds.Named, named, (event.shiftKey ? 2 : 0) | (ctrl ? 4 : 0)];
    }
    // Ctrl alone types only control characters; "Shift", "Dead" … none.
    if (point === undefined && !ctrl && Array.from(key).length === 1) {
      point = key.codePointAt(0);
      if (point < 0x20 || point === 0x7f) point = -1;
    }
    return point === undefined || point < 0 ? null : [kinds.Typed, point, 0];
  }

  // Browser keys that stay the browser's.
  function browserKey(event) {
    return event.metaKey || event.key === 'F5' || event.key === 'F11' || event.key === 'F12' ||
        (event.ctrlKey && event.shiftKey && (event.code === 'KeyI' || event.code === 'KeyJ'));
  }

  // What a key posts, in order: its place, then what it types.
  function key(event, down) {
    const place = scanCodes[event.code];
    if (place) send(down ? kinds.KeyDown : kinds.KeyUp, place[0], place[1] ? 2 : 0);
    const post = down ? typed(event) : null;
    if (post) send(...post);
    return !browserKey(event);
  }

  return {
    kinds,
    send,
    key,
    awaitEvents,
    never,
    waiting: () => queue.length > 0,
    drop() { queue.length = 0; }
  };
})();
