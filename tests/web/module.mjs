// The page's WebAssembly module under Node.js, without a browser: its
// proofs, which round upward in software there, on tiny tiles with every
// proved count checked against the literal loop (a wrong one traps) and
// the pictures against the render tool's; and its addresses: nothing in
// one traps it or hangs it, and every view it reads it writes back as an
// address that reads to the same view.
// First the double that rounds upward in software, against the software
// real (UpwardDoubleCheck.cpp, built beside the module).
// Usage: node module.mjs SITE_DIR RENDER_TOOL CHECKS_WASM
import fs from 'node:fs';
import path from 'node:path';
import { instantiate, withText, readText, copyIn, copyOut } from '../../web/page/module.js';
import { rendered } from './browser.mjs';

const [site, tool, checks] = process.argv.slice(2);
const upward = instantiate(await WebAssembly.compile(fs.readFileSync(checks)));
const disagreements = upward.check_upward(200000);
console.log(`upward double: ${disagreements} of 1,000,000 operations disagree with the software real`);
const module = await WebAssembly.compile(fs.readFileSync(path.join(site, 'gorvanel.wasm')));
const viewer = instantiate(module), worker = instantiate(module);
const open = (fragment) => withText(viewer, fragment, (text) => viewer.gv_open(text, 577, 353));

// Views the proofs settle in part or whole, and one past the resolution.
const Checked = [
  '-0.1000000000082,0.100000000005,0.099999999995', // interior, exact cycles
  '-0.125000000008,0.649519052843329,0.649519052833329', // black, no cycles
  '-0.7436453,0.1318268,0.13182675', // exterior bands
  '-1.7793776662466927,0.015,-0.015', // minibrot
  '-0.2125899180,0.6432983455,0.6432933455', // bulb edge
  '-2.5,1.25,-1.25', // the start view, mirrored rows
  '-0.74364388703715870475,0.13182590420531197050,0.13182590420531197040', // past the resolution
];
const [Width, Height, Side, Down] = [48, 29, 13, 11];
let failed = disagreements ? 1 : 0;
for (const view of Checked) {
  withText(viewer, `view=${view}`, (text) => viewer.gv_open(text, Width, Height));
  const size = viewer.gv_corners_size();
  const corners = worker.gv_alloc(size);
  copyIn(worker, corners, copyOut(viewer, Uint8Array, viewer.gv_corners(), size));
  const counts = new Int32Array((Width + 1) * (Height + 1));
  for (let row = 0; row <= Height; row += Down)
    for (let column = 0; column <= Width; column += Side) {
      const [rows, columns] = [Math.min(Down, Height + 1 - row), Math.min(Side, Width + 1 - column)];
      const pointer = worker.gv_piece(corners, Width, Height, column, columns, row, rows, 1);
      const piece = copyOut(worker, Int32Array, pointer, columns * rows);
      for (let j = 0; j < rows; j++)
        counts.set(piece.subarray(j * columns, (j + 1) * columns), (row + j) * (Width + 1) + column);
    }
  worker.gv_free(corners);
  copyIn(viewer, viewer.gv_counts(), counts);
  viewer.gv_paint();
  const pixels = copyOut(viewer, Uint8Array, viewer.gv_pixels(), Width * Height * 4);
  const want = rendered(tool, ['--size', `${Width}x${Height}`, '--', ...view.split(',')]);
  if (want.grey.some((level, k) => level !== pixels[4 * k])) {
    failed++;
    console.log(`FAIL: ${view}: the picture differs from the render tool's`);
  }
}
console.log(`proofs: ${Checked.length} views checked on tiny tiles`);

let seed = 20261210;
const random = (n) => {
  seed = (seed * 1103515245 + 12345) % 2147483648;
  return seed % n;
};
const alphabet = '0123456789abcdefxXpP.,+-eEinfa=&%#view ';
const valid = '#view=-0xb.e5f721eb1e5f29dp-4,0x8.6fd5ead4f4d6c49p-6,0x8.6fd5ead4f4d6c42p-6';
let read = 0, refused = 0;
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
