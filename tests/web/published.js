// A published story's page in headless Chromium, played with real key presses along each path of
// a paths file (the form of tools/story-paths.txt): a PNG of the canvas at each shot and after
// each key, named as tools/screenshots.sh names the desktop player's, and not one console message.
// Usage: node published.js FOLDER PATHS OUT_DIR   (prints FAIL lines and exits 1 on any failure)
'use strict';
const fs = require('fs');
const path = require('path');
const { Browser, readPaths, serve } = require('../../web/tools/browser.js');

const [folder, pathsFile, out] = process.argv.slice(2);
const paths = readPaths(pathsFile);

async function main() {
    fs.mkdirSync(out, { recursive: true });
    const server = await serve(folder);
    const url = `http://127.0.0.1:${server.address().port}/`;
    const browser = await Browser.launch();
    const failures = [];
    try {
        for (const [name, ...steps] of paths) {
            const tab = await browser.open();
            await tab.navigate(url);
            await tab.until('Module.gorubadon && Module.gorubadon.frames > 0');
            let count = 0;
            for (const step of steps) {
                if (step.startsWith('shot:')) {
                    await tab.shot(path.join(out, `${step.slice(5)}.png`));
                    continue;
                }
                const frames = await tab.evaluate('Module.gorubadon.frames');
                await tab.key(step);
                await tab.until(`Module.gorubadon.frames > ${frames} || Module.gorubadon.ended`);
                count += 1;
                await tab.shot(path.join(out, `${name}-step${count}.png`));
            }
            for (const message of tab.console.filter((m) => !/404.*\/favicon\.ico$/.test(m))) {
                failures.push(`${name}: console: ${message}`);
            }
            await tab.close();
        }
    } finally {
        await browser.close();
        server.close();
    }
    for (const failure of failures) {
        console.log(`FAIL: ${failure}`);
    }
    process.exit(failures.length === 0 ? 0 : 1);
}

main().catch((e) => {
    console.log(`FAIL: ${e.stack || e}`);
    process.exit(1);
});
