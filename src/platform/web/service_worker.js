// The page's service worker: keeps the page's files in a cache named by the release, so that the
// page plays without a network once it has been opened. The network comes first, so a server
// that can be reached always gives the files it holds now (and a page never mixes two releases);
// the cache answers when it cannot be reached. A new release's worker fills its own cache and
// removes the older releases' ones.
'use strict';
const Release = 'sideways-@PROJECT_VERSION@';
// The icons are not among them: a phone keeps its own copy of the one it puts on its home screen.
const Files = ['sideways.html', 'sideways.js', 'sideways.wasm', 'sideways.webmanifest'];

self.addEventListener('install', (event) => {
  // Revalidated rather than fetched again where the server says what it has (Last-Modified,
  // ETag): the page has just downloaded them.
  event.waitUntil(caches.open(Release).then((cache) =>
    cache.addAll(Files.map((file) => new Request(file, { cache: 'no-cache' })))));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys().then((names) => Promise.all(
    names.filter((name) => name.startsWith('sideways-') && name !== Release).map((name) => caches.delete(name)))));
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(fetch(request).catch(() =>
    caches.open(Release).then((cache) => cache.match(request, { ignoreSearch: true }))
      .then((kept) => kept || Response.error())));
});
