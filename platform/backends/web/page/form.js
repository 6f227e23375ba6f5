// The start window: a form laid out as the program describes it, whose
// clicks the program takes one at a time.
const SchlingoForm = (() => {
  'use strict';
  const $ = (id) => document.getElementById(id);
  const state = SchlingoState;

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
    if (state.stopped) return; // a tab stopped while its program loaded shows nothing of it
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
    SchlingoGame.activationChanged();
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
    if (event.key !== 'Enter' || state.dialogsOpen > 0) return;
    event.preventDefault(); // no key press left over for a box this opens
    if (event.target instanceof HTMLButtonElement) event.target.click();
    else if (defaultButton) defaultButton.click();
  });

  async function nextFormClick() {
    while (formClicks.length === 0) {
      await new Promise((resolve) => { formWaiter = resolve; });
      if (state.stopped) await SchlingoEvents.never;
    }
    return formClicks.shift();
  }

  function closeForm() {
    form.hidden = true;
    client.textContent = '';
    SchlingoGame.activationChanged();
  }

  // Back from a box, Enter at the form starts the game again; false when
  // no form is open.
  function focusDefault() {
    if (form.hidden || !defaultButton) return false;
    defaultButton.focus();
    return true;
  }

  return {open: openForm, nextClick: nextFormClick, close: closeForm, focusDefault};
})();
