// Starts the page's worker: on the served site, the module worker beside the page.
// The single file has its own version of this module (web/single/worker_start.js).
export function newWorker() {
  return new Worker(new URL('./worker.js', import.meta.url), { type: 'module' });
}
