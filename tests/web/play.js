// The page in headless Chromium with real key presses: the three paths of tools/story-paths.txt
// to their endings, a PNG of the canvas at each shot and after each key, the record kept in IndexedDB across tab
// closes and reloads, play going on where storage is refused, the page opened from a file, a
// story that keeps its reader's place resuming after a reload and starting again on its button,
// and not one console message.
// Usage: node play.js PAGE OUT_DIR KEPT_PAGE   (the game's folder and kept.story's, published;
// prints FAIL lines and exits 1 on any failure)
'use strict';
const fs = require('fs');
const os = require('os');
const { execFileSync } = require('child_process');
const path = require('path');
const { Browser, readPaths, serve } = require('../../web/tools/browser.js');

const [webBuild, out, keptBuild] = process.argv.slice(2);
const root = path.join(__dirname, '..', '..');
const defaultRecord = 'GameData {hp = 10, hpMax = 10, turn = 0, gold = 1000, items = []}';
const failures = [];
function check(ok, what) {
    if (!ok) {
        failures.push(what);
        console.log(`FAIL: ${what}`);
    }
}

const paths = readPaths(path.join(root, 'tools', 'story-paths.txt'));

// The files the page keeps, read straight from IndexedDB: {name: text}.
const storedFiles = (store = 'gorubadon') => `new Promise((resolve, reject) => {
    const open = indexedDB.open(${JSON.stringify(store)}, 1);
    open.onupgradeneeded = () => open.result.createObjectStore('files');
    open.onerror = () => reject(open.error);
    open.onsuccess = () => {
        const files = {};
        const cursor = open.result.transaction('files').objectStore('files').openCursor();
        cursor.onsuccess = () => {
            const c = cursor.result;
            if (!c) { open.result.close(); resolve(files); return; }
            files[c.key] = new TextDecoder().decode(c.value);
            c.continue();
        };
    };
})`;
const storeFiles = (files, store = 'gorubadon') => `new Promise((resolve, reject) => {
    const open = indexedDB.open(${JSON.stringify(store)}, 1);
    open.onupgradeneeded = () => open.result.createObjectStore('files');
    open.onsuccess = () => {
        const tx = open.result.transaction('files', 'readwrite');
        tx.objectStore('files').clear();
        for (const [name, text] of Object.entries(${JSON.stringify(files)})) {
            tx.objectStore('files').put(new TextEncoder().encode(text), name);
        }
        tx.oncomplete = () => { open.result.close(); resolve(true); };
        tx.onerror = () => reject(tx.error);
    };
})`;

// Stores files while no game runs: a game's tab keeps its own record when it goes.
async function seed(browser, url, files) {
    const tab = await browser.open();
    await tab.navigate(url + 'icon.png');
    await tab.evaluate(storeFiles(files));
    await tab.close();
}

// A phone: 390x844 CSS pixels, three device pixels each, touch on.
async function asPhone(tab, width = 390, height = 844) {
    await tab.send('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: 3, mobile: true });
    await tab.send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
}

async function openGame(browser, url, before, setup) {
    const tab = await browser.open();
    if (before) {
        await tab.send('Page.addScriptToEvaluateOnNewDocument', { source: before });
    }
    if (setup) {
        await setup(tab);
    }
    await tab.navigate(url);
    await tab.until('Module.gorubadon && Module.gorubadon.frames > 0');
    return tab;
}

const centre = (rect) => [rect.x + rect.width / 2, rect.y + rect.height / 2];
const rectOf = (tab, selector) => tab.evaluate(`(() => { const r = document.querySelector(${JSON.stringify(selector)})
    .getBoundingClientRect(); return { x: r.x, y: r.y, width: r.width, height: r.height }; })()`);

// The ways a player gives the game a step of a path (space, or an option's digit): each the same
// input to the game, so the screens must be the keyboard's.
const inputs = {
    keys: (tab, step) => tab.key(step),
    // A tap high on the picture reads on; a tap on an option's line in the choices panel takes it.
    taps: async (tab, step) => {
        const screen = await rectOf(tab, '#screen');
        const scale = screen.height / await tab.evaluate("document.getElementById('screen').height");
        if (step === 'space') {
            await tab.tap(screen.x + screen.width / 2, screen.y + 2 * scale);
            return;
        }
        const offered = await tab.evaluate('Module.gorubadon.offered');
        await tab.tap(screen.x + 40 * scale, screen.y + (offered.top + (Number(step) - 0.5) * offered.lineSkip) * scale);
    },
    buttons: async (tab, step) => {
        if (step === 'space') {
            await tab.key(step);
            return;
        }
        await tab.click(...centre(await rectOf(tab, `#options button:nth-child(${step})`)));
    },
    // Tab to the option's button, then Enter.
    tabEnter: async (tab, step) => {
        if (step === 'space') {
            await tab.key(step);
            return;
        }
        const focused = `document.activeElement === document.querySelector('#options button:nth-child(${step})')`;
        for (let i = 0; i < 8 && !(await tab.evaluate(focused)); ++i) {
            await tab.key('Tab');
        }
        check(await tab.evaluate(focused), `Tab never reached option ${step}`);
        await tab.key('Enter');
    },
};

// The tie's path to its ending, and on to the end of play.
async function playTie(tab) {
    for (const key of paths.find((p) => p[0] === 'tie').slice(1).filter((s) => !s.startsWith('shot:'))) {
        await press(tab, key);
    }
    await press(tab, 'space');
    await tab.until('Module.gorubadon.ended');
}

// A step, and the frame it brings (each key the game takes is answered with one).
async function press(tab, key, how = 'keys') {
    const frames = await tab.evaluate('Module.gorubadon.frames');
    await inputs[how](tab, key);
    await tab.until(`Module.gorubadon.frames > ${frames} || Module.gorubadon.ended`);
}

// What the game last told the page is in the accessibility tree: the line, or each option.
async function heard(tab, what) {
    const [kind, text] = await tab.evaluate('Module.gorubadon.told[Module.gorubadon.told.length - 1] || [-1, ""]');
    const spoken = (await tab.accessibleText()).replace(/\s+/g, ' ');
    for (const part of kind === 0 || kind === 2 ? text.split('\n') : []) {
        const words = part.replace(/\s+/g, ' ').trim();
        check(!words || spoken.includes(words), `${what}: "${words}" is not in the accessibility tree`);
    }
}

async function readToOptions(tab) {
    for (let i = 0; i < 10 && !(await tab.evaluate('Module.gorubadon.offered')); ++i) {
        await press(tab, 'space');
    }
}

const canvasPicture = (tab) => tab.evaluate("document.getElementById('screen').toDataURL('image/png')");

// A story that keeps its reader's place, in the writer's player's look, in a folder of its own:
// after a reload, or in a new tab, the same spot; "Start again" and an ending forget it.
async function keptPlace(browser, tabs) {
    const server = await serve(keptBuild);
    const url = `http://127.0.0.1:${server.address().port}/`;
    const reopen = async (tab) => {
        await tab.navigate(url);
        await tab.until('Module.gorubadon && Module.gorubadon.frames > 0');
    };
    try {
        let tab = await openGame(browser, url);
        tabs.push(tab);
        check(await tab.evaluate('document.title') === 'A Kept <Place> & "Quotes"', 'the kept story\'s page has another title');
        const opening = await canvasPicture(tab);
        const again = "document.getElementById('start-again')";
        check(await tab.evaluate(`!${again}.hidden`), 'a story that keeps its place offers no "Start again"');
        await readToOptions(tab);
        await press(tab, '2');
        await press(tab, 'space');
        const spot = await canvasPicture(tab);
        check(spot !== opening, 'the kept story did not move on');
        await reopen(tab);
        check(await canvasPicture(tab) === spot, 'after a reload the kept story is not where the reader was');
        await tab.close();
        tab = await openGame(browser, url);
        tabs.push(tab);
        check(await canvasPicture(tab) === spot, 'on the next visit the kept story is not where the reader was');
        // A store named for its folder, since its publisher named none.
        check(/^\.+2\.\n$/.test((await tab.evaluate(storedFiles('gorubadon /')))['place.txt']),
            `the kept story's store holds ${JSON.stringify(await tab.evaluate(storedFiles('gorubadon /')))}`);
        const reloaded = tab.waitFor((m) => m.method === 'Page.loadEventFired');
        await tab.click(...centre(await rectOf(tab, '#start-again')));
        await reloaded;
        await tab.until('Module.gorubadon && Module.gorubadon.frames > 0');
        check(await canvasPicture(tab) === opening, '"Start again" does not return to the opening');
        await reopen(tab);
        check(await canvasPicture(tab) === opening, 'after "Start again" a reload does not start at the opening');
        // Read to an ending, the place is forgotten.
        await readToOptions(tab);
        await press(tab, '1');
        for (let i = 0; i < 10 && !(await tab.evaluate('Module.gorubadon.ended')); ++i) {
            await press(tab, 'space');
        }
        await reopen(tab);
        check(await canvasPicture(tab) === opening, 'after an ending a reload does not start at the opening');
        check(!('place.txt' in (await tab.evaluate(storedFiles('gorubadon /')))), 'the place is kept after an ending');
        // Kept keys that no longer fit the story (an option it no longer has) are played as far as
        // they fit.
        await readToOptions(tab);
        const offered = await canvasPicture(tab);
        const reached = (await tab.evaluate(storedFiles('gorubadon /')))['place.txt'];
        await tab.evaluate(storeFiles({ 'place.txt': reached.trim() + '3..\n' }, 'gorubadon /'));
        await reopen(tab);
        check(await canvasPicture(tab) === offered, 'kept keys that no longer fit were not played as far as they fit');
        await tab.close();
    } finally {
        server.close();
    }
}

// A folder whose story does not read, or is not there: its lines on the page, and no play.
async function brokenStories(browser) {
    const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'gorubadon-broken-'));
    for (const name of fs.readdirSync(keptBuild)) {
        fs.copyFileSync(path.join(keptBuild, name), path.join(folder, name));
    }
    const server = await serve(folder);
    const url = `http://127.0.0.1:${server.address().port}/`;
    try {
        for (const [text, said] of [
            ['title: x\ntitel: y\n== s\n* a -> nowhere\n', ['story.txt:2:1: no setting named "titel"; did you mean "title"?',
                'story.txt:4:8: no section named "nowhere"']],
            [null, ['The page could not load story.txt (404 Not Found).']]]) {
            if (text === null) {
                fs.unlinkSync(path.join(folder, 'story.txt'));
            } else {
                fs.writeFileSync(path.join(folder, 'story.txt'), text);
            }
            const tab = await browser.open();
            await tab.navigate(url);
            await tab.until(`document.getElementById('status').textContent.split('\\n').length >= ${said.length}`);
            const lines = (await tab.evaluate("document.getElementById('status').textContent")).split('\n');
            check(said.every((line, i) => lines[i].startsWith(line)) && lines.length === said.length &&
                await tab.evaluate("document.getElementById('loading').hidden && Module.gorubadon.frames === 0"),
                `a broken story: the page says ${JSON.stringify(lines)}`);
            // The browser's own line for the missing file aside, the page's lines alone.
            const logged = tab.console.filter((m) => !/Failed to load resource.*404/.test(m));
            check(logged.length === said.length, `a broken story: the console has ${JSON.stringify(logged)}`);
            await tab.close();
        }
    } finally {
        server.close();
        fs.rmSync(folder, { recursive: true, force: true });
    }
}

async function main() {
    fs.mkdirSync(out, { recursive: true });
    const server = await serve(webBuild);
    const url = `http://127.0.0.1:${server.address().port}/`;
    const browser = await Browser.launch();
    const tabs = [];
    try {
        // The three paths by keys; the first starts with no record at all. Then one by taps alone
        // on a phone, one by the option buttons, one by Tab and Enter: the same screens.
        const plays = paths.map((p) => [p, 'keys']).concat([[paths[0], 'taps'], [paths[1], 'buttons'],
            [paths[2], 'tabEnter']]);
        for (const [[name, ...steps], how] of plays) {
            const tab = await openGame(browser, url, undefined, how === 'taps' ? asPhone : undefined);
            tabs.push(tab);
            let count = 0;
            for (const step of steps) {
                if (step.startsWith('shot:')) {
                    if (how === 'keys') {
                        await tab.shot(path.join(out, `${step.slice(5)}.png`));
                    }
                    continue;
                }
                await press(tab, step, how);
                count += 1;
                const file = path.join(out, how === 'keys' ? `${name}-step${count}.png` : `${how}-${name}-step${count}.png`);
                await tab.shot(file);
                if (how !== 'keys') {
                    check(fs.readFileSync(file).equals(fs.readFileSync(path.join(out, `${name}-step${count}.png`))),
                        `${name} by ${how}: step ${count} differs from the keyboard's screen`);
                    fs.unlinkSync(file);
                }
                await heard(tab, `${name} by ${how}, step ${count}`);
            }
            await press(tab, 'space', how);
            await tab.until('Module.gorubadon.ended');
            const files = await tab.evaluate(storedFiles());
            check(files['save.txt'] === defaultRecord, `${name} by ${how}: the record after the ending is ${JSON.stringify(files)}`);
            if (how === 'taps') {
                // After the ending a tap plays again.
                const reloaded = tab.waitFor((m) => m.method === 'Page.loadEventFired');
                await inputs.taps(tab, 'space');
                await reloaded;
                await tab.until('Module.gorubadon && Module.gorubadon.frames > 0');
                check(await tab.evaluate("getComputedStyle(document.querySelector('.taps')).display !== 'none' && getComputedStyle(document.querySelector('.keys')).display === 'none'"),
                    'a touch screen\'s help line does not name taps alone');
            }
            await tab.close();
        }

        // A record with items, read at load and kept byte for byte when the tab is closed mid-story.
        const kept = 'GameData {hp = 3, hpMax = 12, turn = 7, gold = 42, items = ["herb","\\34220\\33609"]}';
        await seed(browser, url, { 'save.txt': kept });
        let tab = await openGame(browser, url);
        tabs.push(tab);
        check(await tab.evaluate("FS.readFile('/game/save.txt', { encoding: 'utf8' })") === kept,
            'the stored record is not what the game reads after a reload');
        await press(tab, 'space');
        await tab.close();
        tab = await browser.open();
        tabs.push(tab);
        await tab.navigate(url + 'icon.png');
        let files = await tab.evaluate(storedFiles());
        check(files['save.txt'] === kept, `closing the tab kept ${JSON.stringify(files)}`);
        // A record the game could not read is kept aside when the tab closes mid-story.
        await tab.evaluate(storeFiles({ 'save.txt': 'GameData {hp = oops' }));
        const closing = await openGame(browser, url);
        tabs.push(closing);
        await press(closing, 'space');
        await closing.close();
        // The closed tab's transaction may commit a moment after.
        for (let i = 0; i < 100 && files['save.txt.bak'] === undefined; ++i) {
            files = await tab.evaluate(storedFiles());
            await new Promise((r) => setTimeout(r, 20));
        }
        check(files['save.txt'] === defaultRecord && files['save.txt.bak'] === 'GameData {hp = oops',
            `closing the tab after a malformed record kept ${JSON.stringify(files)}`);

        // A file that is not a record is kept aside, and the default takes its place.
        await tab.evaluate(storeFiles({ 'save.txt': 'GameData {hp = oops' }));
        await tab.navigate(url);
        await tab.until('Module.gorubadon && Module.gorubadon.frames > 0');
        check(await tab.evaluate("FS.readFile('/game/save.txt', { encoding: 'utf8' })") === 'GameData {hp = oops',
            'the malformed record is not what the game reads');
        await playTie(tab);
        files = await tab.evaluate(storedFiles());
        check(files['save.txt'] === defaultRecord && files['save.txt.bak'] === 'GameData {hp = oops',
            `after a malformed record: ${JSON.stringify(files)}`);
        // The ended page starts again on space.
        const reloaded = tab.waitFor((m) => m.method === 'Page.loadEventFired');
        await tab.key('space');
        await reloaded;
        await tab.until('Module.gorubadon && Module.gorubadon.frames > 0');
        await tab.close();

        // Storage refused (private browsing): one line on the page, and play goes on.
        tab = await openGame(browser, url,
            "indexedDB.open = () => { throw new DOMException('refused', 'SecurityError'); };");
        tabs.push(tab);
        const line = await tab.evaluate("document.getElementById('storage').textContent");
        check(/record/.test(line), `no line on the page when storage is refused: "${line}"`);
        await press(tab, 'space');
        await press(tab, 'space');
        check(!(await tab.evaluate('Module.gorubadon.ended')), 'play stopped when storage was refused');
        await tab.close();

        // The record in the player's hands: saved to a file byte for byte, and a file the game
        // reads taking its place for the next play; any other file refused with the record kept.
        const downloads = fs.mkdtempSync(path.join(os.tmpdir(), 'gorubadon-downloads-'));
        await browser.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
        await seed(browser, url, { 'save.txt': kept });
        tab = await openGame(browser, url);
        tabs.push(tab);
        await tab.click(...centre(await rectOf(tab, '#save-record')));
        const saved = path.join(downloads, 'save.txt');
        for (let i = 0; i < 500 && !fs.existsSync(saved); ++i) {
            await new Promise((r) => setTimeout(r, 20));
        }
        check(fs.existsSync(saved) && fs.readFileSync(saved, 'utf8') === (await tab.evaluate(storedFiles()))['save.txt'] &&
            fs.readFileSync(saved, 'utf8') === kept, 'the saved file is not the stored record');
        const loadFile = async (file) => {
            await tab.evaluate("document.getElementById('status').textContent = ''");
            await tab.chooseFiles('#record-file', [file]);
            await tab.until("document.getElementById('status').textContent !== ''");
            return tab.evaluate("document.getElementById('status').textContent");
        };
        const huge = path.join(downloads, 'huge.txt');
        fs.writeFileSync(huge, Buffer.alloc(64 << 20, 'GameData '));
        const truncated = path.join(downloads, 'truncated.txt');
        fs.writeFileSync(truncated, kept.slice(0, 30));
        for (const [what, file] of [['a truncated record', truncated], ['a 64 MiB file', huge],
            ['a picture', path.join(root, 'data', 'images', 'icon-32.png')]]) {
            const said = await loadFile(file);
            check(/not a record/.test(said), `${what}: the page said "${said}"`);
            check((await tab.evaluate(storedFiles()))['save.txt'] === kept &&
                await tab.evaluate("FS.readFile('/game/save.txt', { encoding: 'utf8' })") === kept,
                `${what} changed the kept record`);
        }
        const good = 'GameData {hp = 5, hpMax = 9, turn = 2, gold = 7, items = ["x"]}';
        fs.writeFileSync(path.join(downloads, 'good.txt'), good);
        const loaded = await loadFile(path.join(downloads, 'good.txt'));
        check(/next play starts from it/.test(loaded), `a good record: the page said "${loaded}"`);
        await tab.navigate(url); // this play's own record does not take its place as the tab goes
        await tab.until('Module.gorubadon && Module.gorubadon.frames > 0');
        check(await tab.evaluate("FS.readFile('/game/save.txt', { encoding: 'utf8' })") === good,
            'the next play does not start from the loaded record');
        await tab.close();
        fs.rmSync(downloads, { recursive: true, force: true });

        // What is stored is untrusted: each odd entry is set aside with a line, and play goes on.
        const oddEntries = [['save.txt', '42'], ['save.txt', '({ hp: 10 })'], ['save.txt', 'null'],
            ['a/b', 'new Uint8Array([65])'], ['..', 'new Uint8Array([65])'], ['', 'new Uint8Array([65])']];
        for (const [key, value] of oddEntries) {
            tab = await browser.open();
            tabs.push(tab);
            await tab.navigate(url + 'icon.png');
            await tab.evaluate(storeFiles({}));
            await tab.evaluate(`new Promise((resolve) => { const open = indexedDB.open('gorubadon', 1);
                open.onsuccess = () => { const tx = open.result.transaction('files', 'readwrite');
                    tx.objectStore('files').put(${value}, ${JSON.stringify(key)});
                    tx.oncomplete = () => { open.result.close(); resolve(); }; }; })`);
            await tab.navigate(url);
            await tab.until('Module.gorubadon && Module.gorubadon.frames > 0');
            const said = await tab.evaluate("document.getElementById('status').textContent");
            check(said.includes('set aside') && said.includes(JSON.stringify(key)),
                `an entry ${JSON.stringify(key)} = ${value}: the page said "${said}"`);
            await press(tab, 'space');
            check(await tab.evaluate('Module.gorubadon.told.length') === 1, `play stopped after ${JSON.stringify(key)} = ${value}`);
            await tab.close();
        }

        // A tab writes only the files it changed: what another stored meanwhile stays.
        await seed(browser, url, { 'save.txt': kept });
        tab = await openGame(browser, url);
        tabs.push(tab);
        const other = await browser.open();
        tabs.push(other);
        await other.navigate(url + 'icon.png');
        await other.evaluate(`new Promise((resolve) => { const open = indexedDB.open('gorubadon', 1);
            open.onsuccess = () => { const tx = open.result.transaction('files', 'readwrite');
                tx.objectStore('files').put(new TextEncoder().encode('theirs'), 'other.txt');
                tx.oncomplete = () => { open.result.close(); resolve(); }; }; })`);
        await tab.close();
        files = {};
        for (let i = 0; i < 100 && files['other.txt'] === undefined; ++i) {
            files = await other.evaluate(storedFiles());
            await new Promise((r) => setTimeout(r, 20));
        }
        check(files['other.txt'] === 'theirs' && files['save.txt'] === kept, `a leaving tab left ${JSON.stringify(files)}`);
        await other.close();

        // Offline: after one visit the worker has the folder; a visit with the network off plays
        // and keeps the record.
        tab = await openGame(browser, url);
        tabs.push(tab);
        await tab.until('navigator.serviceWorker.controller !== null', 30000);
        await tab.until(`caches.keys().then((names) => Promise.all(names.map((n) => caches.open(n).then((c) => c.keys()))))
            .then((lists) => lists.some((l) => l.length >= 10))`.replace(/\n\s*/g, ' '), 30000);
        await tab.close();
        tab = await browser.open();
        tabs.push(tab);
        await tab.send('Network.enable');
        await tab.send('Network.emulateNetworkConditions', { offline: true, latency: 0, downloadThroughput: -1, uploadThroughput: -1 });
        await tab.navigate(url);
        await tab.until('Module.gorubadon && Module.gorubadon.frames > 0');
        check(await tab.evaluate("FS.readFile('/game/save.txt', { encoding: 'utf8' })") === kept, 'offline, the record is not read');
        await playTie(tab);
        check((await tab.evaluate(storedFiles()))['save.txt'] === kept, 'offline, the record is not kept');
        await tab.close();

        // The folder in a sub-folder of another host: a newer one, once published, takes over with
        // a worker of its own version, and the old copy goes.
        const host = fs.mkdtempSync(path.join(os.tmpdir(), 'gorubadon-host-'));
        const folder = path.join(host, 'games', 'gorubadon');
        fs.mkdirSync(folder, { recursive: true });
        for (const name of fs.readdirSync(webBuild).filter((n) => fs.statSync(path.join(webBuild, n)).isFile())) {
            fs.copyFileSync(path.join(webBuild, name), path.join(folder, name));
        }
        const hostServer = await serve(host);
        const hostUrl = `http://127.0.0.1:${hostServer.address().port}/games/gorubadon/`;
        const copies = `caches.keys().then((names) => names.filter((n) => n.startsWith('gorubadon ${hostUrl} ')))`;
        tab = await openGame(browser, hostUrl);
        tabs.push(tab);
        await tab.until('navigator.serviceWorker.controller !== null', 30000);
        const [older] = await tab.evaluate(copies);
        await tab.close();
        fs.appendFileSync(path.join(folder, 'page.css'), '/* newer */\n');
        execFileSync('cmake', [`-DDIR=${folder}`, `-DTEMPLATE=${path.join(root, 'web', 'sw.js')}`, '-P',
            path.join(root, 'web', 'page_worker.cmake')]);
        tab = await openGame(browser, hostUrl);
        tabs.push(tab);
        // The takeover waited for without fetching: the old worker lets the new one in only once
        // it has no fetch in hand.
        await tab.until(`${copies}.then((names) => names.length === 1 && names[0] !== ${JSON.stringify(older)})`, 30000);
        check(await tab.evaluate("fetch('page.css').then((r) => r.text()).then((text) => /newer/.test(text))"),
            'the newer folder\'s worker does not serve its files');
        await tab.close();
        hostServer.close();
        fs.rmSync(host, { recursive: true, force: true });

        // The layout of a portrait and a landscape phone and a desktop, options offered: the game
        // whole at a whole number of device pixels a pixel, every control in the window and
        // large enough to tap. Screenshots of each are left beside the game's.
        for (const [width, height, phone] of [[390, 844, true], [844, 390, true], [1280, 900, false]]) {
            tab = await openGame(browser, url, undefined, phone ? (t) => asPhone(t, width, height) : async (t) =>
                t.send('Emulation.setDeviceMetricsOverride', { width, height, deviceScaleFactor: 1, mobile: false }));
            tabs.push(tab);
            while (!(await tab.evaluate('Module.gorubadon.offered'))) {
                await press(tab, 'space');
            }
            const layout = await tab.evaluate(`(() => {
                const ratio = window.devicePixelRatio;
                const box = (e) => e.getBoundingClientRect();
                const inside = (r) => r.left >= 0 && r.top >= 0 && r.right <= innerWidth + 0.5 && r.bottom <= innerHeight + 0.5;
                const screen = box(document.getElementById('screen'));
                const controls = [...document.querySelectorAll('button:not([hidden])')].map(box);
                return { scale: screen.width * ratio / document.getElementById('screen').width, inside: inside(screen) && controls.every(inside),
                         small: controls.filter((r) => r.width < 44 || r.height < 44).length,
                         scrolls: document.documentElement.scrollHeight > innerHeight || document.documentElement.scrollWidth > innerWidth };
            })()`);
            // CSS lengths are kept in 64ths of a pixel: 1280/3 px reads back a hair short.
            check(Math.abs(layout.scale - Math.round(layout.scale)) < 0.001 && layout.inside && layout.small === 0 && !layout.scrolls,
                `at ${width}x${height}: ${JSON.stringify(layout)}`);
            const { data } = await tab.send('Page.captureScreenshot', { format: 'png' });
            fs.writeFileSync(path.join(out, '..', `layout-${width}x${height}.png`), Buffer.from(data, 'base64'));
            console.log(`layout ${width}x${height}: ${Math.round(layout.scale)} device pixels a game pixel`);
            await tab.close();
        }

        await keptPlace(browser, tabs);
        await brokenStories(browser);
        check(await (async () => {
            const game = await openGame(browser, url);
            tabs.push(game);
            const hidden = await game.evaluate("document.getElementById('start-again').hidden");
            await game.close();
            return hidden;
        })(), 'the game\'s page offers "Start again", though its story keeps no place');

        // From a file the page says it needs a server, and tries nothing that fails.
        tab = await browser.open();
        tabs.push(tab);
        await tab.navigate('file://' + path.resolve(webBuild, 'index.html'));
        const said = await tab.evaluate("document.getElementById('status').textContent");
        check(/server/.test(said), `from a file the page says "${said}"`);
        await tab.close();
    } finally {
        for (const tab of tabs) {
            // The test's own blank pages (a bare picture) make the browser ask for a favicon.ico.
            for (const message of tab.console.filter((m) => !/404.*\/favicon\.ico$/.test(m))) {
                check(false, `console: ${message}`);
            }
        }
        await browser.close();
        server.close();
    }
}

main().then(() => process.exit(failures.length ? 1 : 0), (e) => {
    console.log(`FAIL: ${e.stack}`);
    process.exit(1);
});
