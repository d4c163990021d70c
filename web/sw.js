// The page offline: the first visit keeps the page, its code and its data
// in a cache named by the build; later visits are served from it, with or
// without a network. A new build is a new cache, filled whole before it
// serves, and it takes over only when the page asks (at a reload), so a page
// never runs one build's code with another's data.
"use strict";
const build = 'ruzoz-@BUILD@';
const files = ['./', 'index.html', 'audio-worklet.js', 'manifest.json', 'NOTICES.txt', 'libfluidsynth.js',
               'ruzoz.js', 'ruzoz.wasm', 'ruzoz.data', 'icons/ruzoz-192.png', 'icons/ruzoz-512.png'];

self.addEventListener('install', (event) => {
  // Revalidated, not taken from the browser's cache, which may hold an
  // older build's file.
  event.waitUntil(caches.open(build).then((cache) =>
    cache.addAll(files.map((file) => new Request(file, {cache: 'no-cache'})))));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((name) => name.startsWith('ruzoz-') && name !== build)
                                      .map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});

self.addEventListener('message', (event) => {
  if (event.data === 'take over') self.skipWaiting();
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(caches.open(build)
    .then((cache) => cache.match(request, {ignoreSearch: true}))
    .then((kept) => kept || fetch(request)));
});
