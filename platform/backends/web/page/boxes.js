// Message boxes: modal dialogs that answer as the desktop's boxes do, and
// the count of dialogs open over the page, which keeps the keys from the game.
const SchlingoBoxes = (() => {
  'use strict';
  const $ = (id) => document.getElementById(id);
  const state = SchlingoState;

  const box = $('message-box');
  const boxButtons = {ok: $('message-ok'), yes: $('message-yes'), no: $('message-no'),
                      cancel: $('message-cancel')};
  // Answers as the back end counts them.
  const OK = 0, YES = 1, NO = 2, CANCEL = 3;

  function dialogOpened() {
    ++state.dialogsOpen;
    SchlingoGame.activationChanged();
  }
  // Back from a box, the keys go where they went before it: Enter at the form
  // starts the game, as before "Wirklich beenden?" was answered "Nein".
  function dialogClosed() {
    --state.dialogsOpen;
    SchlingoGame.activationChanged();
    if (state.dialogsOpen > 0) return;
    if (!SchlingoForm.focusDefault() && state.windowOpen) SchlingoGame.focus();
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
        if (!state.stopped) resolve(value); // a tab taken over does not go on
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

  // A box that the program opens right after saying something (a word's
  // end) says it too: while a modal box is open, the live region is out of a
  // screen reader's reach. The program asks for the box in the same task as
  // it says the words; the box itself may open a frame later, once the
  // canvas shows the word's last paint.
  async function ask(text, title, question, yesNoCancel) {
    const alsoSay = state.justSaid.replace(/\n/g, ' ');
    if (state.stopped) return SchlingoEvents.never;
    await SchlingoGame.seen();
    $('message-said').textContent = alsoSay;
    if (state.stopped) return SchlingoEvents.never;
    return message(text, title, question, yesNoCancel);
  }

  return {ask, opened: dialogOpened, closed: dialogClosed};
})();
