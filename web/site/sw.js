// Keeps the site's files for use without the server. The build writes the
// list of files and a version made from their contents (web/offline_stamp.py),
// so that any change gives a new cache. A new version is fetched whole into
// its own cache before it may take over (a failed fetch leaves the old one in
// place), takes over only when a page that has loaded all it needs asks, and
// then removes the old cache: no page ever runs on half of one.
const kVersion = 'VERSION';
const kFiles = ['FILES'];
const kCache = `pressling-${kVersion}`;

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(kCache).then((cache) =>
    cache.addAll(kFiles.map((file) => new Request(file, { cache: 'reload' })))));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((name) => name.startsWith('pressling-') && name !== kCache)
      .map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});

self.addEventListener('message', (event) => {
  if (event.data === 'take-over') self.skipWaiting();
});

// The site's own files from the cache, everything else (there is nothing
// else) from the network.
self.addEventListener('fetch', (event) => {
  const { request } = event;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(caches.open(kCache)
    .then((cache) => cache.match(request, { ignoreSearch: true }))
    .then((kept) => kept || fetch(request)));
});
