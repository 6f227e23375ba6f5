// The files panel: the working folder's files to download, and a word list
// to replace by one of the player's own, checked at once.
const SchlingoFilesPanel = (() => {
  'use strict';
  const $ = (id) => document.getElementById(id);

  const panel = $('files-panel');
  let panelShown = false;
  function files() {
    return Module.schlingoFiles;
  }
  // The program reads an upload into the page's memory, which ends well
  // below the 4 GB a desktop list may have: a list over this size would end
  // the program when it runs out, so it is never handed over.
  const largestUpload = 64 * 1024 * 1024;
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
    $('files-status').classList.remove('refused');
    $('files-check').textContent = '';
    $('files-check').hidden = true;
    SchlingoBoxes.opened();
    panelShown = true;
    panel.showModal();
  }
  // Closed by its button the panel is gone at once, not a task later with its
  // close event: an Enter right after it belongs to the form again.
  function filesClosed() {
    if (!panelShown) return;
    panelShown = false;
    if (panel.open) panel.close();
    SchlingoBoxes.closed();
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
    const outcome = file.size > largestUpload ? {kept: false, large: true}
        : await files().replace(name, new Uint8Array(await file.arrayBuffer()));
    event.target.value = '';
    if (outcome.taken) return; // the tab has stopped and says why
    if (!outcome.kept) {
      $('files-status').textContent = '„' + name + '“ wurde nicht ersetzt: ' +
          (outcome.large ? 'Mit mehr als 64 MB ist die Datei zu groß für das Spiel im Browser. '
           : outcome.full ? 'Der Speicher dieses Browsers ist voll. '
                          : 'Dieser Browser kann sie gerade nicht speichern. ') +
          'Im Spiel bleibt die bisherige Liste.';
      showFilesList('', true);
      return;
    }
    const replaced = '„' + name + '“ ersetzt. Das Spiel liest die Liste neu, ' +
        'sobald ihre Wörterdatei im Startfenster gewählt wird.';
    $('files-status').textContent = replaced + ' Die Liste wird geprüft …';
    // A big list takes a while; the page and the game go on meanwhile.
    const report = await files().check(name);
    if (!panelShown) return; // closed meanwhile: nobody waits for the report
    $('files-status').textContent = replaced;
    showFilesList(report);
  });
  function showFilesList(report, refused = false) {
    const status = $('files-status').textContent;
    const chosen = $('files-upload-target').value;
    filesClosed();
    showFiles();
    $('files-status').textContent = status;
    $('files-status').classList.toggle('refused', refused);
    $('files-upload-target').value = chosen;
    $('files-check').textContent = report;
    $('files-check').hidden = !report;
  }

  return {}; // the panel is the player's: nothing else calls it
})();
