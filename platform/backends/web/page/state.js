// What more than one of the page's windows reads or changes, in one place;
// everything else stays inside the window that owns it.
const SchlingoState = (() => {
  'use strict';
  return {
    stopped: false, // another tab plays now: nothing reaches the program
    windowOpen: false, // the game window (the canvas) is made
    dialogsOpen: 0, // message boxes and the files panel open over the page
    // The page has the focus when its window is the foreground one; a key or
    // a press on the page tells so as well (a driven browser may not report
    // focus).
    pageFocused: document.hasFocus(),
    // What the program said last, for a box it opens in the same task.
    justSaid: ''
  };
})();
