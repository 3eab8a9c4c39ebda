// Starts the page's worker in the single file: its code is a data block of
// the page, run as a classic worker from a blob URL, since Chromium refuses a
// module worker from a blob on a file:// page. The worker inherits the page's
// policy, which allows blob: workers and nothing from the network.
let url = null;

export function newWorker() {
  if (url === null) {
    const code = document.getElementById('pressling-worker').textContent;
    url = URL.createObjectURL(new Blob([code], { type: 'text/javascript' }));
  }
  return new Worker(url);
}
