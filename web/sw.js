// Keeps the page's folder for visits with no connection. `gorubadon-story publish` writes the
// folder's files and a version made from their bytes in place of the two names below (as
// web/page_worker.cmake does for the browser test's copies), so a newer folder is a newer
// worker: the browser installs it beside this one, and it takes over once its copy is complete.
// Everything is named relative to the worker, so the folder works under any path.
'use strict';
const version = '@PAGE_VERSION@';
const files = [@PAGE_FILES@];
const prefix = 'gorubadon ' + self.registration.scope + ' ';
const cacheName = prefix + version;
const urls = files.map((name) => new URL(name, self.registration.scope).href);

self.addEventListener('install', (event) => {
    event.waitUntil(caches.open(cacheName)
        .then((cache) => cache.addAll(urls.map((url) => new Request(url, { cache: 'no-cache' }))))
        .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
    event.waitUntil(caches.keys()
        .then((names) => Promise.all(names.filter((n) => n.startsWith(prefix) && n !== cacheName)
            .map((n) => caches.delete(n))))
        .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
    const request = event.request;
    if (request.method !== 'GET') {
        return;
    }
    const url = new URL(request.url);
    url.search = '';
    url.hash = '';
    if (url.href === self.registration.scope) {
        url.href += 'index.html';
    }
    if (!urls.includes(url.href)) {
        return;
    }
    // Looked up without opening: a worker on its way out must not make its deleted copy again.
    event.respondWith(caches.match(url.href, { cacheName }).then((kept) => kept || fetch(request)));
});
