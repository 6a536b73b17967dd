// Loads the WebAssembly module, for the viewer and for each worker, and
// moves texts and bytes in and out of an instance's memory.

// The few WASI calls the C library links in; nothing here writes files.
const BadFileDescriptor = 8;
const Wasi = {
  fd_close: () => BadFileDescriptor,
  fd_seek: () => BadFileDescriptor,
  fd_write: () => BadFileDescriptor,
};

// Compiles the module once; its compiled form goes to every worker.
export async function compileModule(url) {
  const response = await fetch(url);
  if (!response.ok) throw new Error(`cannot load ${url}: ${response.status}`);
  // A server that does not say application/wasm still serves the bytes.
  return WebAssembly.compile(await response.arrayBuffer());
}

export function instantiate(module) {
  const instance = new WebAssembly.Instance(module, { wasi_snapshot_preview1: Wasi });
  instance.exports._initialize();
  return instance.exports;
}

const encoder = new TextEncoder();
const decoder = new TextDecoder();

// Calls Call with a NUL-terminated copy of Text in the instance's memory.
export function withText(exports, text, call) {
  const bytes = encoder.encode(text + '\0');
  const pointer = exports.gv_alloc(bytes.length);
  new Uint8Array(exports.memory.buffer, pointer, bytes.length).set(bytes);
  try {
    return call(pointer);
  } finally {
    exports.gv_free(pointer);
  }
}

export function readText(exports, pointer) {
  const memory = new Uint8Array(exports.memory.buffer);
  const end = memory.indexOf(0, pointer);
  return decoder.decode(memory.subarray(pointer, end));
}

// A copy of Count elements of an array type at Pointer: the memory may grow
// (and its buffer be replaced) on the next call.
export function copyOut(exports, Type, pointer, count) {
  return new Type(exports.memory.buffer, pointer, count).slice();
}

export function copyIn(exports, pointer, values) {
  new values.constructor(exports.memory.buffer, pointer, values.length).set(values);
}
