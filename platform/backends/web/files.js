// The program's files in the browser, run inside the program's module before
// main. The pictures are packed into schlingo.data and appear in /schlingo,
// the program's own folder (/proc/self/exe names a file there, as the host
// asks). The working folder /Schlingo is kept in the browser's IndexedDB:
// loaded before main, the word lists and the click map copied in when they
// are missing (a player's own file is never overwritten), and written back
// after every file the program or the page writes there.
var schlingoProgramFolder = '/schlingo';
var schlingoWorkFolder = '/Schlingo';
var schlingoShippedFiles = ['allgemeine Wörter.txt', 'Städte.txt', 'Länder.txt', 'Berufe.txt',
                            'Button2.galgen'];

Module['preRun'] = (Module['preRun'] || []).concat([function () {
  FS.mkdir(schlingoWorkFolder);
  FS.mount(IDBFS, {}, schlingoWorkFolder);
  try {
    FS.symlink(schlingoProgramFolder + '/schlingo', '/proc/self/exe');
  } catch (e) {
    // Without it the pictures are looked for in the working folder.
  }
  addRunDependency('schlingo-work-folder');
  FS.syncfs(true, function (error) {
    if (error) console.warn('Schlingo: gespeicherte Dateien nicht lesbar', error);
    removeRunDependency('schlingo-work-folder');
  });
}]);

// Write-back: one sync at a time; writes during a sync ask for one more.
var schlingoSync = {running: null, again: false};
function schlingoStartSync() {
  if (schlingoSync.running) {
    schlingoSync.again = true;
    return;
  }
  schlingoSync.running = new Promise(function (resolve) {
    FS.syncfs(false, function (error) {
      if (error) console.warn('Schlingo: Dateien nicht gespeichert', error);
      schlingoSync.running = null;
      resolve();
      if (schlingoSync.again) {
        schlingoSync.again = false;
        schlingoStartSync();
      }
    });
  });
}
function schlingoInWorkFolder(path) {
  return typeof path === 'string' && path.indexOf(schlingoWorkFolder + '/') === 0;
}

Module['onRuntimeInitialized'] = (function (next) {
  return function () {
    var copied = false;
    schlingoShippedFiles.forEach(function (name) {
      var target = schlingoWorkFolder + '/' + name;
      if (FS.analyzePath(target).exists) return;
      try {
        FS.writeFile(target, FS.readFile(schlingoProgramFolder + '/' + name));
        copied = true;
      } catch (e) {
        console.warn('Schlingo: ' + name + ' nicht kopiert', e);
      }
    });
    FS.chdir(schlingoWorkFolder);
    // Every file closed after writing and every rename in the working folder
    // is written back; the host's writes end in one of the two.
    var close = FS.close;
    FS.close = function (stream) {
      var wrote = stream && (stream.flags & 3) !== 0 && schlingoInWorkFolder(stream.path);
      var result = close.apply(this, arguments);
      if (wrote) schlingoStartSync();
      return result;
    };
    var rename = FS.rename;
    FS.rename = function (oldPath, newPath) {
      var result = rename.apply(this, arguments);
      if (schlingoInWorkFolder(FS.lookupPath(newPath).path)) schlingoStartSync();
      return result;
    };
    if (copied) schlingoStartSync();
    if (next) next();
  };
})(Module['onRuntimeInitialized']);

// For the page's "Dateien" panel and its end: the files of the working folder.
Module['schlingoFiles'] = {
  shipped: schlingoShippedFiles,
  names: function () {
    return FS.readdir(schlingoWorkFolder).filter(function (name) {
      return FS.isFile(FS.stat(schlingoWorkFolder + '/' + name).mode);
    }).sort();
  },
  read: function (name) {
    return FS.readFile(schlingoWorkFolder + '/' + name);
  },
  write: function (name, bytes) {
    FS.writeFile(schlingoWorkFolder + '/' + name, bytes);
  },
  // The list check's report (German, one finding a line) of a word list of
  // the working folder, after it was replaced.
  check: function (name) {
    var category = schlingoShippedFiles.indexOf(name) + 1;
    if (category < 1 || category > 4) return '';
    return UTF8ToString(Module['_schlingo_check_list'](category));
  },
  saved: function () {
    return schlingoSync.running ? schlingoSync.running.then(Module['schlingoFiles'].saved)
                                : Promise.resolve();
  }
};
