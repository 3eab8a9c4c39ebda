// The worker's WebAssembly in the single file: base64 at the head of the
// worker's code, decoded without a request.
export async function wasmBytes() {
  const text = atob(self.presslingWasmBase64);
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i);
  return bytes.buffer;
}
