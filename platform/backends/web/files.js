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
// save that works writes everything still missing. Each file is saved in a
// transaction of its own, the game's own files first, so that one that does
// not fit never holds back another that would. Nothing here ever makes the
// game wait for an answer that does not come.
const SchlingoFiles = (() => {
'use strict';
var schlingoProgramFolder = '/schlingo';
var schlingoWorkFolder = '/Schlingo';
var schlingoShippedFiles = ['allgemeine Wörter.txt', 'Städte.txt', 'Länder.txt', 'Berufe.txt',
                            'Button2.galgen'];
// Saved before any other file: the scores, and the board's clicks.
var schlingoGameFiles = ['Highscore.dat', 'Statistik.txt', 'Button2.galgen'];

// The database in the layout earlier builds wrote, so a player's files carry
// over: named after the folder, one store, a file's path as its key and
// {timestamp, mode, contents} as its value.
var schlingoStore = (function () {
  var storeName = 'FILE_DATA';
  // Which tab plays: not a file (it has no timestamp, so it is in no index
  // of files either). {id, epoch}: every claim counts the epoch up inside
  // the transaction that reads it, so the last claim is the highest, whatever
  // the clocks of the tabs say. Earlier builds wrote {id, since} with the
  // time of day; a claim writes over that.
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
            if (!error.taken) forget(database); // the next try opens afresh
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
            settle(result && result.taken ||
                   transaction.error || new DOMException('Transaktion abgebrochen', 'AbortError'));
          };
          transaction.onerror = function (event) {
            event.preventDefault();
            var error = event.target.error;
            // A request cut short by the abort: the abort says why.
            if (error && error.name === 'AbortError') return;
            settle(error || new Error('IndexedDB-Fehler'));
          };
          result = work(transaction.objectStore(storeName), transaction);
        } catch (e) {
          settle(e);
        }
      });
    });
  }

  function takenError() {
    var error = new Error('Ein anderer Tab spielt jetzt');
    error.taken = true;
    return error;
  }
  // A page that has stopped (its Web Lock was taken) claims and writes
  // nothing more: checked as each transaction is made, so that a claim of
  // this tab can never come after the claim of the tab that took over.
  function refused(answer, transaction) {
    if (!Module['schlingoStopped']) return false;
    answer.taken = takenError();
    transaction.abort();
    return true;
  }

  // Reads every file kept into `files` ({path: {timestamp, mode, contents}}).
  function readInto(store, files) {
    store.openCursor().onsuccess = function (event) {
      var cursor = event.target.result;
      if (!cursor) return;
      var entry = cursor.value;
      if (typeof cursor.key === 'string' && entry && entry.contents && entry.timestamp) {
        files[cursor.key] = entry;
      }
      cursor.continue();
    };
  }

  return {
    // The folder claimed for `player` and its files read, both in one
    // transaction: what any other tab wrote before is read, and nothing it
    // writes after lands. Resolves with {files, epoch}.
    claimAndRead: function (player) {
      return transact('readwrite', function (store, transaction) {
        var answer = {files: {}, epoch: 0, taken: null};
        if (refused(answer, transaction)) return answer;
        var holder = store.get(playerKey);
        holder.onsuccess = function () {
          var last = holder.result;
          answer.epoch = (last && typeof last.epoch === 'number' ? last.epoch : 0) + 1;
          store.put({id: player.id, epoch: answer.epoch}, playerKey);
          readInto(store, answer.files);
        };
        return answer;
      });
    },
    // Without a claim (it could not be written): the files, and the claim
    // seen, for a claim later that holds only if nobody claimed meanwhile.
    readAll: function () {
      return transact('readonly', function (store) {
        var answer = {files: {}, holder: null};
        var holder = store.get(playerKey);
        holder.onsuccess = function () { answer.holder = holder.result || null; };
        readInto(store, answer.files);
        return answer;
      });
    },
    // The claim after readAll: resolves with the epoch, or rejects as taken
    // when the holder is no longer the one `seen` there.
    claimIfUnchanged: function (player, seen) {
      return transact('readwrite', function (store, transaction) {
        var answer = {epoch: 0, taken: null};
        if (refused(answer, transaction)) return answer;
        var holder = store.get(playerKey);
        holder.onsuccess = function () {
          var last = holder.result || null;
          var same = last === seen || (last && seen && last.id === seen.id &&
                                       last.epoch === seen.epoch && last.since === seen.since);
          if (!same) {
            answer.taken = takenError();
            transaction.abort();
            return;
          }
          answer.epoch = (last && typeof last.epoch === 'number' ? last.epoch : 0) + 1;
          store.put({id: player.id, epoch: answer.epoch}, playerKey);
        };
        return answer;
      }).then(function (answer) { return answer.epoch; });
    },
    // One file written (entry) or deleted (null), only while `player` holds
    // the claim it made last; else nothing is written and the error has
    // `taken` set.
    writeOne: function (player, path, entry) {
      return transact('readwrite', function (store, transaction) {
        var answer = {taken: null};
        if (refused(answer, transaction)) return answer;
        var holder = store.get(playerKey);
        holder.onsuccess = function () {
          var last = holder.result;
          if (!last || last.id !== player.id || last.epoch !== player.epoch) {
            answer.taken = takenError();
            transaction.abort();
            return;
          }
          if (entry) store.put(entry, path);
          else store.delete(path);
        };
        return answer;
      });
    }
  };
})();

// What is saved, and how saving goes. `stored` holds the bytes IndexedDB has
// of every file: a save writes what differs from them, so a failed save
// leaves its files for the next.
var schlingoSaving = {
  player: null,    // {id}, and the epoch of its claim once claimed
  seen: null,      // the claim found when the files were read without one
  stored: {},
  readable: false, // the kept files were read: only then may they be written over
  taken: false,    // another tab plays now: this one writes nothing more
  failed: false,
  running: null,
  again: false,
  retry: null
};
// The page hands in its player as Module.schlingoPlayer ({id}) and hears how
// saving goes through Module.schlingoSaving: "claimed" (with the epoch),
// "failed", "saved" (after a failure) or "taken".
function schlingoTell(state, epoch) {
  if (typeof Module['schlingoSaving'] === 'function') Module['schlingoSaving'](state, epoch);
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
function schlingoGameFileRank(path) {
  var rank = schlingoGameFiles.indexOf(path.slice(schlingoWorkFolder.length + 1));
  return rank < 0 ? schlingoGameFiles.length : rank;
}

// The folder's files that IndexedDB does not have as they are now, as
// [path, entry] to write (the game's own files first) and [path, null] to
// delete.
function schlingoChanges() {
  var changes = [], seen = {};
  FS.readdir(schlingoWorkFolder).forEach(function (name) {
    var path = schlingoWorkFolder + '/' + name;
    var stat = FS.stat(path);
    if (!FS.isFile(stat.mode)) return;
    seen[path] = true;
    var contents = FS.readFile(path);
    if (schlingoSameBytes(schlingoSaving.stored[path], contents)) return;
    changes.push([path, {timestamp: stat.mtime, mode: stat.mode, contents: contents}]);
  });
  changes.sort(function (a, b) { return schlingoGameFileRank(a[0]) - schlingoGameFileRank(b[0]); });
  Object.keys(schlingoSaving.stored).forEach(function (path) {
    if (!seen[path]) changes.push([path, null]);
  });
  return changes;
}

function schlingoTaken() {
  if (schlingoSaving.taken) return;
  schlingoSaving.taken = true;
  schlingoTell('taken');
}

// Resolves once this tab holds its claim on the folder; rejects when it
// cannot (taken: another tab claimed since the files were read).
function schlingoClaim() {
  var saving = schlingoSaving;
  if (saving.player.epoch !== undefined) return Promise.resolve();
  return schlingoStore.claimIfUnchanged(saving.player, saving.seen).then(function (epoch) {
    saving.player.epoch = epoch;
    schlingoTell('claimed', epoch);
  });
}

// One file kept as `contents` says (null: deleted), `stored` brought up to date.
function schlingoKeep(path, entry) {
  return schlingoStore.writeOne(schlingoSaving.player, path, entry).then(function () {
    if (entry) schlingoSaving.stored[path] = entry.contents;
    else delete schlingoSaving.stored[path];
  });
}

// Said at once, not after every other file was tried.
function schlingoFailed() {
  if (schlingoSaving.failed) return;
  schlingoSaving.failed = true;
  schlingoTell('failed');
}

// Every change saved, one file after the other; a file that fails is left
// for the next save and the others go on. Resolves with the number of files
// that failed.
function schlingoSaveChanges() {
  var failures = 0;
  return schlingoClaim().then(function () {
    return schlingoChanges().reduce(function (previous, change) {
      return previous.then(function () {
        return schlingoKeep(change[0], change[1]).catch(function (error) {
          if (error && error.taken) throw error;
          console.warn('Schlingo: ' + change[0] + ' nicht gespeichert', error);
          ++failures;
          schlingoFailed();
        });
      });
    }, Promise.resolve());
  }).then(function () { return failures; });
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
  saving.running = schlingoSaveChanges().catch(function (error) {
    if (error && error.taken) {
      schlingoTaken();
      return 0;
    }
    console.warn('Schlingo: Dateien nicht gespeichert', error);
    return 1;
  }).then(function (failures) {
    if (saving.taken) return;
    if (failures === 0) {
      if (saving.failed) {
        saving.failed = false;
        schlingoTell('saved');
      }
      return;
    }
    schlingoFailed();
    // Storage may come back (space freed, the other page closed).
    saving.retry = setTimeout(function () {
      saving.retry = null;
      schlingoStartSync();
    }, 5000);
  }).then(function () {
    saving.running = null;
    if (saving.again) {
      saving.again = false;
      schlingoStartSync();
    }
  });
}

// Resolves once no save runs.
function schlingoSettled() {
  var running = schlingoSaving.running;
  return running ? running.then(schlingoSettled) : Promise.resolve();
}

// Whether every file of the folder is kept as it is now, and may go on
// being kept by this tab.
function schlingoAllKept() {
  var saving = schlingoSaving;
  return saving.readable && !saving.taken && saving.player.epoch !== undefined &&
         schlingoChanges().length === 0;
}

Module['preRun'] = (Module['preRun'] || []).concat([function () {
  schlingoSaving.player = {id: (Module['schlingoPlayer'] || {}).id || String(Math.random())};
  FS.mkdir(schlingoWorkFolder);
  try {
    FS.symlink(schlingoProgramFolder + '/schlingo', '/proc/self/exe');
  } catch (e) {
    // Without it the pictures are looked for in the working folder.
  }
  addRunDependency('schlingo-work-folder');
  function take(files) {
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
  }
  schlingoStore.claimAndRead(schlingoSaving.player).then(function (answer) {
    take(answer.files);
    schlingoSaving.player.epoch = answer.epoch;
    schlingoTell('claimed', answer.epoch);
  }, function (error) {
    // Perhaps only the claim could not be written (storage full): the files
    // are read all the same, and the claim is made with the first save.
    if (error && error.taken) schlingoTaken();
    else console.warn('Schlingo: Ordner nicht beansprucht', error);
    return schlingoStore.readAll().then(function (answer) {
      schlingoSaving.seen = answer.holder;
      take(answer.files);
    });
  }).catch(function (error) {
    // The files kept, if any, are out of reach: play with the shipped ones
    // and write nothing over what may still be there.
    console.warn('Schlingo: gespeicherte Dateien nicht lesbar', error);
    schlingoFailed();
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
    // The shipped files copied in (and the claim, where reading could not
    // make it).
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
  // Keeps `bytes` as the file `name` and only then puts them in play. Resolves
  // with {kept: true}, or {kept: false, full: storage is full, taken: another
  // tab plays} with the file as it was.
  replace: function (name, bytes) {
    var path = schlingoWorkFolder + '/' + name;
    var entry = {timestamp: new Date(), mode: 33206, contents: bytes}; // a file, rw-rw-rw-
    return schlingoSettled().then(function () {
      if (schlingoSaving.taken) throw new Error('Ein anderer Tab spielt jetzt');
      if (!schlingoSaving.readable) throw new Error('gespeicherte Dateien nicht lesbar');
      return schlingoClaim();
    }).then(function () {
      return schlingoKeep(path, entry);
    }).then(function () {
      // `stored` has the bytes already, so this write saves nothing more.
      FS.writeFile(path, bytes);
      return {kept: true};
    }, function (error) {
      if (error && error.taken) schlingoTaken();
      console.warn('Schlingo: ' + name + ' nicht gespeichert', error);
      return {kept: false, full: !!error && error.name === 'QuotaExceededError',
              taken: schlingoSaving.taken};
    });
  },
  // Resolves once every file written so far is saved, or its save has
  // failed: true only when IndexedDB holds every file of the folder as it is
  // now, and this tab still plays. A save that failed before is tried once
  // more first.
  saved: function () {
    if (!schlingoSaving.running) schlingoStartSync();
    return schlingoSettled().then(schlingoAllKept);
  }
};
return Module['schlingoFiles'];
})();
