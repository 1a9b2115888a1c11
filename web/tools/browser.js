// Headless Chromium driven over the DevTools protocol on a pipe (--remote-debugging-pipe), so
// that any Node will do: no WebSocket is needed. Shared by the browser test and make measure-web.
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const zlib = require('zlib');

const types = {
    '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.css': 'text/css',
    '.wasm': 'application/wasm', '.data': 'application/octet-stream', '.png': 'image/png',
    '.webmanifest': 'application/manifest+json',
};

// Serves the folder on 127.0.0.1 (gzip where the client takes it, and a file unchanged since the
// client's copy as 304, as static hosts do; the page's service worker asks so).
function serve(folder, port = 0) {
    const root = path.resolve(folder);
    const server = http.createServer((req, res) => {
        const name = decodeURIComponent(new URL(req.url, 'http://x').pathname);
        const file = path.join(root, name.endsWith('/') ? name + 'index.html' : name);
        if (!file.startsWith(root + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
            res.writeHead(404).end();
            return;
        }
        const stat = fs.statSync(file);
        const tag = `"${stat.size}-${stat.mtimeMs}"`;
        const headers = { 'Content-Type': types[path.extname(file)] || 'application/octet-stream',
                          'Cache-Control': 'no-cache', ETag: tag };
        if (req.headers['if-none-match'] === tag) {
            res.writeHead(304, headers).end();
            return;
        }
        let body = fs.readFileSync(file);
        if (/\bgzip\b/.test(req.headers['accept-encoding'] || '')) {
            body = zlib.gzipSync(body);
            headers['Content-Encoding'] = 'gzip';
        }
        res.writeHead(200, headers).end(body);
    });
    return new Promise((resolve) => server.listen(port, '127.0.0.1', () => resolve(server)));
}

// A paths file's plays (the form of tools/story-paths.txt): [name, ...steps] a line.
function readPaths(file) {
    return fs.readFileSync(file, 'utf8').split('\n').filter((l) => l.trim() && !l.startsWith('#'))
        .map((l) => l.trim().split(/\s+/));
}

class Browser {
    static async launch() {
        const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'gorubadon-chromium-'));
        // No sandbox: it loads only the page from 127.0.0.1, and the sandbox cannot start as root
        // or in many containers.
        const args = ['--no-sandbox', '--headless', '--remote-debugging-pipe', '--no-first-run',
            '--no-default-browser-check', '--disable-gpu', '--disable-extensions',
            '--disable-background-networking', '--disable-component-update', '--disable-sync',
            '--mute-audio', '--disable-dev-shm-usage', `--user-data-dir=${profile}`,
            '--window-size=800,600', 'about:blank'];
        const child = spawn(process.env.CHROMIUM || 'chromium', args,
            { stdio: ['ignore', 'ignore', 'ignore', 'pipe', 'pipe'] });
        const browser = new Browser(child, profile);
        await browser.send('Target.getTargets'); // answered once the browser is up
        return browser;
    }

    constructor(child, profile) {
        this.child = child;
        this.profile = profile;
        this.id = 0;
        this.pending = new Map();
        this.listeners = [];
        let buffer = Buffer.alloc(0);
        child.stdio[4].on('data', (chunk) => {
            buffer = Buffer.concat([buffer, chunk]);
            let end;
            while ((end = buffer.indexOf(0)) >= 0) {
                const message = JSON.parse(buffer.subarray(0, end).toString());
                buffer = buffer.subarray(end + 1);
                this.dispatch(message);
            }
        });
        this.exited = new Promise((resolve) => child.on('exit', resolve));
    }

    dispatch(message) {
        if (message.id !== undefined) {
            const waiter = this.pending.get(message.id);
            this.pending.delete(message.id);
            if (message.error) {
                waiter.reject(new Error(`${waiter.method}: ${message.error.message}`));
            } else {
                waiter.resolve(message.result);
            }
            return;
        }
        for (const listener of this.listeners) {
            listener(message);
        }
    }

    send(method, params = {}, sessionId = undefined) {
        const id = ++this.id;
        const message = { id, method, params };
        if (sessionId) {
            message.sessionId = sessionId;
        }
        this.child.stdio[3].write(JSON.stringify(message) + '\0');
        return new Promise((resolve, reject) => this.pending.set(id, { resolve, reject, method }));
    }

    // A tab of its own, with its console watched: every message and every exception is kept.
    async open() {
        const { targetId } = await this.send('Target.createTarget', { url: 'about:blank' });
        const { sessionId } = await this.send('Target.attachToTarget', { targetId, flatten: true });
        const tab = new Tab(this, targetId, sessionId);
        for (const domain of ['Page', 'Runtime', 'Log']) {
            await tab.send(`${domain}.enable`);
        }
        return tab;
    }

    async close() {
        try {
            await Promise.race([this.send('Browser.close'), new Promise((r) => setTimeout(r, 3000))]);
        } catch (e) {
            // already gone
        }
        this.child.kill();
        await this.exited;
        try {
            fs.rmSync(this.profile, { recursive: true, force: true, maxRetries: 20 });
        } catch (e) {
            // a helper process still writing: the folder is in the system's temporary folder
        }
    }
}

class Tab {
    constructor(browser, targetId, sessionId) {
        this.browser = browser;
        this.targetId = targetId;
        this.sessionId = sessionId;
        this.console = [];
        this.events = [];
        browser.listeners.push((m) => {
            if (m.sessionId !== sessionId) {
                return;
            }
            this.events.push(m);
            if (m.method === 'Runtime.consoleAPICalled') {
                this.console.push(`${m.params.type}: ` +
                    m.params.args.map((a) => a.value !== undefined ? a.value : a.description).join(' '));
            } else if (m.method === 'Runtime.exceptionThrown') {
                const d = m.params.exceptionDetails;
                this.console.push(`exception: ${d.exception ? d.exception.description : d.text}`);
            } else if (m.method === 'Log.entryAdded') {
                this.console.push(`${m.params.entry.level}: ${m.params.entry.text} ${m.params.entry.url || ''}`);
            }
        });
    }

    send(method, params) {
        return this.browser.send(method, params, this.sessionId);
    }

    // Navigates and waits for the load event.
    async navigate(url) {
        const loaded = this.waitFor((m) => m.method === 'Page.loadEventFired');
        await this.send('Page.navigate', { url });
        await loaded;
    }

    waitFor(test, ms = 20000) {
        const start = this.events.length;
        return new Promise((resolve, reject) => {
            const timer = setTimeout(() => reject(new Error('timed out waiting for the page')), ms);
            const look = () => {
                const found = this.events.slice(start).find(test);
                if (found) {
                    clearTimeout(timer);
                    resolve(found);
                } else {
                    setTimeout(look, 5);
                }
            };
            look();
        });
    }

    async evaluate(expression) {
        const { result, exceptionDetails } = await this.send('Runtime.evaluate',
            { expression, awaitPromise: true, returnByValue: true });
        if (exceptionDetails) {
            throw new Error(`${expression}: ${exceptionDetails.exception ? exceptionDetails.exception.description : exceptionDetails.text}`);
        }
        return result.value;
    }

    // Polls until the expression, or the promise it gives, is true.
    async until(expression, ms = 20000) {
        const end = Date.now() + ms;
        for (;;) {
            if (await this.evaluate(`(async () => { try { return !!(await (${expression})); } catch (e) { return false; } })()`)) {
                return;
            }
            if (Date.now() > end) {
                throw new Error(`timed out: ${expression}`);
            }
            await new Promise((r) => setTimeout(r, 5));
        }
    }

    // A real key press, as the keyboard sends it: down (with its text) and up.
    async key(name) {
        const [mods, base] = name.includes('+') ? [name.split('+').slice(0, -1), name.split('+').pop()] : [[], name];
        const modifiers = (mods.includes('alt') ? 1 : 0) | (mods.includes('ctrl') ? 2 : 0) | (mods.includes('shift') ? 8 : 0);
        const keys = {
            space: { key: ' ', code: 'Space', keyCode: 32, text: ' ' },
            F4: { key: 'F4', code: 'F4', keyCode: 115 },
            Tab: { key: 'Tab', code: 'Tab', keyCode: 9 },
            Enter: { key: 'Enter', code: 'Enter', keyCode: 13, text: '\r' },
        };
        const k = keys[base] || { key: base, code: /^[0-9]$/.test(base) ? 'Digit' + base : 'Key' + base.toUpperCase(),
                                  keyCode: base.toUpperCase().charCodeAt(0), text: base };
        const common = { key: k.key, code: k.code, windowsVirtualKeyCode: k.keyCode, modifiers };
        await this.send('Input.dispatchKeyEvent',
            Object.assign({ type: k.text && !modifiers ? 'keyDown' : 'rawKeyDown', text: modifiers ? undefined : k.text }, common));
        await this.send('Input.dispatchKeyEvent', Object.assign({ type: 'keyUp' }, common));
    }

    // A tap with one finger at (x, y) CSS pixels, as a touch screen sends it.
    async tap(x, y) {
        await this.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x, y }] });
        await this.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
    }

    // A click of the left mouse button at (x, y) CSS pixels.
    async click(x, y) {
        const common = { x, y, button: 'left', clickCount: 1 };
        await this.send('Input.dispatchMouseEvent', Object.assign({ type: 'mouseMoved' }, common));
        await this.send('Input.dispatchMouseEvent', Object.assign({ type: 'mousePressed' }, common));
        await this.send('Input.dispatchMouseEvent', Object.assign({ type: 'mouseReleased' }, common));
    }

    // The canvas as a PNG file.
    async shot(file) {
        const png = await this.evaluate("document.getElementById('screen').toDataURL('image/png')");
        fs.writeFileSync(file, Buffer.from(png.split(',')[1], 'base64'));
    }

    // The files a player picks in the file input the selector finds.
    async chooseFiles(selector, files) {
        const { root } = await this.send('DOM.getDocument', { depth: 0 });
        const { nodeId } = await this.send('DOM.querySelector', { nodeId: root.nodeId, selector });
        await this.send('DOM.setFileInputFiles', { nodeId, files });
    }

    // Every name and value in the page's accessibility tree, what a screen reader can reach.
    async accessibleText() {
        const { nodes } = await this.send('Accessibility.getFullAXTree');
        return nodes.filter((n) => !n.ignored).map((n) => [n.name, n.value])
            .flat().filter((v) => v && typeof v.value === 'string').map((v) => v.value).join('\n');
    }

    async close() {
        await this.browser.send('Target.closeTarget', { targetId: this.targetId });
    }
}

module.exports = { Browser, readPaths, serve };
