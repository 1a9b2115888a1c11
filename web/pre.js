// The page's half of the browser build: the story's files fetched from beside the page, files kept
// in IndexedDB, pictures decoded by the browser, keys (and the taps and buttons that stand for
// them) in, frames out, what the game shows told to screen readers, and the record saved to and
// loaded from a file. framework/web/ (event_wait.cpp, page.cpp, shown.cpp, image.cpp) and
// game/web_main.cpp call into Module.gorubadon.
(function () {
    'use strict';
    const home = '/game';
    const record = 'save.txt';
    // The reader's place, where the story keeps it (game/web_main.cpp writes it).
    const place = 'place.txt';
    // What the folder's publisher filled in: the look and the store's name.
    const settings = document.body.dataset;
    const filled = (value) => (value && !value.startsWith('@') ? value : '');
    const look = filled(settings.look) || 'game';
    // The page's own files (index.html names them, the picture last), beside the record's home:
    // none of them is kept in the store.
    const fetchedHome = '/page';
    const fetchedNames = storyFiles;
    const pictureAt = fetchedNames.length - 1;
    const pictureName = fetchedNames[pictureAt];
    // Started at once, beside the engine's code (a page opened from a file loads no engine).
    const fetched = Promise.all(fetchedNames.map((name) =>
        fetch(name).then((response) => {
            if (!response.ok) {
                throw new Error(`The page could not load ${name} (${response.status} ${response.statusText}).`);
            }
            return response.arrayBuffer();
        }, () => {
            throw new Error(`The page could not load ${name}: the connection failed.`);
        })));
    fetched.catch(() => {}); // told on the page once the engine waits for the files
    const canvas = document.getElementById('screen');
    const status = document.getElementById('status');
    const storageLine = document.getElementById('storage');
    const story = document.getElementById('story');
    const optionButtons = document.getElementById('options');
    const context = canvas.getContext('2d', { alpha: false });
    let image = null;
    const keys = [];
    let waiting = null; // the game's wake-up while it waits for a key
    let db = null;
    let storageProblem = false;
    let ended = false;
    // The bytes of each file as this tab last read them from the store or wrote them there: only
    // files that differ are written, so that what another tab stored since is kept.
    const known = new Map();
    // A record file the player loaded: the next play starts from it, and this play's own record
    // must not take its place.
    let loadedRecord = null;
    // While options are offered: where their lines are on the screen.
    let offered = null;

    function say(text) {
        status.textContent = text;
        window.dispatchEvent(new Event('gorubadon-layout'));
    }

    function sayAboutStorage(text) {
        storageLine.textContent = text;
        window.dispatchEvent(new Event('gorubadon-layout'));
    }

    function storageRefused() {
        if (!storageProblem) {
            storageProblem = true;
            sayAboutStorage('This browser did not let the game keep its record: play goes on, but the record will be lost.');
        }
    }

    const sameBytes = (a, b) => a.length === b.length && a.every((byte, i) => byte === b[i]);

    function ownFiles() {
        const files = new Map();
        for (const name of FS.readdir(home)) {
            const path = home + '/' + name;
            if (name !== '.' && name !== '..' && FS.isFile(FS.stat(path).mode)) {
                files.set(name, FS.readFile(path));
            }
        }
        return files;
    }

    // The files this tab changed, all in one transaction; it, or null when there is none.
    function persist() {
        if (db === null) {
            storageRefused();
            return null;
        }
        try {
            const files = ownFiles();
            const tx = db.transaction('files', 'readwrite');
            const store = tx.objectStore('files');
            // Emscripten 3's optimizer reads no destructuring in for...of.
            files.forEach((bytes, name) => {
                const unchanged = known.has(name) && sameBytes(known.get(name), bytes);
                if (!unchanged && !(name === record && loadedRecord !== null)) {
                    store.put(bytes, name);
                    known.set(name, bytes);
                }
            });
            for (const name of [...known.keys()]) {
                if (!files.has(name) && !(name === record && loadedRecord !== null)) {
                    store.delete(name);
                    known.delete(name);
                }
            }
            tx.onabort = storageRefused;
            tx.onerror = storageRefused;
            // At once where the browser can: a closing tab may not get another task to commit in.
            if (tx.commit) {
                tx.commit();
            }
            return tx;
        } catch (e) {
            storageRefused();
            return null;
        }
    }

    // Each folder its own store, so that two stories on one host keep their records apart.
    function storeName() {
        return filled(settings.store) || 'gorubadon ' + new URL('.', location.href).pathname;
    }

    function openStorage() {
        return new Promise((resolve) => {
            let request;
            try {
                request = indexedDB.open(storeName(), 1);
            } catch (e) {
                resolve(null);
                return;
            }
            request.onupgradeneeded = () => request.result.createObjectStore('files');
            request.onsuccess = () => resolve(request.result);
            request.onerror = () => resolve(null);
            request.onblocked = () => resolve(null);
        });
    }

    // What is stored came from anyone who could write to this site's storage: a name that is not
    // a plain file name, or a value that is not bytes, is left where it is, unread.
    function usableName(key) {
        return typeof key === 'string' && key !== '.' && key !== '..' && /^[^/\0]{1,255}$/.test(key);
    }

    function restore() {
        return new Promise((resolve) => {
            if (db === null) {
                resolve();
                return;
            }
            const aside = [];
            const done = () => {
                if (aside.length > 0) {
                    say(`Stored data the game cannot use was set aside, unread: ${aside.join(', ')}.`);
                }
                resolve();
            };
            let request;
            try {
                request = db.transaction('files', 'readonly').objectStore('files').openCursor();
            } catch (e) {
                storageRefused();
                resolve();
                return;
            }
            request.onsuccess = () => {
                const cursor = request.result;
                if (!cursor) {
                    done();
                    return;
                }
                const value = cursor.value;
                const bytes = value instanceof Uint8Array ? value
                    : value instanceof ArrayBuffer ? new Uint8Array(value) : null;
                try {
                    if (!usableName(cursor.key) || bytes === null) {
                        throw new Error('unusable');
                    }
                    FS.writeFile(home + '/' + cursor.key, bytes);
                    known.set(cursor.key, bytes);
                } catch (e) {
                    aside.push(JSON.stringify(String(cursor.key)).slice(0, 40));
                }
                cursor.continue();
            };
            request.onerror = () => {
                storageRefused();
                done();
            };
        });
    }

    // SDL's keysym for a key as the desktop reports it: the unshifted symbol, the typed character.
    const named = {
        Space: 32, Enter: 13, Escape: 27, Backspace: 8, Tab: 9, Delete: 127,
        ArrowUp: 273, ArrowDown: 274, ArrowRight: 275, ArrowLeft: 276,
        Numpad0: 256, Numpad1: 257, Numpad2: 258, Numpad3: 259, Numpad4: 260, Numpad5: 261,
        Numpad6: 262, Numpad7: 263, Numpad8: 264, Numpad9: 265, NumpadDecimal: 266,
        NumpadDivide: 267, NumpadMultiply: 268, NumpadSubtract: 269, NumpadAdd: 270,
        NumpadEnter: 271, NumpadEqual: 272,
    };
    for (let i = 1; i <= 15; ++i) {
        named['F' + i] = 281 + i;
    }
    function keysym(e) {
        let sym = 0;
        if (e.code in named) {
            sym = named[e.code];
        } else if (e.shiftKey && /^Digit[0-9]$/.test(e.code)) {
            sym = e.code.charCodeAt(5);
        } else if (e.key.length === 1 && e.key.toLowerCase().charCodeAt(0) < 128) {
            sym = e.key.toLowerCase().charCodeAt(0);
        }
        const unicode = e.key.length === 1 ? e.key.charCodeAt(0) : 0;
        const mod = (e.shiftKey ? 0x1 : 0) | (e.ctrlKey ? 0x40 : 0) | (e.altKey ? 0x100 : 0) |
            (e.metaKey ? 0x400 : 0);
        return [sym, unicode, mod];
    }

    function give(key) {
        if (waiting !== null) {
            const wake = waiting;
            waiting = null;
            wake(key);
        } else {
            keys.push(key);
        }
    }

    function playAgain() {
        location.reload();
    }

    // Page controls take their own Enter and space; every other key goes to the game as before.
    const onControl = (e) => e.target instanceof HTMLButtonElement || e.target instanceof HTMLInputElement;
    window.addEventListener('keydown', (e) => {
        if (onControl(e) && (e.code === 'Space' || e.code === 'Enter' || e.code === 'NumpadEnter')) {
            return;
        }
        if (e.code === 'Tab') {
            return; // it moves between the page's controls; the game does nothing with it
        }
        if (ended) {
            if (e.code === 'Space' || e.code === 'Enter') {
                e.preventDefault();
                playAgain();
            }
            return;
        }
        page.lastKey = e.timeStamp;
        const key = keysym(e);
        if (key[0] === 32 || (/^Digit[1-9]$/.test(e.code) && Number(e.code.slice(5)) <= page.optionKeys)) {
            e.preventDefault(); // no scrolling under the game
        }
        give(key);
    });

    // A tap or click is the key it stands for: option n's digit on its line, else space.
    const digit = (n) => [48 + n, 48 + n, 0];
    const space = [32, 32, 0];
    canvas.addEventListener('click', (e) => {
        e.preventDefault();
        if (ended) {
            playAgain();
            return;
        }
        page.lastKey = e.timeStamp;
        const box = canvas.getBoundingClientRect();
        const y = (e.clientY - box.top) * canvas.height / box.height;
        if (offered !== null && offered.lineSkip > 0 && y >= offered.top) {
            const n = Math.floor((y - offered.top) / offered.lineSkip) + 1;
            if (n <= offered.count) {
                give(digit(n));
                return;
            }
        }
        give(space);
    });

    function showOptions(labels, top, lineSkip) {
        offered = { top, lineSkip, count: labels.length };
        page.offered = offered;
        optionButtons.replaceChildren(...labels.map((label, i) => {
            const button = document.createElement('button');
            button.type = 'button';
            button.textContent = label;
            button.addEventListener('click', () => {
                if (!ended && offered !== null) {
                    give(digit(i + 1));
                    canvas.focus(); // the buttons go: the keys stay on the game
                }
            });
            return button;
        }));
    }

    function withdrawOptions() {
        offered = null;
        page.offered = null;
        if (optionButtons.contains(document.activeElement)) {
            canvas.focus();
        }
        optionButtons.replaceChildren();
    }

    // What the game shows, in words: each line as written, in a live region a screen reader
    // speaks; the region empties with the page.
    function tell(text, lang) {
        const line = document.createElement('p');
        line.textContent = text;
        if (lang) {
            line.lang = lang;
        }
        story.appendChild(line);
    }

    function shown(what, text, top, lineSkip) {
        page.told.push([what, text]);
        switch (what) {
        case 0:
            withdrawOptions();
            if (text !== '') {
                tell(text);
            }
            break;
        case 1:
            withdrawOptions();
            story.replaceChildren();
            break;
        case 2:
            showOptions(text.split('\n'), top, lineSkip);
            tell(text.split('\n').join('　'));
            break;
        case 3:
            tell('The end: space or a tap closes the story.', 'en');
            break;
        }
    }

    // The record in the player's hands: the bytes the game keeps, and a file the game's own
    // reader takes in their place.
    function keptRecord() {
        if (loadedRecord !== null) {
            return loadedRecord;
        }
        if (!ended) {
            Module._gorubadonKeepRecord();
        }
        persist();
        const path = home + '/' + record;
        return FS.analyzePath(path).exists ? FS.readFile(path) : null;
    }

    function saveRecord() {
        const bytes = keptRecord();
        if (bytes === null) {
            say('There is no record yet.');
            return;
        }
        const link = document.createElement('a');
        link.href = URL.createObjectURL(new Blob([bytes], { type: 'text/plain' }));
        link.download = record;
        document.body.appendChild(link);
        link.click();
        link.remove();
        setTimeout(() => URL.revokeObjectURL(link.href), 60000);
        say('The record was saved as save.txt.');
    }

    function isRecord(bytes) {
        const at = Module._malloc(Math.max(1, bytes.length));
        if (at === 0) {
            return false;
        }
        try {
            HEAPU8.set(bytes, at);
            return Module._gorubadonIsRecord(at, bytes.length) === 1;
        } finally {
            Module._free(at);
        }
    }

    async function loadRecord(file) {
        const refused = 'That file is not a record this game reads: the kept record is unchanged.';
        if (file.size === 0 || file.size > Module._gorubadonRecordSizeLimit()) {
            say(refused);
            return;
        }
        let bytes;
        try {
            bytes = new Uint8Array(await file.arrayBuffer());
        } catch (e) {
            say('The file could not be read: the kept record is unchanged.');
            return;
        }
        if (!isRecord(bytes)) {
            say(refused);
            return;
        }
        if (db === null) {
            say('The record was read, but this browser keeps nothing: it cannot be played from.');
            return;
        }
        const tx = db.transaction('files', 'readwrite');
        tx.objectStore('files').put(bytes, record);
        tx.oncomplete = () => {
            known.set(record, bytes);
            loadedRecord = bytes;
            FS.writeFile(home + '/' + record, bytes);
            say(ended ? 'The record was loaded: the next play starts from it.'
                : 'The record was loaded: the next play starts from it (this one goes on as it began).');
        };
        tx.onabort = () => say('The browser did not keep the record: the kept record is unchanged.');
    }

    // The reader's place forgotten, and the story from its opening.
    function startAgain() {
        const path = home + '/' + place;
        if (FS.analyzePath(path).exists) {
            FS.unlink(path);
        }
        const tx = persist();
        if (tx === null) {
            playAgain();
            return;
        }
        tx.oncomplete = playAgain;
        tx.onabort = () => {
            storageRefused();
            playAgain();
        };
    }

    document.getElementById('save-record').addEventListener('click', saveRecord);
    const startAgainButton = document.getElementById('start-again');
    startAgainButton.addEventListener('click', startAgain);
    const recordFile = document.getElementById('record-file');
    document.getElementById('load-record').addEventListener('click', () => recordFile.click());
    recordFile.addEventListener('change', () => {
        const file = recordFile.files[0];
        recordFile.value = '';
        if (file) {
            loadRecord(file);
        }
    });

    function hidden(e) {
        if (document.visibilityState === 'hidden' || e.type === 'pagehide') {
            Module._gorubadonKeepRecord();
            persist();
        }
    }

    // Browsers clear storage they were not asked to keep when they need room.
    function askToKeep() {
        if (!navigator.storage || !navigator.storage.persist) {
            return;
        }
        navigator.storage.persist().then((kept) => {
            page.persisted = kept;
            if (!kept && !storageProblem) {
                sayAboutStorage('This browser may clear the kept record when it needs room: save it to a file to be sure.');
            }
        }, () => {});
    }

    const page = {
        present(pixels, width, height, pitch) {
            if (image === null || image.width !== width || image.height !== height) {
                canvas.width = width;
                canvas.height = height;
                image = context.createImageData(width, height);
            }
            const out = image.data;
            for (let y = 0; y < height; ++y) {
                let from = pixels + y * pitch;
                let to = y * width * 4;
                for (let x = 0; x < width; ++x, from += 4, to += 4) {
                    out[to] = HEAPU8[from + 2];
                    out[to + 1] = HEAPU8[from + 1];
                    out[to + 2] = HEAPU8[from];
                    out[to + 3] = 255;
                }
            }
            context.putImageData(image, 0, 0);
            page.frames += 1;
            page.lastFrame = performance.now();
            if (page.firstFrame === 0) {
                page.firstFrame = page.lastFrame;
                window.dispatchEvent(new Event('gorubadon-started'));
                askToKeep();
            }
        },
        shown,
        nextKey(fields) {
            const write = (key) => {
                HEAP32.set(key, fields >> 2);
                return 1;
            };
            if (keys.length > 0) {
                return Promise.resolve(write(keys.shift()));
            }
            return new Promise((resolve) => {
                waiting = (key) => resolve(write(key));
            });
        },
        playing(on) {
            for (const type of ['visibilitychange', 'pagehide']) {
                if (on) {
                    window.addEventListener(type, hidden);
                } else {
                    window.removeEventListener(type, hidden);
                }
            }
            if (!on) {
                persist();
                ended = true;
                page.ended = true;
                withdrawOptions();
                say('The story is over. Press space or tap the picture to play again' +
                    (loadedRecord !== null ? ', from the loaded record.' : '.'));
            }
        },
        // The game's own error lines (a story that cannot be read, say): all of them on the page.
        error(text) {
            status.textContent += (status.textContent ? '\n' : '') + text;
            document.getElementById('loading').hidden = true;
            window.dispatchEvent(new Event('gorubadon-layout'));
            console.error(text);
        },
        // The story keeps its reader's place: the control that forgets it.
        keepsPlace() {
            startAgainButton.hidden = false;
            window.dispatchEvent(new Event('gorubadon-layout'));
        },
        // The files the engine changed, stored now.
        store() {
            persist();
        },
        images: {},
        optionKeys: 0, // how many options a key can take, as the engine tells it
        // For the tests and make measure-web: frames drawn, and when (ms since navigation).
        frames: 0,
        firstFrame: 0,
        lastFrame: 0,
        lastKey: 0,
        ended: false,
        told: [], // what the game told, [kind, text], in order
        offered: null, // where the options' lines are on the screen
        persisted: null,
    };
    Module.gorubadon = page;
    Module.gorubadonImages = page.images;

    // The browser decodes the picture, without colour management: the pixels are the decoder's,
    // as SDL_image's are.
    async function decoded(bytes) {
        const bitmap = await createImageBitmap(new Blob([bytes]),
            { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
        const c = document.createElement('canvas');
        c.width = bitmap.width;
        c.height = bitmap.height;
        const g = c.getContext('2d', { willReadFrequently: true });
        g.drawImage(bitmap, 0, 0);
        return g.getImageData(0, 0, bitmap.width, bitmap.height);
    }

    // The story's files in the program's file system, the picture decoded, before main runs.
    async function putFetched() {
        const files = await fetched;
        FS.mkdirTree(fetchedHome);
        fetchedNames.forEach((name, i) => FS.writeFile(fetchedHome + '/' + name, new Uint8Array(files[i])));
        if (/\.(jpe?g|png)$/i.test(pictureName)) {
            try {
                page.images[fetchedHome + '/' + pictureName] = await decoded(files[pictureAt]);
            } catch (e) {
                // The engine says it cannot open the picture, as the desktop does.
            }
        }
    }

    // How far the page has got: what the engine waits on (the code compiled, the story's files,
    // the record).
    const progress = { left: 0, most: 0 };
    function showProgress() {
        const bar = document.getElementById('progress');
        if (bar) {
            bar.max = 1;
            bar.value = progress.most ? 1 - progress.left / progress.most : 0;
        }
    }
    Module.monitorRunDependencies = (left) => {
        progress.most = Math.max(progress.most, left);
        progress.left = left;
        showProgress();
    };
    Module.print = (text) => console.log(text);
    Module.printErr = (text) => page.error(text);
    Module.arguments = [look, fetchedHome + '/' + pictureName];
    Module.preRun = Module.preRun || [];
    Module.preRun.push(() => {
        ENV.SDL_VIDEODRIVER = 'dummy';
        ENV.SDL_AUDIODRIVER = 'dummy';
        FS.mkdirTree(home);
        FS.chdir(home);
        addRunDependency('gorubadon-record');
        openStorage().then((opened) => {
            db = opened;
            if (db === null) {
                storageRefused();
            }
            return restore();
        }).then(() => removeRunDependency('gorubadon-record'));
        addRunDependency('gorubadon-story');
        putFetched().then(() => removeRunDependency('gorubadon-story'), (e) => page.error(e.message));
    });
})();
