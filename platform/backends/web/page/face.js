// Everything the program's back end (web_backend.cpp) calls on the page, and
// nothing else: each call goes to the window that owns it. Strings are
// UTF-8 already; the waits are promises the program awaits (Asyncify).
const SchlingoPage = (() => {
  'use strict';
  return {
    // The game window (a canvas): false when it cannot be made.
    openWindow: SchlingoGame.open,
    setTitle: SchlingoGame.setTitle,
    gameActive: SchlingoGame.gameActive,
    paint: SchlingoGame.paint,
    // Lets the page's events run (a turn of its event loop), then waits up
    // to ms (-1: no limit; 0: not at all) for one when none came.
    awaitEvents: SchlingoEvents.awaitEvents,
    // A modal box; its answer as the back end counts them.
    message: SchlingoBoxes.ask,
    // The start window: opened, then one click after the other.
    openForm: SchlingoForm.open,
    nextFormClick: SchlingoForm.nextClick,
    closeForm: SchlingoForm.close,
    // The program's words and the board's state for screen readers.
    announce: SchlingoBoard.announce,
    // The program's end, once its files are saved; never returns.
    end: SchlingoGame.end
  };
})();
