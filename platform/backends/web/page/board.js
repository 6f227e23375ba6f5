// For screen readers, keyboards and switches: what the program says in
// words, and the board's fields as buttons over the canvas.
const SchlingoBoard = (() => {
  'use strict';
  const $ = (id) => document.getElementById(id);
  const game = $('game');
  const canvas = $('screen');
  const box = $('message-box');

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
      bytes = Module.schlingoFiles.read('Button2.galgen');
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
    // For a box the program opens in the same task (SchlingoBoxes.ask).
    SchlingoState.justSaid = text;
    setTimeout(() => { SchlingoState.justSaid = ''; }, 0);
  }

  // A press in the middle of the letter's rectangle, held until the game has
  // run its passes over the click map (it tests one rectangle a pass and runs
  // them all without waiting while the button is down), then released and
  // gone, as a tap would. One after the other.
  let taking = Promise.resolve();
  function takeLetter(i) {
    const button = boardButtons[i];
    if (!fields || button.hidden || button.getAttribute('aria-disabled') === 'true') return;
    taking = taking.then(async () => {
      SchlingoGame.focusSeen();
      const [left, top, right, bottom] = fields[i];
      const box = canvas.getBoundingClientRect();
      const at = (type) => ({
        type,
        clientX: box.left + (Math.floor((left + right) / 2) + 0.5) * box.width / canvas.width,
        clientY: box.top + (Math.floor((top + bottom) / 2) + 0.5) * box.height / canvas.height
      });
      SchlingoGame.pointer(at('pointerdown'), 1);
      // The press is taken once nothing waits in the queue (the game may have
      // been holding its display lock); its passes run at once after that.
      for (let tries = 0; tries === 0 || (SchlingoEvents.waiting() && tries < 40); ++tries) {
        await new Promise((resolve) => setTimeout(resolve, 50));
      }
      SchlingoGame.pointer(at('pointerup'), 0);
      SchlingoGame.pointer(at('pointerleave'), 0);
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
    if (button && !button.hidden && !board.hidden && !box.open && SchlingoState.dialogsOpen === 0) {
      focusButton(button);
    }
  });

  return {announce};
})();
