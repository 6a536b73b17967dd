// The page's WebAssembly module under Node.js, without a browser: nothing
// in an address traps it or hangs it, and every view it reads it writes
// back as an address that reads to the same view.
// Usage: node module.mjs SITE_DIR
import fs from 'node:fs';
import path from 'node:path';
import { instantiate, withText, readText } from '../../web/page/module.js';

const site = process.argv[2];
const viewer = instantiate(await WebAssembly.compile(fs.readFileSync(path.join(site, 'gorvanel.wasm'))));
const open = (fragment) => withText(viewer, fragment, (text) => viewer.gv_open(text, 577, 353));

let seed = 20261210;
const random = (n) => {
  seed = (seed * 1103515245 + 12345) % 2147483648;
  return seed % n;
};
const alphabet = '0123456789abcdefxXpP.,+-eEinfa=&%#view ';
const valid = '#view=-0xb.e5f721eb1e5f29dp-4,0x8.6fd5ead4f4d6c49p-6,0x8.6fd5ead4f4d6c42p-6';
let read = 0, refused = 0, failed = 0;
for (let k = 0; k < 100000; k++) {
  let text = k % 2 ? valid : '#view=';
  for (let c = 1 + random(12); c > 0; c--) {
    const at = random(text.length + 1);
    text = random(3) === 0 ? text.slice(0, at) + text.slice(at + 1) : text.slice(0, at) + alphabet[random(alphabet.length)] + text.slice(at);
  }
  if (open(text)) {
    read++;
    const address = readText(viewer, viewer.gv_address());
    if (!open(address) || readText(viewer, viewer.gv_address()) !== address) {
      failed++;
      console.log(`FAIL: ${text} reads as ${address}, which does not read back`);
    }
  } else {
    refused++;
    if (!readText(viewer, viewer.gv_message())) {
      failed++;
      console.log(`FAIL: ${text} refused without a reason`);
    }
  }
}
console.log(`addresses: ${read} read back, ${refused} refused with a reason`);
console.log(`module: ${failed ? 0 : 1} passed, ${failed ? 1 : 0} failed`);
process.exit(failed ? 1 : 0);
