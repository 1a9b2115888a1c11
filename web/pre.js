// The page's half of the browser build: files kept in IndexedDB, pictures decoded by the browser,
// keys in, frames out. framework/event_wait_web.cpp and image_web.cpp call into Module.gorubadon.
(function () {
    'use strict';
    const home = '/game';
    const canvas = document.getElementById('screen');
    const status = document.getElementById('status');
    const context = canvas.getContext('2d', { alpha: false });
    let image = null;
    const keys = [];
    let waiting = null; // the game's wake-up while it waits for a key
    let db = null;
    let storageProblem = false;
    let ended = false;

    function say(text) {
        status.textContent = text;
    }

    function storageRefused() {
        if (!storageProblem) {
            storageProblem = true;
            say('This browser did not let the game keep its record: play goes on, but the record will be lost.');
        }
    }

    // The record and anything else the game wrote beside its data, all in one transaction.
    function persist() {
        if (db === null) {
            storageRefused();
            return;
        }
        try {
            const tx = db.transaction('files', 'readwrite');
            const store = tx.objectStore('files');
            store.clear();
            for (const name of FS.readdir(home)) {
                const path = home + '/' + name;
                if (name !== '.' && name !== '..' && FS.isFile(FS.stat(path).mode)) {
                    store.put(FS.readFile(path), name);
                }
            }
            tx.onabort = storageRefused;
            tx.onerror = storageRefused;
            // At once where the browser can: a closing tab may not get another task to commit in.
            if (tx.commit) {
                tx.commit();
            }
        } catch (e) {
            storageRefused();
        }
    }

    function openStorage() {
        return new Promise((resolve) => {
            let request;
            try {
                request = indexedDB.open('gorubadon', 1);
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

    function restore() {
        return new Promise((resolve) => {
            if (db === null) {
                resolve();
                return;
            }
            const tx = db.transaction('files', 'readonly');
            const request = tx.objectStore('files').openCursor();
            request.onsuccess = () => {
                const cursor = request.result;
                if (cursor) {
                    FS.writeFile(home + '/' + cursor.key, cursor.value);
                    cursor.continue();
                } else {
                    resolve();
                }
            };
            request.onerror = () => resolve();
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

    window.addEventListener('keydown', (e) => {
        if (ended) {
            if (e.code === 'Space' || e.code === 'Enter') {
                e.preventDefault();
                location.reload();
            }
            return;
        }
        page.lastKey = e.timeStamp;
        const key = keysym(e);
        if (key[0] === 32 || /^Digit[1-3]$/.test(e.code)) {
            e.preventDefault(); // no scrolling under the game
        }
        give(key);
    });

    function hidden(e) {
        if (document.visibilityState === 'hidden' || e.type === 'pagehide') {
            Module._gorubadonKeepRecord();
            persist();
        }
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
            }
        },
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
                if (!storageProblem) {
                    say('The story is over. Press space to play again.');
                }
            }
        },
        // The game's own error lines (a missing data file, say): all of them on the page.
        error(text) {
            status.textContent += (status.textContent ? '\n' : '') + text;
            console.error(text);
        },
        images: {},
        // For the tests and make measure-web: frames drawn, and when (ms since navigation).
        frames: 0,
        firstFrame: 0,
        lastFrame: 0,
        lastKey: 0,
        ended: false,
    };
    Module.gorubadon = page;
    Module.gorubadonImages = page.images;

    // The browser decodes the pictures as they arrive, without colour management: the pixels
    // are the decoder's, as SDL_image's are.
    Module.noImageDecoding = true; // emscripten's own decoder would take BMP files from SDL
    Module.noAudioDecoding = true;
    const pictures = {
        canHandle: (name) => /\.(jpe?g|png)$/i.test(name),
        // Emscripten 3 calls back; later ones await the bytes.
        handle: async (bytes, name, onload, onerror) => {
            let bitmap;
            try {
                bitmap = await createImageBitmap(new Blob([bytes]),
                    { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
            } catch (e) {
                if (!onerror) {
                    throw e;
                }
                onerror();
                return bytes;
            }
            const c = document.createElement('canvas');
            c.width = bitmap.width;
            c.height = bitmap.height;
            const g = c.getContext('2d', { willReadFrequently: true });
            g.drawImage(bitmap, 0, 0);
            page.images[name] = g.getImageData(0, 0, bitmap.width, bitmap.height);
            if (onload) {
                onload(bytes);
            }
            return bytes;
        },
    };

    // Emscripten 3 looks for plugins in Module; later ones keep a list of their own, made by then.
    Module.preloadPlugins = [pictures];
    Module.preInit = [].concat(Module.preInit || [], () => {
        if (typeof preloadPlugins !== 'undefined' && preloadPlugins !== Module.preloadPlugins) {
            preloadPlugins.unshift(pictures);
        }
    });

    Module.print = (text) => console.log(text);
    Module.printErr = (text) => page.error(text);
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
    });
})();
