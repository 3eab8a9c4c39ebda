// The worker's WebAssembly: on the served site, fetched from beside the worker.
// The single file has its own version of this module (web/single/wasm_source.js).
export async function wasmBytes() {
  const response = await fetch(new URL('./pressling.wasm', import.meta.url));
  if (!response.ok) throw new Error(`pressling.wasm: ${response.status} ${response.statusText}`);
  return response.arrayBuffer();
}
