// Registers the service worker that keeps the site for use without the
// server (sw.js). A new version waits until this page has loaded its
// converter, and with it everything it needs, before it takes over.
function converterLoaded() {
  return new Promise((resolve) => {
    if (document.body.dataset.ready) return resolve();
    new MutationObserver((changes, observer) => {
      if (document.body.dataset.ready) {
        observer.disconnect();
        resolve();
      }
    }).observe(document.body, { attributes: true, attributeFilter: ['data-ready'] });
  });
}

async function keepOffline() {
  const registration = await navigator.serviceWorker.register('sw.js');
  await converterLoaded();
  const offer = (worker) => {
    if (!worker) return;
    if (worker.state === 'installed') worker.postMessage('take-over');
    else worker.addEventListener('statechange', () => { if (worker.state === 'installed') worker.postMessage('take-over'); });
  };
  offer(registration.waiting || registration.installing);
  registration.addEventListener('updatefound', () => offer(registration.installing));
}

if ('serviceWorker' in navigator && location.protocol !== 'file:') {
  keepOffline().catch(() => { /* the page works as well without: it is only not kept */ });
}
