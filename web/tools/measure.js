// make measure-web: the page in headless Chromium on 127.0.0.1. First frame after navigation
// (median of REPS fresh loads, nothing cached), the same on Lighthouse's mobile line (1.6 Mbit/s
// down, 150 ms round trip; once more with its CPU four times slower) with the bytes that crossed
// it before the first frame, the bytes each file takes gzipped as a static host sends them (the
// total must stay within 300 KB), key press to new pixels on the canvas, and the CPU an idle tab
// takes.
// Usage: node measure.js FOLDER [REPS]   (a published story's folder)
'use strict';
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const { Browser, serve } = require('./browser.js');

const [webBuild, repsArg] = process.argv.slice(2);
const reps = Number(repsArg || 10);
const budget = 300 * 1000;
const median = (xs) => {
    const s = [...xs].sort((a, b) => a - b);
    return s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
};
const ms = (x) => x.toFixed(1);
// The seconds a tab's main thread works over idleSeconds in which nothing is asked of it.
const idleSeconds = 5;
async function idleWork(tab) {
    await tab.send('Performance.enable');
    const worked = async () => (await tab.send('Performance.getMetrics')).metrics
        .find((m) => m.name === 'TaskDuration').value;
    const before = await worked();
    await new Promise((r) => setTimeout(r, idleSeconds * 1000));
    return (await worked()) - before;
}

async function main() {
    const server = await serve(webBuild);
    const url = `http://127.0.0.1:${server.address().port}/`;
    const browser = await Browser.launch();
    let failed = false;
    try {
        // Transfer: what the page asked for, each file gzipped at the level static hosts use.
        const loaded = new Set();
        const firsts = [];
        for (let i = 0; i < reps; ++i) {
            const tab = await browser.open();
            await tab.send('Network.enable');
            await tab.send('Network.setCacheDisabled', { cacheDisabled: true });
            await tab.navigate(url);
            await tab.until('Module.gorubadon.firstFrame > 0');
            firsts.push(await tab.evaluate('Module.gorubadon.firstFrame'));
            for (const m of tab.events) {
                if (m.method === 'Network.requestWillBeSent' && m.params.request.url.startsWith(url)) {
                    loaded.add(new URL(m.params.request.url).pathname.replace(/\/$/, '/index.html'));
                }
            }
            await tab.close();
        }
        console.log(`first frame after navigation: median ${ms(median(firsts))} ms of ${reps} ` +
            `(${firsts.map(ms).join(', ')}); within 1.5 s: ${median(firsts) <= 1500 ? 'yes' : 'NO'}`);

        // Lighthouse's mobile profile, the page served gzipped, no worker's copy in the way.
        const slowLine = { offline: false, latency: 150, downloadThroughput: 1.6 * 1024 * 1024 / 8,
                           uploadThroughput: 750 * 1024 / 8 };
        const slowReps = Math.min(reps, 5);
        for (const cpu of [1, 4]) {
            const slowFirsts = [];
            const wires = [];
            for (let i = 0; i < slowReps; ++i) {
                const tab = await browser.open();
                await tab.send('Network.enable');
                await tab.send('Network.setCacheDisabled', { cacheDisabled: true });
                await tab.send('Network.setBypassServiceWorker', { bypass: true });
                await tab.send('Network.emulateNetworkConditions', slowLine);
                await tab.send('Emulation.setCPUThrottlingRate', { rate: cpu });
                await tab.navigate(url);
                await tab.until('Module.gorubadon.firstFrame > 0', 60000);
                const first = await tab.evaluate('Module.gorubadon.firstFrame');
                slowFirsts.push(first);
                let wire = 0;
                for (const m of tab.events) {
                    if (m.method === 'Network.loadingFinished') {
                        wire += m.params.encodedDataLength;
                    }
                }
                wires.push(wire);
                await tab.close();
            }
            const rate = cpu === 1 ? '' : `, CPU ${cpu}x slower`;
            console.log(`first frame on the mobile line (1.6 Mbit/s, 150 ms${rate}): median ` +
                `${ms(median(slowFirsts))} ms of ${slowReps} (${slowFirsts.map(ms).join(', ')}); ` +
                `within 2.0 s: ${median(slowFirsts) <= 2000 ? 'yes' : 'NO'}`);
            console.log(`  on the wire before the first frame: ${Math.max(...wires)} B ` +
                `(within 300 KB: ${Math.max(...wires) <= 300 * 1000 ? 'yes' : 'NO'})`);
        }

        console.log('transfer, gzipped:');
        let total = 0;
        for (const name of [...loaded].sort()) {
            const bytes = fs.readFileSync(path.join(webBuild, name));
            const gz = zlib.gzipSync(bytes, { level: 6 }).length;
            total += gz;
            console.log(`  ${name.slice(1).padEnd(16)} ${String(gz).padStart(9)} B  (${bytes.length} B as built)`);
        }
        console.log(`  ${'total'.padEnd(16)} ${String(total).padStart(9)} B  (budget ${budget} B)`);
        if (total > budget) {
            console.log('FAIL: over the transfer budget');
            failed = true;
        }

        // Key to pixels: from the keydown event to the frame on the canvas, along the opening path.
        const tab = await browser.open();
        await tab.navigate(url);
        await tab.until('Module.gorubadon.frames > 0');
        const idle = await idleWork(tab);
        const latencies = [];
        for (let i = 0; i < 12; ++i) {
            const frames = await tab.evaluate('Module.gorubadon.frames');
            await tab.key('space');
            await tab.until(`Module.gorubadon.frames > ${frames}`);
            latencies.push(await tab.evaluate('Module.gorubadon.lastFrame - Module.gorubadon.lastKey'));
        }
        console.log(`key press to new pixels on the canvas: median ${ms(median(latencies))} ms ` +
            `(${latencies.map(ms).join(', ')}); the desktop's, from make measure: 1.18 ms`);
        await tab.close();
        // The same for a page with nothing running: what the browser itself spends on a tab.
        const blank = await browser.open();
        await blank.navigate(url + 'icon.png');
        const blankIdle = await idleWork(blank);
        await blank.close();
        console.log(`idle tab: ${(idle * 100 / idleSeconds).toFixed(2)}% of a core on its main ` +
            `thread over ${idleSeconds} s (a picture alone: ${(blankIdle * 100 / idleSeconds).toFixed(2)}%)`);
        if (idle / idleSeconds > 0.01) {
            console.log('FAIL: an idle tab takes 1% of a core or more');
            failed = true;
        }
    } finally {
        await browser.close();
        server.close();
    }
    process.exit(failed ? 1 : 0);
}

main().catch((e) => {
    console.error(e);
    process.exit(1);
});
