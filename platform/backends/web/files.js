// The program's files in the browser, run inside the program's module before
// main. The pictures are packed into schlingo.data and appear in /schlingo,
// the program's own folder (/proc/self/exe names a file there, as the host
// asks). The working folder /Schlingo lives in memory and is kept in the
// browser's IndexedDB: read before main, the word lists and the click map
// copied in when they are missing (a player's own file is never
// overwritten), and written back after every file the program or the page
// writes there.
//
// Saving may fail at any time (no IndexedDB in this browser, storage full, a
// transaction aborted, a database blocked by another page): the game goes on
// with its files in memory, the page is told once ("failed"), and the next
// save that works writes everything still missing. Nothing here ever makes
// the game wait for an answer that does not come.
var schlingoProgramFolder = '/schlingo';
var schlingoWorkFolder = '/Schlingo';
var schlingoShippedFiles = ['allgemeine Wörter.txt', 'Städte.txt', 'Länder.txt', 'Berufe.txt',
                            'Button2.galgen'];

// The database in the layout earlier builds wrote, so a player's files carry
// over: named after the folder, one store, a file's path as its key and
// {timestamp, mode, contents} as its value.
var schlingoStore = (function () {
  var storeName = 'FILE_DATA';
  // Which tab plays: not a file (it has no timestamp, so it is in no index
  // of files either).
  var playerKey = 'schlingo-player';
  // Longer than any working database takes, short enough for a player.
  var patience = 5000;
  var db = null;

  function forget(database) {
    if (db !== database) return;
    db = null;
    try {
      database.close();
    } catch (e) {
      // already closed
    }
  }

  function open() {
    if (db) return Promise.resolve(db);
    return new Promise(function (resolve, reject) {
      var timer = setTimeout(function () {
        reject(new Error('IndexedDB antwortet nicht (blockiert?)'));
      }, patience);
      var request;
      try {
        request = indexedDB.open(schlingoWorkFolder, 21);
      } catch (e) { // no IndexedDB at all, or one this page may not use
        clearTimeout(timer);
        reject(e);
        return;
      }
      request.onupgradeneeded = function () {
        var store = request.result.objectStoreNames.contains(storeName)
          ? request.transaction.objectStore(storeName)
          : request.result.createObjectStore(storeName);
        if (!store.indexNames.contains('timestamp')) {
          store.createIndex('timestamp', 'timestamp', {unique: false});
        }
      };
      request.onsuccess = function () {
        clearTimeout(timer);
        var opened = request.result;
        // A page that needs a newer layout gets it: this one lets go and
        // opens again at its next save.
        opened.onversionchange = function () { forget(opened); };
        opened.onclose = function () { forget(opened); };
        db = opened;
        resolve(opened);
      };
      request.onerror = function (event) {
        event.preventDefault();
        clearTimeout(timer);
        reject(request.error);
      };
      // onblocked: the page holding the old version may still let go; the
      // timer decides.
    });
  }

  // One transaction over the store: `work` places its requests and returns
  // what the promise resolves with once the transaction completed. An abort,
  // an error or silence rejects.
  function transact(mode, work) {
    return open().then(function (database) {
      return new Promise(function (resolve, reject) {
        var transaction = null, result, settled = false;
        function settle(error) {
          if (settled) return;
          settled = true;
          clearTimeout(timer);
          if (error) {
            try {
              if (transaction) transaction.abort();
            } catch (e) {
              // finished already
            }
            forget(database); // the next try opens afresh
            reject(error);
          } else {
            resolve(result);
          }
        }
        var timer = setTimeout(function () {
          settle(new Error('IndexedDB antwortet nicht'));
        }, patience);
        try {
          transaction = database.transaction([storeName], mode);
          transaction.oncomplete = function () { settle(null); };
          transaction.onabort = function () {
            settle(transaction.error || new DOMException('Transaktion abgebrochen', 'AbortError'));
          };
          transaction.onerror = function (event) {
            event.preventDefault();
            settle(event.target.error || new Error('IndexedDB-Fehler'));
          };
          result = work(transaction.objectStore(storeName), transaction);
        } catch (e) {
          settle(e);
        }
      });
    });
  }

  return {
    // Every file kept, as {path: {timestamp, mode, contents}}.
    readAll: function () {
      return transact('readonly', function (store) {
        var files = {};
        store.openCursor().onsuccess = function (event) {
          var cursor = event.target.result;
          if (!cursor) return;
          var entry = cursor.value;
          if (typeof cursor.key === 'string' && entry && entry.contents && entry.timestamp) {
            files[cursor.key] = entry;
          }
          cursor.continue();
        };
        return files;
      });
    },
    // Puts and deletes in one transaction, and only while no other tab has
    // claimed the folder after `player` did: then nothing is written and the
    // error has `taken` set.
    write: function (player, puts, deletes) {
      var taken = false;
      return transact('readwrite', function (store, transaction) {
        var holder = store.get(playerKey);
        holder.onsuccess = function () {
          var other = holder.result;
          if (other && other.id !== player.id && other.since >= player.since) {
            taken = true;
            transaction.abort();
            return;
          }
          store.put({id: player.id, since: player.since}, playerKey);
          puts.forEach(function (put) { store.put(put[1], put[0]); });
          deletes.forEach(function (path) { store.delete(path); });
        };
      }).catch(function (error) {
        if (taken) {
          error = new Error('Ein anderer Tab spielt jetzt');
          error.taken = true;
        }
        throw error;
      });
    }
  };
})();

// What is saved, and how saving goes. `stored` holds the bytes IndexedDB has
// of every file: a save writes what differs from them, so a failed save
// leaves its files for the next.
var schlingoSaving = {
  player: null,
  stored: {},
  readable: false, // the kept files were read: only then may they be written over
  claimed: false,  // this tab's claim on the folder is written
  taken: false,    // another tab plays now: this one writes nothing more
  failed: false,
  running: null,
  again: false,
  retry: null
};
// The page hands in its player as Module.schlingoPlayer ({id, since}) and
// hears how saving goes through Module.schlingoSaving: "failed", "saved"
// (after a failure) or "taken".
function schlingoTell(state) {
  if (typeof Module['schlingoSaving'] === 'function') Module['schlingoSaving'](state);
}

function schlingoInWorkFolder(path) {
  return typeof path === 'string' && path.indexOf(schlingoWorkFolder + '/') === 0;
}
function schlingoSameBytes(a, b) {
  if (!a || a.length !== b.length) return false;
  for (var i = 0; i < a.length; ++i) {
    if (a[i] !== b[i]) return false;
  }
  return true;
}

// The folder's files that IndexedDB does not have as they are now.
function schlingoChanges() {
  var puts = [], seen = {};
  FS.readdir(schlingoWorkFolder).forEach(function (name) {
    var path = schlingoWorkFolder + '/' + name;
    var stat = FS.stat(path);
    if (!FS.isFile(stat.mode)) return;
    seen[path] = true;
    var contents = FS.readFile(path);
    if (schlingoSameBytes(schlingoSaving.stored[path], contents)) return;
    puts.push([path, {timestamp: stat.mtime, mode: stat.mode, contents: contents}]);
  });
  var deletes = Object.keys(schlingoSaving.stored).filter(function (path) { return !seen[path]; });
  return {puts: puts, deletes: deletes};
}

// One save at a time; writes during a save ask for one more.
function schlingoStartSync() {
  var saving = schlingoSaving;
  if (!saving.readable || saving.taken) return;
  if (saving.running) {
    saving.again = true;
    return;
  }
  if (saving.retry !== null) {
    clearTimeout(saving.retry);
    saving.retry = null;
  }
  var changes = schlingoChanges();
  if (saving.claimed && changes.puts.length === 0 && changes.deletes.length === 0) return;
  saving.running = schlingoStore.write(saving.player, changes.puts, changes.deletes)
    .then(function () {
      saving.claimed = true;
      changes.puts.forEach(function (put) { saving.stored[put[0]] = put[1].contents; });
      changes.deletes.forEach(function (path) { delete saving.stored[path]; });
      if (saving.failed) {
        saving.failed = false;
        schlingoTell('saved');
      }
    }, function (error) {
      if (error && error.taken) {
        saving.taken = true;
        schlingoTell('taken');
        return;
      }
      console.warn('Schlingo: Dateien nicht gespeichert', error);
      if (!saving.failed) {
        saving.failed = true;
        schlingoTell('failed');
      }
      // Storage may come back (space freed, the other page closed).
      saving.retry = setTimeout(function () {
        saving.retry = null;
        schlingoStartSync();
      }, 5000);
    })
    .then(function () {
      saving.running = null;
      if (saving.again) {
        saving.again = false;
        schlingoStartSync();
      }
    });
}

Module['preRun'] = (Module['preRun'] || []).concat([function () {
  schlingoSaving.player = Module['schlingoPlayer'] ||
                          {id: String(Math.random()), since: Date.now() + Math.random()};
  FS.mkdir(schlingoWorkFolder);
  try {
    FS.symlink(schlingoProgramFolder + '/schlingo', '/proc/self/exe');
  } catch (e) {
    // Without it the pictures are looked for in the working folder.
  }
  addRunDependency('schlingo-work-folder');
  schlingoStore.readAll().then(function (files) {
    Object.keys(files).forEach(function (path) {
      var name = path.slice(schlingoWorkFolder.length + 1);
      var entry = files[path];
      if (!schlingoInWorkFolder(path) || name.indexOf('/') >= 0 || !FS.isFile(entry.mode)) return;
      var contents = new Uint8Array(entry.contents);
      FS.writeFile(path, contents);
      var time = new Date(entry.timestamp).getTime();
      FS.utime(path, time, time);
      schlingoSaving.stored[path] = contents;
    });
    schlingoSaving.readable = true;
  }, function (error) {
    // The files kept, if any, are out of reach: play with the shipped ones
    // and write nothing over what may still be there.
    console.warn('Schlingo: gespeicherte Dateien nicht lesbar', error);
    schlingoSaving.failed = true;
    schlingoTell('failed');
  }).then(function () {
    removeRunDependency('schlingo-work-folder');
  });
}]);

Module['onRuntimeInitialized'] = (function (next) {
  return function () {
    schlingoShippedFiles.forEach(function (name) {
      var target = schlingoWorkFolder + '/' + name;
      if (FS.analyzePath(target).exists) return;
      try {
        FS.writeFile(target, FS.readFile(schlingoProgramFolder + '/' + name));
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
    // The claim on the folder, and the shipped files copied in.
    schlingoStartSync();
    // A page closed or hidden may not come back: a save that failed is tried
    // once more.
    addEventListener('pagehide', schlingoStartSync);
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
  // the working folder, after it was replaced. A promise: the check goes in
  // steps of about 10 ms, the page's events and the game run between them.
  // Empty when a later check took its place.
  check: function (name) {
    var category = schlingoShippedFiles.indexOf(name) + 1;
    if (category < 1 || category > 4) return Promise.resolve('');
    var number = Module['_schlingo_check_list_begin'](category);
    var entries = 2000;
    return new Promise(function (resolve) {
      // Each step a task of its own, after a message: timers would be
      // clamped to 4 ms and more.
      var channel = new MessageChannel();
      channel.port1.onmessage = function () {
        var started = performance.now();
        var done = Module['_schlingo_check_list_step'](number, entries);
        if (done === 0) {
          var took = performance.now() - started;
          // Towards 10 ms a step, growing slowly: the next stage of the
          // check may cost more per entry.
          entries = Math.max(100, Math.min(entries * 2, Math.round(entries * 10 / Math.max(took, 1))));
          channel.port2.postMessage(0);
          return;
        }
        channel.port1.close();
        resolve(done < 0 ? '' : UTF8ToString(Module['_schlingo_check_list_report'](number)));
      };
      channel.port2.postMessage(0);
    });
  },
  // Resolves once every file written so far is kept (true) or its save has
  // failed (false); a save that failed before is tried once more first.
  saved: function () {
    if (!schlingoSaving.running) schlingoStartSync();
    function settled() {
      return schlingoSaving.running ? schlingoSaving.running.then(settled)
                                    : Promise.resolve(!schlingoSaving.failed && schlingoSaving.readable);
    }
    return settled();
  }
};
