// make run-web: the page on 127.0.0.1 until interrupted.
'use strict';
const { serve } = require('./browser.js');
const root = process.argv[2];
const port = Number(process.argv[3] || 8023);
serve(root, port).then((server) => {
    console.log(`Gorubadon: http://127.0.0.1:${server.address().port}/  (Ctrl+C stops)`);
});
